// Records the size and hash of each packed datafile in a header, so the game
// hands the library only the very files this build made.
//   zindle_datafile_sums <out.h> <tiles.dat> <stuff.dat>
#include "checksum.h"

#include <cstdio>

int main(int argc, char **argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s <out.h> <tiles.dat> <stuff.dat>\n", argv[0]);
        return 2;
    }
    DatafileSum tiles, stuff;
    if (!checksum_file(argv[2], &tiles) || !checksum_file(argv[3], &stuff)) {
        std::fprintf(stderr, "cannot read the datafiles\n");
        return 1;
    }
    FILE *out = std::fopen(argv[1], "w");
    if (!out) return 1;
    std::fprintf(out,
                 "// Written by the data build: size and FNV-1a hash of each datafile it packed.\n"
                 "#ifndef ZINDLE_DATAFILE_SUMS_H\n#define ZINDLE_DATAFILE_SUMS_H\n\n#include \"checksum.h\"\n\n"
                 "constexpr DatafileSum TILES_DAT_SUM = {%ldL, 0x%08xu};\n"
                 "constexpr DatafileSum STUFF_DAT_SUM = {%ldL, 0x%08xu};\n\n#endif\n",
                 tiles.bytes, static_cast<unsigned>(tiles.sum), stuff.bytes, static_cast<unsigned>(stuff.sum));
    return std::fclose(out) == 0 ? 0 : 1;
}
