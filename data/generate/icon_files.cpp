// The icon's two file forms: PNG for the desktop's icon theme, and XPM data
// in a C++ source for the window. Neither carries a time stamp, so every
// build writes the same bytes.
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
}  // namespace

void write_png(const Icon &icon, const std::string &path) {
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

    FILE *file = std::fopen(path.c_str(), "wb");
    if (!file) fail(path);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info || setjmp(png_jmpbuf(png))) fail(path);
    png_init_io(png, file);
    png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 9);
    png_set_rows(png, info, rows.data());
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
    if (std::fclose(file) != 0) fail(path);
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
