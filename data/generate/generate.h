// Zindle's build-time data generator: draws the artwork, composes the tune
// and synthesises the clearing sound, writing the files the datafiles pack.
#ifndef ZINDLE_GENERATE_H
#define ZINDLE_GENERATE_H

#include <functional>
#include <string>
#include <vector>

struct BITMAP;

// ---- Colours and painting (paint.cpp) --------------------------------------
struct Rgb {
    int r, g, b;
};

// The one palette everything is drawn from: a moonlit night over a glass well.
namespace pal {
constexpr Rgb MASK = {255, 0, 255};  // see-through in masked bitmaps
constexpr Rgb SKY_TOP = {12, 14, 40};
constexpr Rgb SKY_LOW = {38, 70, 110};
constexpr Rgb HILL_FAR = {26, 44, 72};
constexpr Rgb HILL_NEAR = {16, 30, 46};
constexpr Rgb GROUND = {10, 20, 30};
constexpr Rgb STAR = {230, 236, 255};
constexpr Rgb MOON = {250, 244, 214};
constexpr Rgb GLASS = {10, 16, 34};
constexpr Rgb GRID = {34, 48, 82};
constexpr Rgb INK = {8, 10, 24};       // outlines and shadows
constexpr Rgb BRASS_DARK = {92, 62, 26};
constexpr Rgb BRASS = {196, 150, 64};
constexpr Rgb BRASS_LIGHT = {250, 224, 150};
constexpr Rgb TEXT_TOP = {255, 250, 226};
constexpr Rgb TEXT_LOW = {250, 196, 92};
constexpr Rgb TEXT_BODY = {226, 234, 250};
constexpr Rgb PANEL = {20, 28, 58};
constexpr Rgb PANEL_EDGE = {70, 100, 160};
constexpr Rgb BUTTON_TOP = {56, 96, 156};
constexpr Rgb BUTTON_LOW = {26, 48, 96};
constexpr Rgb FIREFLY = {240, 230, 120};
}  // namespace pal

Rgb mix(Rgb a, Rgb b, double t);
Rgb scale(Rgb c, double f);
void put(BITMAP *bmp, int x, int y, Rgb c);
Rgb get(BITMAP *bmp, int x, int y);
// Covers a pixel by `alpha`; on a see-through pixel only a majority cover
// paints, so soft edges never leave blends of the mask colour behind.
void blend(BITMAP *bmp, int x, int y, Rgb c, double alpha);
BITMAP *new_bitmap(int w, int h, Rgb fill);

// A shape in pixel coordinates, sampled 4 x 4 times per pixel for smooth edges.
using Shape = std::function<bool(double x, double y)>;
void fill_shape(BITMAP *bmp, int x0, int y0, int x1, int y1, const Shape &inside, Rgb c);
bool in_round_rect(double x, double y, double l, double t, double r, double b, double radius);
// A shape grown by `d` pixels, for a symbol's dark rim.
Shape grown(const Shape &s, double d);
// A raised rounded button with a bevel, filling l..r x t..b.
void draw_button(BITMAP *bmp, int l, int t, int r, int b);
// The night landscape both backdrops share.
void draw_night(BITMAP *bmp, int horizon, unsigned seed);

// ---- Text (text.cpp) -------------------------------------------------------
struct TextStyle {
    int scale;
    Rgb top, bottom;  // vertical gradient of the letters
    int outline;      // outline thickness in pixels
    int shadow;       // drop-shadow offset in pixels
};
int text_width(const std::string &s, const TextStyle &style);
int text_height(const TextStyle &style);
void draw_text(BITMAP *bmp, int x, int y, const std::string &s, const TextStyle &style);
void draw_text_centred(BITMAP *bmp, int cx, int y, const std::string &s, const TextStyle &style);

// ---- The pictures (tiles.cpp, screens.cpp) -----------------------------------
void write_tiles(const std::string &dir);
BITMAP *paint_block_tile(int kind);  // kind 0..5, a new 32 x 32 bitmap
Rgb block_colour(int kind);
Shape block_symbol(int kind);  // in a 32 x 32 tile's pixels, centred on (16, 16)
void write_screens(const std::string &dir);

// ---- The icons (icons.cpp, icon_files.cpp) -----------------------------------
// A picture with see-through edges: colours in a 24-bit bitmap, and each
// pixel's coverage, 0..255.
struct Icon {
    BITMAP *rgb;
    std::vector<unsigned char> alpha;
};
constexpr int WINDOW_ICON_SIZE = 48;
Icon paint_icon(int size);
// icon_<size>.png at each size, for the desktop or the web page.
void write_png_icons(const std::string &dir, const std::vector<int> &sizes);
// home_<size>.png at each size: the icon for a phone's home screen, opaque
// on the sky, its art within the middle that every launcher's shape keeps.
void write_home_icons(const std::string &dir, const std::vector<int> &sizes);
// The same, and window_icon.cpp: the window's icon as XPM data compiled
// into the game.
void write_icons(const std::string &dir, const std::vector<int> &sizes);
// The executable's icon for Windows: one .ico holding every size.
constexpr int MAX_ICO_SIZE = 256;
void write_windows_icon(const std::string &path, const std::vector<int> &sizes);
void write_png(const Icon &icon, const std::string &path);
void write_xpm_source(const Icon &icon, const std::string &array_name, const std::string &path);
void write_ico(const std::vector<Icon> &icons, const std::string &path);

// ---- The sounds (tune.cpp, sound.cpp) ----------------------------------------
void write_tune(const std::string &path);
void write_clear_sound(const std::string &path);

// Saves with Allegro's own BMP writer, which the datafile tool reads back.
void save_picture(BITMAP *bmp, const std::string &path);

#endif
