#include "session.h"

#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int HELP_X = 194, HELP_Y = 375;  // inside the help entry
constexpr int BACK_X = 275, BACK_Y = 610;  // inside the help screen's back button
constexpr int POINTER_ATTEMPTS = 20;
constexpr double POINTER_ATTEMPT_SECONDS = 0.5;
// A capture reaches this size after about a second of sound.
constexpr long CAPTURE_BYTES = 200000;
constexpr double CAPTURE_SECONDS = 30;
// Root mean square of the 16-bit samples; the tune is far louder (3,710 to
// 3,810 captured beside four busy workers on two cores), digital silence
// is 0.
constexpr double AUDIBLE_RMS = 160;

// ALSA configuration that sends the default output into a WAV file.
std::string capture_config(const std::string &wav)
{
    return "pcm.!default { type plug; slave { pcm \"capture\"; format S16_LE } }\n"
           "pcm.capture { type file; slave.pcm \"null\"; file \"" +
           wav + "\"; format \"wav\" }\n";
}

// RMS of the 16-bit samples in a WAV file's data chunk; -1 when there is none.
double wav_rms(const std::vector<unsigned char> &wav)
{
    std::size_t at = 12;  // past "RIFF", the size and "WAVE"
    while (at + 8 <= wav.size()) {
        const std::size_t size = wav[at + 4] | wav[at + 5] << 8 | wav[at + 6] << 16 |
                                 static_cast<std::size_t>(wav[at + 7]) << 24;
        if (std::memcmp(&wav[at], "data", 4) == 0) {
            const std::size_t end = std::min(wav.size(), at + 8 + size);
            double sum = 0;
            std::size_t n = 0;
            for (std::size_t i = at + 8; i + 1 < end; i += 2, ++n) {
                const double s = static_cast<std::int16_t>(wav[i] | wav[i + 1] << 8);
                sum += s * s;
            }
            return n ? std::sqrt(sum / n) : -1;
        }
        at += 8 + size;
    }
    return -1;
}

}  // namespace

const Artwork &artwork()
{
    static Artwork art;
    static bool loaded = false;
    if (!loaded) {
        if (!load_artwork(ZINDLE_DATA_DIR, &art)) {
            std::fprintf(stderr, "cannot read the datafiles in %s\n", ZINDLE_DATA_DIR);
            std::abort();
        }
        loaded = true;
    }
    return art;
}

void GameSession::SetUp()
{
    artwork();
    dir = make_scratch_dir();
    ASSERT_TRUE(start_xserver(&x)) << "Xvfb did not start";
}

void GameSession::TearDown()
{
    if (HasFailure() && !game.scratch.empty()) {
        std::printf("game ended: %s\ngame output:\n%s\n", describe_end(game).c_str(),
                    game_output(game).c_str());
    }
    finish_game(&game);
    stop_xserver(&x);
    remove_tree(dir);
}

bool GameSession::launch(const std::string &workdir, const std::vector<std::string> &extra_env)
{
    if (!start_game(&game, program, workdir, x.name(), extra_env)) {
        return false;
    }
    win = wait_for_window(x.dpy, "Zindle", STARTUP_SECONDS);
    return win != 0;
}

void GameSession::open_menu(const std::string &workdir, const std::vector<std::string> &extra_env)
{
    ASSERT_TRUE(launch(workdir, extra_env)) << "no window titled Zindle; " << describe_end(game);
    ASSERT_TRUE(shows_menu());
    // Right after the window opens the game puts the pointer back where it
    // was; keep choosing help until the game has taken the click where it
    // was made.
    bool helped = false;
    for (int i = 0; i < POINTER_ATTEMPTS && !helped; ++i) {
        click_at(HELP_X, HELP_Y);
        helped = wait_until(
            [&] {
                Picture p;
                return grab(x.dpy, win, &p) && difference(p, artwork().help).empty();
            },
            POINTER_ATTEMPT_SECONDS);
    }
    ASSERT_TRUE(helped) << "the help entry never answered a click";
    click_at(BACK_X, BACK_Y);
    ASSERT_TRUE(shows_menu());
}

void GameSession::click_at(int px, int py)
{
    ASSERT_TRUE(click(x, win, px, py)) << "xdotool click failed";
}

void GameSession::press(const char *key)
{
    ASSERT_TRUE(tap_key(x, win, key)) << "xdotool key failed";
}

::testing::AssertionResult GameSession::shows(const Picture &want, const char *what)
{
    Picture last;
    if (wait_for_picture(
            x.dpy, win, [&](const Picture &p) { return difference(p, want).empty(); },
            SCREEN_SECONDS, &last)) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "the window does not show the " << what << ": " << difference(last, want)
           << "; game " << describe_end(game);
}

::testing::AssertionResult GameSession::shows_lone_tile(TileSeen *tile)
{
    Picture last;
    const Artwork &art = artwork();
    if (wait_for_picture(
            x.dpy, win,
            [&](const Picture &p) {
                return difference(p, art.play, outside_tiles, &art).empty() &&
                       lone_tile(art, p, tile);
            },
            SCREEN_SECONDS, &last)) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "no play screen with one tile: backdrop "
           << difference(last, art.play, outside_tiles, &art) << "; tiles seen "
           << tiles_seen(art, last).size() << "; game " << describe_end(game);
}

::testing::AssertionResult GameSession::wait_for_tile(bool (*wanted)(const TileSeen &,
                                                                     const TileSeen &),
                                                      TileSeen before, TileSeen *now)
{
    const Artwork &art = artwork();
    Picture last;
    if (wait_for_picture(
            x.dpy, win, [&](const Picture &p) { return lone_tile(art, p, now) && wanted(before, *now); },
            SCREEN_SECONDS, &last)) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "the tile at column " << before.column << ", y " << before.y
           << " never did as expected; last seen at column " << now->column << ", y " << now->y
           << "; game " << describe_end(game);
}

void GameSession::help_and_back()
{
    click_at(HELP_X, HELP_Y);
    ASSERT_TRUE(shows_help());
    click_at(BACK_X, BACK_Y);
    ASSERT_TRUE(shows_menu());
}

::testing::AssertionResult GameSession::exits_with(int code)
{
    if (!wait_for_exit(&game, EXIT_SECONDS)) {
        return ::testing::AssertionFailure() << "the game is still running";
    }
    if (!WIFEXITED(game.status) || WEXITSTATUS(game.status) != code) {
        return ::testing::AssertionFailure()
               << "the game ended with " << describe_end(game) << ", not exit " << code;
    }
    return ::testing::AssertionSuccess();
}

std::vector<std::string> GameSession::capture_sound()
{
    write_file(dir + "/.asoundrc", capture_config(dir + "/capture.wav"));
    return {"HOME=" + dir};
}

::testing::AssertionResult GameSession::sound_flows()
{
    const std::string wav = dir + "/capture.wav";
    if (wait_until([&] { return static_cast<long>(read_bytes(wav).size()) > CAPTURE_BYTES; },
                   CAPTURE_SECONDS)) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "the capture stayed at " << read_bytes(wav).size()
                                         << " bytes";
}

::testing::AssertionResult GameSession::captured_sound_is_audible()
{
    const double rms = wav_rms(read_bytes(dir + "/capture.wav"));
    if (rms > AUDIBLE_RMS) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "the captured sound has an RMS of " << rms << ", not over "
                                         << AUDIBLE_RMS;
}
