// Fuzz target: the input is a whole datafile as it lies on disk, encrypted
// and possibly compressed.
#include <cstdint>
#include <cstdio>

#include "fuzz_datafile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const char *path = start_datafile_fuzzing();
    std::FILE *f = std::fopen(path, "wb");
    if (!f) {
        return 0;
    }
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    check_and_load(path);
    return 0;
}
