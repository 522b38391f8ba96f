// The built datafiles: what the game loads must be what it expects.
#include <allegro.h>
#include <gtest/gtest.h>
#include <stuff.h>
#include <tiles.h>
#include <zindle.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#ifndef ZINDLE_DATA_DIR
#error "ZINDLE_DATA_DIR names the folder with the built datafiles"
#endif

namespace {
const char *const PASSWORD = "amber crest";
constexpr int TITLE_USED_W = 300, TITLE_USED_H = 48;
// A colour this close to magenta would turn see-through at 15 or 16 bits.
constexpr int NEAR_MAGENTA = 48;

std::string data_path(const char *name) { return std::string(ZINDLE_DATA_DIR) + "/" + name; }

struct Rgb {
    int r, g, b;
};

Rgb pixel(BITMAP *bmp, int x, int y) {
    const int c = getpixel(bmp, x, y);
    return {getr(c), getg(c), getb(c)};
}

bool is_magenta(Rgb c) { return c.r == 255 && c.g == 0 && c.b == 255; }

int distance_to_magenta(Rgb c) { return (255 - c.r) + c.g + (255 - c.b); }

class Datafiles : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(install_allegro(SYSTEM_NONE, &errno, atexit), 0);
        set_color_depth(32);
        packfile_password(PASSWORD);
        tiles = load_datafile(data_path("tiles.dat").c_str());
        stuff = load_datafile(data_path("stuff.dat").c_str());
        packfile_password(nullptr);
    }
    static BITMAP *tile(int i) { return static_cast<BITMAP *>(tiles[i].dat); }
    static BITMAP *thing(int i) { return static_cast<BITMAP *>(stuff[i].dat); }
    static DATAFILE *tiles;
    static DATAFILE *stuff;
};
DATAFILE *Datafiles::tiles = nullptr;
DATAFILE *Datafiles::stuff = nullptr;

int object_count(DATAFILE *d) {
    int n = 0;
    while (d[n].type != DAT_END) ++n;
    return n;
}

std::string object_name(DATAFILE *d, int i) { return get_datafile_property(&d[i], DAT_ID('N', 'A', 'M', 'E')); }

int opaque_pixels(BITMAP *bmp, int l, int t, int r, int b) {
    int n = 0;
    for (int y = t; y <= b; ++y)
        for (int x = l; x <= r; ++x) n += !is_magenta(pixel(bmp, x, y));
    return n;
}

TEST_F(Datafiles, LoadOnlyWithThePassword) {
    ASSERT_NE(tiles, nullptr);
    ASSERT_NE(stuff, nullptr);
    packfile_password("amber cresT");
    EXPECT_EQ(load_datafile(data_path("tiles.dat").c_str()), nullptr);
    packfile_password(nullptr);
    EXPECT_EQ(load_datafile(data_path("tiles.dat").c_str()), nullptr);
    EXPECT_EQ(load_datafile(data_path("stuff.dat").c_str()), nullptr);
}

TEST_F(Datafiles, TilesHoldFourteenTilesInHeaderOrder) {
    ASSERT_NE(tiles, nullptr);
    const std::vector<std::pair<int, const char *>> expected = {
        {TILES_FRAME_RIGHT, "FRAME_RIGHT_BMP"}, {TILES_FRAME_TOP, "FRAME_TOP_BMP"},
        {TILES_FRAME_BOTTOM, "FRAME_BOTTOM_BMP"}, {TILES_FRAME_LEFT, "FRAME_LEFT_BMP"},
        {TILES_FRAME_TOP_LEFT, "FRAME_TOP_LEFT_BMP"}, {TILES_FRAME_TOP_RIGHT, "FRAME_TOP_RIGHT_BMP"},
        {TILES_FRAME_BOTTOM_LEFT, "FRAME_BOTTOM_LEFT_BMP"}, {TILES_FRAME_BOTTOM_RIGHT, "FRAME_BOTTOM_RIGHT_BMP"},
        {TILES_BLOCK_1, "BLOCK_1_BMP"}, {TILES_BLOCK_2, "BLOCK_2_BMP"}, {TILES_BLOCK_3, "BLOCK_3_BMP"},
        {TILES_BLOCK_4, "BLOCK_4_BMP"}, {TILES_BLOCK_5, "BLOCK_5_BMP"}, {TILES_BLOCK_6, "BLOCK_6_BMP"},
    };
    ASSERT_EQ(object_count(tiles), TILES_COUNT);
    ASSERT_EQ(TILES_COUNT, TILE_COUNT);
    EXPECT_EQ(TILES_BLOCK_1, FIRST_BLOCK_TILE);
    for (const auto &[index, name] : expected) {
        EXPECT_EQ(object_name(tiles, index), name);
        ASSERT_EQ(tiles[index].type, DAT_BITMAP) << name;
        EXPECT_EQ(tile(index)->w, TILE_SIZE) << name;
        EXPECT_EQ(tile(index)->h, TILE_SIZE) << name;
    }
}

TEST_F(Datafiles, StuffHoldsSevenObjectsOfTheRightKinds) {
    ASSERT_NE(stuff, nullptr);
    struct Expected {
        int index;
        const char *name;
        int type, w, h;
    };
    const Expected expected[] = {
        {STUFF_BACKGROUND, "BACKGROUND_BMP", DAT_BITMAP, WINDOW_W, WINDOW_H},
        {STUFF_TITLE, "TITLE_BMP", DAT_BITMAP, TITLE_USED_W, TITLE_USED_H},
        {STUFF_MUSIC, "MUSIC_MID", DAT_MIDI, 0, 0},
        {STUFF_BAM, "BAM_WAV", DAT_SAMPLE, 0, 0},
        {STUFF_BACKGROUND2, "BACKGROUND2_BMP", DAT_BITMAP, WINDOW_W, WINDOW_H},
        {STUFF_MENU, "MENU_BMP", DAT_BITMAP, WINDOW_W, WINDOW_H},
        {STUFF_HELP, "HELP_BMP", DAT_BITMAP, WINDOW_W, WINDOW_H},
    };
    ASSERT_EQ(object_count(stuff), STUFF_COUNT);
    for (const Expected &e : expected) {
        EXPECT_EQ(object_name(stuff, e.index), e.name);
        ASSERT_EQ(stuff[e.index].type, e.type) << e.name;
        if (e.type != DAT_BITMAP) continue;
        EXPECT_EQ(thing(e.index)->w, e.w) << e.name;
        EXPECT_EQ(thing(e.index)->h, e.h) << e.name;
    }
}

TEST_F(Datafiles, NoColourAnywhereIsNearMagenta) {
    ASSERT_NE(tiles, nullptr);
    ASSERT_NE(stuff, nullptr);
    std::vector<BITMAP *> all;
    for (int i = 0; i < TILES_COUNT; ++i) all.push_back(tile(i));
    for (int i : {STUFF_BACKGROUND, STUFF_TITLE, STUFF_BACKGROUND2, STUFF_MENU, STUFF_HELP}) all.push_back(thing(i));
    for (std::size_t n = 0; n < all.size(); ++n)
        for (int y = 0; y < all[n]->h; ++y)
            for (int x = 0; x < all[n]->w; ++x) {
                const Rgb c = pixel(all[n], x, y);
                if (!is_magenta(c)) {
                    ASSERT_GT(distance_to_magenta(c), NEAR_MAGENTA)
                        << "bitmap " << n << " at " << x << "," << y << ": " << c.r << " " << c.g << " " << c.b;
                }
            }
}

TEST_F(Datafiles, BlocksAndBackdropsAreOpaque) {
    ASSERT_NE(tiles, nullptr);
    ASSERT_NE(stuff, nullptr);
    for (int i = TILES_BLOCK_1; i <= TILES_BLOCK_6; ++i)
        EXPECT_EQ(opaque_pixels(tile(i), 0, 0, TILE_SIZE - 1, TILE_SIZE - 1), TILE_SIZE * TILE_SIZE) << i;
    for (int i : {STUFF_BACKGROUND, STUFF_BACKGROUND2})
        EXPECT_EQ(opaque_pixels(thing(i), 0, 0, WINDOW_W - 1, WINDOW_H - 1), WINDOW_W * WINDOW_H) << i;
}

// The colour of a block's face and the footprint of its pale symbol.
struct Look {
    Rgb face;
    std::vector<bool> symbol;
};

Look look_of(BITMAP *bmp) {
    constexpr int FACE_X = 6, FACE_Y = 24;  // beside the symbol on every block
    Look look{pixel(bmp, FACE_X, FACE_Y), std::vector<bool>(TILE_SIZE * TILE_SIZE)};
    for (int y = 0; y < TILE_SIZE; ++y)
        for (int x = 0; x < TILE_SIZE; ++x) {
            const Rgb c = pixel(bmp, x, y);
            const bool inner = x >= 5 && x < TILE_SIZE - 5 && y >= 5 && y < TILE_SIZE - 5;
            look.symbol[y * TILE_SIZE + x] = inner && c.r + c.g + c.b > 3 * 190;
        }
    return look;
}

TEST_F(Datafiles, BlocksDifferInColourAndInSymbol) {
    ASSERT_NE(tiles, nullptr);
    constexpr int MIN_COLOUR_DISTANCE = 80;  // summed over the channels
    constexpr int MIN_SYMBOL_PIXELS = 40;    // pixels where two symbols disagree
    std::vector<Look> looks;
    for (int i = TILES_BLOCK_1; i <= TILES_BLOCK_6; ++i) looks.push_back(look_of(tile(i)));
    for (std::size_t a = 0; a < looks.size(); ++a) {
        int symbol_size = 0;
        for (bool on : looks[a].symbol) symbol_size += on;
        EXPECT_GT(symbol_size, 60) << "block " << a + 1 << " has hardly any symbol";
        for (std::size_t b = a + 1; b < looks.size(); ++b) {
            const Rgb &p = looks[a].face, &q = looks[b].face;
            EXPECT_GT(std::abs(p.r - q.r) + std::abs(p.g - q.g) + std::abs(p.b - q.b), MIN_COLOUR_DISTANCE)
                << "blocks " << a + 1 << " and " << b + 1 << " look alike in colour";
            int differ = 0;
            for (int i = 0; i < TILE_SIZE * TILE_SIZE; ++i) differ += looks[a].symbol[i] != looks[b].symbol[i];
            EXPECT_GT(differ, MIN_SYMBOL_PIXELS) << "blocks " << a + 1 << " and " << b + 1 << " share a symbol";
        }
    }
}

// Colour distance below which two touching pixels read as one surface.
constexpr int SEAMLESS = 60;

int colour_distance(Rgb a, Rgb b) { return std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b); }

// Where a straight piece's bar or rail reaches the join, the neighbour goes
// on drawing it, in a like colour outside the corner plates.
void expect_continues(BITMAP *straight, int sx, int sy, BITMAP *next, int nx, int ny, bool plate, const std::string &what) {
    const Rgb a = pixel(straight, sx, sy), b = pixel(next, nx, ny);
    if (is_magenta(a)) return;
    EXPECT_FALSE(is_magenta(b)) << what << " breaks off at " << sx << "," << sy;
    if (!plate && !is_magenta(b)) {
        EXPECT_LE(colour_distance(a, b), SEAMLESS) << what << " seam at " << sx << "," << sy;
    }
}

// `straight` sits left of `next` (or right of it when `straight_on_right`).
void expect_row_join(BITMAP *straight, BITMAP *next, bool straight_on_right, int plate_top, int plate_bottom,
                     const char *what) {
    const int sx = straight_on_right ? 0 : TILE_SIZE - 1, nx = TILE_SIZE - 1 - sx;
    for (int y = 0; y < TILE_SIZE; ++y)
        expect_continues(straight, sx, y, next, nx, y, y >= plate_top && y < plate_bottom, what);
}

// `straight` sits above `next` (or below it when `straight_below`).
void expect_column_join(BITMAP *straight, BITMAP *next, bool straight_below, const char *what) {
    const int sy = straight_below ? 0 : TILE_SIZE - 1, ny = TILE_SIZE - 1 - sy;
    for (int x = 0; x < TILE_SIZE; ++x) expect_continues(straight, x, sy, next, x, ny, false, what);
}

TEST_F(Datafiles, FramePiecesJoinAndLeaveTheOuterWellRowsInView) {
    ASSERT_NE(tiles, nullptr);
    BITMAP *tl = tile(TILES_FRAME_TOP_LEFT), *t = tile(TILES_FRAME_TOP), *tr = tile(TILES_FRAME_TOP_RIGHT);
    BITMAP *l = tile(TILES_FRAME_LEFT), *r = tile(TILES_FRAME_RIGHT);
    BITMAP *bl = tile(TILES_FRAME_BOTTOM_LEFT), *b = tile(TILES_FRAME_BOTTOM), *br = tile(TILES_FRAME_BOTTOM_RIGHT);
    constexpr int PLATE = 16;  // corner plates cap the joins here
    expect_row_join(t, t, false, 0, 0, "top rail");
    expect_row_join(b, b, false, 0, 0, "bottom rail");
    expect_column_join(l, l, false, "left bar");
    expect_column_join(r, r, false, "right bar");
    expect_row_join(t, tl, true, 0, PLATE, "top rail into the top-left corner");
    expect_row_join(t, tr, false, 0, PLATE, "top rail into the top-right corner");
    expect_row_join(b, bl, true, TILE_SIZE - PLATE, TILE_SIZE, "bottom rail into the bottom-left corner");
    expect_row_join(b, br, false, TILE_SIZE - PLATE, TILE_SIZE, "bottom rail into the bottom-right corner");
    expect_column_join(l, tl, true, "left bar into the top-left corner");
    expect_column_join(r, tr, true, "right bar into the top-right corner");
    expect_column_join(l, bl, false, "left bar into the bottom-left corner");
    expect_column_join(r, br, false, "right bar into the bottom-right corner");
    // Well rows 0 and 15 lie under the top and bottom pieces: at least three
    // quarters of each must stay see-through.
    const int quarter = TILE_SIZE * TILE_SIZE / 4;
    EXPECT_LE(opaque_pixels(t, 0, 0, TILE_SIZE - 1, TILE_SIZE - 1), quarter);
    EXPECT_LE(opaque_pixels(b, 0, 0, TILE_SIZE - 1, TILE_SIZE - 1), quarter);
    for (int i = 0; i < FIRST_BLOCK_TILE; ++i) EXPECT_GT(opaque_pixels(tile(i), 0, 0, TILE_SIZE - 1, TILE_SIZE - 1), 0);
}

bool inside(const Area &a, int x, int y) { return x >= a.left && x <= a.right && y >= a.top && y <= a.bottom; }

// Every drawn pixel of an overlay lies in one of `areas`, and each area is
// mostly drawn on: the buttons are where the clicks are.
void expect_drawn_only_in(BITMAP *bmp, const std::vector<Area> &areas, const char *what) {
    int outside = 0;
    for (int y = 0; y < bmp->h; ++y)
        for (int x = 0; x < bmp->w; ++x) {
            if (is_magenta(pixel(bmp, x, y))) continue;
            bool hit = false;
            for (const Area &a : areas) hit = hit || inside(a, x, y);
            outside += !hit;
        }
    EXPECT_EQ(outside, 0) << what;
    for (const Area &a : areas) {
        const int size = (a.right - a.left + 1) * (a.bottom - a.top + 1);
        EXPECT_GT(opaque_pixels(bmp, a.left, a.top, a.right, a.bottom), size / 2)
            << what << " area at " << a.left << "," << a.top;
    }
}

TEST_F(Datafiles, MenuButtonsLieInsideTheirClickAreas) {
    ASSERT_NE(stuff, nullptr);
    expect_drawn_only_in(thing(STUFF_MENU), {MENU_AREAS[0], MENU_AREAS[1], MENU_AREAS[2], MENU_AREAS[3]}, "menu");
}

TEST_F(Datafiles, HelpBackButtonLiesInsideItsClickArea) {
    ASSERT_NE(stuff, nullptr);
    BITMAP *help = thing(STUFF_HELP);
    // Below the rules' panel only the back button is drawn.
    const Area below_panel = {0, HELP_BACK_AREA.top - 8, WINDOW_W - 1, WINDOW_H - 1};
    int stray = 0;
    for (int y = below_panel.top; y <= below_panel.bottom; ++y)
        for (int x = 0; x < WINDOW_W; ++x) stray += !is_magenta(pixel(help, x, y)) && !inside(HELP_BACK_AREA, x, y);
    EXPECT_EQ(stray, 0);
    const Area &back = HELP_BACK_AREA;
    EXPECT_GT(opaque_pixels(help, back.left, back.top, back.right, back.bottom),
              (back.right - back.left + 1) * (back.bottom - back.top + 1) / 2);
    // The rules themselves take up a good part of the screen.
    EXPECT_GT(opaque_pixels(help, 0, 0, WINDOW_W - 1, back.top - 9), WINDOW_W * WINDOW_H / 3);
}

TEST_F(Datafiles, TitleIsMaskedLettering) {
    ASSERT_NE(stuff, nullptr);
    BITMAP *title = thing(STUFF_TITLE);
    const int drawn = opaque_pixels(title, 0, 0, TITLE_USED_W - 1, TITLE_USED_H - 1);
    EXPECT_GT(drawn, TITLE_USED_W * TITLE_USED_H / 5) << "too little title";
    EXPECT_LT(drawn, TITLE_USED_W * TITLE_USED_H * 3 / 4) << "the backdrop must show around the letters";
}
}  // namespace
