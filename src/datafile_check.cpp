// The datafiles' structure, checked before the library's loader sees them.
//
// The loader trusts every count, length and header it reads: a damaged file
// makes it call a null function at the end of the data, free a datafile
// twice, write before a buffer, allocate gigabytes, or hand out a sample or a
// tune whose data is shorter than its header says. The check walks the same
// bytes through the library's own packfile layer, which decrypts and
// decompresses them, and accepts a file only where the loader must succeed:
// every count and length inside the file, every header as the loader and the
// players read it. Beyond that it accepts only what plays: tunes the player
// can loop, samples the mixer can step, pictures in the colours they were
// drawn in, and no more memory than the file's budget.
#include <allegro.h>

#include <cstdint>
#include <vector>

#include "stuff.h"
#include "tiles.h"
#include "zindle.h"

namespace {

const int TILES_DAT_KINDS[TILES_COUNT] = {
    DAT_BITMAP, DAT_BITMAP, DAT_BITMAP, DAT_BITMAP, DAT_BITMAP, DAT_BITMAP, DAT_BITMAP,
    DAT_BITMAP, DAT_BITMAP, DAT_BITMAP, DAT_BITMAP, DAT_BITMAP, DAT_BITMAP, DAT_BITMAP,
};
const int STUFF_DAT_KINDS[STUFF_COUNT] = {
    DAT_BITMAP, DAT_BITMAP, DAT_MIDI, DAT_SAMPLE, DAT_BITMAP, DAT_BITMAP, DAT_BITMAP,
};

// What loading each file may allocate, all told, counted as in
// object_is_sound. The game draws fourteen 32 x 32 tiles, 56 KiB at 32
// bits, and five 384 x 640 pictures, 4.7 MiB: tiles.dat has room for tiles
// up to about 190 pixels a side, stuff.dat for its pictures with 3.3 MiB to
// spare for its sounds, its tune and larger pictures. The slowest pair
// within them is checked and loaded in about a third of a second.
constexpr long long TILES_DAT_BUDGET = 2 << 20;
constexpr long long STUFF_DAT_BUDGET = 8 << 20;

}  // namespace

const DatafileLayout tiles_dat_layout = {TILES_COUNT, TILES_DAT_KINDS, TILES_DAT_BUDGET};
const DatafileLayout stuff_dat_layout = {STUFF_COUNT, STUFF_DAT_KINDS, STUFF_DAT_BUDGET};

namespace {

// Larger pictures than this are no art for a 384 x 640 window; the bound
// keeps one bitmap's memory reasonable whatever the file claims.
constexpr long MAX_BITMAP_SIDE = 4096;
constexpr long BITMAP_HEADER = 6;     // depth, width, height
constexpr long SAMPLE_HEADER = 8;     // bits, frequency, length
constexpr long WHOLE = 0x7FFFFFFF;    // a tune is read whole
constexpr int MIDI_TRACK_COUNT = 32;  // the library's MIDI_TRACKS
constexpr int MAX_VARLEN_BYTES = 4;   // a MIDI file's longest number

// What an object costs in memory besides its data: its entry in the
// datafile, its header (a tune's, the largest, takes about 530 bytes) and
// the allocator's share. A property costs as much besides its text.
constexpr long long ENTRY_COST = 1024;
// Pictures are converted on loading to the window's depth, at most 32 bits,
// and each row has a pointer of its own.
constexpr long long HELD_PIXEL_BYTES = 4;
constexpr long long ROW_POINTER_BYTES = 8;

// The tune player and the mixer keep their times and positions in a long,
// which has 32 bits on Windows.
constexpr long long PLAYER_LONG_MAX = 0x7FFFFFFF;
// The player's clock: a tick of a tune lasts TIMER_UNITS_PER_BEAT /
// divisions timer units, TIMERS_PER_SECOND to the second, until a tempo
// event sets a beat of `tempo` microseconds, counted in whole milliseconds.
constexpr long long TIMER_UNITS_PER_BEAT = TIMERS_PER_SECOND / 2;  // 120 beats a minute
constexpr long long TIMER_UNITS_PER_MS = TIMERS_PER_SECOND / 1000;
constexpr long long US_PER_MS = 1000;
// The mixer steps through a sample by frequency * 256 / its own rate, in
// whole 256ths of a frame; with no mixer running, the rate the library's
// drivers ask for.
constexpr long long MIXER_STEP_SCALE = 256;
constexpr int USUAL_MIXER_RATE = 44100;
// Its positions are 256ths of a frame, with room for the largest step of
// a frequency stored in 16 bits.
constexpr long long MAX_SAMPLE_FRAMES = (PLAYER_LONG_MAX - 0xFFFF * MIXER_STEP_SCALE) / MIXER_STEP_SCALE;

// An object as the check sees it: its size, and as many of its first bytes
// as its header needs.
struct Chunk {
    long size;
    std::vector<unsigned char> head;
};

// Bytes read front to back; every read is bounds-checked.
struct Bytes {
    const unsigned char *at;
    long left;
};

Bytes head_of(const Chunk &c) { return {c.head.data(), static_cast<long>(c.head.size())}; }

bool skip(Bytes *b, long n)
{
    if (n < 0 || n > b->left) {
        return false;
    }
    b->at += n;
    b->left -= n;
    return true;
}

// Big-endian, as the loader reads them; -1 when the bytes run out.
long read_word(Bytes *b)
{
    if (b->left < 2) {
        return -1;
    }
    const long w = (b->at[0] << 8) | b->at[1];
    skip(b, 2);
    return w;
}

long long read_long(Bytes *b)
{
    if (b->left < 4) {
        return -1;
    }
    const long long l = (static_cast<long long>(b->at[0]) << 24) | (b->at[1] << 16) |
                        (b->at[2] << 8) | b->at[3];
    skip(b, 4);
    return l;
}

// The loader reads some fields into a signed 16-bit short.
int as_short(long w) { return static_cast<std::int16_t>(static_cast<std::uint16_t>(w)); }

// Bytes the loader reads per pixel for each depth it stores; 0 for depths it
// has no reader for. 32 bits without alpha are stored as three bytes.
long bytes_per_pixel(int bits)
{
    switch (bits) {
    case 8: return 1;
    case 15: return 2;
    case 16: return 2;
    case 24: return 3;
    case 32: return 3;
    case -32: return 4;  // with alpha
    default: return 0;
    }
}

// What an object holds once loaded, besides its entry: a picture at the
// window's depth, anything else as many bytes as it is stored in.
long long held_bytes(int kind, const Chunk &c)
{
    if (kind != DAT_BITMAP) {
        return c.size;
    }
    Bytes b = head_of(c);
    skip(&b, 2);
    const long long w = read_word(&b);
    const long long h = read_word(&b);
    return h * (w * HELD_PIXEL_BYTES + ROW_POINTER_BYTES);
}

// A picture the game uses must not be stored at 8 bits: a datafile keeps
// no palette with it and the game sets none, so its colours would be the
// library's default palette's.
bool bitmap_is_sound(const Chunk &c, bool used)
{
    Bytes b = head_of(c);
    const long bits = read_word(&b);
    const long w = read_word(&b);
    const long h = read_word(&b);
    if (bits < 0 || w < 1 || h < 1 || w > MAX_BITMAP_SIDE || h > MAX_BITMAP_SIDE) {
        return false;
    }
    const int depth = as_short(bits);
    const long per_pixel = bytes_per_pixel(depth);
    return per_pixel > 0 && !(used && depth == 8) && w * h * per_pixel <= c.size - BITMAP_HEADER;
}

// The rate of the mixer the game's sounds play through.
int mixer_rate()
{
    const int rate = get_mixer_frequency();
    return rate > 0 ? rate : USUAL_MIXER_RATE;
}

// The mixer plays 8- and 16-bit samples, mono (bits > 0) or stereo
// (bits < 0). Below rate / 256 hertz its step rounds to 0: the sound is
// never heard and its voice is never freed.
bool sample_is_sound(const Chunk &c)
{
    Bytes b = head_of(c);
    const long stored_bits = read_word(&b);
    const long long freq = read_word(&b);
    const long long len = read_long(&b);
    if (stored_bits < 0 || freq * MIXER_STEP_SCALE < mixer_rate() || len < 1 || len > MAX_SAMPLE_FRAMES) {
        return false;
    }
    const int bits = as_short(stored_bits);
    const long long channels = bits < 0 ? 2 : 1;
    const long long bytes_per_frame = channels * (bits < 0 ? -bits : bits) / 8;
    return (bits == 8 || bits == -8 || bits == 16 || bits == -16) &&
           len * bytes_per_frame <= c.size - SAMPLE_HEADER;
}

// A MIDI variable-length number: seven bits a byte, high bit set on all but
// the last.
bool read_varlen(Bytes *b, long *value)
{
    *value = 0;
    for (int i = 0; i < MAX_VARLEN_BYTES && b->left > 0; ++i) {
        const unsigned char c = *b->at;
        skip(b, 1);
        *value = (*value << 7) | (c & 0x7F);
        if (!(c & 0x80)) {
            return true;
        }
    }
    return false;
}

// Data bytes of channel messages have the high bit clear; the player uses
// them as indices into 128-entry tables.
bool skip_data_bytes(Bytes *b, int n)
{
    for (int i = 0; i < n; ++i) {
        if (b->left < 1 || (b->at[0] & 0x80)) {
            return false;
        }
        skip(b, 1);
    }
    return true;
}

int data_bytes_of(int status) { return (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 ? 1 : 2; }

// A tune's timing as the player meets it: the ticks of its longest track,
// its longest wait between events, and its slowest tick in timer units.
struct Timing {
    long long ticks;
    long long longest_wait;
    long long slowest_tick;
};

// A tempo event sets the beat from the three bytes after its length,
// whatever the length says, and only where the tick comes out above 0.
bool read_tempo(Bytes track, long divisions, Timing *timing)
{
    if (track.left < 3) {
        return false;
    }
    const long long tempo = (track.at[0] << 16) | (track.at[1] << 8) | track.at[2];
    const long long tick = tempo / US_PER_MS * TIMER_UNITS_PER_MS / divisions;
    if (tick > timing->slowest_tick) {
        timing->slowest_tick = tick;
    }
    return true;
}

// The player reads a track event by event with no regard for its length and
// stops only at the end-of-track event, so every event must lie inside the
// track and the last must end it.
bool track_is_sound(Bytes track, long divisions, Timing *timing)
{
    int running_status = 0;
    long long ticks = 0;
    for (;;) {
        long delta, length;
        if (!read_varlen(&track, &delta) || track.left < 1) {
            return false;
        }
        ticks += delta;
        if (delta > timing->longest_wait) {
            timing->longest_wait = delta;
        }
        const int first = track.at[0];
        if (first < 0x80) {  // running status: the previous channel message's
            if (running_status == 0 || !skip_data_bytes(&track, data_bytes_of(running_status))) {
                return false;
            }
            continue;
        }
        skip(&track, 1);
        if (first < 0xF0) {
            running_status = first;
            if (!skip_data_bytes(&track, data_bytes_of(first))) {
                return false;
            }
        } else if (first == 0xF0 || first == 0xF7) {  // system exclusive
            if (!read_varlen(&track, &length) || !skip(&track, length)) {
                return false;
            }
        } else if (first == 0xFF) {  // meta event
            if (track.left < 1) {
                return false;
            }
            const int type = track.at[0];
            skip(&track, 1);
            if (!read_varlen(&track, &length) || (type == 0x51 && !read_tempo(track, divisions, timing)) ||
                !skip(&track, length)) {
                return false;
            }
            if (type == 0x2F) {  // end of track
                if (ticks > timing->ticks) {
                    timing->ticks = ticks;
                }
                return true;
            }
        } else {
            return false;  // not found in MIDI files
        }
    }
}

// A looped tune that lasts no time makes the player start it over and
// over inside one timer call, holding the timer lock for good: the game's
// clock stops and the program can no longer end. It must last a tick, and
// its longest wait in timer units must fit the player's long, or the wait
// wraps around to no time at all.
bool midi_is_sound(const Chunk &c)
{
    Bytes b = head_of(c);
    const long divisions = read_word(&b);  // ticks per beat: a divisor
    if (divisions < 1) {
        return false;
    }
    Timing timing = {0, 0, TIMER_UNITS_PER_BEAT / divisions};
    for (int i = 0; i < MIDI_TRACK_COUNT; ++i) {
        const long long len = read_long(&b);
        if (len < 0 || len > b.left) {
            return false;
        }
        const Bytes track = {b.at, static_cast<long>(len)};
        if (len > 0 && !track_is_sound(track, divisions, &timing)) {
            return false;
        }
        skip(&b, static_cast<long>(len));
    }
    return timing.ticks > 0 && timing.longest_wait * timing.slowest_tick <= PLAYER_LONG_MAX;
}

// Kinds the library has a reader of its own for, besides the three the game
// uses; every other kind is loaded as plain bytes. DAT_END would make the
// loader call the null reader of an empty table slot.
bool has_unchecked_reader(int kind)
{
    return kind == DAT_FILE || kind == DAT_FONT || kind == DAT_RLE_SPRITE ||
           kind == DAT_C_SPRITE || kind == DAT_XC_SPRITE || kind == DAT_END;
}

// How many of an object's first bytes its check reads.
long head_size(int kind)
{
    switch (kind) {
    case DAT_BITMAP: return BITMAP_HEADER;
    case DAT_SAMPLE: return SAMPLE_HEADER;
    case DAT_MIDI: return WHOLE;
    default: return 0;  // plain bytes: only their number counts
    }
}

bool header_is_sound(int kind, const Chunk &c, bool used)
{
    switch (kind) {
    case DAT_BITMAP: return bitmap_is_sound(c, used);
    case DAT_SAMPLE: return sample_is_sound(c);
    case DAT_MIDI: return midi_is_sound(c);
    default: return true;
    }
}

// Reads `n` bytes to nowhere; false when they are not all there.
bool read_past(PACKFILE *f, long n)
{
    unsigned char block[F_BUF_SIZE];
    while (n > 0) {
        const long step = n < F_BUF_SIZE ? n : F_BUF_SIZE;
        if (pack_fread(block, step, f) != step) {
            return false;
        }
        n -= step;
    }
    return true;
}

// Reads an object's first `n` bytes into `head`, as far as they go.
bool read_head(PACKFILE *f, long n, std::vector<unsigned char> *head)
{
    unsigned char block[F_BUF_SIZE];
    for (long left = n; left > 0;) {
        const long got = pack_fread(block, left < F_BUF_SIZE ? left : F_BUF_SIZE, f);
        if (got <= 0) {
            return false;
        }
        head->insert(head->end(), block, block + got);
        left -= got;
    }
    return true;
}

// A chunk that is neither compressed nor encrypted by itself only passes
// its parent's bytes on. Those are read straight from the parent, a block
// at a time: through the chunk they would be copied once more, and the
// library skips them a byte at a time.
PACKFILE *source_of(PACKFILE *chunk)
{
    const bool passes_on = !(chunk->normal.flags & PACKFILE_FLAG_PACK) && !chunk->normal.passpos;
    return passes_on ? chunk->normal.parent : chunk;
}

// One object, read as the library unpacks it: its size, then as much of its
// head as its check needs, then the rest. It is charged to the budget before
// its bytes are read, so a file too large is refused without unpacking it.
// False when the chunk holds fewer bytes than it declares, since the loader
// would allocate and read the declared length. Exactly that length is
// consumed, as by the loader: a compressed chunk goes on giving bytes past
// its end, and reading them would leave the walk out of step.
bool object_is_sound(PACKFILE *f, int kind, bool used, long long *budget)
{
    PACKFILE *chunk = pack_fopen_chunk(f, FALSE);
    if (!chunk) {
        return false;
    }
    PACKFILE *source = source_of(chunk);
    Chunk c = {chunk->normal.todo, {}};  // the loader's object size
    *budget -= ENTRY_COST + c.size;
    const long wanted = head_size(kind) < c.size ? head_size(kind) : c.size;
    bool sound = c.size >= 0 && *budget >= 0 && read_head(source, wanted, &c.head) &&
                 header_is_sound(kind, c, used);
    if (sound) {
        const long long held = held_bytes(kind, c);
        *budget -= held > c.size ? held - c.size : 0;
        sound = *budget >= 0 && read_past(source, c.size - wanted) && !pack_ferror(source);
    }
    // Read on its behalf, or refused: closing must not read the rest.
    chunk->normal.todo = 0;
    pack_fclose_chunk(chunk);
    return sound;
}

// A property is a type, a length and that many bytes of text. Its type may
// be anything but DAT_END, which the loader would take for the end of the
// object's property list, losing the properties at and after it.
bool property_is_sound(PACKFILE *f, long long *budget)
{
    const int type = static_cast<int>(pack_mgetl(f));
    const int size = static_cast<int>(pack_mgetl(f));
    *budget -= ENTRY_COST + size;
    return type != DAT_END && size >= 0 && *budget >= 0 && read_past(f, size);
}

// Walks the object list as the loader does: properties, then an object,
// `count` times.
bool objects_are_sound(PACKFILE *f, const DatafileLayout &layout, void (*between_objects)())
{
    const int count = static_cast<int>(pack_mgetl(f));
    if (count < layout.count) {
        return false;
    }
    long long budget = layout.budget;
    for (int c = 0; c < count;) {
        const int kind = static_cast<int>(pack_mgetl(f));
        if (kind == DAT_PROPERTY) {
            if (!property_is_sound(f, &budget)) {
                return false;
            }
            continue;
        }
        const bool used = c < layout.count;
        if ((used && kind != layout.kinds[c]) || has_unchecked_reader(kind) ||
            !object_is_sound(f, kind, used, &budget)) {
            return false;
        }
        if (between_objects) {
            between_objects();
        }
        ++c;
    }
    return !pack_ferror(f);
}

}  // namespace

bool datafile_is_sound(const char *filename, const DatafileLayout &layout, void (*between_objects)())
{
    // The password in force decrypts it; a whole-file compression is undone.
    PACKFILE *f = pack_fopen(filename, F_READ_PACKED);
    if (!f) {
        return false;
    }
    const bool sound = pack_mgetl(f) == DAT_MAGIC && objects_are_sound(f, layout, between_objects);
    pack_fclose(f);
    return sound;
}
