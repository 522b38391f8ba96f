// How long one game tick of the rules takes: clearing pass, losing test,
// tops, descent with landing and respawn, gravity, as the play loop runs them.
// Goal: the worst tick well under 20 microseconds.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "zindle.h"

// The benchmark links with -Wl,--wrap=play_sample: the clearing sound is
// counted, not played, so the timings hold the rules alone.
static int clearing_sounds = 0;
extern "C" int __wrap_play_sample(const SAMPLE *, int, int, int, int) {
    ++clearing_sounds;
    return 0;
}

namespace {

using Well = int[WELL_ROWS][WELL_COLS];

int tile(char letter) { return letter == '.' ? EMPTY : FIRST_BLOCK_TILE + (letter - 'a'); }

void fill(Well &well, const char *const rows[WELL_ROWS]) {
    for (int r = 0; r < WELL_ROWS; ++r)
        for (int c = 0; c < WELL_COLS; ++c) well[r][c] = tile(rows[r][c]);
}

// A game some minutes in: uneven stacks of mixed tiles with no run, and a
// tile falling through the middle of the well at rate 2.
Well typical_well;
void prepare_typical() {
    static const char *const rows[WELL_ROWS] = {
        "........", "........", "........", "........", "........", "........",
        "........", "......c.", ".b....d.", ".c.a..e.", "ad.b.fa.", "bacdeabf",
        "cbedfcda", "adcabdef", "efbfcabd", "dacebdfc",
    };
    fill(typical_well, rows);
}
void set_up_typical() {
    std::memcpy(tile_block_layout, typical_well, sizeof typical_well);
    block_x = 5;  // well column 4, stack top in row 10: no landing this tick
    block_y = 9;
    block_fine = 50;
    block_tile = tile('e');
    block_rate = 2;
    block_rate_temp = 0;
    timer_change = 1;
}

// The most expensive tick we could construct: below a row of unmatched
// tiles, every column is one long run of 14, so the clearing pass removes 112
// of the 120 tiles; then the falling tile lands in row 0 and gravity closes
// 14 holes in every column, each shift moving 15 cells and recounting all
// eight tops. No game reaches this well (with row 1 taken everywhere the last
// spawn would have ended it), so it bounds the ticks of real games; a well
// with tiles already in row 0 allows 8 more shifts and measures the same.
Well worst_well;
void prepare_worst() {
    static const char *const rows[WELL_ROWS] = {
        "........", "cdcdcdcd", "abababab", "abababab", "abababab", "abababab",
        "abababab", "abababab", "abababab", "abababab", "abababab", "abababab",
        "abababab", "abababab", "abababab", "abababab",
    };
    fill(worst_well, rows);
}
void set_up_worst() {
    std::memcpy(tile_block_layout, worst_well, sizeof worst_well);
    block_x = 4;  // just spawned; its first tick reaches row 1 and lands
    block_y = 4;
    block_fine = 0;
    block_tile = tile('e');
    block_rate = 1;
    block_rate_temp = 0;
    timer_change = 1;
}

// Each iteration restores its well and falling tile first; that copy of
// 512 bytes and seven variables is included in the time.
void BM_TypicalTick(benchmark::State &state) {
    for (auto _ : state) {
        set_up_typical();
        benchmark::DoNotOptimize(update_game());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_TypicalTick);

void BM_WorstTick(benchmark::State &state) {
    for (auto _ : state) {
        set_up_worst();
        benchmark::DoNotOptimize(update_game());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_WorstTick);

int tiles_in_well() {
    int n = 0;
    for (auto &row : tile_block_layout)
        for (int cell : row) n += cell != EMPTY;
    return n;
}

// The timings only mean something if the ticks do what they are named for.
bool ticks_do_what_they_claim() {
    bool ok = true;
    set_up_typical();
    const int typical_tiles = tiles_in_well();
    update_game();
    if (clearing_sounds != 0 || tiles_in_well() != typical_tiles || block_y != 9 || block_fine != 48) {
        std::fprintf(stderr, "the typical tick should clear nothing and let the tile fall 2 pixels\n");
        ok = false;
    }
    set_up_worst();
    update_game();
    bool compact_at_bottom = true;
    for (int c = 0; c < WELL_COLS; ++c)
        for (int r = 0; r < WELL_ROWS; ++r)
            compact_at_bottom = compact_at_bottom && (tile_block_layout[r][c] != EMPTY) ==
                                                         (r == 15 || (c == 3 && r == 14));
    if (clearing_sounds != 1 || !compact_at_bottom) {
        std::fprintf(stderr, "the worst tick should clear 112 tiles and drop the rest to the bottom\n");
        ok = false;
    }
    clearing_sounds = 0;
    return ok;
}

}  // namespace

int main(int argc, char **argv) {
    std::srand(1);
    prepare_typical();
    prepare_worst();
    if (!ticks_do_what_they_claim()) return 1;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
