// The game as a player installs it: laid out by `cmake --install` under a
// scratch prefix and started through the installed launcher from a folder
// that holds none of its files.
#include "session.h"

#include <cstdio>
#include <sstream>

// After GoogleTest: Xlib defines macros such as None and Bool.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

constexpr int EXIT_X = 200, EXIT_Y = 420;  // inside the menu's exit entry

// A key's value in the installed desktop entry, "" when it has none.
std::string desktop_entry_value(const std::string &key)
{
    std::istringstream entry(read_file(ZINDLE_INSTALL_PREFIX "/share/applications/" ZINDLE_APP_ID ".desktop"));
    for (std::string line; std::getline(entry, line);) {
        if (line.rfind(key + "=", 0) == 0) {
            return line.substr(key.size() + 1);
        }
    }
    return "";
}

std::string window_class(Display *dpy, Window w)
{
    XClassHint hint{};
    if (!XGetClassHint(dpy, w, &hint)) {
        return "";
    }
    const std::string name = hint.res_class;
    XFree(hint.res_name);
    XFree(hint.res_class);
    return name;
}

// The installed icon of `size` pixels as RGBA bytes, read by ImageMagick.
std::vector<unsigned char> installed_icon(unsigned size)
{
    const std::string png = std::string(ZINDLE_INSTALL_PREFIX "/share/icons/hicolor/") + std::to_string(size) +
                            "x" + std::to_string(size) + "/apps/" ZINDLE_APP_ID ".png";
    std::vector<unsigned char> rgba;
    if (FILE *p = popen(("convert '" + png + "' -depth 8 rgba:-").c_str(), "r")) {
        for (int c; (c = std::fgetc(p)) != EOF;) {
            rgba.push_back(static_cast<unsigned char>(c));
        }
        pclose(p);
    }
    return rgba;
}

// Compares the window's icon picture with the installed icon of its size,
// on every pixel the icon covers at least half.
::testing::AssertionResult shows_installed_icon(Display *dpy, Window w)
{
    XWMHints *hints = XGetWMHints(dpy, w);
    if (!hints || !(hints->flags & IconPixmapHint)) {
        XFree(hints);
        return ::testing::AssertionFailure() << "the window has no icon";
    }
    const Pixmap icon = hints->icon_pixmap;
    XFree(hints);
    Window root;
    int x, y;
    unsigned width, height, border, depth;
    if (!XGetGeometry(dpy, icon, &root, &x, &y, &width, &height, &border, &depth) || width != height) {
        return ::testing::AssertionFailure() << "the icon is not square";
    }
    const std::vector<unsigned char> want = installed_icon(width);
    if (want.size() != width * height * 4) {
        return ::testing::AssertionFailure() << "no installed icon of " << width << " pixels";
    }
    XImage *image = XGetImage(dpy, icon, 0, 0, width, height, AllPlanes, ZPixmap);
    int differ = 0;
    for (unsigned py = 0; py < height; ++py) {
        for (unsigned px = 0; px < width; ++px) {
            const unsigned char *p = &want[(py * width + px) * 4];
            const unsigned long rgb = static_cast<unsigned long>(p[0]) << 16 | p[1] << 8 | p[2];
            differ += p[3] >= 128 && (XGetPixel(image, px, py) & 0xFFFFFF) != rgb;
        }
    }
    XDestroyImage(image);
    if (differ) {
        return ::testing::AssertionFailure() << differ << " pixels differ from the installed icon";
    }
    return ::testing::AssertionSuccess();
}

// Played from the scratch folder, which is also its HOME.
class Installed : public GameSession {
  protected:
    void SetUp() override
    {
        GameSession::SetUp();
        program = {ZINDLE_INSTALL_PREFIX "/games/zindle"};
    }
};

TEST_F(Installed, TheLauncherStartsTheGameWithItsTuneFromAnyFolder)
{
    open_menu(dir, capture_sound());
    ASSERT_FALSE(HasFatalFailure());

    const std::string wm_class = desktop_entry_value("StartupWMClass");
    EXPECT_FALSE(wm_class.empty());
    EXPECT_EQ(window_class(x.dpy, win), wm_class);
    EXPECT_TRUE(shows_installed_icon(x.dpy, win));

    // The synthesiser has found the installed instruments only if the tune
    // is heard.
    EXPECT_TRUE(sound_flows());
    click_at(EXIT_X, EXIT_Y);
    EXPECT_TRUE(exits_with(0));
    EXPECT_TRUE(captured_sound_is_audible());
}

}  // namespace
