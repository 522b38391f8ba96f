// Start-up time as the player waits for it: from starting the game process
// to the first complete menu frame in its window, in a private Xvfb.
//   startup_time            (15 starts; prints the median)
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>

#include "harness.h"
#include "pictures.h"

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

}  // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (!load_artwork(ZINDLE_DATA_DIR, &art) || !start_xserver(&x)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    stop_xserver(&x);
    return 0;
}
