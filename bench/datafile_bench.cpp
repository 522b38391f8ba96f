// The datafile check beside the library's own load of the same file, for
// both of the game's datafiles at the game's usual depth. The check should
// cost at most half of the load it guards. Then both, for the slowest pair
// of files the check accepts: it should take under half a second.
//   datafile_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include <allegro.h>
#include <benchmark/benchmark.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "slowest_pair.h"
#include "zindle.h"

namespace {

constexpr int DEPTH = 32;

void start_library()
{
    static bool started = false;
    if (!started) {
        install_allegro(SYSTEM_NONE, &errno, std::atexit);
        set_color_depth(DEPTH);
        packfile_password("amber crest");
        started = true;
    }
}

// In the test suite a refused or unloadable datafile must fail the run.
void must(bool ok, const char *why)
{
    if (!ok) {
        std::fprintf(stderr, "%s\n", why);
        std::abort();
    }
}

void check(benchmark::State &state, const char *file, const DatafileLayout *layout)
{
    start_library();
    for (auto _ : state) {
        must(datafile_is_sound(file, *layout), "the check refuses the game's own datafile");
    }
}

void load(benchmark::State &state, const char *file)
{
    start_library();
    for (auto _ : state) {
        DATAFILE *data = load_datafile(file);
        must(data != nullptr, "the datafile does not load");
        state.PauseTiming();  // the game never unloads
        unload_datafile(data);
        state.ResumeTiming();
    }
}

// What the game does with the slowest pair the check accepts before its
// menu shows.
void slowest_pair(benchmark::State &state)
{
    start_library();
    static const SlowestPair pair;
    for (auto _ : state) {
        must(datafile_is_sound(pair.tiles().c_str(), tiles_dat_layout), "the check refuses the slowest tiles");
        must(datafile_is_sound(pair.stuff().c_str(), stuff_dat_layout), "the check refuses the slowest stuff");
        DATAFILE *tiles = load_datafile(pair.tiles().c_str());
        DATAFILE *stuff = load_datafile(pair.stuff().c_str());
        must(tiles && stuff, "the slowest pair does not load");
        state.PauseTiming();
        unload_datafile(tiles);
        unload_datafile(stuff);
        state.ResumeTiming();
    }
}

BENCHMARK_CAPTURE(check, tiles, ZINDLE_DATA_DIR "/tiles.dat", &tiles_dat_layout)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(load, tiles, ZINDLE_DATA_DIR "/tiles.dat")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(check, stuff, ZINDLE_DATA_DIR "/stuff.dat", &stuff_dat_layout)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(load, stuff, ZINDLE_DATA_DIR "/stuff.dat")->Unit(benchmark::kMicrosecond);
BENCHMARK(slowest_pair)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
