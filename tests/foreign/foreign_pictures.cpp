// The pictures of the foreign datafiles: solid colours and bars, drawn with
// the library's primitives and saved as 24-bit BMP files it can read back.
// Only the menu is compared with the screen; the rest need only differ from
// the game's own art and fill every object.
#include <allegro.h>

#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <string>

#include "foreign_art.h"

namespace {

constexpr int BLOCK_TILES = 6;  // tiles.dat 8..13
constexpr int FRAME_TILES = 8;  // tiles.dat 0..7
constexpr std::uint32_t FRAME = 0xC6C6C6;          // a light grey ring
constexpr std::uint32_t PLAY_BACKDROP = 0x631042;  // plum
constexpr std::uint32_t TITLE = 0xFFFF00;          // a yellow bar
constexpr std::uint32_t HELP_MARK = 0xFFFFFF;      // a white bar on the back button
constexpr std::uint32_t BLOCKS[BLOCK_TILES] = {0xFF0000, 0x0000FF, 0x00FF00,
                                               0xFFFF00, 0x00FFFF, 0x844200};
const char *const FRAME_NAMES[FRAME_TILES] = {
    "edge_right.bmp", "edge_top.bmp", "edge_bottom.bmp", "edge_left.bmp",
    "corner_top_left.bmp", "corner_top_right.bmp", "corner_bottom_left.bmp", "corner_bottom_right.bmp"};

// The picture sizes of one set: full for the game test, tiny for seeds.
struct Sizes {
    int screen_w, screen_h, tile;
};

int colour(std::uint32_t rgb)
{
    return makecol(static_cast<int>(rgb >> 16 & 0xFF), static_cast<int>(rgb >> 8 & 0xFF),
                   static_cast<int>(rgb & 0xFF));
}

BITMAP *filled(int w, int h, std::uint32_t rgb)
{
    BITMAP *b = create_bitmap(w, h);
    clear_to_color(b, colour(rgb));
    return b;
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

bool save(BITMAP *b, const std::string &dir, const std::string &name)
{
    const std::string path = dir + "/" + name;
    const bool saved = save_bmp(path.c_str(), b, nullptr) == 0;
    destroy_bitmap(b);
    if (!saved) {
        std::fprintf(stderr, "foreign_art: cannot write %s\n", path.c_str());
    }
    return saved;
}

// Masked: a grey ring a quarter of a tile thick, see-through inside.
BITMAP *frame_tile(const Sizes &s)
{
    BITMAP *b = filled(s.tile, s.tile, FRAME);
    const int t = std::max(1, s.tile / 4);
    if (s.tile > 2 * t) {
        rectfill(b, t, t, s.tile - 1 - t, s.tile - 1 - t, colour(FOREIGN_MASK));
    }
    return b;
}

// Opaque: a solid colour with a black rim.
BITMAP *block_tile(const Sizes &s, int k)
{
    BITMAP *b = filled(s.tile, s.tile, 0x000000);
    rectfill(b, 1, 1, s.tile - 2, s.tile - 2, colour(BLOCKS[k]));
    return b;
}

// Masked: bars on the mask colour.
BITMAP *overlay(const Sizes &s, std::initializer_list<ForeignBar> bars, std::uint32_t rgb)
{
    BITMAP *b = filled(s.screen_w, s.screen_h, FOREIGN_MASK);
    for (const ForeignBar &r : bars) {
        bar(b, s, r, rgb);
    }
    return b;
}

}  // namespace

bool write_foreign_pictures(const std::string &dir, bool tiny)
{
    const Sizes s = tiny ? Sizes{FOREIGN_TINY_SCREEN, FOREIGN_TINY_SCREEN, FOREIGN_TINY_TILE}
                         : Sizes{FOREIGN_SCREEN_W, FOREIGN_SCREEN_H, FOREIGN_TILE};
    bool ok = true;
    for (int k = 0; k < FRAME_TILES && ok; ++k) {
        ok = save(frame_tile(s), dir, FRAME_NAMES[k]);
    }
    for (int k = 0; k < BLOCK_TILES && ok; ++k) {
        ok = save(block_tile(s, k), dir, "block" + std::to_string(k + 1) + ".bmp");
    }
    const auto &m = FOREIGN_MENU_BARS;
    return ok && save(filled(s.screen_w, s.screen_h, PLAY_BACKDROP), dir, "play_backdrop.bmp") &&
           save(overlay(s, {{16, 8, 284, 40}}, TITLE), dir, "title_overlay.bmp") &&
           save(filled(s.screen_w, s.screen_h, FOREIGN_MENU_BACKDROP), dir, "menu_backdrop.bmp") &&
           save(overlay(s, {m[0], m[1], m[2], m[3]}, FOREIGN_MENU_MARK), dir, "menu_overlay.bmp") &&
           save(overlay(s, {{210, 598, 340, 622}}, HELP_MARK), dir, "help_overlay.bmp");
}
