// A game session as a player has it: a private X server, the real game
// started from the build folder, and the steps a player takes, each waiting
// until the screen or the process shows its outcome.
#ifndef ZINDLE_TESTS_SESSION_H
#define ZINDLE_TESTS_SESSION_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "harness.h"
#include "pictures.h"

// Generous bounds for a loaded machine running sanitized builds; a passing
// run never waits for them.
constexpr double STARTUP_SECONDS = 20;
constexpr double SCREEN_SECONDS = 5;
constexpr double EXIT_SECONDS = 10;

// The real datafiles' pictures, loaded once per test program.
const Artwork &artwork();

class GameSession : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Starts `program` in `workdir` (the build folder by default) and waits
    // for its window; false when none opens.
    bool launch(const std::string &workdir = ZINDLE_DATA_DIR,
                const std::vector<std::string> &extra_env = {});
    // Starts the game and waits until the menu is drawn and the game follows
    // the pointer (it undoes pointer moves for a moment after opening).
    void open_menu(const std::string &workdir = ZINDLE_DATA_DIR,
                   const std::vector<std::string> &extra_env = {});

    void click_at(int x, int y);
    void press(const char *key);
    ::testing::AssertionResult shows(const Picture &want, const char *what);
    ::testing::AssertionResult shows_menu() { return shows(artwork().menu, "menu"); }
    ::testing::AssertionResult shows_help() { return shows(artwork().help, "help screen"); }
    // The play screen with exactly one tile, which is returned.
    ::testing::AssertionResult shows_lone_tile(TileSeen *tile);
    // Waits for a lone tile that `wanted` accepts.
    ::testing::AssertionResult wait_for_tile(bool (*wanted)(const TileSeen &, const TileSeen &),
                                             TileSeen before, TileSeen *now);
    // Clicks the help entry and the back button: the menu answers clicks
    // where they are made.
    void help_and_back();
    ::testing::AssertionResult exits_with(int code);

    // Sends the game's sound through ALSA into a WAV file in the scratch
    // folder, which becomes its HOME: launch it with this environment.
    std::vector<std::string> capture_sound();
    // Waits until about a second of sound has been captured.
    ::testing::AssertionResult sound_flows();
    // The tune is heard: the capture is far from digital silence.
    ::testing::AssertionResult captured_sound_is_audible();

    std::vector<std::string> program = {ZINDLE_GAME};  // what launch starts
    std::string dir;  // a scratch folder of the test's own, removed after it
    XServer x;
    GameRun game;
    Window win = 0;
};

#endif
