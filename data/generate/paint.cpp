// Pixel-level painting on 24-bit memory bitmaps.
#include "generate.h"

#include <allegro.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {
constexpr int SUBSAMPLES = 4;  // per axis

int clamp_channel(double v) { return std::clamp(static_cast<int>(std::lround(v)), 0, 255); }

bool is_mask(Rgb c) { return c.r == pal::MASK.r && c.g == pal::MASK.g && c.b == pal::MASK.b; }

// A small fixed generator so the sky is the same on every build.
unsigned next_random(unsigned &state) {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
}
}  // namespace

Rgb mix(Rgb a, Rgb b, double t) {
    return {clamp_channel(a.r + (b.r - a.r) * t), clamp_channel(a.g + (b.g - a.g) * t),
            clamp_channel(a.b + (b.b - a.b) * t)};
}

Rgb scale(Rgb c, double f) { return {clamp_channel(c.r * f), clamp_channel(c.g * f), clamp_channel(c.b * f)}; }

void put(BITMAP *bmp, int x, int y, Rgb c) {
    if (x < 0 || y < 0 || x >= bmp->w || y >= bmp->h) return;
    putpixel(bmp, x, y, makecol24(c.r, c.g, c.b));
}

Rgb get(BITMAP *bmp, int x, int y) {
    const int p = getpixel(bmp, x, y);
    return {getr24(p), getg24(p), getb24(p)};
}

void blend(BITMAP *bmp, int x, int y, Rgb c, double alpha) {
    if (x < 0 || y < 0 || x >= bmp->w || y >= bmp->h || alpha <= 0.0) return;
    const Rgb under = get(bmp, x, y);
    if (is_mask(under)) {
        if (alpha >= 0.5) put(bmp, x, y, c);
        return;
    }
    put(bmp, x, y, mix(under, c, std::min(alpha, 1.0)));
}

BITMAP *new_bitmap(int w, int h, Rgb fill) {
    BITMAP *bmp = create_bitmap_ex(24, w, h);
    if (!bmp) {
        std::fprintf(stderr, "out of memory for a %dx%d bitmap\n", w, h);
        std::exit(1);
    }
    clear_to_color(bmp, makecol24(fill.r, fill.g, fill.b));
    return bmp;
}

void fill_shape(BITMAP *bmp, int x0, int y0, int x1, int y1, const Shape &inside, Rgb c) {
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            int hits = 0;
            for (int sy = 0; sy < SUBSAMPLES; ++sy)
                for (int sx = 0; sx < SUBSAMPLES; ++sx)
                    if (inside(x + (sx + 0.5) / SUBSAMPLES, y + (sy + 0.5) / SUBSAMPLES)) ++hits;
            blend(bmp, x, y, c, static_cast<double>(hits) / (SUBSAMPLES * SUBSAMPLES));
        }
    }
}

bool in_round_rect(double x, double y, double l, double t, double r, double b, double radius) {
    if (x < l || x > r || y < t || y > b) return false;
    const double cx = std::clamp(x, l + radius, r - radius);
    const double cy = std::clamp(y, t + radius, b - radius);
    return std::hypot(x - cx, y - cy) <= radius;
}

void draw_button(BITMAP *bmp, int l, int t, int r, int b) {
    constexpr double RADIUS = 9.0;
    const double L = l, T = t, R = r + 1, B = b + 1;
    fill_shape(bmp, l, t, r, b, [&](double x, double y) { return in_round_rect(x, y, L, T, R, B, RADIUS); },
               pal::INK);
    fill_shape(bmp, l, t, r, b,
               [&](double x, double y) { return in_round_rect(x, y, L + 2, T + 2, R - 2, B - 2, RADIUS - 2); },
               pal::BRASS);
    const int height = b - t;
    for (int y = t + 4; y <= b - 4; ++y) {
        const Rgb row = mix(pal::BUTTON_TOP, pal::BUTTON_LOW, double(y - t) / height);
        fill_shape(bmp, l + 4, y, r - 4, y,
                   [&](double x, double yy) { return in_round_rect(x, yy, L + 4, T + 4, R - 4, B - 4, RADIUS - 4); },
                   row);
    }
    // A soft gloss on the upper half catches the moonlight.
    fill_shape(bmp, l + 6, t + 5, r - 6, t + 5 + height / 3,
               [&](double x, double y) { return in_round_rect(x, y, L + 6, T + 5, R - 6, T + 5 + height / 3.0, 4); },
               mix(pal::BUTTON_TOP, pal::STAR, 0.25));
}

void draw_night(BITMAP *bmp, int horizon, unsigned seed) {
    const int w = bmp->w, h = bmp->h;
    for (int y = 0; y < h; ++y) {
        const Rgb sky = mix(pal::SKY_TOP, pal::SKY_LOW, std::pow(std::min(1.0, double(y) / horizon), 1.6));
        const Rgb ground = mix(pal::HILL_NEAR, pal::GROUND, std::min(1.0, double(y - horizon) / (h - horizon)));
        for (int x = 0; x < w; ++x) put(bmp, x, y, y < horizon ? sky : ground);
    }
    unsigned state = seed;
    for (int i = 0; i < 90; ++i) {
        const int x = next_random(state) % w;
        const int y = next_random(state) % (horizon - 8);
        const double glow = 0.35 + (next_random(state) % 60) / 100.0;
        blend(bmp, x, y, pal::STAR, glow);
        if (i % 9 == 0) {  // a few bright ones twinkle as small crosses
            blend(bmp, x - 1, y, pal::STAR, glow * 0.5);
            blend(bmp, x + 1, y, pal::STAR, glow * 0.5);
            blend(bmp, x, y - 1, pal::STAR, glow * 0.5);
            blend(bmp, x, y + 1, pal::STAR, glow * 0.5);
        }
    }
    // The moon sits in the top-right corner, clear of the title.
    const double mx = w - 36, my = 34;
    for (int r = 26; r > 14; r -= 4)
        fill_shape(bmp, int(mx) - r, int(my) - r, int(mx) + r, int(my) + r,
                   [&](double x, double y) { return std::hypot(x - mx, y - my) <= r; }, mix(pal::SKY_LOW, pal::MOON, 0.12));
    fill_shape(bmp, int(mx) - 15, int(my) - 15, int(mx) + 15, int(my) + 15,
               [&](double x, double y) { return std::hypot(x - mx, y - my) <= 14; }, pal::MOON);
    fill_shape(bmp, int(mx) - 15, int(my) - 15, int(mx) + 15, int(my) + 15,
               [&](double x, double y) { return std::hypot(x - mx - 6, y - my + 4) <= 4; }, mix(pal::MOON, pal::SKY_LOW, 0.2));
    fill_shape(bmp, int(mx) - 15, int(my) - 15, int(mx) + 15, int(my) + 15,
               [&](double x, double y) { return std::hypot(x - mx + 4, y - my - 5) <= 3; }, mix(pal::MOON, pal::SKY_LOW, 0.2));
    // Two ranges of rolling hills on the horizon.
    fill_shape(bmp, 0, horizon - 40, w - 1, horizon + 8, [&](double x, double y) {
        return y > horizon - 22 + 12 * std::sin(x / 37.0) + 6 * std::sin(x / 13.0 + 1.0);
    }, pal::HILL_FAR);
    fill_shape(bmp, 0, horizon - 30, w - 1, horizon + 30, [&](double x, double y) {
        return y > horizon - 6 + 10 * std::sin(x / 29.0 + 2.0) + 4 * std::sin(x / 9.0);
    }, pal::HILL_NEAR);
    // Fireflies drift over the dark meadow.
    for (int i = 0; i < 40; ++i) {
        const int x = next_random(state) % w;
        const int y = horizon + 20 + next_random(state) % (h - horizon - 24);
        const double glow = 0.4 + (next_random(state) % 50) / 100.0;
        blend(bmp, x, y, pal::FIREFLY, glow);
        blend(bmp, x + 1, y, pal::FIREFLY, glow * 0.3);
        blend(bmp, x, y + 1, pal::FIREFLY, glow * 0.3);
    }
}

void save_picture(BITMAP *bmp, const std::string &path) {
    if (save_bmp(path.c_str(), bmp, nullptr) != 0) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(1);
    }
}
