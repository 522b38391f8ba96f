// Datafiles written byte by byte, as `dat` packs them uncompressed under the
// game's password: objects the tests shape at will, down to a tune's ticks.
#ifndef ZINDLE_TESTS_PACKED_H
#define ZINDLE_TESTS_PACKED_H

#include <string>
#include <utility>
#include <vector>

using Bytes = std::vector<unsigned char>;
using Object = std::pair<int, Bytes>;  // the library's DAT_ kind, and its bytes

Bytes operator+(Bytes a, const Bytes &b);
// Big-endian 16 and 32 bits, as the datafile stores its numbers.
Bytes word(long w);
Bytes quad(long l);

Object picture(int bits, int w, int h);
// An 8-bit mono sound of `n` frames at `hz`.
Object sound(int hz, long n);
Object tune(const std::vector<Bytes> &tracks, int ticks_per_beat = 480);
// A track's end, and a note switched on and off at once.
extern const Bytes END;
extern const Bytes NOTE;

void pack(const std::string &path, const std::vector<Object> &objects);

#endif
