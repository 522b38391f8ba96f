#include "well_picture.h"

// Allegro is included here only, for its SAMPLE type.
#define ALLEGRO_NO_MAGIC_MAIN
#include <allegro.h>

#include <cstring>

namespace {

SAMPLE silent_sample;  // no data: never handed to the library
int clearing_sound_count = 0;
int odd_sound_count = 0;

}  // namespace

// The tests link with -Wl,--wrap=play_sample, so every call the game makes
// to Allegro's play_sample arrives here instead of at the sound driver.
extern "C" int __wrap_play_sample(const SAMPLE *sample, int volume, int pan,
                                  int frequency, int loop) {
    if (sample == sound_bam && sample == &silent_sample && volume == 128 &&
        pan == 128 && frequency == 1000 && loop == 0)
        ++clearing_sound_count;
    else
        ++odd_sound_count;
    return 0;
}

int clearing_sounds() { return clearing_sound_count; }
int odd_sounds() { return odd_sound_count; }

int tile_of(char letter) {
    if (letter == '.') return EMPTY;
    if (letter < 'a' || letter >= 'a' + BLOCK_KINDS) {
        ADD_FAILURE() << "no tile is drawn as '" << letter << "'";
        return EMPTY;
    }
    return FIRST_BLOCK_TILE + (letter - 'a');
}

char letter_of(int tile) {
    if (tile == EMPTY) return '.';
    if (tile >= FIRST_BLOCK_TILE && tile < FIRST_BLOCK_TILE + BLOCK_KINDS)
        return static_cast<char>('a' + tile - FIRST_BLOCK_TILE);
    return '?';  // never a valid cell
}

void set_well(Rows bottom_rows) {
    const int first = WELL_ROWS - static_cast<int>(bottom_rows.size());
    if (first < 0) {
        ADD_FAILURE() << "the well has only " << WELL_ROWS << " rows";
        return;
    }
    std::memset(tile_block_layout, 0, sizeof tile_block_layout);
    int row = first;
    for (const char *line : bottom_rows) {
        if (std::strlen(line) != WELL_COLS)
            ADD_FAILURE() << "row \"" << line << "\" is not " << WELL_COLS << " cells wide";
        for (int c = 0; c < WELL_COLS && line[c]; ++c)
            tile_block_layout[row][c] = tile_of(line[c]);
        ++row;
    }
}

std::string well_picture() {
    std::string picture;
    for (int r = 0; r < WELL_ROWS; ++r) {
        for (int c = 0; c < WELL_COLS; ++c) picture += letter_of(tile_block_layout[r][c]);
        picture += '\n';
    }
    return picture;
}

std::string picture_of(Rows bottom_rows) {
    std::string picture;
    for (int r = static_cast<int>(bottom_rows.size()); r < WELL_ROWS; ++r)
        picture += "........\n";
    for (const char *line : bottom_rows) picture += std::string(line) + '\n';
    return picture;
}

int tiles_in_well() {
    int count = 0;
    for (auto &row : tile_block_layout)
        for (int cell : row) count += cell != EMPTY;
    return count;
}

void place_tile(int screen_column, int row_counter, int fine, std::uint32_t rate,
                char letter) {
    block_x = screen_column;
    block_y = row_counter;
    block_fine = fine;
    block_rate = rate;
    block_rate_temp = 0;
    block_tile = tile_of(letter);
}

int game_tick(std::uint32_t elapsed_ticks) {
    timer_change = elapsed_ticks;
    return update_game();
}

void reset_rules() {
    std::memset(tile_block_layout, 0, sizeof tile_block_layout);
    std::memset(tile_block_delete, 0, sizeof tile_block_delete);
    std::memset(tile_block_tops, 0, sizeof tile_block_tops);
    block_x = block_y = block_fine = block_tile = block_rate_temp = 0;
    block_rate = 1;
    difficulty = START_DIFFICULTY;
    timer_change = 0;
    block_rate2 = 0;
    timer_var = 0;
    sound_bam = &silent_sample;
    clearing_sound_count = odd_sound_count = 0;
}
