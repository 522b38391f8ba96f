// The well, its column tops, the losing tests, a new game and the spawn of
// each new tile with its speed schedule.
#include <cstdlib>

#include "well_picture.h"

namespace {

// What the spawn must draw from the random generator for a given seed: the
// column first, then the tile, and after those two the generator's next value.
struct SpawnDraws {
    int screen_column;
    int tile;
    int next_draw;
};

SpawnDraws replay_spawn_draws(unsigned seed) {
    std::srand(seed);
    SpawnDraws draws;
    draws.screen_column = std::rand() % 8 + 1;
    draws.tile = std::rand() % 6 + 8;
    draws.next_draw = std::rand();
    return draws;
}

class ColumnTops : public RulesTest {};
class Losing : public RulesTest {};
class NewGame : public RulesTest {};
class Spawning : public RulesTest {};
class SpeedSchedule : public RulesTest {};

TEST_F(ColumnTops, AnEmptyWellHasEveryTopInTheBottomRow) {
    for (int &top : tile_block_tops) top = 3;
    find_tops();
    for (int c = 0; c < WELL_COLS; ++c) EXPECT_EQ(tile_block_tops[c], 15) << "column " << c;
}

TEST_F(ColumnTops, TheTopIsTheHighestTileOfEachColumn) {
    set_well({
        "a.......",  // row 0
        "........", "........",
        "..b.....",  // row 3
        "........", "........", "........", "........", "........", "........",
        "..c.....",  // row 10
        "........", "........",
        "...d....",  // row 13
        "...e....",
        "a...f..b",  // row 15
    });
    find_tops();
    const int expected[WELL_COLS] = {0, 15, 3, 13, 15, 15, 15, 15};
    for (int c = 0; c < WELL_COLS; ++c) EXPECT_EQ(tile_block_tops[c], expected[c]) << "column " << c;
}

TEST_F(Losing, AnEmptyWellIsNotLost) {
    EXPECT_EQ(check_lose(), 0);
}

TEST_F(Losing, ATileInTheTopRowLosesInEveryColumn) {
    for (int c = 0; c < WELL_COLS; ++c) {
        reset_rules();
        tile_block_layout[0][c] = tile_of('c');
        EXPECT_EQ(check_lose(), 1) << "column " << c;
    }
}

TEST_F(Losing, AStackReachingTheSecondRowIsNotYetLost) {
    for (int r = 1; r < WELL_ROWS; ++r)
        for (int c = 0; c < WELL_COLS; ++c) tile_block_layout[r][c] = tile_of("ab"[(r + c) % 2]);
    EXPECT_EQ(check_lose(), 0);
}

TEST_F(NewGame, StartsWithAnEmptyWellNoMarksAndAFreshTile) {
    for (int r = 0; r < WELL_ROWS; ++r)
        for (int c = 0; c < WELL_COLS; ++c) {
            tile_block_layout[r][c] = tile_of("abcdef"[(r * 3 + c) % 6]);
            tile_block_delete[r][c] = (r + c) % 2;  // a game that ended mid-clearing
        }
    place_tile(5, 17, 40, 6, 'b');
    block_rate_temp = 1;
    const SpawnDraws draws = replay_spawn_draws(99);

    std::srand(99);
    start_game();

    EXPECT_EQ(well_picture(), picture_of({}));
    for (int r = 0; r < WELL_ROWS; ++r)
        for (int c = 0; c < WELL_COLS; ++c) EXPECT_EQ(tile_block_delete[r][c], 0) << r << "," << c;
    EXPECT_EQ(block_x, draws.screen_column);
    EXPECT_EQ(block_tile, draws.tile);
    EXPECT_EQ(block_y, 4);
    EXPECT_EQ(block_fine, 0);
    EXPECT_EQ(block_rate_temp, 0);
}

TEST_F(Spawning, PicksTheColumnThenTheTileWithTwoRandomDraws) {
    for (unsigned seed : {1u, 7u, 4242u, 65537u, 2024u}) {
        SCOPED_TRACE(seed);
        const SpawnDraws draws = replay_spawn_draws(seed);
        place_tile(3, 12, 45, 1, 'a');
        std::srand(seed);
        EXPECT_EQ(drop_block(), 0);
        EXPECT_EQ(block_x, draws.screen_column);
        EXPECT_EQ(block_tile, draws.tile);
        EXPECT_EQ(std::rand(), draws.next_draw) << "the spawn draws exactly twice";
    }
}

TEST_F(Spawning, IsBlockedByATileInTheSecondRowOfItsColumn) {
    const int column = replay_spawn_draws(11).screen_column - 1;
    tile_block_layout[1][column] = tile_of('d');
    std::srand(11);
    EXPECT_EQ(drop_block(), 1);
}

TEST_F(Spawning, OnlyTheSecondRowOfItsOwnColumnCanBlockIt) {
    const int column = replay_spawn_draws(11).screen_column - 1;
    for (int c = 0; c < WELL_COLS; ++c)
        if (c != column) tile_block_layout[1][c] = tile_of('d');
    tile_block_layout[0][column] = tile_of('e');
    tile_block_layout[2][column] = tile_of('e');
    std::srand(11);
    EXPECT_EQ(drop_block(), 0);
}

TEST_F(SpeedSchedule, TheFirstHundredSecondsFallAtRateOne) {
    for (std::uint32_t periods : {0u, 9u, 10u, 19u}) {
        block_rate2 = periods;
        block_rate = 1;
        drop_block();
        EXPECT_EQ(block_rate, 1u) << periods << " periods";
    }
}

TEST_F(SpeedSchedule, RateRisesByOneEveryTenPeriods) {
    block_rate2 = 25;
    block_rate = 1;
    drop_block();
    EXPECT_EQ(block_rate, 2u);
    block_rate2 = 30;
    drop_block();
    EXPECT_EQ(block_rate, 3u);
    block_rate2 = 1000;
    drop_block();
    EXPECT_EQ(block_rate, 100u) << "the schedule has no upper bound";
    difficulty = 5;
    block_rate2 = 25;
    block_rate = 1;
    drop_block();
    EXPECT_EQ(block_rate, 5u) << "the difficulty divides the periods";
}

TEST_F(SpeedSchedule, AfterASpedUpTileTheNextFallsAtRateOneUntilTheScheduleCatchesUp) {
    block_rate2 = 25;  // schedule 2
    block_rate = 6;    // the previous tile landed tripled
    drop_block();
    EXPECT_EQ(block_rate, 1u);
    drop_block();
    EXPECT_EQ(block_rate, 2u) << "the tile after is back on the schedule";
}

TEST_F(SpeedSchedule, ATripledRateTheScheduleHasReachedIsKept) {
    block_rate2 = 60;  // schedule 6
    block_rate = 6;
    drop_block();
    EXPECT_EQ(block_rate, 6u);
    block_rate2 = 75;  // schedule 7
    block_rate = 6;
    drop_block();
    EXPECT_EQ(block_rate, 7u);
}

TEST_F(SpeedSchedule, ASpeedUpDoesNotCarryOverToTheNextTile) {
    block_rate2 = 25;
    drop_block();
    speed_up_block();
    ASSERT_EQ(block_rate, 6u);
    drop_block();
    EXPECT_EQ(block_rate_temp, 0);
    slow_down_block();
    EXPECT_EQ(block_rate, 1u) << "slowing down a fresh tile changes nothing";
}

}  // namespace
