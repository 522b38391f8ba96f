// Object indices of tiles.dat, in the order the data build packs them.
#ifndef TILES_H
#define TILES_H

#define TILES_FRAME_RIGHT 0
#define TILES_FRAME_TOP 1
#define TILES_FRAME_BOTTOM 2
#define TILES_FRAME_LEFT 3
#define TILES_FRAME_TOP_LEFT 4
#define TILES_FRAME_TOP_RIGHT 5
#define TILES_FRAME_BOTTOM_LEFT 6
#define TILES_FRAME_BOTTOM_RIGHT 7
#define TILES_BLOCK_1 8
#define TILES_BLOCK_2 9
#define TILES_BLOCK_3 10
#define TILES_BLOCK_4 11
#define TILES_BLOCK_5 12
#define TILES_BLOCK_6 13
#define TILES_COUNT 14

#endif
