// Test helpers for the game rules: wells drawn as pictures, the falling tile
// placed by hand, one game tick in the play loop's order, and the clearing
// sound counted instead of played.
#ifndef ZINDLE_TESTS_WELL_PICTURE_H
#define ZINDLE_TESTS_WELL_PICTURE_H

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>

#include "zindle.h"

// A picture of the well is one line of 8 letters per row, top row first.
// '.' is an empty cell and 'a'..'f' are the six block tiles 8..13.
using Rows = std::initializer_list<const char *>;

int tile_of(char letter);
char letter_of(int tile);

// Fills the well from the given rows, which are its bottom rows; every row
// above them is empty. The clearing marks are left alone.
void set_well(Rows bottom_rows);
// The whole well as 16 lines, and the same for a picture of its bottom rows.
std::string well_picture();
std::string picture_of(Rows bottom_rows);
int tiles_in_well();

// Puts the falling tile at a given screen column, row counter and pixel offset.
void place_tile(int screen_column, int row_counter, int fine,
                std::uint32_t rate, char letter = 'f');

// One game tick as the play loop runs it: clearing, losing test, tops,
// descent with landing and respawn, gravity. Returns 1 when the game ends.
int game_tick(std::uint32_t elapsed_ticks);

// Every value the rules start a program with, and a silent clearing sound.
void reset_rules();

// Clearing sounds played since reset_rules(), and calls of play_sample that
// were not the clearing sound as the game plays it (wrong sample or settings).
int clearing_sounds();
int odd_sounds();

// Sets every rule variable to its starting value before each test and checks
// afterwards that every sound played was the clearing sound.
class RulesTest : public ::testing::Test {
  protected:
    void SetUp() override { reset_rules(); }
    void TearDown() override { EXPECT_EQ(odd_sounds(), 0); }
};

#endif
