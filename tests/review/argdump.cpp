// Stands in for an external viewer: writes each argument it got on a line of its own into
// the file that TESSARO_ARGDUMP names.
#include <cstdlib>
#include <fstream>

int main(int argc, char **argv)
{
    const char *out = std::getenv("TESSARO_ARGDUMP");
    if (!out)
        return 1;
    std::ofstream file(out, std::ios::binary);
    for (int i = 1; i < argc; ++i)
        file << argv[i] << '\n';
    return 0;
}
