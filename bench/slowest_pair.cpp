#include "slowest_pair.h"

#include <allegro.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "zindle.h"

namespace {

// The percent left over pays for the small objects and every object's entry.
constexpr double FILL = 0.99;
constexpr int SMALL_PICTURE[] = {24, 1, 1};  // bits, width, height
constexpr int SOUND_BITS = -16;              // stereo
constexpr int SOUND_RATE = 44100;
constexpr long FRAME_BYTES = 4;
constexpr int TICKS_PER_BEAT = 480;

using Bytes = std::vector<unsigned char>;

void put_word(Bytes *b, long w)
{
    b->push_back(static_cast<unsigned char>(w >> 8));
    b->push_back(static_cast<unsigned char>(w));
}

void put_long(Bytes *b, long l)
{
    put_word(b, l >> 16);
    put_word(b, l);
}

struct Writer {
    PACKFILE *f;
    std::mt19937 noise;

    // An object: its kind, its header, then `noise_bytes` of noise.
    void object(int kind, const Bytes &header, long noise_bytes)
    {
        const long size = static_cast<long>(header.size()) + noise_bytes;
        pack_mputl(kind, f);
        pack_mputl(size, f);
        pack_mputl(size, f);
        pack_fwrite(header.data(), static_cast<long>(header.size()), f);
        for (long i = 0; i < noise_bytes; ++i) {
            pack_putc(static_cast<int>(noise() & 0xFF), f);
        }
    }

    void sound(long frames)
    {
        Bytes header;
        put_word(&header, SOUND_BITS);
        put_word(&header, SOUND_RATE);
        put_long(&header, frames);
        object(DAT_SAMPLE, header, frames * FRAME_BYTES);
    }

    void small(int kind)
    {
        Bytes header;
        if (kind == DAT_BITMAP) {
            for (int field : SMALL_PICTURE) {
                put_word(&header, field);
            }
            for (int shift : {16, 8, 0}) {  // red, green, blue
                header.push_back(static_cast<unsigned char>(SLOWEST_PAIR_PIXEL >> shift));
            }
            object(kind, header, 0);
        } else if (kind == DAT_MIDI) {
            put_word(&header, TICKS_PER_BEAT);
            put_long(&header, 5);
            header.insert(header.end(), {0x83, 0x60, 0xFF, 0x2F, 0x00});  // a beat, then the end
            header.resize(header.size() + 4 * 31, 0);  // the other tracks, empty
            object(kind, header, 0);
        } else {
            sound(1);
        }
    }
};

void write_slowest(const std::string &path, const DatafileLayout &layout)
{
    Writer w = {pack_fopen(path.c_str(), F_WRITE_PACKED), std::mt19937(1)};
    pack_mputl(DAT_MAGIC, w.f);
    pack_mputl(layout.count + 1, w.f);
    for (int i = 0; i < layout.count; ++i) {
        w.small(layout.kinds[i]);
    }
    w.sound(static_cast<long>(FILL * layout.budget) / FRAME_BYTES);
    pack_fclose(w.f);
}

}  // namespace

SlowestPair::SlowestPair()
{
    char name[] = "/tmp/zindle-slowest-XXXXXX";
    if (!mkdtemp(name)) {
        std::perror(name);
        std::abort();
    }
    dir = name;
    write_slowest(tiles(), tiles_dat_layout);
    write_slowest(stuff(), stuff_dat_layout);
}

SlowestPair::~SlowestPair()
{
    std::remove(tiles().c_str());
    std::remove(stuff().c_str());
    rmdir(dir.c_str());
}
