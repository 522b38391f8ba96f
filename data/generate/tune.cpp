// The background tune, "Lanterns over the Well": 32 bars in A minor at
// 104 beats a minute, written as note data and saved as a Standard MIDI File.
// It ends on E major, which leads straight back into the first bar's A minor,
// so the loop has no seam.
#include "generate.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <vector>

namespace {
constexpr int TICKS_PER_QUARTER = 96;
constexpr int EIGHTH = TICKS_PER_QUARTER / 2;
constexpr int EIGHTHS_PER_BAR = 8;
constexpr int BAR = EIGHTH * EIGHTHS_PER_BAR;
constexpr int BARS = 32;
constexpr int BPM = 104;
// Every velocity is scaled by this, so the synthesiser's mix does not clip at
// full volume and the clearing sound still cuts through.
constexpr int MIX_PERCENT = 80;

// General MIDI channels and programs (numbered from 0).
constexpr int MELODY = 0, PAD = 1, BASS = 2, HARP = 3, DRUMS = 9;
constexpr int VIBRAPHONE = 11, WARM_PAD = 89, FINGER_BASS = 33, HARP_PROGRAM = 46;
constexpr int KICK = 36, RIM = 37, SNARE = 38, CLOSED_HAT = 42, OPEN_HAT = 46, CRASH = 49, RIDE = 51,
              LOW_TOM = 45, HIGH_TOM = 50;

// Four sections of eight bars: theme, answer, theme with harp, bridge.
const char *const CHORDS =
    "Am F C G Am F G G "
    "F G Em Am Dm Em F G "
    "Am F C G Am F G G "
    "Dm G C Am F G E E";

// Notes as NAME+OCTAVE:EIGHTHS, "-" rests; bars are checked to add up.
const char *const THEME =
    "E5:2 A4:1 B4:1 C5:2 E5:2 | F5:3 E5:1 C5:2 A4:2 | G4:2 C5:1 D5:1 E5:2 G5:2 | D5:3 C5:1 B4:4 |"
    "E5:2 A4:1 B4:1 C5:2 E5:1 A5:1 | A5:3 G5:1 F5:2 E5:1 C5:1 | D5:2 G4:1 A4:1 B4:2 D5:2 | C5:1 B4:1 A4:2 B4:2 -:2 |";
const char *const ANSWER =
    "A4:3 C5:1 F5:4 | D5:3 B4:1 G4:4 | E5:2 G5:2 B5:2 G5:2 | A5:4 E5:4 |"
    "F5:2 E5:1 D5:1 A4:2 D5:2 | E5:2 D5:1 B4:1 G4:2 B4:2 | C5:2 A4:1 C5:1 F5:2 E5:1 D5:1 | D5:3 B4:1 G4:2 -:2 |";
const char *const BRIDGE =
    "D5:2 F5:2 A5:3 G5:1 | F5:2 D5:2 B4:4 | E5:2 G5:2 C6:3 B5:1 | A5:4 E5:2 C5:2 |"
    "F5:2 A5:2 C6:2 A5:2 | B5:2 G5:2 D5:2 B4:2 | G#4:2 B4:2 E5:2 G#5:2 | B5:3 G#5:1 E5:2 -:2 |";

struct Event {
    int tick;
    int order;  // note-offs before note-ons at the same tick
    std::vector<std::uint8_t> bytes;
};
using Track = std::vector<Event>;

int pitch_class(char letter) {
    switch (letter) {
        case 'C': return 0;
        case 'D': return 2;
        case 'E': return 4;
        case 'F': return 5;
        case 'G': return 7;
        case 'A': return 9;
        case 'B': return 11;
    }
    std::fprintf(stderr, "bad note letter %c\n", letter);
    std::exit(1);
}

// "G#4" -> 68 (middle C, C4, is 60).
int midi_note(const std::string &name) {
    int note = pitch_class(name[0]);
    std::size_t i = 1;
    if (name[i] == '#') {
        ++note;
        ++i;
    }
    return note + 12 * (std::stoi(name.substr(i)) + 1);
}

// Notes ring no further than the loop point.
void add_note(Track &t, int channel, int note, int tick, int length, int velocity) {
    length = std::min(length, BARS * BAR - tick);
    velocity = velocity * MIX_PERCENT / 100;
    t.push_back({tick, 1, {std::uint8_t(0x90 | channel), std::uint8_t(note), std::uint8_t(velocity)}});
    t.push_back({tick + length, 0, {std::uint8_t(0x80 | channel), std::uint8_t(note), 0}});
}

// Lays a melody string out from `tick`; returns the tick after its end.
int add_melody(Track &t, const char *notes, int tick, int velocity) {
    std::string spaced;
    for (const char *c = notes; *c; ++c) spaced += *c == '|' ? std::string(" | ") : std::string(1, *c);
    std::istringstream in(spaced);
    std::string token;
    int bar_start = tick;
    while (in >> token) {
        if (token == "|") {
            if (tick - bar_start != BAR) {
                std::fprintf(stderr, "a bar of the tune does not add up, before tick %d\n", tick);
                std::exit(1);
            }
            bar_start = tick;
            continue;
        }
        const std::size_t colon = token.find(':');
        const int length = std::stoi(token.substr(colon + 1)) * EIGHTH;
        const std::string name = token.substr(0, colon);
        if (name != "-") {
            const int accent = (tick - bar_start) % (2 * EIGHTH) == 0 ? 8 : 0;
            add_note(t, MELODY, midi_note(name), tick, length - 6, velocity + accent);
        }
        tick += length;
    }
    return tick;
}

std::vector<std::string> chord_names() {
    std::istringstream in(CHORDS);
    std::vector<std::string> names;
    std::string name;
    while (in >> name) names.push_back(name);
    if (names.size() != BARS) {
        std::fprintf(stderr, "the tune needs one chord per bar\n");
        std::exit(1);
    }
    return names;
}

// Root (in octave 2), third and fifth as semitones over the root.
struct Chord {
    int root, third, fifth;
};

Chord chord(const std::string &name) {
    const int root = midi_note(name.substr(0, 1) + "2");
    const bool minor = name.size() > 1 && name[1] == 'm';
    return {root, minor ? 3 : 4, 7};
}

void add_section_bass(Track &t, const Chord &c, int bar, bool busy) {
    const int start = bar * BAR;
    if (busy) {  // a pushing pattern for the theme and the bridge
        add_note(t, BASS, c.root, start, 3 * EIGHTH - 6, 96);
        add_note(t, BASS, c.root, start + 3 * EIGHTH, EIGHTH - 6, 78);
        add_note(t, BASS, c.root + c.fifth, start + 4 * EIGHTH, 2 * EIGHTH - 6, 88);
        add_note(t, BASS, c.root + 12, start + 6 * EIGHTH, 2 * EIGHTH - 6, 84);
    } else {  // the answer breathes
        add_note(t, BASS, c.root, start, 4 * EIGHTH - 6, 92);
        add_note(t, BASS, c.root + c.fifth, start + 4 * EIGHTH, 2 * EIGHTH - 6, 80);
        add_note(t, BASS, c.root + 12, start + 6 * EIGHTH, 2 * EIGHTH - 6, 80);
    }
}

void add_pad(Track &t, const Chord &c, int bar) {
    const int base = c.root + 24;  // octave 4
    for (int n : {base, base + c.third, base + c.fifth}) add_note(t, PAD, n, bar * BAR, BAR - 2, 46);
}

void add_harp(Track &t, const Chord &c, int bar) {
    const int r = c.root + 24;
    const int steps[EIGHTHS_PER_BAR] = {r - 12 + c.fifth, r, r + c.third, r + c.fifth, r + 12, r + c.fifth, r + c.third, r};
    for (int i = 0; i < EIGHTHS_PER_BAR; ++i)
        add_note(t, HARP, steps[i], bar * BAR + i * EIGHTH, EIGHTH * 2, i % 2 ? 44 : 54);
}

void add_drums(Track &t, int bar) {
    const int section = bar / 8, start = bar * BAR;
    const bool last_bar = bar == BARS - 1;
    if (bar % 8 == 0) add_note(t, DRUMS, CRASH, start, EIGHTH, section == 0 ? 70 : 60);
    for (int i = 0; i < EIGHTHS_PER_BAR; ++i) {
        const int tick = start + i * EIGHTH;
        if (last_bar && i >= 4) {  // a tom fill hands over to the top of the loop
            add_note(t, DRUMS, i < 6 ? HIGH_TOM : LOW_TOM, tick, EIGHTH, 70 + 6 * (i - 4));
            continue;
        }
        if (i == 0 || i == 4 || (section != 1 && i == 3)) add_note(t, DRUMS, KICK, tick, EIGHTH, i == 0 ? 100 : 86);
        if (i == 2 || i == 6) add_note(t, DRUMS, section == 0 ? RIM : SNARE, tick, EIGHTH, section == 0 ? 80 : 70);
        if (section == 3)
            add_note(t, DRUMS, RIDE, tick, EIGHTH, i % 2 ? 46 : 62);
        else if (section == 1 && i == 7)
            add_note(t, DRUMS, OPEN_HAT, tick, EIGHTH, 50);
        else
            add_note(t, DRUMS, CLOSED_HAT, tick, EIGHTH, i % 2 ? 40 : 58);
    }
}

void add_program(Track &t, int channel, int program) {
    t.push_back({0, 0, {std::uint8_t(0xC0 | channel), std::uint8_t(program)}});
}

void put_variable(std::vector<std::uint8_t> &out, std::uint32_t v) {
    std::uint8_t bytes[5];
    int n = 0;
    bytes[n++] = v & 0x7F;
    while (v >>= 7) bytes[n++] = 0x80 | (v & 0x7F);
    while (n) out.push_back(bytes[--n]);
}

void put_big(std::vector<std::uint8_t> &out, std::uint32_t v, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// Every track ends exactly at the loop point, so the repeat keeps time.
void put_track(std::vector<std::uint8_t> &out, Track t) {
    std::stable_sort(t.begin(), t.end(),
                     [](const Event &a, const Event &b) { return a.tick != b.tick ? a.tick < b.tick : a.order < b.order; });
    std::vector<std::uint8_t> body;
    int now = 0;
    for (const Event &e : t) {
        put_variable(body, e.tick - now);
        body.insert(body.end(), e.bytes.begin(), e.bytes.end());
        now = e.tick;
    }
    put_variable(body, BARS * BAR - now);
    body.insert(body.end(), {0xFF, 0x2F, 0x00});
    out.insert(out.end(), {'M', 'T', 'r', 'k'});
    put_big(out, static_cast<std::uint32_t>(body.size()), 4);
    out.insert(out.end(), body.begin(), body.end());
}
}  // namespace

void write_tune(const std::string &path) {
    Track conductor, melody, pad, bass, harp, drums;
    const std::uint32_t tempo = 60000000 / BPM;  // microseconds per quarter
    conductor.push_back({0, 0, {0xFF, 0x51, 0x03, std::uint8_t(tempo >> 16), std::uint8_t(tempo >> 8), std::uint8_t(tempo)}});
    conductor.push_back({0, 0, {0xFF, 0x58, 0x04, 4, 2, 24, 8}});  // 4/4
    add_program(melody, MELODY, VIBRAPHONE);
    add_program(pad, PAD, WARM_PAD);
    add_program(bass, BASS, FINGER_BASS);
    add_program(harp, HARP, HARP_PROGRAM);

    int tick = add_melody(melody, THEME, 0, 84);
    tick = add_melody(melody, ANSWER, tick, 80);
    tick = add_melody(melody, THEME, tick, 88);
    tick = add_melody(melody, BRIDGE, tick, 86);
    if (tick != BARS * BAR) {
        std::fprintf(stderr, "the melody is %d ticks long, not %d\n", tick, BARS * BAR);
        std::exit(1);
    }
    const std::vector<std::string> names = chord_names();
    for (int bar = 0; bar < BARS; ++bar) {
        const Chord c = chord(names[bar]);
        const int section = bar / 8;
        add_section_bass(bass, c, bar, section != 1);
        add_pad(pad, c, bar);
        if (section >= 2) add_harp(harp, c, bar);
        add_drums(drums, bar);
    }

    std::vector<std::uint8_t> out = {'M', 'T', 'h', 'd'};
    put_big(out, 6, 4);
    put_big(out, 1, 2);  // format 1: one track per voice
    put_big(out, 6, 2);
    put_big(out, TICKS_PER_QUARTER, 2);
    for (const Track *t : {&conductor, &melody, &pad, &bass, &harp, &drums}) put_track(out, *t);
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(out.data(), 1, out.size(), f) != out.size() || std::fclose(f) != 0) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(1);
    }
}
