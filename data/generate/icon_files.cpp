// The icon's file forms: PNG for the desktop's icon theme, XPM data in a C++
// source for the X window, and an .ico of several sizes for the Windows
// executable. None carries a time stamp, so every build writes the same bytes.
#include "generate.h"

#include <allegro.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

namespace {
constexpr unsigned char OPAQUE_ENOUGH = 128;  // the window icon's mask is all or nothing
// Two characters a colour: 64 * 64 codes, more than a 48-pixel icon can use.
constexpr char XPM_CODES[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789+-";
constexpr int XPM_BASE = sizeof XPM_CODES - 1;
const char *const XPM_CLEAR = "  ";

[[noreturn]] void fail(const std::string &path) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    std::exit(1);
}

std::string xpm_code(int index) { return {XPM_CODES[index / XPM_BASE], XPM_CODES[index % XPM_BASE]}; }

std::string hex_colour(Rgb c) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", c.r, c.g, c.b);
    return text;
}

void append_png_bytes(png_structp png, png_bytep data, png_size_t length) {
    auto *out = static_cast<std::vector<unsigned char> *>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

// 8-bit RGBA, most compressed.
std::vector<unsigned char> png_bytes(const Icon &icon) {
    const int w = icon.rgb->w, h = icon.rgb->h;
    std::vector<png_byte> pixels(static_cast<std::size_t>(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Rgb c = get(icon.rgb, x, y);
            png_byte *p = &pixels[(static_cast<std::size_t>(y) * w + x) * 4];
            p[0] = static_cast<png_byte>(c.r);
            p[1] = static_cast<png_byte>(c.g);
            p[2] = static_cast<png_byte>(c.b);
            p[3] = icon.alpha[y * w + x];
        }
    std::vector<png_bytep> rows(h);
    for (int y = 0; y < h; ++y) rows[y] = &pixels[static_cast<std::size_t>(y) * w * 4];

    std::vector<unsigned char> bytes;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info || setjmp(png_jmpbuf(png))) {
        std::fprintf(stderr, "cannot encode a PNG picture\n");
        std::exit(1);
    }
    png_set_write_fn(png, &bytes, append_png_bytes, nullptr);
    png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 9);
    png_set_rows(png, info, rows.data());
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
    return bytes;
}

void write_bytes(const std::vector<unsigned char> &bytes, const std::string &path) {
    FILE *file = std::fopen(path.c_str(), "wb");
    if (!file || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) fail(path);
    if (std::fclose(file) != 0) fail(path);
}

// Little-endian, as every field of an .ico is.
void put_le(std::vector<unsigned char> &out, unsigned value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

// An icon image as Windows stores it below 256 pixels: a 32-bit BGRA bitmap
// of twice the height (colours and mask), bottom row first, then the 1-bit
// mask that older readers use, its rows padded to 32 bits.
std::vector<unsigned char> dib_bytes(const Icon &icon) {
    constexpr unsigned HEADER_SIZE = 40;
    const int w = icon.rgb->w, h = icon.rgb->h;
    const int mask_row = (w + 31) / 32 * 4;
    std::vector<unsigned char> out;
    put_le(out, HEADER_SIZE, 4);
    put_le(out, static_cast<unsigned>(w), 4);
    put_le(out, static_cast<unsigned>(2 * h), 4);
    put_le(out, 1, 2);   // planes
    put_le(out, 32, 2);  // bits a pixel
    put_le(out, 0, 4);   // no compression
    put_le(out, static_cast<unsigned>(w * h * 4 + mask_row * h), 4);
    put_le(out, 0, 16);  // resolution and palette: none
    for (int y = h - 1; y >= 0; --y)
        for (int x = 0; x < w; ++x) {
            const Rgb c = get(icon.rgb, x, y);
            out.insert(out.end(), {static_cast<unsigned char>(c.b), static_cast<unsigned char>(c.g),
                                   static_cast<unsigned char>(c.r), icon.alpha[y * w + x]});
        }
    for (int y = h - 1; y >= 0; --y) {
        std::vector<unsigned char> row(mask_row, 0);
        for (int x = 0; x < w; ++x)
            if (icon.alpha[y * w + x] == 0) row[x / 8] |= static_cast<unsigned char>(0x80 >> (x % 8));
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}
}  // namespace

void write_png(const Icon &icon, const std::string &path) { write_bytes(png_bytes(icon), path); }

// The .ico layout: a directory of the images, then each image. The largest
// image, 256 pixels, is PNG, the form Windows expects there, and the
// directory, which has a byte for each side, writes its size as 0.
void write_ico(const std::vector<Icon> &icons, const std::string &path) {
    constexpr int DIRECTORY_SIZE = 6, ENTRY_SIZE = 16;
    std::vector<std::vector<unsigned char>> images;
    for (const Icon &icon : icons) images.push_back(icon.rgb->w == MAX_ICO_SIZE ? png_bytes(icon) : dib_bytes(icon));
    std::vector<unsigned char> out;
    put_le(out, 0, 2);  // reserved
    put_le(out, 1, 2);  // an icon, not a cursor
    put_le(out, static_cast<unsigned>(icons.size()), 2);
    unsigned offset = DIRECTORY_SIZE + ENTRY_SIZE * static_cast<unsigned>(icons.size());
    for (std::size_t i = 0; i < icons.size(); ++i) {
        const int size = icons[i].rgb->w;
        const unsigned side = size == MAX_ICO_SIZE ? 0 : static_cast<unsigned>(size);
        put_le(out, side, 1);
        put_le(out, side, 1);
        put_le(out, 0, 2);   // no palette, reserved
        put_le(out, 1, 2);   // planes
        put_le(out, 32, 2);  // bits a pixel
        put_le(out, static_cast<unsigned>(images[i].size()), 4);
        put_le(out, offset, 4);
        offset += static_cast<unsigned>(images[i].size());
    }
    for (const auto &image : images) out.insert(out.end(), image.begin(), image.end());
    write_bytes(out, path);
}

void write_xpm_source(const Icon &icon, const std::string &array_name, const std::string &path) {
    const int w = icon.rgb->w, h = icon.rgb->h;
    std::map<int, std::string> codes;  // packed colour -> its code, numbered in order of first use
    std::vector<std::string> colours, rows;
    for (int y = 0; y < h; ++y) {
        std::string row;
        for (int x = 0; x < w; ++x) {
            if (icon.alpha[y * w + x] < OPAQUE_ENOUGH) {
                row += XPM_CLEAR;
                continue;
            }
            const Rgb c = get(icon.rgb, x, y);
            const int packed = c.r << 16 | c.g << 8 | c.b;
            auto found = codes.find(packed);
            if (found == codes.end()) {
                if (static_cast<int>(codes.size()) == XPM_BASE * XPM_BASE) fail(path);
                found = codes.emplace(packed, xpm_code(static_cast<int>(codes.size()))).first;
                colours.push_back(found->second + " c " + hex_colour(c));
            }
            row += found->second;
        }
        rows.push_back(row);
    }

    FILE *file = std::fopen(path.c_str(), "w");
    if (!file) fail(path);
    std::fprintf(file, "// Written by zindle_generate: the window's icon, %d x %d pixels, as XPM data.\n", w, h);
    std::fprintf(file, "extern const char *const %s[];\n", array_name.c_str());
    std::fprintf(file, "const char *const %s[] = {\n", array_name.c_str());
    std::fprintf(file, "    \"%d %d %zu 2\",\n", w, h, colours.size() + 1);
    std::fprintf(file, "    \"%s c None\",\n", XPM_CLEAR);
    for (const std::string &c : colours) std::fprintf(file, "    \"%s\",\n", c.c_str());
    for (const std::string &r : rows) std::fprintf(file, "    \"%s\",\n", r.c_str());
    std::fprintf(file, "};\n");
    if (std::fclose(file) != 0) fail(path);
}
