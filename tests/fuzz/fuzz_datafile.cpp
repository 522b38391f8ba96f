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

// A track's ticks up to its end, walked as the player walks it, numbers of
// any length: the sanitizer reports a walk that leaves the track.
unsigned long player_ticks(const unsigned char *p)
{
    const auto number = [&p] {
        unsigned long n = 0;
        do {
            n = (n << 7) + (*p & 0x7F);
        } while (*p++ & 0x80);
        return n;
    };
    unsigned long ticks = 0;
    for (unsigned char status = 0;;) {
        ticks += number();
        const unsigned char event = (*p & 0x80) ? *p++ : status;
        status = event < 0xF0 ? event : status;
        if (event == 0xFF && *p++ == 0x2F) {
            return ticks;
        }
        p += event >= 0xF0 ? number() : (event & 0xE0) == 0xC0 ? 1 : 2;
    }
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
    for (const DATAFILE *d = data; d->type != DAT_END; ++d) {
        unsigned long ticks = d->type != DAT_MIDI;  // only tunes must last
        for (int t = 0; !ticks && t < MIDI_TRACKS; ++t) {
            const unsigned char *track = static_cast<const MIDI *>(d->dat)->track[t].data;
            ticks = track ? player_ticks(track) : 0;
        }
        if (ticks == 0) {
            fail("the check accepts a tune the player finds no time in", path);
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
