// Writes every source file of Zindle's two datafiles into one folder, the
// game's icons, at the sizes given, into another (with the window's icon, as
// pictures alone, or as a phone's home screen takes them), or its Windows
// icon file:
//   zindle_generate <output folder>
//   zindle_generate --icons <output folder> <size>...
//   zindle_generate --png <output folder> <size>...
//   zindle_generate --home <output folder> <size>...
//   zindle_generate --ico <output file> <size>...
#include "generate.h"

#include <allegro.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char **argv) {
    const std::string mode = argc >= 3 ? argv[1] : "";
    const bool icons = mode == "--icons" || mode == "--png" || mode == "--home" || mode == "--ico";
    if (argc != 2 && !icons) {
        std::fprintf(stderr,
                     "usage: %s <output folder> | --icons|--png|--home <output folder> <size>... | --ico <output file> <size>...\n",
                     argv[0]);
        return 2;
    }
    // No display is needed: memory bitmaps and the built-in font suffice.
    if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0) {
        std::fprintf(stderr, "cannot start Allegro: %s\n", allegro_error);
        return 1;
    }
    set_color_depth(24);
    if (icons) {
        std::vector<int> sizes;
        for (int i = 3; i < argc; ++i) {
            sizes.push_back(std::atoi(argv[i]));
            if (sizes.back() <= 0 || (mode == "--ico" && sizes.back() > MAX_ICO_SIZE)) {
                std::fprintf(stderr, "not an icon size: %s\n", argv[i]);
                return 2;
            }
        }
        if (mode == "--ico")
            write_windows_icon(argv[2], sizes);
        else if (mode == "--png")
            write_png_icons(argv[2], sizes);
        else if (mode == "--home")
            write_home_icons(argv[2], sizes);
        else
            write_icons(argv[2], sizes);
        return 0;
    }
    const std::string dir = argv[1];
    write_tiles(dir);
    write_screens(dir);
    write_tune(dir + "/music.mid");
    write_clear_sound(dir + "/bam.wav");
    return 0;
}
END_OF_MAIN()
