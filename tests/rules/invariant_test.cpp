// Many seeded games played through the play loop's tick order, with random
// moves and speed changes between ticks and random stalls; the rules must
// hold after every step of every tick.
//
// Nothing may be written outside the well. The well is a global array, so no
// guard cells can be placed around it: the sanitized build (ZINDLE_SANITIZE)
// stops at such a write (UBSan's bounds check on the well's rows, and ASan's
// global-buffer-overflow on the memory beside it); every build also checks
// that each landing adds exactly the falling tile, in its column, on top of
// the stack, that the marks and tops hold sensible values and that the
// difficulty beside them keeps its value.
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include "well_picture.h"

namespace {

using Well = int[WELL_ROWS][WELL_COLS];

// Marks every cell that belongs to a vertical or horizontal run of three or
// more equal tiles; returns the number of marked cells.
int find_runs(const Well &well, bool in_run[WELL_ROWS][WELL_COLS]) {
    std::memset(in_run, 0, sizeof(bool) * WELL_ROWS * WELL_COLS);
    for (int r = 0; r < WELL_ROWS; ++r)
        for (int c = 0; c < WELL_COLS; ++c) {
            const int t = well[r][c];
            if (t == EMPTY) continue;
            int down = 1, right = 1;
            while (r + down < WELL_ROWS && well[r + down][c] == t) ++down;
            while (c + right < WELL_COLS && well[r][c + right] == t) ++right;
            if (down >= 3)
                for (int k = 0; k < down; ++k) in_run[r + k][c] = true;
            if (right >= 3)
                for (int k = 0; k < right; ++k) in_run[r][c + k] = true;
        }
    int count = 0;
    for (int r = 0; r < WELL_ROWS; ++r)
        for (int c = 0; c < WELL_COLS; ++c) count += in_run[r][c];
    return count;
}

int top_of(const Well &well, int c) {
    for (int r = 0; r < WELL_ROWS; ++r)
        if (well[r][c] != EMPTY) return r;
    return 15;
}

std::vector<int> column_tiles(const Well &well, int c) {
    std::vector<int> tiles;
    for (int r = 0; r < WELL_ROWS; ++r)
        if (well[r][c] != EMPTY) tiles.push_back(well[r][c]);
    return tiles;
}

void check_game_state() {
    for (int r = 0; r < WELL_ROWS; ++r)
        for (int c = 0; c < WELL_COLS; ++c) {
            const int cell = tile_block_layout[r][c];
            ASSERT_TRUE(cell == EMPTY || (cell >= 8 && cell <= 13))
                << "cell " << r << "," << c << " holds " << cell;
            ASSERT_TRUE(tile_block_delete[r][c] == 0 || tile_block_delete[r][c] == 1);
        }
    for (int c = 0; c < WELL_COLS; ++c) {
        ASSERT_GE(tile_block_tops[c], 0);
        ASSERT_LE(tile_block_tops[c], 15);
    }
    ASSERT_GE(block_x, 1);
    ASSERT_LE(block_x, 8);
    ASSERT_GE(block_rate, 1u);
    ASSERT_TRUE(block_rate_temp == 0 || block_rate_temp == 1);
    ASSERT_GE(block_tile, 8);
    ASSERT_LE(block_tile, 13);
    ASSERT_EQ(difficulty, START_DIFFICULTY);
}

struct Totals {
    long ticks = 0, landings = 0, discards = 0, clears = 0, stalls = 0, losses = 0, blocked_spawns = 0,
         top_row_reached = 0;
    int tick_in_game = 0;  // the tick being played, named when a game fails
    std::uint32_t top_rate = 1;
};

// Presses between two ticks: moves, held moves and speed changes. A player
// with aim also steers the tile toward a column topped by an equal tile, so
// that runs, chains and large clears happen often.
void random_input(std::mt19937 &pick, unsigned aim) {
    if (pick() % 4 < aim) {
        int target = 0, distance = WELL_COLS;
        for (int c = 0; c < WELL_COLS; ++c) {
            const int top = tile_block_tops[c];
            const int d = c > block_x - 1 ? c - (block_x - 1) : block_x - 1 - c;
            if (tile_block_layout[top][c] == block_tile && d < distance) target = c, distance = d;
        }
        if (distance < WELL_COLS && target < block_x - 1) move_block_left();
        if (distance < WELL_COLS && target > block_x - 1) move_block_right();
        return;
    }
    const int presses = static_cast<int>(pick() % 4);
    for (int i = 0; i < presses; ++i) {
        switch (pick() % 8) {
            case 0: slow_down_block(); break;
            case 1: speed_up_block(); break;
            case 2: case 3: move_block_left(); break;
            case 4: case 5: move_block_right(); break;
            case 6: for (int k = 0; k < 8; ++k) move_block_left(); break;
            default: for (int k = 0; k < 8; ++k) move_block_right(); break;
        }
        ASSERT_GE(block_x, 1);
        ASSERT_LE(block_x, 8);
    }
}

// Plays one game of up to max_ticks ticks. With overtime, the game goes on
// for that many ticks after it is lost, so that tiles keep landing on columns
// full to the top row: even then nothing may be written outside the well.
void play_random_game(unsigned seed, int max_ticks, int overtime, Totals &totals) {
    reset_rules();
    std::srand(seed);
    std::mt19937 pick(seed);
    const unsigned aim = pick() % 4;
    // Game time runs faster than the real clock's 500 ticks per period, so
    // the speed rises well within a game.
    const std::uint32_t ticks_per_period = 1 + pick() % 60;
    std::uint32_t clock = 0;
    start_game();
    static Well before;
    static bool in_run[WELL_ROWS][WELL_COLS];

    for (int tick = 0; tick < max_ticks; ++tick) {
        totals.tick_in_game = tick;
        random_input(pick, aim);
        if (::testing::Test::HasFatalFailure()) return;

        const std::uint32_t elapsed = pick() % 50 == 0 ? 100 + pick() % 400 : 1;
        totals.stalls += elapsed > 1;
        clock += elapsed;
        block_rate2 = clock / ticks_per_period;
        timer_change = elapsed;
        ++totals.ticks;

        // Clearing: exactly the cells of runs go, with one sound if any did.
        std::memcpy(before, tile_block_layout, sizeof before);
        const int run_cells = find_runs(before, in_run);
        const int sounds = clearing_sounds();
        delete_lines();
        for (int r = 0; r < WELL_ROWS; ++r)
            for (int c = 0; c < WELL_COLS; ++c)
                ASSERT_EQ(tile_block_layout[r][c], in_run[r][c] ? EMPTY : before[r][c])
                    << "cell " << r << "," << c << " after the clearing pass";
        ASSERT_EQ(clearing_sounds() - sounds, run_cells > 0 ? 1 : 0);
        totals.clears += run_cells > 0;
        ASSERT_EQ(find_runs(tile_block_layout, in_run), 0) << "a run survived the clearing pass";

        // Losing test and tops.
        int over = check_lose();
        bool row0 = false;
        for (int c = 0; c < WELL_COLS; ++c) row0 = row0 || tile_block_layout[0][c] != EMPTY;
        ASSERT_EQ(over, row0 ? 1 : 0);
        totals.top_row_reached += over;
        find_tops();
        for (int c = 0; c < WELL_COLS; ++c) ASSERT_EQ(tile_block_tops[c], top_of(tile_block_layout, c));

        // Descent, landing and respawn.
        std::memcpy(before, tile_block_layout, sizeof before);
        const int column = block_x - 1;
        const int falling = block_tile;
        const int blocked = update_block();
        const bool respawned = block_y == 4 && block_fine == 0;
        int changed = 0;
        for (int r = 0; r < WELL_ROWS; ++r)
            for (int c = 0; c < WELL_COLS; ++c)
                if (tile_block_layout[r][c] != before[r][c]) {
                    ++changed;
                    ASSERT_EQ(c, column) << "a tile landed outside its column";
                    ASSERT_EQ(before[r][c], EMPTY) << "a tile landed on another";
                    ASSERT_EQ(tile_block_layout[r][c], falling);
                    const bool on_top = r == tile_block_tops[c] - 1;
                    const bool past_bottom = r == 15 && before[15][c] == EMPTY;
                    ASSERT_TRUE(on_top || past_bottom) << "landed in row " << r;
                }
        if (respawned) {
            ++totals.landings;
            if (changed == 0) {
                ASSERT_EQ(tile_block_tops[column], 0) << "a tile vanished from a column with room";
                ASSERT_EQ(over, 1) << "a tile was discarded while the game went on";
                ++totals.discards;
            }
            ASSERT_LE(changed, 1);
            ASSERT_EQ(blocked, tile_block_layout[1][block_x - 1] != EMPTY ? 1 : 0);
        } else {
            ASSERT_EQ(changed, 0);
            ASSERT_EQ(blocked, 0);
            ASSERT_GE(block_fine, 32);
            ASSERT_LE(block_fine, 63);
            ASSERT_GE(block_y, 6);
            ASSERT_LE(block_y, 20);
        }
        if (blocked) {
            over = 1;
            ++totals.blocked_spawns;
        }

        // Gravity: every column compact, its tiles in the same order, and the
        // tops current after any shift, untouched otherwise.
        std::memcpy(before, tile_block_layout, sizeof before);
        int tops_before[WELL_COLS];
        std::memcpy(tops_before, tile_block_tops, sizeof tops_before);
        apply_gravity();
        const bool shifted = std::memcmp(before, tile_block_layout, sizeof before) != 0;
        for (int c = 0; c < WELL_COLS; ++c) {
            ASSERT_EQ(column_tiles(tile_block_layout, c), column_tiles(before, c)) << "column " << c;
            const int top = top_of(tile_block_layout, c);
            const bool empty = tile_block_layout[top][c] == EMPTY;
            for (int r = top; r < WELL_ROWS && !empty; ++r)
                ASSERT_NE(tile_block_layout[r][c], EMPTY) << "hole in column " << c << " row " << r;
            ASSERT_EQ(tile_block_tops[c], shifted ? top : tops_before[c]) << "top of column " << c;
        }

        check_game_state();
        if (::testing::Test::HasFatalFailure()) return;
        if (block_rate > totals.top_rate) totals.top_rate = block_rate;
        if (over && overtime-- == 0) {
            ++totals.losses;
            return;
        }
    }
}

TEST(RandomGames, TheRulesHoldAfterEveryTick) {
    Totals totals;
    for (unsigned seed = 1; seed <= 200; ++seed) {
        SCOPED_TRACE(::testing::Message() << "game seed " << seed);
        play_random_game(seed, 3000, seed % 5 == 0 ? 300 : 0, totals);
        ASSERT_EQ(odd_sounds(), 0);
        if (::testing::Test::HasFailure()) {
            ADD_FAILURE() << "game seed " << seed << " failed on its tick " << totals.tick_in_game;
            return;
        }
    }
    // The games must have reached every corner of the rules to mean much.
    EXPECT_GT(totals.landings, 2000);
    EXPECT_GT(totals.clears, 300);
    EXPECT_GT(totals.losses, 100);
    EXPECT_GT(totals.blocked_spawns, 10);
    EXPECT_GT(totals.top_row_reached, 10);
    EXPECT_GT(totals.discards, 0);
    EXPECT_GT(totals.stalls, 1000);
    EXPECT_GT(totals.top_rate, 50u);
    std::printf("%ld ticks, %ld landings, %ld discarded, %ld clearing passes, %ld losses "
                "(%ld ticks with the top row reached, %ld blocked spawns), top rate %u\n",
                totals.ticks, totals.landings, totals.discards, totals.clears, totals.losses,
                totals.top_row_reached, totals.blocked_spawns, static_cast<unsigned>(totals.top_rate));
}

}  // namespace
