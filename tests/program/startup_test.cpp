// Start-up failures as the player meets them: the message box's text (taken
// by a stand-in xmessage) and the exit status. A damaged datafile gives the
// same message and status as a missing one, or plays; it never crashes.
#include <sys/stat.h>
#include <sys/wait.h>

#include <random>

#include "packed.h"
#include "session.h"

namespace {

const char *const TILES_MESSAGE = "Failed to load the tiles data file!";
const char *const STUFF_MESSAGE = "Failed to load the stuff data file!";
constexpr int DATA_FAILURE = 2;
constexpr int DAMAGED_RUNS = 24;  // of each kind, for each file
constexpr unsigned SEED = 20240611;

class StartUp : public GameSession {
  protected:
    void put(const char *name) { copy_file(std::string(ZINDLE_DATA_DIR) + "/" + name, dir + "/" + name); }
    std::vector<unsigned char> real(const char *name)
    {
        return read_bytes(std::string(ZINDLE_DATA_DIR) + "/" + name);
    }

    // Runs the game in the scratch folder until it ends by itself, or until
    // its window answers a close request; describes what the player saw,
    // e.g. "exit 2: Failed to load the tiles data file!", or "exit 0: " for
    // a game that started and was closed.
    std::string outcome()
    {
        if (!start_game(&game, {ZINDLE_GAME}, dir, x.name())) {
            return "not started";
        }
        // Requests sent before start-up listens for them are lost: repeat.
        wait_until(
            [&] {
                const Window w = find_window(x.dpy, "Zindle");
                if (w != 0) {
                    send_close_request(x.dpy, w);
                }
                return !still_running(&game);
            },
            STARTUP_SECONDS);
        const std::string seen = describe_end(game) + ": " + last_message(game);
        finish_game(&game);
        return seen;
    }
};

std::string expected(const char *message)
{
    return "exit " + std::to_string(DATA_FAILURE) + ": " + message;
}

TEST_F(StartUp, MissingTilesFileIsReportedWithCodeTwo)
{
    put("stuff.dat");
    EXPECT_EQ(outcome(), expected(TILES_MESSAGE));
}

TEST_F(StartUp, MissingTilesFileLeavesTheStuffFileUnopened)
{
    // Opening a pipe with no writer blocks, so a game that opened this
    // "stuff.dat" would never end.
    ASSERT_EQ(mkfifo((dir + "/stuff.dat").c_str(), 0644), 0);
    EXPECT_EQ(outcome(), expected(TILES_MESSAGE));
}

TEST_F(StartUp, MissingStuffFileIsReportedWithCodeTwo)
{
    put("tiles.dat");
    EXPECT_EQ(outcome(), expected(STUFF_MESSAGE));
}

TEST_F(StartUp, DatafilesOfTheWrongContentAreRefused)
{
    copy_file(std::string(ZINDLE_DATA_DIR) + "/stuff.dat", dir + "/tiles.dat");
    put("stuff.dat");
    EXPECT_EQ(outcome(), expected(TILES_MESSAGE));
    copy_file(std::string(ZINDLE_DATA_DIR) + "/tiles.dat", dir + "/stuff.dat");
    put("tiles.dat");
    EXPECT_EQ(outcome(), expected(STUFF_MESSAGE));
    write_file(dir + "/stuff.dat", "");
    EXPECT_EQ(outcome(), expected(STUFF_MESSAGE));
}

const char *const PLAYED = "exit 0: ";

// Cuts at seeded places, plus the lengths known to crash the library's
// loader (a dozen bytes, one byte short), lose data and are refused. A
// changed byte may leave a file the game can play, only with other pictures
// or notes: either outcome is fine, a crash or a hang is not.
void damage_each_way(const std::string &path, const char *message,
                     const std::vector<unsigned char> &good,
                     const std::function<std::string()> &outcome)
{
    std::mt19937 rng(SEED);
    std::uniform_int_distribution<std::size_t> place(0, good.size() - 1);
    std::vector<std::size_t> cuts = {0, 12, good.size() / 2, good.size() - 1};
    while (cuts.size() < DAMAGED_RUNS) {
        cuts.push_back(place(rng));
    }
    for (std::size_t cut : cuts) {
        write_bytes(path, std::vector<unsigned char>(good.begin(), good.begin() + static_cast<long>(cut)));
        EXPECT_EQ(outcome(), expected(message)) << path << " cut to " << cut << " bytes";
    }
    std::uniform_int_distribution<int> bit(0, 7);
    for (int i = 0; i < DAMAGED_RUNS; ++i) {
        std::vector<unsigned char> bad = good;
        const std::size_t at = i == 0 ? 0 : place(rng);
        bad[at] ^= static_cast<unsigned char>(1 << bit(rng));
        write_bytes(path, bad);
        const std::string seen = outcome();
        EXPECT_TRUE(seen == expected(message) || seen == PLAYED)
            << path << " changed at byte " << at << ": " << seen;
    }
}

TEST_F(StartUp, DamagedTilesFileIsRefusedLikeAMissingOneOrPlayed)
{
    put("stuff.dat");
    damage_each_way(dir + "/tiles.dat", TILES_MESSAGE, real("tiles.dat"), [&] { return outcome(); });
}

TEST_F(StartUp, DamagedStuffFileIsRefusedLikeAMissingOneOrPlayed)
{
    put("tiles.dat");
    damage_each_way(dir + "/stuff.dat", STUFF_MESSAGE, real("stuff.dat"), [&] { return outcome(); });
}

TEST_F(StartUp, IntactDatafilesStartTheGame)
{
    put("tiles.dat");
    put("stuff.dat");
    ASSERT_TRUE(launch(dir));
    EXPECT_TRUE(shows_menu());
    send_close_request(x.dpy, win);
    EXPECT_TRUE(exits_with(0));
}

TEST_F(StartUp, ATuneThatLastsNoTimeIsRefusedLikeAMissingFile)
{
    put("tiles.dat");
    const Object tiny = picture(16, 1, 1);
    pack(dir + "/stuff.dat", {tiny, tiny, tune({NOTE + END}), sound(11025, 1), tiny, tiny, tiny});
    EXPECT_EQ(outcome(), expected(STUFF_MESSAGE));
}

// Without an X server the library cannot start: a plain message, a failure
// status, and no crash.
TEST(StartUpWithoutDisplay, SaysWhyAndFails)
{
    GameRun game;
    ASSERT_TRUE(start_game(&game, {ZINDLE_GAME}, ZINDLE_DATA_DIR, ""));
    ASSERT_TRUE(wait_for_exit(&game, EXIT_SECONDS));
    const std::string output = game_output(game);
    const bool exited = WIFEXITED(game.status);
    const int code = exited ? WEXITSTATUS(game.status) : -1;
    finish_game(&game);
    EXPECT_TRUE(exited) << describe_end(game);
    EXPECT_NE(code, 0);
    EXPECT_NE(output.find("display"), std::string::npos) << output;
}

}  // namespace
