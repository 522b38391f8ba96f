// Writes the pictures the browser must show, the ones the Linux tests hold
// the X11 game to, for the browser's tests to compare its canvas with: the
// menu, the help screen and the empty play screen, as binary PPM files.
//   web_pictures <folder with tiles.dat and stuff.dat> <output folder>
#include <cstdio>
#include <string>

#include "pictures.h"

namespace {

bool write_ppm(const Picture &p, const std::string &path)
{
    std::FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) {
        return false;
    }
    std::fprintf(f, "P6\n%d %d\n255\n", p.w, p.h);
    for (const std::uint32_t rgb : p.rgb) {
        const unsigned char bytes[3] = {static_cast<unsigned char>(rgb >> 16),
                                        static_cast<unsigned char>(rgb >> 8),
                                        static_cast<unsigned char>(rgb)};
        std::fwrite(bytes, 1, sizeof bytes, f);
    }
    return std::fclose(f) == 0;
}

}  // namespace

int main(int argc, char **argv)
{
    Artwork art;
    if (argc != 3 || !load_artwork(argv[1], &art)) {
        std::fprintf(stderr, "usage: web_pictures <datafile folder> <output folder>\n");
        return 1;
    }
    const std::string out = argv[2];
    const bool written = write_ppm(art.menu, out + "/menu.ppm") && write_ppm(art.help, out + "/help.ppm") &&
                         write_ppm(art.play, out + "/play.ppm");
    return written ? 0 : 1;
}
