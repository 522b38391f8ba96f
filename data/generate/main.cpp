// Writes every source file of Zindle's two datafiles into one folder:
//   zindle_generate <output folder>
#include "generate.h"

#include <allegro.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    // No display is needed: memory bitmaps and the built-in font suffice.
    if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0) {
        std::fprintf(stderr, "cannot start Allegro: %s\n", allegro_error);
        return 1;
    }
    set_color_depth(24);
    const std::string dir = argv[1];
    write_tiles(dir);
    write_screens(dir);
    write_tune(dir + "/music.mid");
    write_clear_sound(dir + "/bam.wav");
    return 0;
}
END_OF_MAIN()
