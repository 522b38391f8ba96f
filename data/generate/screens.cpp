// The full-screen pictures: the play backdrop, the title, the menu backdrop
// and the menu and help overlays.
#include "generate.h"

#include <allegro.h>
#include <zindle.h>

#include <cmath>
#include <cstddef>

namespace {
constexpr int TITLE_W = 300;
constexpr int TITLE_H = 48;
constexpr int PLAY_HORIZON = 150;   // just below the frame's top rail
constexpr int MENU_HORIZON = 560;   // the menu sky reaches almost to the foot
constexpr unsigned PLAY_SKY = 7;    // seeds of the two star fields
constexpr unsigned MENU_SKY = 19;
constexpr double GLASS_TINT = 0.84;  // how strongly the well darkens the view
constexpr int BUTTON_INSET = 2;     // buttons sit inside their click areas

const TextStyle TITLE_STYLE = {4, pal::TEXT_TOP, pal::TEXT_LOW, 2, 3};
const TextStyle BIG_TITLE_STYLE = {7, pal::TEXT_TOP, pal::TEXT_LOW, 3, 4};
const TextStyle BUTTON_STYLE = {2, pal::TEXT_TOP, pal::TEXT_LOW, 1, 2};
const TextStyle HEADING_STYLE = {3, pal::TEXT_TOP, pal::TEXT_LOW, 2, 2};
const TextStyle BODY_STYLE = {2, pal::TEXT_BODY, pal::TEXT_BODY, 1, 1};
const TextStyle KEY_STYLE = {2, pal::TEXT_TOP, pal::TEXT_LOW, 1, 1};

// The well is dark glass: the night shows through faintly behind a grid of
// cells, so falling tiles stand out.
void draw_well_glass(BITMAP *bmp) {
    const int right = WELL_X + WELL_COLS * TILE_SIZE, bottom = WELL_Y + WELL_ROWS * TILE_SIZE;
    for (int y = WELL_Y; y < bottom; ++y)
        for (int x = WELL_X; x < right; ++x) {
            const bool line = (x - WELL_X) % TILE_SIZE == 0 || (y - WELL_Y) % TILE_SIZE == 0;
            const Rgb tint = mix(get(bmp, x, y), pal::GLASS, GLASS_TINT);
            put(bmp, x, y, line ? mix(tint, pal::GRID, 0.6) : tint);
        }
    // A faint diagonal sheen sells the glass.
    fill_shape(bmp, WELL_X, WELL_Y, right - 1, bottom - 1,
               [](double x, double y) {
                   const double d = x + 0.45 * y;
                   return (d > 170 && d < 186) || (d > 194 && d < 199);
               },
               mix(pal::GLASS, pal::STAR, 0.06));
}

// A lantern on a post lights the strip right of the well.
void draw_lantern(BITMAP *bmp) {
    constexpr double CX = 352, TOP = 236, LAMP_Y = 262;
    const Rgb post = scale(pal::INK, 1.4);
    for (int r = 46; r >= 10; r -= 6)
        fill_shape(bmp, int(CX) - r, int(LAMP_Y) - r, int(CX) + r, int(LAMP_Y) + r,
                   [&](double x, double y) { return std::hypot(x - CX, y - LAMP_Y) <= r; },
                   mix(get(bmp, int(CX) - r, int(LAMP_Y)), pal::FIREFLY, 0.10));
    fill_shape(bmp, int(CX) - 3, int(TOP), int(CX) + 3, WINDOW_H - 1,
               [&](double x, double y) { return std::fabs(x - CX) <= 2.5 && y >= TOP + 40; }, post);
    fill_shape(bmp, int(CX) - 14, int(TOP), int(CX) + 14, int(TOP) + 48, [&](double x, double y) {
        const bool cap = std::fabs(x - CX) <= 9 - (y - TOP) * 0.8 && y >= TOP && y <= TOP + 8;
        const bool body = std::fabs(x - CX) <= 8 && y > TOP + 8 && y <= TOP + 38;
        const bool foot = std::fabs(x - CX) <= 5 && y > TOP + 38 && y <= TOP + 42;
        return cap || body || foot;
    }, post);
    fill_shape(bmp, int(CX) - 7, int(TOP) + 10, int(CX) + 7, int(TOP) + 36,
               [&](double x, double y) { return std::fabs(x - CX) <= 5.5 && y >= TOP + 11 && y <= TOP + 36; },
               pal::FIREFLY);
    fill_shape(bmp, int(CX) - 3, int(TOP) + 16, int(CX) + 3, int(TOP) + 32,
               [&](double x, double y) { return std::hypot((x - CX) * 1.6, y - TOP - 24) <= 6; }, pal::MOON);
}

void write_play_backdrop(const std::string &dir) {
    BITMAP *bmp = new_bitmap(WINDOW_W, WINDOW_H, pal::SKY_TOP);
    draw_night(bmp, PLAY_HORIZON, PLAY_SKY);
    draw_lantern(bmp);
    draw_well_glass(bmp);
    save_picture(bmp, dir + "/background.bmp");
    destroy_bitmap(bmp);
}

void write_title(const std::string &dir) {
    BITMAP *bmp = new_bitmap(TITLE_W, TITLE_H, pal::MASK);
    draw_text(bmp, 12, 8, "ZINDLE", TITLE_STYLE);
    save_picture(bmp, dir + "/title.bmp");
    destroy_bitmap(bmp);
}

void write_menu_backdrop(const std::string &dir) {
    BITMAP *bmp = new_bitmap(WINDOW_W, WINDOW_H, pal::SKY_TOP);
    draw_night(bmp, MENU_HORIZON, MENU_SKY);
    draw_text_centred(bmp, WINDOW_W / 2, 72, "ZINDLE", BIG_TITLE_STYLE);
    // The six gems of the game in a row beneath the name.
    constexpr int GEM_GAP = 10, GEM_Y = 170;
    const int row_w = BLOCK_KINDS * TILE_SIZE + (BLOCK_KINDS - 1) * GEM_GAP;
    for (int i = 0; i < BLOCK_KINDS; ++i) {
        BITMAP *gem = paint_block_tile(i);
        blit(gem, bmp, 0, 0, (WINDOW_W - row_w) / 2 + i * (TILE_SIZE + GEM_GAP), GEM_Y, TILE_SIZE, TILE_SIZE);
        destroy_bitmap(gem);
    }
    save_picture(bmp, dir + "/background2.bmp");
    destroy_bitmap(bmp);
}

void draw_labelled_button(BITMAP *bmp, int l, int t, int r, int b, const char *label) {
    draw_button(bmp, l, t, r, b);
    const int y = (t + b + 1) / 2 - (text_height(BUTTON_STYLE) - 2) / 2;
    draw_text_centred(bmp, (l + r + 1) / 2, y, label, BUTTON_STYLE);
}

void write_menu(const std::string &dir) {
    BITMAP *bmp = new_bitmap(WINDOW_W, WINDOW_H, pal::MASK);
    const char *labels[] = {"START GAME", "OPTIONS", "HELP", "EXIT"};
    // Each button fills its area; the wide options area gets a button as
    // wide as the one above it, so the column stays tidy.
    const int widest = MENU_AREAS[0].right;
    for (std::size_t i = 0; i < 4; ++i) {
        const Area &a = MENU_AREAS[i];
        const int right = a.right < widest ? a.right : widest;
        draw_labelled_button(bmp, a.left + BUTTON_INSET, a.top + BUTTON_INSET, right - BUTTON_INSET,
                             a.bottom - BUTTON_INSET, labels[i]);
    }
    save_picture(bmp, dir + "/menu.bmp");
    destroy_bitmap(bmp);
}

void draw_panel(BITMAP *bmp, int l, int t, int r, int b) {
    const double L = l, T = t, R = r + 1, B = b + 1;
    fill_shape(bmp, l, t, r, b, [&](double x, double y) { return in_round_rect(x, y, L, T, R, B, 12); }, pal::INK);
    fill_shape(bmp, l, t, r, b, [&](double x, double y) { return in_round_rect(x, y, L + 2, T + 2, R - 2, B - 2, 10); },
               pal::PANEL_EDGE);
    fill_shape(bmp, l, t, r, b, [&](double x, double y) { return in_round_rect(x, y, L + 4, T + 4, R - 4, B - 4, 8); },
               pal::PANEL);
}

void write_help(const std::string &dir) {
    BITMAP *bmp = new_bitmap(WINDOW_W, WINDOW_H, pal::MASK);
    draw_panel(bmp, 14, 136, WINDOW_W - 15, 578);
    draw_text_centred(bmp, WINDOW_W / 2, 152, "HOW TO PLAY", HEADING_STYLE);
    // Each rule: a highlighted key phrase, then plain lines explaining it.
    struct Line {
        const char *text;
        const TextStyle *style;
        int gap_before;
    };
    const Line lines[] = {
        {"Arrow keys or mouse", &KEY_STYLE, 0},
        {"steer the falling tile.", &BODY_STYLE, 0},
        {"Down:", &KEY_STYLE, 14},
        {"triple the speed.", &BODY_STYLE, 0},
        {"Up:", &KEY_STYLE, 14},
        {"back to normal speed.", &BODY_STYLE, 0},
        {"Three or more equal", &KEY_STYLE, 14},
        {"tiles in a row or a", &BODY_STYLE, 0},
        {"column vanish.", &BODY_STYLE, 0},
        {"The speed rises", &KEY_STYLE, 14},
        {"with time.", &BODY_STYLE, 0},
        {"Escape:", &KEY_STYLE, 14},
        {"return to the menu.", &BODY_STYLE, 0},
    };
    int y = 206;
    for (const Line &l : lines) {
        y += l.gap_before;
        draw_text(bmp, 34, y, l.text, *l.style);
        y += 22;
    }
    const Area &back = HELP_BACK_AREA;
    draw_labelled_button(bmp, back.left + BUTTON_INSET, back.top + BUTTON_INSET, back.right - BUTTON_INSET,
                         back.bottom - BUTTON_INSET, "BACK");
    save_picture(bmp, dir + "/help.bmp");
    destroy_bitmap(bmp);
}
}  // namespace

void write_screens(const std::string &dir) {
    write_play_backdrop(dir);
    write_title(dir);
    write_menu_backdrop(dir);
    write_menu(dir);
    write_help(dir);
}
