// The datafile check beside the library's own load of the same file, for
// both of the game's datafiles at the game's usual depth. The check should
// cost at most half of the load it guards.
//   datafile_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include <allegro.h>
#include <benchmark/benchmark.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

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

BENCHMARK_CAPTURE(check, tiles, ZINDLE_DATA_DIR "/tiles.dat", &tiles_dat_layout)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(load, tiles, ZINDLE_DATA_DIR "/tiles.dat")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(check, stuff, ZINDLE_DATA_DIR "/stuff.dat", &stuff_dat_layout)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(load, stuff, ZINDLE_DATA_DIR "/stuff.dat")->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
