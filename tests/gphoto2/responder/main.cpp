// tessaro-ptpip-responder [JPEG]: an EOS body on the wire until standard input ends; prints
// the libgphoto2 port to use (TESSARO_GPHOTO2_PORT). Without JPEG it delivers the README's.
#include "responder.h"

#include <fstream>
#include <iostream>
#include <sstream>

int main(int argc, char** argv)
{
    std::ifstream in(argc > 1 ? argv[1] : TESSARO_RESPONDER_JPEG, std::ios::binary);
    std::ostringstream jpeg;
    jpeg << in.rdbuf();
    ptpip::Responder body(jpeg.str());
    std::cout << body.port() << std::endl;
    std::string line;
    while (std::getline(std::cin, line)) {
    }
    for (const std::string& write : body.writes())
        std::cout << write << '\n';
    return 0;
}
