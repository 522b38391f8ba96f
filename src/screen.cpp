// The play screen: backdrop, settled tiles, the falling tile and the frame
// on top, composed in the back buffer and copied to the window in one go.
// Drawing reads the game state and never changes it.
#include <allegro.h>

#include "zindle.h"

void draw_old_blocks()
{
    for (int c = 0; c < WELL_COLS; ++c) {
        for (int r = 0; r < WELL_ROWS; ++r) {
            const int v = tile_block_layout[r][c];
            if (v != EMPTY) {
                blit(tiles[v], double_buffer, 0, 0, WELL_X + TILE_SIZE * c, WELL_Y + TILE_SIZE * r,
                     TILE_SIZE, TILE_SIZE);
            }
        }
    }
}

// Sideways the tile jumps a column; downwards it moves pixel by pixel.
void draw_block()
{
    blit(tiles[block_tile], double_buffer, 0, 0, TILE_SIZE * block_x,
         TILE_SIZE * block_y - block_fine, TILE_SIZE, TILE_SIZE);
}

void screen_update()
{
    clear_bitmap(double_buffer);
    blit(background, double_buffer, 0, 0, 0, 0, WINDOW_W, WINDOW_H);
    draw_old_blocks();
    draw_block();
    draw_rle_sprite(double_buffer, mask_sprite, 0, 0);  // the frame, masked
    blit(double_buffer, screen, 0, 0, 0, 0, WINDOW_W, WINDOW_H);
}
