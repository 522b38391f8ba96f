// Turns a datafile into a seed of the stream fuzz target: one byte, 1 when
// the file was compressed whole, then its plain object stream.
//   stream_seed <datafile> <seed>
#include <allegro.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <datafile> <seed>\n", argv[0]);
        return 2;
    }
    install_allegro(SYSTEM_NONE, &errno, std::atexit);
    packfile_password("amber crest");
    PACKFILE *in = pack_fopen(argv[1], F_READ_PACKED);
    std::FILE *out = std::fopen(argv[2], "wb");
    if (!in || !out) {
        std::fprintf(stderr, "%s: cannot read it or write %s\n", argv[1], argv[2]);
        return 1;
    }
    std::fputc((in->normal.flags & PACKFILE_FLAG_PACK) ? 1 : 0, out);
    unsigned char block[F_BUF_SIZE];
    long got;
    while ((got = pack_fread(block, sizeof block, in)) > 0) {
        std::fwrite(block, 1, static_cast<std::size_t>(got), out);
    }
    pack_fclose(in);
    return std::fclose(out) == 0 ? 0 : 1;
}
END_OF_MAIN()
