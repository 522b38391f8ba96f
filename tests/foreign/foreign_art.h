// Artwork, tune and sound made for the foreign-datafile tests: nothing like
// the game's own, and easy to tell apart in a screenshot. The test checks the
// menu against this description, so both read it from here.
#ifndef ZINDLE_TESTS_FOREIGN_ART_H
#define ZINDLE_TESTS_FOREIGN_ART_H

#include <cstdint>
#include <string>

// Colours as 0xRRGGBB. Every channel sits close to a 5-bit step (a multiple
// of 255/31), so 15- and 16-bit datafiles change it by a few levels only.
constexpr std::uint32_t FOREIGN_MENU_BACKDROP = 0x00A563;  // solid green
constexpr std::uint32_t FOREIGN_MENU_MARK = 0xFFA500;      // orange bars
constexpr std::uint32_t FOREIGN_MASK = 0xFF00FF;           // see-through
constexpr int FOREIGN_TOLERANCE = 8;  // per channel, for 15/16-bit packing

// Full-size screens and tiles; the tiny set scales everything down.
constexpr int FOREIGN_SCREEN_W = 384;
constexpr int FOREIGN_SCREEN_H = 640;
constexpr int FOREIGN_TILE = 32;
constexpr int FOREIGN_TINY_SCREEN = 8;
constexpr int FOREIGN_TINY_TILE = 4;

// Solid bars on the menu overlay, in full-size pixels, bounds exclusive on
// the right and bottom: one inside each clickable entry, so the menu stays
// usable with this art.
struct ForeignBar {
    int left, top, right, bottom;
};
constexpr ForeignBar FOREIGN_MENU_BARS[] = {
    {128, 252, 270, 282},
    {128, 306, 370, 334},
    {128, 361, 260, 390},
    {128, 413, 262, 443},
};

// What the menu screen made of this art shows at a pixel.
inline std::uint32_t foreign_menu_pixel(int x, int y)
{
    for (const ForeignBar &b : FOREIGN_MENU_BARS) {
        if (x >= b.left && x < b.right && y >= b.top && y < b.bottom) {
            return FOREIGN_MENU_MARK;
        }
    }
    return FOREIGN_MENU_BACKDROP;
}

// Write the pictures and the tune foreign/pack.sh packs (the sound comes
// from sox); false, with a message on stderr, when one cannot be written.
bool write_foreign_pictures(const std::string &dir, bool tiny);
bool write_foreign_tune(const std::string &path, bool tiny);

#endif
