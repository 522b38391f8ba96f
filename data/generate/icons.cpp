// The game's icon: its own gem tiles, redrawn at each size in whole pixels so
// that every size is sharp rather than a scaled copy of one picture. Small
// sizes show a single tile; from 32 pixels on, a stack of four. A phone's
// home screen takes it whole and cuts it to its own shape (a circle, a
// rounded square): there it is the stack on the sky, opaque, small enough
// that any such shape keeps all of it.
#include "generate.h"

#include <allegro.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {
constexpr int SMALL_ICON_MAX = 24;  // up to here one tile fills the icon
constexpr int SINGLE_KIND = 1;      // the orange diamond reads best when tiny
// The stack, row by row: ring, diamond / square, star.
constexpr int STACK_KINDS[2][2] = {{0, 1}, {4, 5}};
constexpr int SUBSAMPLES = 4;  // per axis, for the coverage of the edges
// The share of a home-screen icon's width that its stack takes: the stack's
// corners then lie within the circle of 40 % of the width around the
// centre, the part that every launcher's shape keeps.
constexpr double HOME_ART = 0.55;

struct Square {
    int x, y, size;
};

double corner_radius(int size) { return std::max(1.5, size * 5.0 / 32); }

bool inside_tile(const Square &t, double x, double y) {
    return in_round_rect(x, y, t.x, t.y, t.x + t.size, t.y + t.size, corner_radius(t.size));
}

// The same layers as the game's 32-pixel tiles: a dark rim, a bevel lit from
// the top left, a shaded face and the symbol on its own rim. Rims and bevels
// stay at least a pixel wide, so the smallest tiles keep their edges.
void paint_tile(BITMAP *bmp, const Square &t, int kind) {
    const Rgb colour = block_colour(kind);
    const double u = t.size / 32.0;
    const double L = t.x, T = t.y, S = t.size, R = L + S, B = T + S;
    const int x1 = t.x + t.size - 1, y1 = t.y + t.size - 1;
    const double radius = corner_radius(t.size);
    const double rim = std::max(1.0, std::round(u));
    const double face = rim + std::max(1.0, std::round(2.5 * u));

    // Edge pixels keep the rim's own colour; their coverage goes to alpha.
    const Rgb dark = scale(colour, 0.3);
    rectfill(bmp, t.x, t.y, x1, y1, makecol24(dark.r, dark.g, dark.b));
    auto in_bevel = [&](double x, double y) {
        return in_round_rect(x, y, L + rim, T + rim, R - rim, B - rim, std::max(0.5, radius - rim));
    };
    fill_shape(bmp, t.x, t.y, x1, y1, [&](double x, double y) { return in_bevel(x, y) && (x - L) + (y - T) < S; },
               mix(colour, pal::STAR, 0.45));
    fill_shape(bmp, t.x, t.y, x1, y1, [&](double x, double y) { return in_bevel(x, y) && (x - L) + (y - T) >= S; },
               scale(colour, 0.6));
    const int top = t.y + int(face), bottom = y1 - int(face);
    for (int y = top; y <= bottom; ++y) {
        const Rgb row = mix(mix(colour, pal::STAR, 0.15), scale(colour, 0.85), double(y - top) / std::max(1, bottom - top));
        fill_shape(bmp, t.x, y, x1, y, [&](double x, double yy) {
            return in_round_rect(x, yy, L + face, T + face, R - face, B - face, std::max(0.5, radius - face));
        }, row);
    }
    const Shape symbol = block_symbol(kind);
    const Shape sized = [=](double x, double y) { return symbol(16 + (x - L - S / 2) / u, 16 + (y - T - S / 2) / u); };
    const double drop = std::max(1.0, std::round(u));
    const Shape shadow = [=](double x, double y) { return sized(x - drop, y - drop); };
    fill_shape(bmp, t.x, t.y, x1, y1, grown(shadow, std::max(1.0, 1.2 * u)), scale(colour, 0.45));
    fill_shape(bmp, t.x, t.y, x1, y1, grown(sized, std::max(1.0, 1.4 * u)), scale(colour, 0.3));
    fill_shape(bmp, t.x, t.y, x1, y1, sized, mix(colour, pal::STAR, 0.8));
}

std::vector<std::pair<Square, int>> layout(int size) {
    if (size <= SMALL_ICON_MAX) return {{{0, 0, size}, SINGLE_KIND}};
    const int gap = 2 * std::max(1, size / 64);
    const int tile = (size - gap) / 2;
    std::vector<std::pair<Square, int>> tiles;
    for (int row = 0; row < 2; ++row)
        for (int col = 0; col < 2; ++col)
            tiles.push_back({{col * (tile + gap), row * (tile + gap), tile}, STACK_KINDS[row][col]});
    return tiles;
}
}  // namespace

Icon paint_icon(int size) {
    Icon icon{new_bitmap(size, size, {0, 0, 0}), std::vector<unsigned char>(size * size, 0)};
    const auto tiles = layout(size);
    for (const auto &[square, kind] : tiles) paint_tile(icon.rgb, square, kind);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            int hits = 0;
            for (int sy = 0; sy < SUBSAMPLES; ++sy)
                for (int sx = 0; sx < SUBSAMPLES; ++sx) {
                    const double px = x + (sx + 0.5) / SUBSAMPLES, py = y + (sy + 0.5) / SUBSAMPLES;
                    hits += std::any_of(tiles.begin(), tiles.end(),
                                        [&](const auto &t) { return inside_tile(t.first, px, py); });
                }
            icon.alpha[y * size + x] = static_cast<unsigned char>(std::lround(255.0 * hits / (SUBSAMPLES * SUBSAMPLES)));
            if (hits == 0) put(icon.rgb, x, y, {0, 0, 0});
        }
    return icon;
}

Icon paint_home_icon(int size) {
    Icon home{new_bitmap(size, size, pal::SKY_TOP), std::vector<unsigned char>(size * size, 255)};
    // Even margins, so that the stack is centred to the pixel.
    const int art_size = size - 2 * ((size - static_cast<int>(size * HOME_ART) + 1) / 2);
    const int margin = (size - art_size) / 2;
    Icon art = paint_icon(art_size);
    for (int y = 0; y < art_size; ++y)
        for (int x = 0; x < art_size; ++x)
            put(home.rgb, margin + x, margin + y,
                mix(pal::SKY_TOP, get(art.rgb, x, y), art.alpha[y * art_size + x] / 255.0));
    destroy_bitmap(art.rgb);
    return home;
}

void write_png_icons(const std::string &dir, const std::vector<int> &sizes) {
    for (int size : sizes) {
        Icon icon = paint_icon(size);
        write_png(icon, dir + "/icon_" + std::to_string(size) + ".png");
        destroy_bitmap(icon.rgb);
    }
}

void write_home_icons(const std::string &dir, const std::vector<int> &sizes) {
    for (int size : sizes) {
        Icon icon = paint_home_icon(size);
        write_png(icon, dir + "/home_" + std::to_string(size) + ".png");
        destroy_bitmap(icon.rgb);
    }
}

void write_icons(const std::string &dir, const std::vector<int> &sizes) {
    write_png_icons(dir, sizes);
    Icon window = paint_icon(WINDOW_ICON_SIZE);
    write_xpm_source(window, "window_icon_xpm", dir + "/window_icon.cpp");
    destroy_bitmap(window.rgb);
}

void write_windows_icon(const std::string &path, const std::vector<int> &sizes) {
    std::vector<Icon> icons;
    for (int size : sizes) icons.push_back(paint_icon(size));
    write_ico(icons, path);
    for (Icon &icon : icons) destroy_bitmap(icon.rgb);
}
