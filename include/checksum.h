// Integrity of the shipped datafiles: their size and a 32-bit FNV-1a hash,
// recorded by the build and checked before the library reads them.
#ifndef ZINDLE_CHECKSUM_H
#define ZINDLE_CHECKSUM_H

#include <cstdint>

struct DatafileSum {
    long bytes;
    std::uint32_t sum;
};

// False when the file cannot be read.
bool checksum_file(const char *path, DatafileSum *out);

#endif
