// The fourteen 32 x 32 tiles: eight brass frame pieces and six gem blocks.
#include "generate.h"

#include <allegro.h>
#include <zindle.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {
// The frame is drawn whole, then cut into its pieces, so they always join.
constexpr int FRAME_COLS = 10;
constexpr int FRAME_ROWS = 16;
constexpr int SIDE_BAR = 12;  // side bars are thick: they cover no well cell
// The top and bottom rails lie over well rows 0 and 15; thin rails leave
// 24 of a tile's 32 pixel rows in view, so the player sees what is there.
constexpr int RAIL = 8;
constexpr int PLATE = 16;  // corner plates
constexpr double PI = 3.14159265358979323846;

struct Point {
    double x, y;
};

bool in_polygon(const std::vector<Point> &poly, double x, double y) {
    bool inside = false;
    for (std::size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
        const Point &a = poly[i], &b = poly[j];
        if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) inside = !inside;
    }
    return inside;
}

// Brass seen in cross-section: light towards the top-left, dark edges.
Rgb brass_profile(int i, int thickness) {
    if (i == 0 || i == thickness - 1) return pal::INK;
    const double t = double(i - 1) / (thickness - 3);
    if (t < 0.3) return mix(pal::BRASS_LIGHT, pal::BRASS, t / 0.3);
    return mix(pal::BRASS, pal::BRASS_DARK, (t - 0.3) / 0.7);
}

void draw_rivet(BITMAP *bmp, double cx, double cy) {
    fill_shape(bmp, int(cx) - 4, int(cy) - 4, int(cx) + 4, int(cy) + 4,
               [&](double x, double y) { return std::hypot(x - cx, y - cy) <= 2.6; }, pal::BRASS_DARK);
    fill_shape(bmp, int(cx) - 4, int(cy) - 4, int(cx) + 4, int(cy) + 4,
               [&](double x, double y) { return std::hypot(x - cx + 0.6, y - cy + 0.6) <= 1.5; }, pal::BRASS_LIGHT);
}

void draw_plate(BITMAP *bmp, int l, int t) {
    const double L = l, T = t, R = l + PLATE, B = t + PLATE;
    fill_shape(bmp, l, t, l + PLATE - 1, t + PLATE - 1, [&](double x, double y) { return in_round_rect(x, y, L, T, R, B, 3); },
               pal::INK);
    for (int y = t + 1; y < t + PLATE - 1; ++y)
        for (int x = l + 1; x < l + PLATE - 1; ++x) {
            const double d = double((x - l) + (y - t)) / (2 * PLATE);
            put(bmp, x, y, mix(pal::BRASS_LIGHT, pal::BRASS_DARK, d));
        }
    draw_rivet(bmp, l + PLATE / 2.0, t + PLATE / 2.0);
}

BITMAP *draw_frame() {
    constexpr int W = FRAME_COLS * TILE_SIZE, H = FRAME_ROWS * TILE_SIZE;
    BITMAP *f = new_bitmap(W, H, pal::MASK);
    const int left_bar = TILE_SIZE - SIDE_BAR;     // hugs the well's left side
    const int right_bar = W - TILE_SIZE;           // hugs its right side
    for (int y = 0; y < H; ++y)
        for (int i = 0; i < SIDE_BAR; ++i) {
            put(f, left_bar + i, y, brass_profile(i, SIDE_BAR));
            put(f, right_bar + i, y, brass_profile(i, SIDE_BAR));
        }
    for (int x = left_bar; x < right_bar + SIDE_BAR; ++x)
        for (int i = 0; i < RAIL; ++i) {
            put(f, x, i, brass_profile(i, RAIL));
            put(f, x, H - RAIL + i, brass_profile(i, RAIL));
        }
    // A rivet in the middle of every edge piece gives the bars a rhythm.
    for (int row = 1; row < FRAME_ROWS - 1; ++row) {
        const double cy = row * TILE_SIZE + TILE_SIZE / 2.0;
        draw_rivet(f, left_bar + SIDE_BAR / 2.0, cy);
        draw_rivet(f, right_bar + SIDE_BAR / 2.0, cy);
    }
    draw_plate(f, TILE_SIZE - PLATE, 0);
    draw_plate(f, right_bar, 0);
    draw_plate(f, TILE_SIZE - PLATE, H - PLATE);
    draw_plate(f, right_bar, H - PLATE);
    return f;
}

BITMAP *cut_tile(BITMAP *frame, int col, int row) {
    BITMAP *t = new_bitmap(TILE_SIZE, TILE_SIZE, pal::MASK);
    blit(frame, t, col * TILE_SIZE, row * TILE_SIZE, 0, 0, TILE_SIZE, TILE_SIZE);
    return t;
}

struct Block {
    const char *name;
    Rgb colour;
    Shape symbol;  // centred on (16, 16)
};

double dx(double x) { return x - TILE_SIZE / 2.0; }
double dy(double y) { return y - TILE_SIZE / 2.0; }

std::vector<Point> star_points() {
    std::vector<Point> p;
    for (int i = 0; i < 10; ++i) {
        const double r = i % 2 ? 4.6 : 10.5;
        const double a = -PI / 2 + i * PI / 5;
        p.push_back({16 + r * std::cos(a), 16.8 + r * std::sin(a)});
    }
    return p;
}

std::vector<Block> blocks() {
    static const std::vector<Point> triangle = {{16, 6.5}, {26, 24.5}, {6, 24.5}};
    static const std::vector<Point> star = star_points();
    return {
        {"block_1", {218, 48, 62}, [](double x, double y) {
             const double r = std::hypot(dx(x), dy(y));
             return r <= 9.5 && r >= 5.0;
         }},
        {"block_2", {240, 124, 26}, [](double x, double y) { return std::fabs(dx(x)) + std::fabs(dy(y)) <= 10.0; }},
        {"block_3", {236, 208, 44}, [](double x, double y) { return in_polygon(triangle, x, y); }},
        {"block_4", {54, 182, 84}, [](double x, double y) {
             const double ax = std::fabs(dx(x)), ay = std::fabs(dy(y));
             return (ax <= 3.2 && ay <= 9.5) || (ay <= 3.2 && ax <= 9.5);
         }},
        {"block_5", {46, 124, 228}, [](double x, double y) { return std::fabs(dx(x)) <= 7.5 && std::fabs(dy(y)) <= 7.5; }},
        {"block_6", {148, 82, 218}, [](double x, double y) { return in_polygon(star, x, y); }},
    };
}

BITMAP *paint_block(const Block &b) {
    constexpr double R = 5.0, S = TILE_SIZE;
    BITMAP *t = new_bitmap(TILE_SIZE, TILE_SIZE, pal::GLASS);
    const Rgb rim = scale(b.colour, 0.3);
    fill_shape(t, 0, 0, 31, 31, [&](double x, double y) { return in_round_rect(x, y, 0.5, 0.5, S - 0.5, S - 0.5, R); }, rim);
    // Bevel: a lit upper-left face and a shaded lower-right face.
    fill_shape(t, 0, 0, 31, 31, [&](double x, double y) {
        return in_round_rect(x, y, 1.5, 1.5, S - 1.5, S - 1.5, R - 1) && x + y < S;
    }, mix(b.colour, pal::STAR, 0.45));
    fill_shape(t, 0, 0, 31, 31, [&](double x, double y) {
        return in_round_rect(x, y, 1.5, 1.5, S - 1.5, S - 1.5, R - 1) && x + y >= S;
    }, scale(b.colour, 0.6));
    for (int y = 4; y < 28; ++y) {
        const Rgb face = mix(mix(b.colour, pal::STAR, 0.15), scale(b.colour, 0.85), (y - 4) / 23.0);
        fill_shape(t, 4, y, 27, y, [&](double x, double yy) { return in_round_rect(x, yy, 4, 4, S - 4, S - 4, R - 2); }, face);
    }
    // The symbol: a pale glyph on a dark rim, dropped a pixel for depth.
    const Shape shadow = [&](double x, double y) { return b.symbol(x - 1, y - 1); };
    fill_shape(t, 4, 4, 27, 27, grown(shadow, 1.2), scale(b.colour, 0.45));
    fill_shape(t, 4, 4, 27, 27, grown(b.symbol, 1.4), scale(b.colour, 0.3));
    fill_shape(t, 4, 4, 27, 27, b.symbol, mix(b.colour, pal::STAR, 0.8));
    return t;
}
}  // namespace

Shape grown(const Shape &s, double d) {
    return [s, d](double x, double y) {
        for (int i = 0; i < 16; ++i) {
            const double a = i * PI / 8;
            if (s(x + d * std::cos(a), y + d * std::sin(a))) return true;
        }
        return s(x, y);
    };
}

BITMAP *paint_block_tile(int kind) { return paint_block(blocks().at(kind)); }
Rgb block_colour(int kind) { return blocks().at(kind).colour; }
Shape block_symbol(int kind) { return blocks().at(kind).symbol; }

void write_tiles(const std::string &dir) {
    BITMAP *frame = draw_frame();
    const int last_col = FRAME_COLS - 1, last_row = FRAME_ROWS - 1;
    // File names become the object names; their order is the datafile's.
    const struct {
        const char *name;
        int col, row;
    } pieces[] = {
        {"frame_right", last_col, 1}, {"frame_top", 1, 0},
        {"frame_bottom", 1, last_row}, {"frame_left", 0, 1},
        {"frame_top_left", 0, 0}, {"frame_top_right", last_col, 0},
        {"frame_bottom_left", 0, last_row}, {"frame_bottom_right", last_col, last_row},
    };
    for (const auto &p : pieces) {
        BITMAP *t = cut_tile(frame, p.col, p.row);
        save_picture(t, dir + "/" + p.name + ".bmp");
        destroy_bitmap(t);
    }
    destroy_bitmap(frame);
    for (const Block &b : blocks()) {
        BITMAP *t = paint_block(b);
        save_picture(t, dir + "/" + b.name + ".bmp");
        destroy_bitmap(t);
    }
}
