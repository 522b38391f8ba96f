// The installed game as a player meets it, on the X display xvfb-run gives:
//   installed_game window    the launcher, started from a folder that holds
//                            none of the game's files, shows the menu drawn
//                            from the installed datafiles, and ends with
//                            status 0 when its window is closed
//   installed_game missing   the program, started where there are no
//                            datafiles, says which is missing and ends with 2
// Built by debian/tests/play-installed with the suite's own harness.
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "harness.h"
#include "pictures.h"

#include <X11/Xlib.h>

namespace {

const char *const LAUNCHER = "/usr/games/zindle";
const char *const PROGRAM = "/usr/lib/games/zindle/zindle";
const char *const DATA_DIR = "/usr/share/games/zindle";
const char *const TILES_MESSAGE = "Failed to load the tiles data file!";
constexpr int DATA_FAILURE = 2;
// Generous bounds for a loaded test machine; a passing run never waits them out.
constexpr double STARTUP_SECONDS = 30;
constexpr double EXIT_SECONDS = 10;

// The game's environment is a clean one; xvfb-run's server lets in only
// clients that bring its cookie.
std::vector<std::string> x_cookie()
{
    const char *file = std::getenv("XAUTHORITY");
    return file ? std::vector<std::string>{std::string("XAUTHORITY=") + file} : std::vector<std::string>{};
}

bool exited_with(const GameRun &game, int code)
{
    return game.finished && WIFEXITED(game.status) && WEXITSTATUS(game.status) == code;
}

// What went wrong, with what the game said; false for the caller to return.
bool fail(GameRun *game, const std::string &what)
{
    std::printf("FAIL: %s (%s)\ngame output:\n%s\n", what.c_str(), describe_end(*game).c_str(),
                game_output(*game).c_str());
    return false;
}

bool window_opens_and_closes(Display *dpy, const std::string &display, const std::string &folder)
{
    Artwork art;
    if (!load_artwork(DATA_DIR, &art)) {
        std::printf("FAIL: cannot read the installed datafiles in %s\n", DATA_DIR);
        return false;
    }
    GameRun game;
    if (!start_game(&game, {LAUNCHER}, folder, display, x_cookie())) {
        return fail(&game, std::string("cannot start ") + LAUNCHER);
    }
    const Window win = wait_for_window(dpy, "Zindle", STARTUP_SECONDS);
    Picture shot;
    bool ok = win != 0 || fail(&game, "no window titled Zindle");
    ok = ok && (wait_for_picture(dpy, win, [&](const Picture &p) { return difference(p, art.menu).empty(); },
                                 STARTUP_SECONDS, &shot) ||
                fail(&game, "the window never showed the menu: " + difference(shot, art.menu)));
    if (ok) {
        send_close_request(dpy, win);
        ok = (wait_for_exit(&game, EXIT_SECONDS) && exited_with(game, 0)) ||
             fail(&game, "a close request did not end the game with status 0");
    }
    finish_game(&game);
    return ok;
}

bool missing_datafiles(const std::string &display, const std::string &folder)
{
    GameRun game;
    if (!start_game(&game, {PROGRAM}, folder, display, x_cookie())) {
        return fail(&game, std::string("cannot start ") + PROGRAM);
    }
    bool ok = (wait_for_exit(&game, STARTUP_SECONDS) && exited_with(game, DATA_FAILURE)) ||
              fail(&game, "the game did not end with status 2");
    const std::string message = last_message(game);
    ok = (ok && message == TILES_MESSAGE) || fail(&game, "the game said \"" + message + "\"");
    finish_game(&game);
    return ok;
}

}  // namespace

int main(int argc, char **argv)
{
    const std::string what = argc == 2 ? argv[1] : "";
    const char *display = std::getenv("DISPLAY");
    Display *dpy = display ? XOpenDisplay(display) : nullptr;
    if ((what != "window" && what != "missing") || !dpy) {
        std::fprintf(stderr, "usage, on an X display: %s window|missing\n", argv[0]);
        return 2;
    }
    const std::string folder = make_scratch_dir();
    const bool ok = what == "window" ? window_opens_and_closes(dpy, display, folder)
                                     : missing_datafiles(display, folder);
    remove_tree(folder);
    XCloseDisplay(dpy);
    std::printf("%s: %s\n", what.c_str(), ok ? "passed" : "failed");
    return ok ? 0 : 1;
}
