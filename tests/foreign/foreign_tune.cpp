// The tune of the foreign datafiles, written byte by byte in a layout the
// game's own build does not use: a format 0 MIDI file with running status.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "foreign_art.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int TICKS_PER_BEAT = 120;
constexpr int MICROSECONDS_PER_BEAT = 400000;  // 150 beats a minute
constexpr int VIBRAPHONE = 11;  // an instrument the game's instrument set holds
constexpr int VELOCITY = 100;

void put_be(Bytes &out, std::uint32_t v, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i) {
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
}

void put_text(Bytes &out, const char *four) { out.insert(out.end(), four, four + 4); }

// A MIDI variable-length quantity: seven bits a byte, high bit = more follow.
void put_delta(Bytes &out, std::uint32_t v)
{
    Bytes groups{static_cast<std::uint8_t>(v & 0x7F)};
    while (v >>= 7) {
        groups.push_back(static_cast<std::uint8_t>(0x80 | (v & 0x7F)));
    }
    out.insert(out.end(), groups.rbegin(), groups.rend());
}

bool write(const std::string &path, const Bytes &bytes)
{
    FILE *f = std::fopen(path.c_str(), "wb");
    const bool written = f && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    const bool ok = f && std::fclose(f) == 0 && written;
    if (!ok) {
        std::fprintf(stderr, "foreign_art: cannot write %s\n", path.c_str());
    }
    return ok;
}

}  // namespace

// One track on channel 0. After the first note-on every event uses running
// status, and a note ends as a note-on of velocity 0.
bool write_foreign_tune(const std::string &path, bool tiny)
{
    static const int phrase[] = {67, 71, 74, 79, 78, 74, 71, 72, 76, 74};
    const int notes = tiny ? 2 : static_cast<int>(sizeof phrase / sizeof phrase[0]);
    Bytes track;
    put_delta(track, 0);
    track.insert(track.end(), {0xFF, 0x51, 0x03});
    put_be(track, MICROSECONDS_PER_BEAT, 3);
    put_delta(track, 0);
    track.insert(track.end(), {0xC0, VIBRAPHONE});
    for (int i = 0; i < notes; ++i) {
        put_delta(track, 0);
        if (i == 0) {
            track.push_back(0x90);
        }
        track.insert(track.end(), {static_cast<std::uint8_t>(phrase[i]), VELOCITY});
        // The last note rings for two beats: a delta past 127 takes two bytes.
        put_delta(track, i + 1 == notes ? 2 * TICKS_PER_BEAT : TICKS_PER_BEAT / 2);
        track.insert(track.end(), {static_cast<std::uint8_t>(phrase[i]), 0});
    }
    put_delta(track, 0);
    track.insert(track.end(), {0xFF, 0x2F, 0x00});

    Bytes midi;
    put_text(midi, "MThd");
    put_be(midi, 6, 4);
    put_be(midi, 0, 2);  // format 0
    put_be(midi, 1, 2);  // one track
    put_be(midi, TICKS_PER_BEAT, 2);
    put_text(midi, "MTrk");
    put_be(midi, static_cast<std::uint32_t>(track.size()), 4);
    midi.insert(midi.end(), track.begin(), track.end());
    return write(path, midi);
}
