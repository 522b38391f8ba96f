// Writes the foreign datafiles' pictures and tune into a folder:
//   foreign_art <output folder> full|tiny
// "full" draws every picture at the size the game draws it; "tiny" writes
// small ones and a two-note tune, as seeds for fuzzing.
#include <allegro.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "foreign_art.h"

int main(int argc, char **argv)
{
    const std::string size = argc == 3 ? argv[2] : "";
    if (size != "full" && size != "tiny") {
        std::fprintf(stderr, "usage: foreign_art <output folder> full|tiny\n");
        return 2;
    }
    if (install_allegro(SYSTEM_NONE, &errno, std::atexit) != 0) {
        std::fprintf(stderr, "foreign_art: the library did not start\n");
        return 1;
    }
    set_color_depth(24);
    const std::string dir = argv[1];
    const bool tiny = size == "tiny";
    const bool ok = write_foreign_pictures(dir, tiny) &&
                    write_foreign_tune(dir + "/tune.mid", tiny);
    return ok ? 0 : 1;
}
END_OF_MAIN()
