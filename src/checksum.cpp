// FNV-1a over a whole file: cheap, and any truncation or flipped byte shows.
#include "checksum.h"

#include <cstdio>

namespace {

constexpr std::uint32_t FNV_OFFSET = 2166136261u;
constexpr std::uint32_t FNV_PRIME = 16777619u;

}  // namespace

bool checksum_file(const char *path, DatafileSum *out)
{
    std::FILE *f = std::fopen(path, "rb");
    if (!f) {
        return false;
    }
    std::uint32_t sum = FNV_OFFSET;
    long bytes = 0;
    unsigned char buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
        for (std::size_t i = 0; i < got; ++i) {
            sum = (sum ^ buffer[i]) * FNV_PRIME;
        }
        bytes += static_cast<long>(got);
    }
    const bool ok = !std::ferror(f);
    std::fclose(f);
    out->bytes = bytes;
    out->sum = sum;
    return ok;
}
