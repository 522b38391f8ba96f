// The falling tile: its descent in pixels, where and when it lands, the
// sideways moves with their collision test, and the two speed controls.
#include <cstdlib>
#include <cstring>

#include "well_picture.h"

namespace {

class Descent : public RulesTest {};
class Landing : public RulesTest {};
class Moves : public RulesTest {};
class SpeedControls : public RulesTest {};

// Lets the tile fall by the given number of timer ticks, tops current.
void descend(std::uint32_t elapsed_ticks) {
    timer_change = elapsed_ticks;
    find_tops();
    EXPECT_EQ(update_block(), 0);
}

// Fills a column from the given row to the bottom with alternating tiles,
// which never form a run.
void stack_column(int column, int top_row) {
    for (int r = top_row; r < WELL_ROWS; ++r) tile_block_layout[r][column] = tile_of("ab"[r % 2]);
}

// ---- Descent ---------------------------------------------------------------

TEST_F(Descent, TheFirstTickAfterTheSpawnAdvancesTwoRows) {
    for (std::uint32_t pixels : {1u, 2u, 17u, 31u, 32u}) {
        place_tile(4, 4, 0, 1);
        descend(pixels);
        EXPECT_EQ(block_y, 6) << pixels << " pixels";
        EXPECT_EQ(block_fine, 64 - static_cast<int>(pixels)) << pixels << " pixels";
    }
}

TEST_F(Descent, ThePixelsAreTheElapsedTicksTimesTheRate) {
    place_tile(4, 4, 0, 8);
    descend(4);  // 32 pixels
    EXPECT_EQ(block_y, 6);
    EXPECT_EQ(block_fine, 32);
    place_tile(4, 4, 0, 11);
    descend(3);  // 33 pixels
    EXPECT_EQ(block_y, 7);
    EXPECT_EQ(block_fine, 63);
}

TEST_F(Descent, EveryThirtyTwoPixelsMoreAddOneRow) {
    place_tile(4, 6, 63, 1);
    descend(32);
    EXPECT_EQ(block_y, 7);
    EXPECT_EQ(block_fine, 63);
    descend(5 * 32 + 7);
    EXPECT_EQ(block_y, 12);
    EXPECT_EQ(block_fine, 56);
}

TEST_F(Descent, AnOffsetOfThirtyTwoStaysOnItsRowAndOneLessMovesOn) {
    place_tile(4, 9, 40, 1);
    descend(8);
    EXPECT_EQ(block_y, 9);
    EXPECT_EQ(block_fine, 32);
    descend(1);
    EXPECT_EQ(block_y, 10);
    EXPECT_EQ(block_fine, 63);
}

TEST_F(Descent, ThePixelCountWrapsAroundInThirtyTwoBits) {
    // 2^31 ticks at rate 2 and 2^28 ticks at rate 16 are both 2^32 pixels,
    // which is 0 in the unsigned 32-bit product: the tile does not move.
    place_tile(4, 10, 40, 2);
    descend(0x80000000u);
    EXPECT_EQ(block_y, 10);
    EXPECT_EQ(block_fine, 40);
    place_tile(4, 10, 40, 16);
    descend(0x10000000u);
    EXPECT_EQ(block_y, 10);
    EXPECT_EQ(block_fine, 40);
}

// ---- Landing ---------------------------------------------------------------

TEST_F(Landing, AnEmptyColumnAtRateOneCatchesTheTileInTheBottomRowWhenItPassesRow20) {
    place_tile(3, 4, 0, 1, 'c');
    int landed_on_tick = 0;
    for (int tick = 1; tick <= 600 && !landed_on_tick; ++tick) {
        const int row_counter_before = block_y;
        EXPECT_EQ(game_tick(1), 0);
        if (tiles_in_well() > 0) {
            landed_on_tick = tick;
            EXPECT_EQ(row_counter_before, 20);
        } else {
            EXPECT_LE(block_y, 20) << "tick " << tick;
        }
    }
    EXPECT_EQ(landed_on_tick, 1 + 15 * 32) << "the tick on which the row counter reaches 21";
    EXPECT_EQ(well_picture(), picture_of({"..c....."}));
    EXPECT_EQ(block_y, 4) << "the next tile spawns at once";
    EXPECT_EQ(block_fine, 0);
}

TEST_F(Landing, ATileLandsOnTopOfAStackWhenItsLowerEdgeReachesIt) {
    stack_column(4, 9);
    place_tile(5, 4, 0, 1, 'c');
    int landed_on_tick = 0;
    for (int tick = 1; tick <= 400 && !landed_on_tick; ++tick) {
        const int row_counter_before = block_y;
        game_tick(1);
        if (tile_block_layout[8][4] != EMPTY) {
            landed_on_tick = tick;
            EXPECT_EQ(row_counter_before, 13) << "the row counter becomes 14 on this tick";
        }
    }
    EXPECT_EQ(landed_on_tick, 1 + 8 * 32);
    EXPECT_EQ(tile_block_layout[8][4], tile_of('c'));
    EXPECT_EQ(tiles_in_well(), 8);
}

TEST_F(Landing, AFastTileThatSkipsRowsStillSettlesOnTopOfTheColumn) {
    stack_column(2, 12);
    place_tile(3, 6, 63, 400, 'd');
    game_tick(1);  // 400 pixels: the row counter jumps from 6 to 18
    EXPECT_EQ(well_picture(), picture_of({"..d.....", "..a.....", "..b.....", "..a.....", "..b....."}));
}

TEST_F(Landing, ATilePassingTheBottomRowInOneTickLandsOnASingleBottomTile) {
    set_well({".....e.."});
    place_tile(6, 19, 32, 1, 'a');
    game_tick(64);  // from row counter 19 past 20 in one tick
    EXPECT_EQ(well_picture(), picture_of({".....a..", ".....e.."}));
}

TEST_F(Landing, ALongStallCarriesTheTileToTheBottomOfAnEmptyColumn) {
    place_tile(8, 4, 0, 1, 'b');
    game_tick(5000);
    EXPECT_EQ(well_picture(), picture_of({".......b"}));
    EXPECT_EQ(block_y, 4);
}

TEST_F(Landing, ATileLandingOnAColumnWithHolesDropsWithItInTheSameTick) {
    set_well({
        "c.......",  // row 10
        "a.......",
        "a.......",
        "a.......",  // rows 11 to 13 go in this tick's clearing pass
        "b.......",
        "c.......",
    });
    place_tile(1, 14, 32, 1, 'd');
    game_tick(1);  // the tile's lower edge reaches row 10 and lands in row 9
    EXPECT_EQ(clearing_sounds(), 1);
    EXPECT_EQ(well_picture(), picture_of({"d.......", "c.......", "b.......", "c......."}));
}

// A tile can land on a column already full to the top row only in the tick
// that has already found the game lost. It is discarded: nothing is written
// above the well. (The cell "above" row 0 is the memory just before the well;
// the sanitized build stops at any write there, through UBSan's bounds check
// and ASan's global-buffer-overflow.)
TEST_F(Landing, ATileLandingOnAFullColumnIsDiscarded) {
    for (std::uint32_t elapsed : {1u, 1000u}) {  // caught in the well, or past its bottom
        SCOPED_TRACE(elapsed);
        reset_rules();
        stack_column(6, 0);
        stack_column(0, 12);
        const std::string before = well_picture();
        int marks_before[WELL_ROWS][WELL_COLS];
        std::memcpy(marks_before, tile_block_delete, sizeof marks_before);
        place_tile(7, 4, 0, 1, 'f');
        std::srand(5);
        const int next_column = std::rand() % 8 + 1;
        std::srand(5);

        EXPECT_EQ(game_tick(elapsed), 1);

        EXPECT_EQ(well_picture(), before);
        EXPECT_EQ(std::memcmp(marks_before, tile_block_delete, sizeof marks_before), 0);
        EXPECT_EQ(tile_block_tops[6], 0);
        EXPECT_EQ(tile_block_tops[0], 12);
        EXPECT_EQ(block_x, next_column) << "the next tile spawns as usual";
        EXPECT_EQ(block_y, 4);
        EXPECT_EQ(block_fine, 0);
    }
}

// ---- Moves -----------------------------------------------------------------

TEST_F(Moves, ATileCannotMoveBeforeItsFirstTick) {
    place_tile(4, 4, 0, 1);
    move_block_left();
    move_block_right();
    EXPECT_EQ(block_x, 4);
}

TEST_F(Moves, RowsAboveTheWellCountAsOccupied) {
    place_tile(4, 5, 40, 1);  // reaches into row 0 and the row above it
    move_block_left();
    EXPECT_EQ(block_x, 4);
    move_block_right();
    EXPECT_EQ(block_x, 4);
    block_y = 6;  // rows 0 and 1
    move_block_left();
    EXPECT_EQ(block_x, 3);
    move_block_right();
    EXPECT_EQ(block_x, 4);
}

TEST_F(Moves, TheWallsStopTheTile) {
    place_tile(1, 10, 40, 1);
    move_block_left();
    EXPECT_EQ(block_x, 1);
    place_tile(8, 10, 40, 1);
    move_block_right();
    EXPECT_EQ(block_x, 8);
    place_tile(2, 10, 40, 1);
    move_block_left();
    EXPECT_EQ(block_x, 1);
    place_tile(7, 10, 40, 1);
    move_block_right();
    EXPECT_EQ(block_x, 8);
}

TEST_F(Moves, ATileBesideEitherOfTheTwoRowsTheFallingTileSpansBlocksTheMove) {
    // At row counter 12 the tile spans well rows 6 and 7.
    for (int blocking_row : {6, 7}) {
        SCOPED_TRACE(blocking_row);
        reset_rules();
        tile_block_layout[blocking_row][2] = tile_of('a');
        tile_block_layout[blocking_row][4] = tile_of('a');
        place_tile(4, 12, 40, 1);
        move_block_left();
        EXPECT_EQ(block_x, 4);
        move_block_right();
        EXPECT_EQ(block_x, 4);
    }
}

TEST_F(Moves, TilesAboveAndBelowTheTwoRowsDoNotBlock) {
    for (int c : {2, 4}) {
        tile_block_layout[5][c] = tile_of('a');
        tile_block_layout[8][c] = tile_of('a');
    }
    place_tile(4, 12, 32, 1);
    move_block_left();
    EXPECT_EQ(block_x, 3);
    place_tile(4, 12, 32, 1);
    move_block_right();
    EXPECT_EQ(block_x, 5);
}

TEST_F(Moves, AHeldKeyCarriesTheTileUntilItIsBlocked) {
    stack_column(1, 10);  // well column 1 reaches up to row 10
    place_tile(6, 15, 40, 1);  // spans rows 9 and 10
    for (int pass = 0; pass < 10; ++pass) move_block_left();
    EXPECT_EQ(block_x, 3);
    for (int pass = 0; pass < 10; ++pass) move_block_right();
    EXPECT_EQ(block_x, 8);
}

// ---- Speed controls ----------------------------------------------------------

TEST_F(SpeedControls, SpeedingUpTriplesTheRateOnce) {
    place_tile(4, 8, 40, 2);
    speed_up_block();
    EXPECT_EQ(block_rate, 6u);
    EXPECT_EQ(block_rate_temp, 1);
    speed_up_block();
    EXPECT_EQ(block_rate, 6u);
}

TEST_F(SpeedControls, SlowingDownUndoesASpeedUpExactly) {
    place_tile(4, 8, 40, 5);
    speed_up_block();
    slow_down_block();
    EXPECT_EQ(block_rate, 5u);
    EXPECT_EQ(block_rate_temp, 0);
    slow_down_block();
    EXPECT_EQ(block_rate, 5u) << "slowing down a tile that is not sped up changes nothing";
}

TEST_F(SpeedControls, SpeedingUpAndSlowingDownCanAlternate) {
    place_tile(4, 8, 40, 1);
    for (int round = 0; round < 3; ++round) {
        speed_up_block();
        EXPECT_EQ(block_rate, 3u);
        slow_down_block();
        EXPECT_EQ(block_rate, 1u);
    }
    speed_up_block();
    EXPECT_EQ(block_rate, 3u);
}

TEST_F(SpeedControls, ASpedUpTileFallsThreeTimesAsFast) {
    place_tile(4, 6, 63, 2);
    speed_up_block();
    descend(16);  // 96 pixels: three rows
    EXPECT_EQ(block_y, 9);
    EXPECT_EQ(block_fine, 63);
}

}  // namespace
