// The play screen and the frame overlay, composed without a display into a
// memory bitmap standing in for the screen. The tiles are made here in solid
// colours, so every pixel of a frame has one right colour: frame tiles paint
// only a band across their top four rows and are see-through below it, and
// block tiles carry one mask-coloured pixel that must still show.
#include <allegro.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "pictures.h"
#include "zindle.h"

namespace {

constexpr int FRAME_BAND = 4;  // opaque rows at the top of each test frame tile

struct Rgb {
    int r, g, b;
};
constexpr Rgb BACKDROP = {20, 40, 60};
constexpr Rgb MAGENTA = {255, 0, 255};

Rgb frame_colour(int i) { return {200, 8 * i, 40}; }
Rgb block_colour(int i) { return {8 * i, 160, 200}; }

int colour(Rgb c) { return makecol(c.r, c.g, c.b); }

std::string describe(int x, int y, int got, int want)
{
    return "(" + std::to_string(x) + "," + std::to_string(y) + ") rgb " +
           std::to_string(getr(got)) + "," + std::to_string(getg(got)) + "," +
           std::to_string(getb(got)) + " instead of " + std::to_string(getr(want)) + "," +
           std::to_string(getg(want)) + "," + std::to_string(getb(want));
}

// The library without a display: memory bitmaps only.
void start_allegro()
{
    static bool started = false;
    if (!started) {
        ASSERT_EQ(install_allegro(SYSTEM_NONE, &errno, std::atexit), 0);
        started = true;
    }
}

// Runs every test at the two depths the game can end up with.
class Composition : public ::testing::TestWithParam<int> {
  protected:
    void SetUp() override
    {
        start_allegro();
        set_color_depth(GetParam());
        for (int i = 0; i < TILE_COUNT; ++i) {
            tiles[i] = create_bitmap(TILE_SIZE, TILE_SIZE);
            if (i < FIRST_BLOCK_TILE) {
                clear_to_color(tiles[i], colour(MAGENTA));
                rectfill(tiles[i], 0, 0, TILE_SIZE - 1, FRAME_BAND - 1, colour(frame_colour(i)));
            } else {
                clear_to_color(tiles[i], colour(block_colour(i)));
                putpixel(tiles[i], TILE_SIZE - 1, TILE_SIZE - 1, colour(MAGENTA));
            }
        }
        background = create_bitmap(WINDOW_W, WINDOW_H);
        clear_to_color(background, colour(BACKDROP));
        double_buffer = create_bitmap(WINDOW_W, WINDOW_H);
        mask_layer = create_bitmap(WINDOW_W, WINDOW_H);
        clear_to_color(mask_layer, colour(MAGENTA));
        draw_mask_layout();
        screen = create_bitmap(WINDOW_W, WINDOW_H);
        for (auto &row : tile_block_layout) {
            for (int &cell : row) {
                cell = EMPTY;
            }
        }
        place_falling(1, 4, 0, FIRST_BLOCK_TILE);
    }

    void TearDown() override
    {
        for (BITMAP *&t : tiles) {
            destroy_bitmap(t);
            t = nullptr;
        }
        for (BITMAP **b : {&background, &double_buffer, &mask_layer, &screen}) {
            destroy_bitmap(*b);
            *b = nullptr;
        }
    }

    void place_falling(int column, int row_counter, int fine, int tile)
    {
        block_x = column;
        block_y = row_counter;
        block_fine = fine;
        block_tile = tile;
    }

    // Tile index covering (x, y) in a 32 x 32 square at (left, top), or 0.
    static int in_square(int x, int y, int left, int top, int tile)
    {
        const bool inside = x >= left && x < left + TILE_SIZE && y >= top && y < top + TILE_SIZE;
        return inside ? tile : 0;
    }

    static int block_pixel(int tile, int x, int y, int left, int top)
    {
        const bool corner = x - left == TILE_SIZE - 1 && y - top == TILE_SIZE - 1;
        return colour(corner ? MAGENTA : block_colour(tile));
    }

    // What the player must see at (x, y): frame band over the falling tile
    // over the settled tiles over the backdrop.
    int expected_pixel(int x, int y) const
    {
        const int frame = frame_tile(y / TILE_SIZE, x / TILE_SIZE);
        if (frame >= 0 && y % TILE_SIZE < FRAME_BAND) {
            return colour(frame_colour(frame));
        }
        const int fall_left = TILE_SIZE * block_x, fall_top = TILE_SIZE * block_y - block_fine;
        if (in_square(x, y, fall_left, fall_top, block_tile)) {
            return block_pixel(block_tile, x, y, fall_left, fall_top);
        }
        const int c = (x - WELL_X) / TILE_SIZE, r = (y - WELL_Y) / TILE_SIZE;
        if (x >= WELL_X && y >= WELL_Y && c < WELL_COLS && r < WELL_ROWS &&
            tile_block_layout[r][c] != EMPTY) {
            return block_pixel(tile_block_layout[r][c], x, y, WELL_X + TILE_SIZE * c,
                               WELL_Y + TILE_SIZE * r);
        }
        return colour(BACKDROP);
    }

    // The first pixel of the screen that differs from the expected picture.
    ::testing::AssertionResult screen_as_expected() const
    {
        for (int y = 0; y < WINDOW_H; ++y) {
            for (int x = 0; x < WINDOW_W; ++x) {
                const int got = getpixel(screen, x, y), want = expected_pixel(x, y);
                if (got != want) {
                    return ::testing::AssertionFailure() << describe(x, y, got, want);
                }
            }
        }
        return ::testing::AssertionSuccess();
    }

    // Is the 32 x 32 square at (left, top) of the screen the given block tile,
    // every pixel, except for `covered_rows` hidden under the frame's band?
    ::testing::AssertionResult block_shown_at(int tile, int left, int top, int covered_rows) const
    {
        for (int y = top + covered_rows; y < top + TILE_SIZE; ++y) {
            for (int x = left; x < left + TILE_SIZE; ++x) {
                const int got = getpixel(screen, x, y), want = block_pixel(tile, x, y, left, top);
                if (got != want) {
                    return ::testing::AssertionFailure() << describe(x, y, got, want);
                }
            }
        }
        return ::testing::AssertionSuccess();
    }
};

TEST_P(Composition, EmptyWellShowsBackdropFallingTileAndFrame)
{
    place_falling(3, 9, 50, 11);
    screen_update();
    EXPECT_TRUE(screen_as_expected());
    EXPECT_TRUE(block_shown_at(11, 96, 238, 0));
}

TEST_P(Composition, SettledTilesLandOnTheirCells)
{
    tile_block_layout[15][0] = 9;
    tile_block_layout[0][7] = 12;
    tile_block_layout[7][3] = 13;
    screen_update();
    EXPECT_TRUE(screen_as_expected());
    // Well rows 0 and 15 lie under the frame's top and bottom edges.
    EXPECT_TRUE(block_shown_at(9, 32, 608, FRAME_BAND));
    EXPECT_TRUE(block_shown_at(12, 256, 128, FRAME_BAND));
    EXPECT_TRUE(block_shown_at(13, 128, 352, 0));
}

TEST_P(Composition, FallingTileIsDrawnAtItsPixelPosition)
{
    place_falling(8, 10, 40, 10);
    screen_update();
    EXPECT_TRUE(screen_as_expected());
    EXPECT_TRUE(block_shown_at(10, 256, 280, 0));
}

TEST_P(Composition, FrameCoversSettledAndFallingTiles)
{
    tile_block_layout[15][4] = 8;
    place_falling(2, 4, 0, 13);  // just spawned, under the top edge
    screen_update();
    EXPECT_TRUE(screen_as_expected());
    EXPECT_EQ(getpixel(screen, 170, 608), colour(frame_colour(2)));
    EXPECT_EQ(getpixel(screen, 170, 608 + FRAME_BAND), colour(block_colour(8)));
    EXPECT_EQ(getpixel(screen, 70, 128), colour(frame_colour(1)));
    EXPECT_EQ(getpixel(screen, 70, 128 + FRAME_BAND), colour(block_colour(13)));
}

TEST_P(Composition, BlockTilesShowTheirMaskColouredPixels)
{
    tile_block_layout[8][5] = 9;
    screen_update();
    EXPECT_EQ(getpixel(screen, 32 + 5 * 32 + 31, 128 + 8 * 32 + 31), colour(MAGENTA));
}

TEST_P(Composition, EachFrameIsComposedAfresh)
{
    tile_block_layout[10][2] = 9;
    place_falling(5, 12, 33, 12);
    screen_update();
    tile_block_layout[10][2] = EMPTY;
    place_falling(6, 14, 40, 8);
    screen_update();
    EXPECT_TRUE(screen_as_expected());
}

TEST_P(Composition, MaskLayerHoldsOnlyFrameTilesOverTheMaskColour)
{
    for (int y = 0; y < WINDOW_H; ++y) {
        for (int x = 0; x < WINDOW_W; ++x) {
            const int frame = frame_tile(y / TILE_SIZE, x / TILE_SIZE);
            const bool band = frame >= 0 && y % TILE_SIZE < FRAME_BAND;
            const int want = colour(band ? frame_colour(frame) : MAGENTA);
            const int got = getpixel(mask_layer, x, y);
            ASSERT_EQ(got, want) << describe(x, y, got, want);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Depths, Composition, ::testing::Values(32, 16),
                         [](const ::testing::TestParamInfo<int> &p) {
                             return std::to_string(p.param) + "bpp";
                         });

// The real frame art: the overlay holds the frame tiles exactly where the
// frame goes and nothing but the mask colour elsewhere.
TEST(RealFrame, MaskLayerHoldsTheFrameTilesOverTheMaskColour)
{
    start_allegro();
    set_color_depth(32);
    packfile_password("amber crest");
    DATAFILE *data = load_datafile(ZINDLE_DATA_DIR "/tiles.dat");
    packfile_password(nullptr);
    ASSERT_NE(data, nullptr);
    for (int i = 0; i < TILE_COUNT; ++i) {
        tiles[i] = static_cast<BITMAP *>(data[i].dat);
    }
    mask_layer = create_bitmap(WINDOW_W, WINDOW_H);
    clear_to_color(mask_layer, colour(MAGENTA));
    draw_mask_layout();
    int frame_pixels = 0;
    for (int y = 0; y < WINDOW_H; ++y) {
        for (int x = 0; x < WINDOW_W; ++x) {
            const int frame = frame_tile(y / TILE_SIZE, x / TILE_SIZE);
            const int want = frame >= 0 ? getpixel(tiles[frame], x % TILE_SIZE, y % TILE_SIZE)
                                        : colour(MAGENTA);
            const int got = getpixel(mask_layer, x, y);
            ASSERT_EQ(got, want) << describe(x, y, got, want);
            frame_pixels += got != colour(MAGENTA);
        }
    }
    // The art is really there: most of the frame is opaque.
    EXPECT_GT(frame_pixels, 12 * 16 * 32);
    destroy_bitmap(mask_layer);
    mask_layer = nullptr;
    unload_datafile(data);
}

}  // namespace
