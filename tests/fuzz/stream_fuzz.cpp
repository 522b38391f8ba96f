// Fuzz target: the input is a datafile's plain object stream, as the loader
// reads it once decrypted and decompressed, behind one byte that says
// whether to compress it. The library packs it with the password, so that
// every mutation reaches the headers instead of breaking the cipher or the
// compression first.
#include <allegro.h>

#include <cstdint>

#include "fuzz_datafile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1) {
        return 0;
    }
    const char *path = start_datafile_fuzzing();
    PACKFILE *f = pack_fopen(path, (data[0] & 1) ? F_WRITE_PACKED : F_WRITE_NOPACK);
    if (!f) {
        return 0;
    }
    pack_fwrite(data + 1, static_cast<long>(size - 1), f);
    pack_fclose(f);
    check_and_load(path);
    return 0;
}
