// Compiles and runs one script, printing what the script window would show.
#include "pascal/console.h"

#include <cstdio>
#include <fstream>
#include <sstream>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tessaro-pascal FILE\n");
        return 64;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "tessaro-pascal: cannot read %s\n", argv[1]);
        return 66;
    }
    std::ostringstream text;
    text << in.rdbuf();
    pascal::ConsoleOptions options;
    options.print = [](const std::string& line) {
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fputc('\n', stdout);
    };
    options.resolver = pascal::fileIncludeResolver();
    return pascal::runConsoleScript(text.str(), argv[1], options);
}
