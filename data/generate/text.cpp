// Lettering: the library's built-in 8 x 8 font, set proportionally and blown
// up by whole pixels so it stays crisp, with an outline and a drop shadow.
#include "generate.h"

#include <allegro.h>

#include <vector>

namespace {
constexpr int GLYPH = 8;          // the built-in font's cell
constexpr int SPACE_ADVANCE = 4;  // font pixels
constexpr int LETTER_GAP = 1;     // font pixels between letters
constexpr int LETTER_ROWS = 7;    // capitals and digits fill rows 0..6

struct Glyph {
    bool ink[GLYPH][GLYPH];
    int first, last;  // inked columns; last < first for a blank glyph
};

Glyph glyph_of(char c) {
    static BITMAP *cell = create_bitmap_ex(24, GLYPH, GLYPH);
    clear_to_color(cell, 0);
    const char s[2] = {c, 0};
    textout_ex(cell, font, s, 0, 0, makecol24(255, 255, 255), -1);
    Glyph g{};
    g.first = GLYPH;
    g.last = -1;
    for (int y = 0; y < GLYPH; ++y)
        for (int x = 0; x < GLYPH; ++x) {
            g.ink[y][x] = getpixel(cell, x, y) != 0;
            if (g.ink[y][x]) {
                if (x < g.first) g.first = x;
                if (x > g.last) g.last = x;
            }
        }
    return g;
}

// Width of the string in font pixels, without the frame the style adds.
int core_width(const std::string &s) {
    int w = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const Glyph g = glyph_of(s[i]);
        w += g.last < g.first ? SPACE_ADVANCE : g.last - g.first + 1;
        if (i + 1 < s.size()) w += LETTER_GAP;
    }
    return w;
}

// The letters as a bitmap of font pixels, one bool per screen pixel.
std::vector<bool> letter_mask(const std::string &s, int scale, int w, int h) {
    std::vector<bool> mask(w * h, false);
    int pen = 0;
    for (char c : s) {
        const Glyph g = glyph_of(c);
        if (g.last < g.first) {
            pen += SPACE_ADVANCE + LETTER_GAP;
            continue;
        }
        for (int y = 0; y < GLYPH; ++y)
            for (int x = g.first; x <= g.last; ++x)
                if (g.ink[y][x])
                    for (int sy = 0; sy < scale; ++sy)
                        for (int sx = 0; sx < scale; ++sx)
                            mask[(y * scale + sy) * w + (pen + x - g.first) * scale + sx] = true;
        pen += g.last - g.first + 1 + LETTER_GAP;
    }
    return mask;
}

bool near_ink(const std::vector<bool> &mask, int w, int h, int x, int y, int radius) {
    for (int dy = -radius; dy <= radius; ++dy)
        for (int dx = -radius; dx <= radius; ++dx) {
            if (dx * dx + dy * dy > radius * radius + radius) continue;
            const int mx = x + dx, my = y + dy;
            if (mx >= 0 && my >= 0 && mx < w && my < h && mask[my * w + mx]) return true;
        }
    return false;
}
}  // namespace

int text_width(const std::string &s, const TextStyle &style) {
    return core_width(s) * style.scale + 2 * style.outline + style.shadow;
}

int text_height(const TextStyle &style) { return GLYPH * style.scale + 2 * style.outline + style.shadow; }

void draw_text(BITMAP *bmp, int x, int y, const std::string &s, const TextStyle &style) {
    const int w = core_width(s) * style.scale, h = GLYPH * style.scale;
    const std::vector<bool> mask = letter_mask(s, style.scale, w, h);
    const int o = style.outline;
    const int left = x + o, top = y + o;  // where the letters themselves start
    for (int py = -o; py < h + o + style.shadow; ++py)
        for (int px = -o; px < w + o + style.shadow; ++px) {
            if (style.shadow && near_ink(mask, w, h, px - style.shadow, py - style.shadow, o))
                put(bmp, left + px, top + py, pal::INK);
        }
    for (int py = -o; py < h + o; ++py)
        for (int px = -o; px < w + o; ++px)
            if (near_ink(mask, w, h, px, py, o)) put(bmp, left + px, top + py, pal::INK);
    const int letter_h = LETTER_ROWS * style.scale;
    for (int py = 0; py < h; ++py) {
        const Rgb row = mix(style.top, style.bottom, double(py) / (letter_h - 1));
        for (int px = 0; px < w; ++px)
            if (mask[py * w + px]) put(bmp, left + px, top + py, row);
    }
}

void draw_text_centred(BITMAP *bmp, int cx, int y, const std::string &s, const TextStyle &style) {
    draw_text(bmp, cx - text_width(s, style) / 2, y, s, style);
}
