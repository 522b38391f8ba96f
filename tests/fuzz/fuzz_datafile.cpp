#include "fuzz_datafile.h"

#include <allegro.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "zindle.h"

namespace {

constexpr int DEPTH = 32;
std::string scratch;

void remove_scratch() { std::remove(scratch.c_str()); }

void fail(const char *what, const char *path)
{
    std::fprintf(stderr, "%s: %s\n", path, what);
    std::abort();
}

void load_accepted(const char *path, const DatafileLayout &layout)
{
    DATAFILE *data = load_datafile(path);
    if (!data) {
        fail("the check accepts it but the library does not load it", path);
    }
    for (int i = 0; i < layout.count; ++i) {
        if (data[i].type != layout.kinds[i] || !data[i].dat) {
            fail("the check accepts it but it loads other objects", path);
        }
    }
    unload_datafile(data);
}

}  // namespace

const char *start_datafile_fuzzing()
{
    if (scratch.empty()) {
        if (install_allegro(SYSTEM_NONE, &errno, std::atexit) != 0) {
            fail("the library does not start", "-");
        }
        set_color_depth(DEPTH);
        packfile_password("amber crest");
        const char *tmp = std::getenv("TMPDIR");
        scratch = std::string(tmp ? tmp : "/tmp") + "/zindle-fuzz-" + std::to_string(getpid()) + ".dat";
        std::atexit(remove_scratch);
    }
    return scratch.c_str();
}

void check_and_load(const char *path)
{
    for (const DatafileLayout *layout : {&tiles_dat_layout, &stuff_dat_layout}) {
        if (datafile_is_sound(path, *layout)) {
            load_accepted(path, *layout);
        }
    }
}
