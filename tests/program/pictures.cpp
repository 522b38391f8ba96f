#include "pictures.h"

#include <allegro.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int W = 384;
constexpr int H = 640;
constexpr int TILE = 32;
constexpr int WELL_LEFT = 32;    // screen column 1
constexpr int WELL_RIGHT = 288;  // past screen column 8
constexpr int WELL_TOP = 128;    // screen row 4
constexpr int LOWEST_TOP = 608;  // a tile's top edge never goes lower
constexpr int MIN_VISIBLE = 64;  // pixels a match must have seen

Picture picture_of(BITMAP *b)
{
    Picture p;
    p.w = b->w;
    p.h = b->h;
    const int depth = bitmap_color_depth(b);
    for (int y = 0; y < b->h; ++y) {
        for (int x = 0; x < b->w; ++x) {
            const int c = getpixel(b, x, y);
            p.rgb.push_back(static_cast<std::uint32_t>(getr_depth(depth, c) << 16 |
                                                       getg_depth(depth, c) << 8 |
                                                       getb_depth(depth, c)));
        }
    }
    return p;
}

BITMAP *object(DATAFILE *d, int i)
{
    return static_cast<BITMAP *>(d[i].dat);
}

// A full-screen picture: an opaque backdrop with a masked overlay.
Picture compose(BITMAP *backdrop, BITMAP *overlay)
{
    BITMAP *b = create_bitmap(W, H);
    blit(backdrop, b, 0, 0, 0, 0, W, H);
    masked_blit(overlay, b, 0, 0, 0, 0, W, H);
    Picture p = picture_of(b);
    destroy_bitmap(b);
    return p;
}

// The play backdrop, with the title when given, and the frame on top.
Picture play_screen(BITMAP *background, BITMAP *title, BITMAP *mask)
{
    BITMAP *b = create_bitmap(W, H);
    blit(background, b, 0, 0, 0, 0, W, H);
    if (title) {
        masked_blit(title, b, 0, 0, 0, 0, 300, 48);
    }
    masked_blit(mask, b, 0, 0, 0, 0, W, H);
    Picture p = picture_of(b);
    destroy_bitmap(b);
    return p;
}

bool visible(const Artwork &art, int x, int y)
{
    return !art.frame[static_cast<std::size_t>(y) * W + x];
}

// Does tile k show exactly at (x0, y0), counting only pixels the frame
// leaves visible?
bool tile_at(const Artwork &art, const Picture &shot, int k, int x0, int y0)
{
    const Picture &t = art.blocks[k];
    int seen = 0;
    for (int y = 0; y < TILE && y0 + y < H; ++y) {
        for (int x = 0; x < TILE; ++x) {
            if (!visible(art, x0 + x, y0 + y)) {
                continue;
            }
            if (shot.at(x0 + x, y0 + y) != t.at(x, y)) {
                return false;
            }
            ++seen;
        }
    }
    return seen >= MIN_VISIBLE;
}

}  // namespace

int frame_tile(int row, int col)
{
    if (row < 4 || col > 9) {
        return -1;
    }
    const bool top = row == 4, bottom = row == 19, left = col == 0, right = col == 9;
    if (top) {
        return left ? 4 : right ? 5 : 1;
    }
    if (bottom) {
        return left ? 6 : right ? 7 : 2;
    }
    return left ? 3 : right ? 0 : -1;
}

bool load_artwork(const std::string &dir, Artwork *art)
{
    static bool started = false;
    if (!started) {
        if (install_allegro(SYSTEM_NONE, &errno, std::atexit) != 0) {
            return false;
        }
        started = true;
    }
    set_color_depth(32);
    packfile_password("amber crest");
    DATAFILE *tiles = load_datafile((dir + "/tiles.dat").c_str());
    DATAFILE *stuff = load_datafile((dir + "/stuff.dat").c_str());
    packfile_password(nullptr);
    if (!tiles || !stuff) {
        return false;
    }
    art->menu = compose(object(stuff, 4), object(stuff, 5));
    art->help = compose(object(stuff, 4), object(stuff, 6));

    BITMAP *mask = create_bitmap(W, H);
    clear_to_color(mask, makecol(255, 0, 255));
    for (int row = 0; row < H / TILE; ++row) {
        for (int col = 0; col < W / TILE; ++col) {
            const int t = frame_tile(row, col);
            if (t >= 0) {
                masked_blit(object(tiles, t), mask, 0, 0, col * TILE, row * TILE, TILE, TILE);
            }
        }
    }
    art->frame.assign(static_cast<std::size_t>(W) * H, 0);
    const int magenta = makecol(255, 0, 255);
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            art->frame[static_cast<std::size_t>(y) * W + x] = getpixel(mask, x, y) != magenta;
        }
    }
    art->play = play_screen(object(stuff, 0), object(stuff, 1), mask);
    art->untitled = play_screen(object(stuff, 0), nullptr, mask);
    for (int k = 0; k < BLOCK_TILES; ++k) {
        art->blocks[k] = picture_of(object(tiles, 8 + k));
    }
    destroy_bitmap(mask);
    unload_datafile(tiles);
    unload_datafile(stuff);
    return true;
}

std::string difference(const Picture &got, const Picture &want,
                       bool (*region)(const Artwork &, int x, int y), const Artwork *art)
{
    if (got.w != want.w || got.h != want.h) {
        return "size " + std::to_string(got.w) + "x" + std::to_string(got.h) + " != " +
               std::to_string(want.w) + "x" + std::to_string(want.h);
    }
    int count = 0;
    std::string first;
    for (int y = 0; y < got.h; ++y) {
        for (int x = 0; x < got.w; ++x) {
            if ((region && !region(*art, x, y)) || got.at(x, y) == want.at(x, y)) {
                continue;
            }
            if (count++ == 0) {
                char buf[80];
                std::snprintf(buf, sizeof buf, "(%d,%d) 0x%06x != 0x%06x", x, y, got.at(x, y),
                              want.at(x, y));
                first = buf;
            }
        }
    }
    return count == 0 ? "" : first + ", " + std::to_string(count) + " pixels";
}

bool outside_tiles(const Artwork &art, int x, int y)
{
    return x < WELL_LEFT || x >= WELL_RIGHT || y < WELL_TOP || !visible(art, x, y);
}

std::vector<TileSeen> tiles_seen(const Artwork &art, const Picture &shot)
{
    std::vector<TileSeen> found;
    for (int x0 = WELL_LEFT; x0 < WELL_RIGHT; x0 += TILE) {
        for (int y0 = WELL_TOP; y0 <= LOWEST_TOP; ++y0) {
            for (int k = 0; k < BLOCK_TILES; ++k) {
                if (tile_at(art, shot, k, x0, y0)) {
                    found.push_back({x0 / TILE, y0, 8 + k});
                    break;
                }
            }
        }
    }
    return found;
}

bool lone_tile(const Artwork &art, const Picture &shot, TileSeen *tile)
{
    const std::vector<TileSeen> found = tiles_seen(art, shot);
    if (found.size() != 1) {
        return false;
    }
    *tile = found[0];
    return true;
}
