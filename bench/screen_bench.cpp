// One play frame composed by screen_update into a memory screen, at 32 and
// 16 bits per pixel, with an empty and a full well, beside a plain memcpy of
// one frame's bytes. A full-well frame should cost no more than about three
// times four frame-sized copies (backdrop, frame overlay, screen copy, tiles).
//   screen_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include <allegro.h>
#include <benchmark/benchmark.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "zindle.h"

namespace {

DATAFILE *tile_data;
DATAFILE *stuff_data;
int loaded_depth;

// The real artwork, converted to `depth` as the game loads it.
void load_artwork(int depth)
{
    if (loaded_depth == depth) {
        return;
    }
    if (loaded_depth == 0) {
        install_allegro(SYSTEM_NONE, &errno, std::atexit);
    } else {
        unload_datafile(tile_data);
        unload_datafile(stuff_data);
        destroy_bitmap(double_buffer);
        destroy_bitmap(mask_layer);
        destroy_bitmap(screen);
    }
    set_color_depth(depth);
    packfile_password("amber crest");
    tile_data = load_datafile(ZINDLE_DATA_DIR "/tiles.dat");
    stuff_data = load_datafile(ZINDLE_DATA_DIR "/stuff.dat");
    packfile_password(nullptr);
    if (!tile_data || !stuff_data) {
        std::abort();
    }
    for (int i = 0; i < TILE_COUNT; ++i) {
        tiles[i] = static_cast<BITMAP *>(tile_data[i].dat);
    }
    background = static_cast<BITMAP *>(stuff_data[0].dat);
    double_buffer = create_bitmap(WINDOW_W, WINDOW_H);
    mask_layer = create_bitmap(WINDOW_W, WINDOW_H);
    clear_to_color(mask_layer, makecol(255, 0, 255));
    draw_mask_layout();
    screen = create_bitmap(WINDOW_W, WINDOW_H);
    loaded_depth = depth;
}

void fill_well(bool full)
{
    for (int r = 0; r < WELL_ROWS; ++r) {
        for (int c = 0; c < WELL_COLS; ++c) {
            tile_block_layout[r][c] = full ? FIRST_BLOCK_TILE + (r + c) % BLOCK_KINDS : EMPTY;
        }
    }
    block_x = 4;
    block_y = 9;
    block_fine = 40;
    block_tile = FIRST_BLOCK_TILE;
}

// args: bits per pixel, well full (1) or empty (0)
void BM_ScreenUpdate(benchmark::State &state)
{
    load_artwork(static_cast<int>(state.range(0)));
    fill_well(state.range(1) == 1);
    for (auto _ : state) {
        screen_update();
        benchmark::DoNotOptimize(screen->line[0]);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ScreenUpdate)->ArgNames({"bpp", "full"})->Args({32, 0})->Args({32, 1})->Args({16, 0})->Args({16, 1});

// args: bytes per pixel
void BM_FrameMemcpy(benchmark::State &state)
{
    const std::size_t bytes = static_cast<std::size_t>(WINDOW_W) * WINDOW_H * state.range(0);
    std::vector<unsigned char> from(bytes, 1), to(bytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_FrameMemcpy)->ArgName("bytes_per_pixel")->Arg(4)->Arg(2);

}  // namespace

BENCHMARK_MAIN();
