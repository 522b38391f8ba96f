// What the game's screens must look like, composed without a display from
// the real datafiles, and readers that find the tiles on a play screen.
#ifndef ZINDLE_TESTS_PICTURES_H
#define ZINDLE_TESTS_PICTURES_H

#include <string>
#include <vector>

#include "harness.h"

constexpr int BLOCK_TILES = 6;

// The frame as the player sees it, written out here rather than taken from
// the game: tile index per screen tile, -1 where there is none.
int frame_tile(int row, int col);

struct Artwork {
    Picture menu;      // menu backdrop with the menu overlay
    Picture help;      // menu backdrop with the help overlay
    Picture play;      // play backdrop with the title, the frame on top
    Picture untitled;  // the play backdrop with the frame, without the title
    std::vector<char> frame;  // 1 where a frame tile is opaque
    Picture blocks[BLOCK_TILES];  // tiles 8..13
};

// Loads tiles.dat and stuff.dat from `dir`; false when they cannot be read.
bool load_artwork(const std::string &dir, Artwork *art);

// Where the two pictures differ, as "(x,y) 0xRRGGBB != 0xRRGGBB, N pixels";
// "" when they are equal. Only pixels where `region` holds are compared.
std::string difference(const Picture &got, const Picture &want,
                       bool (*region)(const Artwork &, int x, int y) = nullptr,
                       const Artwork *art = nullptr);

// Pixels no tile can ever cover: outside the well's columns and above it,
// and wherever the frame is opaque.
bool outside_tiles(const Artwork &art, int x, int y);

// A block tile found on a play screen: screen column, top edge, tile index.
struct TileSeen {
    int column;
    int y;
    int tile;
};
// Every block tile on the screen, found by exact match of its visible pixels.
std::vector<TileSeen> tiles_seen(const Artwork &art, const Picture &shot);
// The play screen with exactly one tile in the well: the falling one.
bool lone_tile(const Artwork &art, const Picture &shot, TileSeen *tile);

#endif
