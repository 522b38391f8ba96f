#include "harness.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xfixes.h>
#include <fcntl.h>
#include <ftw.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int POLL_MS = 3;
constexpr int HOLD_MS = 50;  // long enough for the game's polling to see it

// A window that vanishes between finding and reading it is normal here (the
// game may just have ended); the default handler would end the test program.
int ignore_x_error(Display *, XErrorEvent *) { return 0; }

std::vector<char *> c_strings(std::vector<std::string> &v)
{
    std::vector<char *> out;
    for (std::string &s : v) {
        out.push_back(&s[0]);
    }
    out.push_back(nullptr);
    return out;
}

// The child dies with the test program, so no run leaves a server or a game
// behind, whatever happens to the test.
void die_with_parent()
{
    prctl(PR_SET_PDEATHSIG, SIGKILL);
}

void redirect(int fd, const char *path)
{
    const int f = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (f >= 0) {
        dup2(f, fd);
        close(f);
    }
}

bool run_and_wait(std::vector<std::string> argv, std::vector<std::string> env)
{
    std::vector<char *> args = c_strings(argv);
    std::vector<char *> envp = c_strings(env);
    const pid_t pid = fork();
    if (pid == 0) {
        die_with_parent();
        redirect(STDOUT_FILENO, "/dev/null");
        execvpe(args[0], args.data(), envp.data());
        _exit(127);
    }
    if (pid < 0) {
        return false;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// xmessage's stand-in: keeps the text (its last argument) and presses OK.
const char *const MESSAGE_STAND_IN =
    "#!/bin/sh\n"
    "for arg in \"$@\"; do last=$arg; done\n"
    "printf '%s' \"$last\" > \"$ZINDLE_MESSAGE_RECORD\"\n"
    "exit 101\n";

}  // namespace

bool wait_until(const std::function<bool()> &done, double seconds)
{
    const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
    for (;;) {
        if (done()) {
            return true;
        }
        if (Clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(POLL_MS));
    }
}

std::string make_scratch_dir()
{
    char pattern[] = "/tmp/zindle-test-XXXXXX";
    const char *dir = mkdtemp(pattern);
    return dir ? dir : "";
}

void remove_tree(const std::string &path)
{
    if (path.empty()) {
        return;
    }
    nftw(
        path.c_str(),
        [](const char *p, const struct stat *, int, struct FTW *) { return remove(p); }, 16,
        FTW_DEPTH | FTW_PHYS);
}

void write_file(const std::string &path, const std::string &text)
{
    std::ofstream(path, std::ios::binary) << text;
}

std::string read_file(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<unsigned char> read_bytes(const std::string &path)
{
    const std::string s = read_file(path);
    return std::vector<unsigned char>(s.begin(), s.end());
}

void write_bytes(const std::string &path, const std::vector<unsigned char> &bytes)
{
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char *>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

void copy_file(const std::string &from, const std::string &to)
{
    write_bytes(to, read_bytes(from));
}

// ---- The X server ------------------------------------------------------------

bool start_xserver(XServer *x, const char *screen)
{
    XSetErrorHandler(ignore_x_error);
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        return false;
    }
    // Prepared before fork: the child only calls async-signal-safe functions.
    const int child_fd = 9;
    std::vector<std::string> argv = {"Xvfb",        "-displayfd", std::to_string(child_fd),
                                     "-screen",     "0",          screen,
                                     "-nolisten",   "tcp",        "-noreset"};
    std::vector<char *> args = c_strings(argv);
    const pid_t pid = fork();
    if (pid == 0) {
        die_with_parent();
        dup2(fds[1], child_fd);  // the copy stays open across exec
        redirect(STDOUT_FILENO, "/dev/null");
        redirect(STDERR_FILENO, "/dev/null");
        execvp(args[0], args.data());
        _exit(127);
    }
    close(fds[1]);
    if (pid < 0) {
        close(fds[0]);
        return false;
    }
    x->pid = pid;
    // Xvfb writes the display number it took once it accepts clients.
    std::string number;
    pollfd p = {fds[0], POLLIN, 0};
    while (number.find('\n') == std::string::npos && poll(&p, 1, 10000) > 0) {
        char buf[16];
        const ssize_t got = read(fds[0], buf, sizeof buf);
        if (got <= 0) {
            break;
        }
        number.append(buf, static_cast<std::size_t>(got));
    }
    close(fds[0]);
    if (number.find('\n') == std::string::npos) {
        stop_xserver(x);
        return false;
    }
    x->number = std::atoi(number.c_str());
    wait_until([&] { return (x->dpy = XOpenDisplay(x->name().c_str())) != nullptr; }, 10);
    if (!x->dpy) {
        stop_xserver(x);
        return false;
    }
    return true;
}

void stop_xserver(XServer *x)
{
    if (x->dpy) {
        XCloseDisplay(x->dpy);
        x->dpy = nullptr;
    }
    if (x->pid > 0) {
        kill(x->pid, SIGTERM);
        int status;
        if (!wait_until([&] { return waitpid(x->pid, &status, WNOHANG) == x->pid; }, 5)) {
            kill(x->pid, SIGKILL);
            waitpid(x->pid, &status, 0);
        }
        x->pid = -1;
    }
}

// ---- The game ----------------------------------------------------------------

bool start_game(GameRun *g, const std::vector<std::string> &command, const std::string &workdir,
                const std::string &display, const std::vector<std::string> &extra_env)
{
    g->scratch = make_scratch_dir();
    if (g->scratch.empty() || mkdir((g->scratch + "/bin").c_str(), 0755) != 0) {
        return false;
    }
    const std::string stand_in = g->scratch + "/bin/xmessage";
    write_file(stand_in, MESSAGE_STAND_IN);
    chmod(stand_in.c_str(), 0755);

    // Entries given by the caller replace the defaults. Each name appears
    // once: a shell (the installed launcher) keeps the last of two, the
    // library the first.
    std::vector<std::string> env = extra_env;
    const std::vector<std::string> defaults = {
        "HOME=" + g->scratch,
        "PATH=" + g->scratch + "/bin:/usr/local/bin:/usr/bin:/bin",
        "ZINDLE_MESSAGE_RECORD=" + g->scratch + "/message.txt",
    };
    for (const std::string &entry : defaults) {
        const std::string name = entry.substr(0, entry.find('=') + 1);
        const bool given = std::any_of(env.begin(), env.end(),
                                       [&](const std::string &e) { return e.rfind(name, 0) == 0; });
        if (!given) {
            env.push_back(entry);
        }
    }
    if (!display.empty()) {
        env.push_back("DISPLAY=" + display);
    }
    for (const char *name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"}) {
        if (const char *value = std::getenv(name)) {
            env.push_back(std::string(name) + "=" + value);
        }
    }

    std::vector<std::string> argv = command;
    std::vector<char *> args = c_strings(argv);
    std::vector<char *> envp = c_strings(env);
    const std::string output = g->scratch + "/output.txt";
    const pid_t pid = fork();
    if (pid == 0) {
        die_with_parent();
        if (chdir(workdir.c_str()) != 0) {
            _exit(126);
        }
        redirect(STDOUT_FILENO, output.c_str());
        redirect(STDERR_FILENO, output.c_str());
        execvpe(args[0], args.data(), envp.data());
        _exit(127);
    }
    g->pid = pid;
    g->finished = false;
    return pid > 0;
}

bool still_running(GameRun *g)
{
    if (!g->finished && g->pid > 0 && waitpid(g->pid, &g->status, WNOHANG) == g->pid) {
        g->finished = true;
    }
    return g->pid > 0 && !g->finished;
}

bool wait_for_exit(GameRun *g, double seconds)
{
    return wait_until([&] { return !still_running(g); }, seconds);
}

double cpu_seconds(const GameRun &g)
{
    // Fields 14 and 15 of /proc/PID/stat, after the parenthesised name.
    const std::string stat = read_file("/proc/" + std::to_string(g.pid) + "/stat");
    const std::size_t name_end = stat.rfind(')');
    if (name_end == std::string::npos) {
        return 0;
    }
    std::istringstream fields(stat.substr(name_end + 2));
    std::string skip;
    for (int i = 3; i < 14; ++i) {
        fields >> skip;
    }
    double user = 0, system = 0;
    fields >> user >> system;
    return (user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

void finish_game(GameRun *g)
{
    if (still_running(g)) {
        kill(g->pid, SIGKILL);
        waitpid(g->pid, &g->status, 0);
        g->finished = true;
    }
    remove_tree(g->scratch);
    g->scratch.clear();
}

std::string last_message(const GameRun &g)
{
    // The library ends the text it hands to xmessage with a line break.
    std::string text = read_file(g.scratch + "/message.txt");
    if (!text.empty() && text.back() == '\n') {
        text.pop_back();
    }
    return text;
}

std::string game_output(const GameRun &g)
{
    return read_file(g.scratch + "/output.txt");
}

std::string describe_end(const GameRun &g)
{
    if (!g.finished) {
        return "running";
    }
    if (WIFEXITED(g.status)) {
        return "exit " + std::to_string(WEXITSTATUS(g.status));
    }
    if (WIFSIGNALED(g.status)) {
        return "signal " + std::to_string(WTERMSIG(g.status));
    }
    return "stopped";
}

// ---- Window, pixels and input ----------------------------------------------

std::vector<Window> find_windows(Display *dpy, const char *title)
{
    std::vector<Window> found, todo = {DefaultRootWindow(dpy)};
    while (!todo.empty()) {
        const Window w = todo.back();
        todo.pop_back();
        char *name = nullptr;
        if (XFetchName(dpy, w, &name) && name) {
            if (std::strcmp(name, title) == 0) {
                found.push_back(w);
            }
            XFree(name);
        }
        Window root_return, parent, *children = nullptr;
        unsigned count = 0;
        if (XQueryTree(dpy, w, &root_return, &parent, &children, &count) && children) {
            todo.insert(todo.end(), children, children + count);
            XFree(children);
        }
    }
    return found;
}

Window find_window(Display *dpy, const char *title)
{
    const std::vector<Window> found = find_windows(dpy, title);
    return found.empty() ? 0 : found.front();
}

Window wait_for_window(Display *dpy, const char *title, double seconds)
{
    Window w = 0;
    wait_until([&] { return (w = find_window(dpy, title)) != 0; }, seconds);
    return w;
}

bool grab(Display *dpy, Window w, Picture *out)
{
    XWindowAttributes attrs;
    if (!XGetWindowAttributes(dpy, w, &attrs)) {
        return false;
    }
    XImage *img = XGetImage(dpy, w, 0, 0, attrs.width, attrs.height, AllPlanes, ZPixmap);
    if (!img) {
        return false;
    }
    const unsigned long masks[3] = {img->red_mask, img->green_mask, img->blue_mask};
    int shift[3];
    for (int c = 0; c < 3; ++c) {
        shift[c] = __builtin_ctzl(masks[c]);
    }
    out->w = attrs.width;
    out->h = attrs.height;
    out->rgb.resize(static_cast<std::size_t>(out->w) * out->h);
    const bool words = img->bits_per_pixel == 32 && img->byte_order == LSBFirst;
    for (int y = 0; y < out->h; ++y) {
        const char *line = img->data + static_cast<std::size_t>(y) * img->bytes_per_line;
        for (int x = 0; x < out->w; ++x) {
            std::uint32_t word;
            if (words) {
                std::memcpy(&word, line + 4 * x, 4);
            }
            const unsigned long p = words ? word : XGetPixel(img, x, y);
            std::uint32_t v = 0;
            for (int c = 0; c < 3; ++c) {
                v = (v << 8) | static_cast<std::uint32_t>((p & masks[c]) >> shift[c]);
            }
            out->rgb[static_cast<std::size_t>(y) * out->w + x] = v;
        }
    }
    XDestroyImage(img);
    return true;
}

bool wait_for_picture(Display *dpy, Window w, const std::function<bool(const Picture &)> &matches,
                      double seconds, Picture *last)
{
    Picture p;
    const bool ok = wait_until([&] { return grab(dpy, w, &p) && matches(p); }, seconds);
    if (last) {
        *last = p;
    }
    return ok;
}

bool xdotool(const XServer &x, const std::vector<std::string> &args)
{
    std::vector<std::string> argv = {"xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    return run_and_wait(argv, {"DISPLAY=" + x.name(), "PATH=/usr/local/bin:/usr/bin:/bin"});
}

bool move_pointer(const XServer &x, Window w, int px, int py)
{
    return xdotool(x, {"mousemove", "--window", std::to_string(w), std::to_string(px),
                       std::to_string(py)});
}

bool click(const XServer &x, Window w, int px, int py)
{
    const std::string hold = std::to_string(HOLD_MS / 1000.0);
    return xdotool(x, {"mousemove", "--window", std::to_string(w), std::to_string(px),
                       std::to_string(py), "mousedown", "1", "sleep", hold, "mouseup", "1"});
}

bool tap_key(const XServer &x, Window w, const char *key)
{
    const std::string hold = std::to_string(HOLD_MS / 1000.0);
    return xdotool(x, {"windowfocus", std::to_string(w), "keydown", key, "sleep", hold, "keyup",
                       key});
}

bool pointer_in_window(Display *dpy, Window w, int *px, int *py)
{
    Window root, child;
    int rx, ry;
    unsigned mask;
    return XQueryPointer(dpy, w, &root, &child, &rx, &ry, px, py, &mask);
}

bool pointer_visible(Display *dpy)
{
    XFixesCursorImage *img = XFixesGetCursorImage(dpy);
    if (!img) {
        return false;
    }
    bool shown = false;
    for (int i = 0; i < img->width * img->height && !shown; ++i) {
        shown = (img->pixels[i] >> 24) != 0;  // ARGB: any pixel not fully clear
    }
    XFree(img);
    return shown;
}

void send_close_request(Display *dpy, Window w)
{
    XEvent ev;
    std::memset(&ev, 0, sizeof ev);
    ev.xclient.type = ClientMessage;
    ev.xclient.window = w;
    ev.xclient.message_type = XInternAtom(dpy, "WM_PROTOCOLS", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = static_cast<long>(XInternAtom(dpy, "WM_DELETE_WINDOW", False));
    ev.xclient.data.l[1] = CurrentTime;
    XSendEvent(dpy, w, False, NoEventMask, &ev);
    XSync(dpy, False);
}

void paint_over(Display *dpy, Window w, std::uint32_t rgb)
{
    XWindowAttributes attrs;
    if (!XGetWindowAttributes(dpy, w, &attrs)) {
        return;
    }
    XGCValues values;
    values.subwindow_mode = IncludeInferiors;
    values.foreground = rgb;  // a 24-bit TrueColor server: the pixel is the colour
    GC gc = XCreateGC(dpy, w, GCSubwindowMode | GCForeground, &values);
    XFillRectangle(dpy, w, gc, 0, 0, static_cast<unsigned>(attrs.width),
                   static_cast<unsigned>(attrs.height));
    XFreeGC(dpy, gc);
    XSync(dpy, False);
}
