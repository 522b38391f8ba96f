// The game's identity in a browser, and its start-up's pauses. The page it
// plays in gives it its name and its icon, so nothing is left to do at run
// time but say its version. The program runs on the page's one thread,
// which stands still while it works: the start-up gives the page its turn
// every few milliseconds, so that taps, the progress bar and the browser's
// own controls never wait long, on a slow phone too, and waits for the
// datafiles, which the page may still be fetching.
#include <allegro.h>
#include <emscripten.h>

#include "zindle.h"

namespace {

// A phone's processor may be four times slower than a desktop's, and a
// page's task of over 50 ms keeps a tap waiting.
constexpr double SLICE_MS = 4;

double slice_began = 0;

}  // namespace

void set_window_identity() {}

// The program's version, which the page holds against its own before the
// program starts (program.js): a host replacing the folder while a page
// loads could otherwise hand it the program of another version.
extern "C" EMSCRIPTEN_KEEPALIVE const char *web_version() { return ZINDLE_VERSION; }

// The page puts the datafiles in the program's folder as they come, and
// then settles the promise it gave the program.
EM_ASYNC_JS(void, web_wait_for_datafiles, (), { await Module['datafiles']; });

void wait_for_datafiles() { web_wait_for_datafiles(); }

// rest(0) lets the page run however briefly; the program resumes in a task
// of its own.
void yield_to_platform()
{
    if (emscripten_get_now() - slice_began >= SLICE_MS) {
        rest(0);
        slice_began = emscripten_get_now();
    }
}
