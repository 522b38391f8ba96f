// Start-up time as the player waits for it: from starting the game process
// to the first complete menu frame in its window, in a private Xvfb. With
// the slowest pair of datafiles the check accepts, also what the game then
// costs: its share of a core at the menu, how long a close request takes to
// end it, and its peak memory. The menu should show within a second, at
// under a tenth of a core, a close end it within a second, and the peak
// stay under 200 MB.
//   startup_time            (15 starts each; prints the medians)
#include <allegro.h>
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdlib>

#include "harness.h"
#include "pictures.h"
#include "slowest_pair.h"

namespace {

XServer x;
Artwork art;

void BM_StartToMenu(benchmark::State &state)
{
    for (auto _ : state) {
        GameRun game;
        const auto t0 = std::chrono::steady_clock::now();
        if (!start_game(&game, {ZINDLE_GAME}, ZINDLE_DATA_DIR, x.name())) {
            state.SkipWithError("the game did not start");
            break;
        }
        const Window w = wait_for_window(x.dpy, "Zindle", 30);
        const bool menu = w && wait_for_picture(
                                   x.dpy, w,
                                   [](const Picture &p) { return difference(p, art.menu).empty(); },
                                   30);
        const auto t1 = std::chrono::steady_clock::now();
        if (menu) {
            send_close_request(x.dpy, w);
            wait_for_exit(&game, 10);
        }
        finish_game(&game);
        if (!menu) {
            state.SkipWithError("no menu appeared");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
    }
}
BENCHMARK(BM_StartToMenu)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(15)
    ->ReportAggregatesOnly(true);

constexpr double IDLE_SECONDS = 1;  // at the menu, measuring its processor share

double seconds_since(std::chrono::steady_clock::time_point t)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

void BM_SlowestPairToMenu(benchmark::State &state)
{
    static const SlowestPair pair;
    for (auto _ : state) {
        GameRun game;
        const auto t0 = std::chrono::steady_clock::now();
        const bool started = start_game(&game, {ZINDLE_GAME}, pair.dir, x.name());
        const Window w = started ? wait_for_window(x.dpy, "Zindle", 30) : 0;
        const bool menu = w && wait_for_picture(
                                   x.dpy, w, [](const Picture &p) { return p.at(0, 0) == SLOWEST_PAIR_PIXEL; }, 30);
        const double menu_seconds = seconds_since(t0);
        const double cpu0 = cpu_seconds(game);
        const auto idle = std::chrono::steady_clock::now();
        wait_until([&] { return seconds_since(idle) >= IDLE_SECONDS; }, 2 * IDLE_SECONDS);
        const double share = (cpu_seconds(game) - cpu0) / seconds_since(idle);
        const auto close = std::chrono::steady_clock::now();
        send_close_request(x.dpy, w);
        const bool ended = wait_for_exit(&game, 10);
        const double close_seconds = seconds_since(close);
        finish_game(&game);
        if (!menu || !ended) {
            state.SkipWithError(menu ? "a close request did not end it" : "no menu appeared");
            break;
        }
        state.SetIterationTime(menu_seconds);
        state.counters["core_share"] = share;
        state.counters["close_ms"] = close_seconds * 1000;
    }
    rusage children;
    getrusage(RUSAGE_CHILDREN, &children);
    state.counters["peak_MB"] = children.ru_maxrss / 1024.0;
}
BENCHMARK(BM_SlowestPairToMenu)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(15)
    ->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (!load_artwork(ZINDLE_DATA_DIR, &art) || !start_xserver(&x)) {
        return 1;
    }
    packfile_password("amber crest");  // for writing the slowest pair
    benchmark::RunSpecifiedBenchmarks();
    stop_xserver(&x);
    return 0;
}
