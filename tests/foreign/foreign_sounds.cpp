// The tune and the sound of the foreign datafiles, written byte by byte in
// layouts the game's own build does not use: a format 0 MIDI file with
// running status, and an 8-bit mono WAV.
#include <cmath>
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
constexpr int SAMPLE_RATE = 11025;
constexpr int FULL_FRAMES = SAMPLE_RATE / 4;
constexpr int TINY_FRAMES = 40;
constexpr double PI = 3.14159265358979323846;

void put_be(Bytes &out, std::uint32_t v, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i) {
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
}

void put_le(Bytes &out, std::uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i) {
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

// A falling chirp that fades out: unsigned 8-bit samples around 128.
bool write_foreign_sound(const std::string &path, bool tiny)
{
    const int frames = tiny ? TINY_FRAMES : FULL_FRAMES;
    Bytes samples;
    double phase = 0;
    for (int i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / frames;
        phase += 2 * PI * (1200 - 900 * t) / SAMPLE_RATE;
        const double level = 100 * (1 - t) * (std::sin(phase) >= 0 ? 1 : -1);
        samples.push_back(static_cast<std::uint8_t>(std::lround(128 + level)));
    }

    Bytes wav;
    put_text(wav, "RIFF");
    put_le(wav, static_cast<std::uint32_t>(36 + samples.size()), 4);
    put_text(wav, "WAVE");
    put_text(wav, "fmt ");
    put_le(wav, 16, 4);
    put_le(wav, 1, 2);  // PCM
    put_le(wav, 1, 2);  // mono
    put_le(wav, SAMPLE_RATE, 4);
    put_le(wav, SAMPLE_RATE, 4);  // bytes a second
    put_le(wav, 1, 2);            // bytes a frame
    put_le(wav, 8, 2);            // bits a sample
    put_text(wav, "data");
    put_le(wav, static_cast<std::uint32_t>(samples.size()), 4);
    wav.insert(wav.end(), samples.begin(), samples.end());
    if (samples.size() % 2) {
        wav.push_back(0);  // RIFF chunks are padded to an even length
    }
    return write(path, wav);
}
