// Build tool: records the size and checksum of each packed datafile in a
// header, so the game only hands the library the files it was built with.
//   datasum OUT.h FILE.dat...   (FILE.dat becomes FILE_DAT_SUM)
#include <cctype>
#include <cstdio>
#include <string>

#include "checksum.h"

namespace {

std::string constant_name(const std::string &path)
{
    std::string name = path.substr(path.find_last_of('/') + 1);
    for (char &ch : name) {
        ch = std::isalnum(static_cast<unsigned char>(ch))
                 ? static_cast<char>(std::toupper(static_cast<unsigned char>(ch)))
                 : '_';
    }
    return name + "_SUM";
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: datasum OUT.h FILE.dat...\n");
        return 2;
    }
    std::FILE *out = std::fopen(argv[1], "w");
    if (!out) {
        std::perror(argv[1]);
        return 1;
    }
    std::fprintf(out, "// Written by the build from the datafiles it packed.\n");
    std::fprintf(out, "#pragma once\n#include \"checksum.h\"\n");
    for (int i = 2; i < argc; ++i) {
        DatafileSum s;
        if (!checksum_file(argv[i], &s)) {
            std::perror(argv[i]);
            std::fclose(out);
            return 1;
        }
        std::fprintf(out, "constexpr DatafileSum %s = {%ld, 0x%08xu};\n",
                     constant_name(argv[i]).c_str(), s.bytes, static_cast<unsigned>(s.sum));
    }
    return std::fclose(out) == 0 ? 0 : 1;
}
