// The pictures of the foreign datafiles: solid colours and bars, drawn with
// the library's primitives and saved as 24-bit BMP files it can read back.
#include <allegro.h>

#include <algorithm>
#include <cstdio>

#include "foreign_art.h"

namespace {

constexpr int BLOCK_TILES = 6;  // tiles.dat 8..13

// The picture sizes of one set: full for the game test, tiny for seeds.
struct Sizes {
    int screen_w, screen_h, tile;
};

int colour(std::uint32_t rgb)
{
    return makecol(static_cast<int>(rgb >> 16 & 0xFF), static_cast<int>(rgb >> 8 & 0xFF),
                   static_cast<int>(rgb & 0xFF));
}

// A full-size rectangle scaled to the set's screen, never thinner than a pixel.
void bar(BITMAP *b, const Sizes &s, const ForeignBar &r, std::uint32_t rgb)
{
    const int x0 = r.left * s.screen_w / FOREIGN_SCREEN_W;
    const int y0 = r.top * s.screen_h / FOREIGN_SCREEN_H;
    const int x1 = std::max(x0 + 1, r.right * s.screen_w / FOREIGN_SCREEN_W);
    const int y1 = std::max(y0 + 1, r.bottom * s.screen_h / FOREIGN_SCREEN_H);
    rectfill(b, x0, y0, x1 - 1, y1 - 1, colour(rgb));
}

bool save(BITMAP *b, const std::string &dir, const char *name)
{
    const std::string path = dir + "/" + name;
    const bool saved = save_bmp(path.c_str(), b, nullptr) == 0;
    destroy_bitmap(b);
    if (!saved) {
        std::fprintf(stderr, "foreign_art: cannot write %s\n", path.c_str());
    }
    return saved;
}

BITMAP *filled(int w, int h, std::uint32_t rgb)
{
    BITMAP *b = create_bitmap(w, h);
    clear_to_color(b, colour(rgb));
    return b;
}

// Frame edges are a quarter of a tile thick and lie on the side that faces
// the well; the rest of a frame tile is see-through.
int frame_thickness(const Sizes &s) { return std::max(1, s.tile / 4); }

BITMAP *edge_tile(const Sizes &s, bool left, bool top, bool right, bool bottom)
{
    BITMAP *b = filled(s.tile, s.tile, FOREIGN_MASK);
    const int t = frame_thickness(s), e = s.tile - 1, grey = colour(FOREIGN_FRAME);
    if (left) rectfill(b, 0, 0, t - 1, e, grey);
    if (top) rectfill(b, 0, 0, e, t - 1, grey);
    if (right) rectfill(b, e - t + 1, 0, e, e, grey);
    if (bottom) rectfill(b, 0, e - t + 1, e, e, grey);
    return b;
}

// A corner joins two edges with a square in the tile's corner nearest the well.
BITMAP *corner_tile(const Sizes &s, bool right, bool bottom)
{
    BITMAP *b = filled(s.tile, s.tile, FOREIGN_MASK);
    const int t = frame_thickness(s);
    const int x = right ? s.tile - t : 0, y = bottom ? s.tile - t : 0;
    rectfill(b, x, y, x + t - 1, y + t - 1, colour(FOREIGN_FRAME));
    return b;
}

// Block k: a solid colour with a black rim and k + 1 white dots along the
// diagonal, so no two blocks look alike even in grey.
BITMAP *block_tile(const Sizes &s, int k)
{
    static const std::uint32_t fills[BLOCK_TILES] = {0xFF0000, 0x0000FF, 0x00FF00,
                                          0xFFFF00, 0x00FFFF, 0x844200};
    BITMAP *b = filled(s.tile, s.tile, 0x000000);
    rectfill(b, 1, 1, s.tile - 2, s.tile - 2, colour(fills[k]));
    const int step = s.tile / 8;
    for (int d = 0; d <= k && step > 0; ++d) {
        const int at = step + d * step;
        rectfill(b, at, at, at + step / 2, at + step / 2, colour(0xFFFFFF));
    }
    return b;
}

BITMAP *play_backdrop(const Sizes &s)
{
    BITMAP *b = filled(s.screen_w, s.screen_h, FOREIGN_PLAY_BACKDROP);
    const int stripe = std::max(1, s.tile / 2);
    for (int x = 0; x < s.screen_w; x += 2 * stripe) {
        rectfill(b, x, 0, x + stripe - 1, s.screen_h - 1, colour(FOREIGN_PLAY_STRIPE));
    }
    return b;
}

// Only the top-left 300 x 48 is used; the rest stays see-through.
BITMAP *title_overlay(const Sizes &s)
{
    BITMAP *b = filled(s.screen_w, s.screen_h, FOREIGN_MASK);
    bar(b, s, {16, 8, 284, 40}, FOREIGN_TITLE);
    return b;
}

BITMAP *menu_overlay(const Sizes &s)
{
    BITMAP *b = filled(s.screen_w, s.screen_h, FOREIGN_MASK);
    for (const ForeignBar &r : FOREIGN_MENU_BARS) {
        bar(b, s, r, FOREIGN_MENU_MARK);
    }
    return b;
}

// Lines of "text" as bars, and a bar inside the back button.
BITMAP *help_overlay(const Sizes &s)
{
    BITMAP *b = filled(s.screen_w, s.screen_h, FOREIGN_MASK);
    for (int line = 0; line < 8; ++line) {
        bar(b, s, {32, 96 + 48 * line, 352 - 24 * (line % 3), 112 + 48 * line}, FOREIGN_HELP_MARK);
    }
    bar(b, s, {210, 598, 340, 622}, FOREIGN_HELP_MARK);
    return b;
}

}  // namespace

bool write_foreign_pictures(const std::string &dir, bool tiny)
{
    const Sizes s = tiny ? Sizes{FOREIGN_TINY_SCREEN, FOREIGN_TINY_SCREEN, FOREIGN_TINY_TILE}
                         : Sizes{FOREIGN_SCREEN_W, FOREIGN_SCREEN_H, FOREIGN_TILE};
    // A frame edge sits on the well's side: the right-hand frame column
    // faces left, the top row faces down, and so on.
    bool ok = save(edge_tile(s, true, false, false, false), dir, "edge_right.bmp") &&
              save(edge_tile(s, false, false, false, true), dir, "edge_top.bmp") &&
              save(edge_tile(s, false, true, false, false), dir, "edge_bottom.bmp") &&
              save(edge_tile(s, false, false, true, false), dir, "edge_left.bmp") &&
              save(corner_tile(s, true, true), dir, "corner_top_left.bmp") &&
              save(corner_tile(s, false, true), dir, "corner_top_right.bmp") &&
              save(corner_tile(s, true, false), dir, "corner_bottom_left.bmp") &&
              save(corner_tile(s, false, false), dir, "corner_bottom_right.bmp");
    for (int k = 0; k < BLOCK_TILES && ok; ++k) {
        const std::string name = "block" + std::to_string(k + 1) + ".bmp";
        ok = save(block_tile(s, k), dir, name.c_str());
    }
    return ok && save(play_backdrop(s), dir, "play_backdrop.bmp") &&
           save(title_overlay(s), dir, "title_overlay.bmp") &&
           save(filled(s.screen_w, s.screen_h, FOREIGN_MENU_BACKDROP), dir, "menu_backdrop.bmp") &&
           save(menu_overlay(s), dir, "menu_overlay.bmp") &&
           save(help_overlay(s), dir, "help_overlay.bmp");
}
