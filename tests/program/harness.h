// Plays the real game binary in a private virtual X server: starts Xvfb and
// the game, sends real input through xdotool, reads the window's pixels and
// the game's exit status. Every wait polls a condition with a deadline.
#ifndef ZINDLE_TESTS_HARNESS_H
#define ZINDLE_TESTS_HARNESS_H

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

typedef struct _XDisplay Display;
typedef unsigned long Window;

// Window pixels as 0xRRGGBB, row by row.
struct Picture {
    int w = 0;
    int h = 0;
    std::vector<std::uint32_t> rgb;
    std::uint32_t at(int x, int y) const { return rgb[y * w + x]; }
};

// Polls `done` every few milliseconds until it holds or `seconds` pass.
bool wait_until(const std::function<bool()> &done, double seconds);

// A scratch folder, removed with everything in it by remove_tree.
std::string make_scratch_dir();
void remove_tree(const std::string &path);
void write_file(const std::string &path, const std::string &text);
std::string read_file(const std::string &path);
std::vector<unsigned char> read_bytes(const std::string &path);
void write_bytes(const std::string &path, const std::vector<unsigned char> &bytes);
void copy_file(const std::string &from, const std::string &to);

// ---- The X server ------------------------------------------------------------
struct XServer {
    pid_t pid = -1;
    int number = -1;
    Display *dpy = nullptr;
    std::string name() const { return ":" + std::to_string(number); }
};

// Starts Xvfb on a free display (it picks the number itself) with the given
// screen, e.g. "1024x768x24", and waits until it answers.
bool start_xserver(XServer *x, const char *screen = "1024x768x24");
void stop_xserver(XServer *x);

// ---- The game ----------------------------------------------------------------
struct GameRun {
    pid_t pid = -1;
    bool finished = false;
    int status = 0;  // raw wait status once finished
    std::string scratch;  // HOME, the stand-in xmessage and its record
};

// Runs `command` (the game, or what starts it) in `workdir`, where the game
// looks for its datafiles, with a clean environment: DISPLAY (none when
// empty), HOME set to a scratch folder and a stand-in `xmessage` first on
// PATH that records the message and presses OK. `extra_env` adds or
// overrides NAME=value entries.
bool start_game(GameRun *g, const std::vector<std::string> &command, const std::string &workdir,
                const std::string &display, const std::vector<std::string> &extra_env = {});
// Waits for the game to end; false when it is still running at the deadline.
bool wait_for_exit(GameRun *g, double seconds);
// True while the process has not ended (reaps it when it has).
bool still_running(GameRun *g);
// Processor time the game has used so far, in seconds.
double cpu_seconds(const GameRun &g);
// Ends the game if it still runs and removes its scratch folder.
void finish_game(GameRun *g);
// The text of the last message box, "" when none was shown.
std::string last_message(const GameRun &g);
// What the game printed on stdout and stderr.
std::string game_output(const GameRun &g);
// "exit 0", "exit 2", "signal 11" or "running": readable in failures.
std::string describe_end(const GameRun &g);

// ---- Window, pixels and input ----------------------------------------------
// The windows titled `title`, at any depth (a window manager puts its frame
// around them), and the first of them, 0 when there is none yet.
std::vector<Window> find_windows(Display *dpy, const char *title);
Window find_window(Display *dpy, const char *title);
Window wait_for_window(Display *dpy, const char *title, double seconds);
bool grab(Display *dpy, Window w, Picture *out);
// Polls the window's pixels until `matches` accepts them.
bool wait_for_picture(Display *dpy, Window w, const std::function<bool(const Picture &)> &matches,
                      double seconds, Picture *last = nullptr);
// Runs xdotool with the given arguments against the server.
bool xdotool(const XServer &x, const std::vector<std::string> &args);
// Presses and holds the left button for 50 ms at a window position, so the
// game's polling sees it down.
bool click(const XServer &x, Window w, int px, int py);
bool move_pointer(const XServer &x, Window w, int px, int py);
// Focuses the window and holds `key` (an X keysym name) for 50 ms.
bool tap_key(const XServer &x, Window w, const char *key);
// Where the server's pointer is, in window coordinates.
bool pointer_in_window(Display *dpy, Window w, int *px, int *py);
// Does the pointer show an image (the game hides it by blanking it)?
bool pointer_visible(Display *dpy);
// What the window's close button sends: WM_PROTOCOLS / WM_DELETE_WINDOW.
void send_close_request(Display *dpy, Window w);
// Paints over the window from outside the game, so a redraw by the game
// shows as the paint vanishing.
void paint_over(Display *dpy, Window w, std::uint32_t rgb);

#endif
