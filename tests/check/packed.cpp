#include "packed.h"

#include <allegro.h>

Bytes operator+(Bytes a, const Bytes &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes word(long w) { return {static_cast<unsigned char>(w >> 8), static_cast<unsigned char>(w)}; }
Bytes quad(long l) { return word(l >> 16) + word(l); }
Object picture(int bits, int w, int h) { return {DAT_BITMAP, word(bits) + word(w) + word(h) + Bytes(w * h * ((bits + 7) / 8))}; }
Object sound(int hz, long n) { return {DAT_SAMPLE, word(8) + word(hz) + quad(n) + Bytes(n, 0x80)}; }
Object tune(const std::vector<Bytes> &tracks, int ticks_per_beat)
{
    Bytes t = word(ticks_per_beat);
    for (const Bytes &track : tracks) {
        t = t + quad(static_cast<long>(track.size())) + track;
    }
    return {DAT_MIDI, t + Bytes(4 * (32 - tracks.size()))};  // the other tracks, empty
}
const Bytes END = {0x00, 0xFF, 0x2F, 0x00};
const Bytes NOTE = {0x00, 0x90, 0x3C, 0x40, 0x00, 0x80, 0x3C, 0x40};

void pack(const std::string &path, const std::vector<Object> &objects)
{
    Bytes file = quad(DAT_MAGIC) + quad(static_cast<long>(objects.size()));
    for (const auto &[kind, bytes] : objects) {
        file = file + quad(kind) + quad(static_cast<long>(bytes.size())) + quad(static_cast<long>(bytes.size())) + bytes;
    }
    packfile_password("amber crest");
    PACKFILE *f = pack_fopen(path.c_str(), F_WRITE_NOPACK);
    pack_fwrite(file.data(), static_cast<long>(file.size()), f);
    pack_fclose(f);
}
