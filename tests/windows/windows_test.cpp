// The Windows build played under Wine as a player would, with the X harness
// of the Linux tests (Wine's windows are X windows) and a Wine prefix of the
// build's own: the game from its folder with its tune, under a window
// manager, without its tiles, installed, played and removed by its
// installer, and upgraded by the next version's installer.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "session.h"

namespace {

constexpr int START_X = 150, START_Y = 260;  // inside the menu's start entry
constexpr int EXIT_X = 200, EXIT_Y = 420;    // inside the menu's exit entry
constexpr double WINE_SECONDS = 60;          // a silent install, a registry query
// Where the installer puts the game unless told, and a folder a player chose.
const std::string INSTALLED = ZINDLE_WINE_PREFIX "/drive_c/Program Files/Zindle";
const std::string CHOSEN = "C:\\Games\\Zindle", CHOSEN_HERE = ZINDLE_WINE_PREFIX "/drive_c/Games/Zindle";
const std::string SHORTCUT = ZINDLE_WINE_PREFIX "/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Zindle.lnk";
const char *const UNINSTALL_KEY = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Zindle";

// No debugging output unless asked for, and no offer to install .NET or a
// browser engine; `more` adds to it.
std::vector<std::string> wine_env(const char *debug = "-all", std::vector<std::string> more = {})
{
    more.insert(more.end(), {"WINEPREFIX=" ZINDLE_WINE_PREFIX, std::string("WINEDEBUG=") + debug,
                             "WINEDLLOVERRIDES=mscoree,mshtml="});
    return more;
}

bool exists(const std::string &path) { return access(path.c_str(), F_OK) == 0; }

// -w waits until every process of the prefix has ended, -k ends them.
bool wineserver(const char *option)
{
    return std::system(("WINEPREFIX='" ZINDLE_WINE_PREFIX "' wineserver " + std::string(option)).c_str()) == 0;
}

class WindowsGame : public GameSession {
  protected:
    void SetUp() override
    {
        GameSession::SetUp();
        program = {"wine", ZINDLE_WIN_DIR "/zindle.exe"};
    }
    // Every process of the prefix ends with the test, as its X server does.
    void TearDown() override
    {
        finish_game(&window_manager);
        GameSession::TearDown();
        wineserver("-k");
    }

    // Runs a Wine command to its end: its exit status, -1 when it hangs.
    int wine(std::vector<std::string> command)
    {
        command.insert(command.begin(), "wine");
        GameRun run;
        const bool ended = start_game(&run, command, dir, x.name(), wine_env()) && wait_for_exit(&run, WINE_SECONDS);
        output = game_output(run);
        finish_game(&run);
        return ended && WIFEXITED(run.status) ? WEXITSTATUS(run.status) : -1;
    }

    // The shortcut starts the installed game in its own folder, where its
    // files are; the uninstaller then removes every trace of it. A running
    // program cannot be deleted, and the uninstaller hands its work to a copy
    // of itself: both are waited for.
    void play_from_the_shortcut_then_uninstall(const std::string &folder, const std::string &here)
    {
        program = {"wine", "start", "/wait", "/unix", SHORTCUT};
        open_menu(dir, wine_env());
        click_at(EXIT_X, EXIT_Y);
        ASSERT_TRUE(exits_with(0));
        ASSERT_TRUE(wineserver("-w"));
        ASSERT_EQ(wine({folder + "\\uninstall.exe", "/S"}), 0);
        ASSERT_TRUE(wineserver("-w"));
        EXPECT_FALSE(exists(here)) << "the install folder is left";
        EXPECT_FALSE(exists(SHORTCUT));
        EXPECT_EQ(wine({"reg", "query", UNINSTALL_KEY}), 1) << "the uninstall entry is left";
    }

    GameRun window_manager;
    std::string output;  // of the last Wine command
};

TEST_F(WindowsGame, ShowsTheLinuxMenuPlaysWithItsTuneAndEndsFromTheExitEntry)
{
    open_menu(ZINDLE_WIN_DIR, wine_env("-all", capture_sound()));
    click_at(START_X, START_Y);
    TileSeen tile;
    ASSERT_TRUE(shows_lone_tile(&tile));
    press("Escape");
    ASSERT_TRUE(shows_menu());
    // The library on Windows sets a press's button before it reads where the
    // pointer is, so a click straight from the start entry can be taken for
    // one there. The pointer reaches the exit entry while the tune is checked.
    ASSERT_TRUE(move_pointer(x, win, EXIT_X, EXIT_Y));
    ASSERT_TRUE(sound_flows());
    click_at(EXIT_X, EXIT_Y);
    ASSERT_TRUE(exits_with(0));
    // The capture's header is complete once the game has closed its device.
    EXPECT_TRUE(captured_sound_is_audible());
}

TEST_F(WindowsGame, EndsFromTheCloseButtonAndTheExitEntryUnderAWindowManager)
{
    // twm, placing new windows where they ask to be, without a click.
    write_file(dir + "/twmrc", "RandomPlacement\nUsePPosition \"on\"\n");
    ASSERT_TRUE(start_game(&window_manager, {"twm", "-f", dir + "/twmrc"}, dir, x.name()));
    for (const bool close_button : {true, false}) {
        open_menu(ZINDLE_WIN_DIR, wine_env());
        press("Shift_L");  // gives the window the focus
        if (close_button) {
            send_close_request(x.dpy, win);
        } else {
            click_at(EXIT_X, EXIT_Y);
        }
        EXPECT_TRUE(exits_with(0)) << (close_button ? "close button" : "exit entry");
        finish_game(&game);
        // The next game's window is not this one, which outlives it briefly.
        ASSERT_TRUE(wait_until([&] { return find_window(x.dpy, "Zindle") == 0; }, SCREEN_SECONDS));
    }
}

TEST_F(WindowsGame, WithoutItsTilesShowsTheMessageAndEndsWithTwo)
{
    for (const std::string file : {"zindle.exe", "stuff.dat", "patches.dat"}) {
        copy_file(ZINDLE_WIN_DIR "/" + file, dir + "/" + file);
    }
    // Wine's trace of the message box carries its text.
    ASSERT_TRUE(launch(dir, wine_env("-all,trace+msgbox")));
    ASSERT_TRUE(wait_until(
        [&] { return game_output(game).find("L\"Failed to load the tiles data file!\"") != std::string::npos; },
        SCREEN_SECONDS))
        << game_output(game);
    Window box = 0;  // titled as the game's window, but smaller
    ASSERT_TRUE(wait_until(
        [&] {
            for (Window w : find_windows(x.dpy, "Zindle")) {
                Picture p;
                box = grab(x.dpy, w, &p) && p.w != artwork().menu.w ? w : box;
            }
            return box != 0;
        },
        SCREEN_SECONDS))
        << "no message box";
    ASSERT_TRUE(tap_key(x, box, "Return"));
    EXPECT_TRUE(exits_with(2));
}

TEST_F(WindowsGame, InstallsSilentlyPlaysFromItsShortcutAndUninstallsWithoutATrace)
{
    ASSERT_EQ(wine({ZINDLE_WIN_SETUP, "/S"}), 0);
    for (const std::string file : {"zindle.exe", "tiles.dat", "stuff.dat", "patches.dat", "uninstall.exe"}) {
        EXPECT_TRUE(exists(INSTALLED + "/" + file)) << file;
    }
    EXPECT_TRUE(exists(SHORTCUT));
    ASSERT_EQ(wine({"reg", "query", UNINSTALL_KEY}), 0);
    for (const char *value : {"DisplayName    REG_SZ    Zindle", "DisplayVersion    REG_SZ    " ZINDLE_VERSION,
                              "Publisher", "DisplayIcon", "EstimatedSize", "QuietUninstallString"}) {
        EXPECT_NE(output.find(value), std::string::npos) << value << " missing from\n" << output;
    }

    play_from_the_shortcut_then_uninstall("C:\\Program Files\\Zindle", INSTALLED);
}

// The next release's setup run over the installed one, in a folder of the
// player's, as a player runs it, through its pages: it offers that folder
// and leaves one installation, of its own version, which its uninstaller
// removes whole.
TEST_F(WindowsGame, TheNextVersionsSetupTakesTheInstalledOnesPlace)
{
    const std::string releases = ZINDLE_RELEASES;
    ASSERT_EQ(wine({releases + "/current/zindle-" ZINDLE_VERSION "-win64-setup.exe", "/S", "/D=" + CHOSEN}), 0);
    ASSERT_EQ(wine({"reg", "query", UNINSTALL_KEY}), 0);
    ASSERT_NE(output.find("DisplayVersion    REG_SZ    " ZINDLE_VERSION), std::string::npos) << output;

    GameRun setup;
    ASSERT_TRUE(start_game(&setup, {"wine", releases + "/next/zindle-" ZINDLE_NEXT_VERSION "-win64-setup.exe"},
                           dir, x.name(), wine_env()));
    // Its pages answered with Return: Install, in the folder offered, then Close.
    for (const char *page : {"Zindle Setup: Installation Folder", "Zindle Setup: Completed"}) {
        const Window w = wait_for_window(x.dpy, page, WINE_SECONDS);
        ASSERT_NE(w, 0u) << "no page titled " << page;
        ASSERT_TRUE(tap_key(x, w, "Return"));
    }
    ASSERT_TRUE(wait_for_exit(&setup, WINE_SECONDS));
    finish_game(&setup);
    ASSERT_TRUE(wineserver("-w"));

    // One entry, naming the new version, and the new version's program.
    ASSERT_EQ(wine({"reg", "query", "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall", "/s"}), 0);
    const std::string entry = "DisplayName    REG_SZ    Zindle";
    EXPECT_NE(output.find(entry), std::string::npos) << output;
    EXPECT_EQ(output.find(entry), output.rfind(entry)) << output;
    EXPECT_NE(output.find("DisplayVersion    REG_SZ    " ZINDLE_NEXT_VERSION), std::string::npos) << output;
    std::vector<unsigned char> released;
    if (FILE *p = popen(("unzip -p '" + releases + "/next/zindle-" ZINDLE_NEXT_VERSION
                         "-win64.zip' zindle-" ZINDLE_NEXT_VERSION "-win64/zindle.exe").c_str(), "r")) {
        for (int c; (c = std::fgetc(p)) != EOF;) {
            released.push_back(static_cast<unsigned char>(c));
        }
        pclose(p);
    }
    ASSERT_FALSE(released.empty());
    EXPECT_TRUE(read_bytes(CHOSEN_HERE + "/zindle.exe") == released) << "the installed program is not the new one";
    EXPECT_FALSE(exists(INSTALLED)) << "installed a second time, in the default folder";

    play_from_the_shortcut_then_uninstall(CHOSEN, CHOSEN_HERE);
}

}  // namespace
