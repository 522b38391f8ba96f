// Start-up failures as the player meets them: the message box's text (taken
// by a stand-in xmessage) and the exit status. A damaged datafile gives the
// same message and status as a missing one, or plays; it never crashes.
#include <allegro.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <random>

#include "session.h"
#include "zindle.h"

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

// ---- Datafiles that would not play, made here and checked in-process ---------
using Bytes = std::vector<unsigned char>;
using Object = std::pair<int, Bytes>;

Bytes operator+(Bytes a, const Bytes &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes word(long w) { return {static_cast<unsigned char>(w >> 8), static_cast<unsigned char>(w)}; }
Bytes quad(long l) { return word(l >> 16) + word(l); }
Object picture(int bits, int w, int h) { return {DAT_BITMAP, word(bits) + word(w) + word(h) + Bytes(w * h * ((bits + 7) / 8))}; }
Object sound(int hz, long n) { return {DAT_SAMPLE, word(8) + word(hz) + quad(n) + Bytes(n, 0x80)}; }
Object tune(const std::vector<Bytes> &tracks, int ticks_per_beat = 480)
{
    Bytes t = word(ticks_per_beat);
    for (const Bytes &track : tracks) {
        t = t + quad(static_cast<long>(track.size())) + track;
    }
    return {DAT_MIDI, t + Bytes(4 * (32 - tracks.size()))};  // the other tracks, empty
}
const Bytes END = {0x00, 0xFF, 0x2F, 0x00};
const Bytes NOTE = {0x00, 0x90, 0x3C, 0x40, 0x00, 0x80, 0x3C, 0x40};  // on and off at once

// Packs objects as `dat` does, uncompressed, under the game's password.
void pack(const std::string &path, const std::vector<Object> &objects)
{
    Bytes file = quad(DAT_MAGIC) + quad(static_cast<long>(objects.size()));
    for (const auto &[kind, bytes] : objects) {
        file = file + quad(kind) + quad(static_cast<long>(bytes.size())) + quad(static_cast<long>(bytes.size())) + bytes;
    }
    packfile_password("amber crest");
    PACKFILE *f = pack_fopen(path.c_str(), F_WRITE_NOPACK);
    pack_fwrite(file.data(), static_cast<long>(file.size()), f);
    pack_fclose(f);
}

// The check of a file that begins with one object of the first one's kind.
bool accepted(const std::vector<Object> &objects)
{
    install_allegro(SYSTEM_NONE, &errno, std::atexit);
    const std::string path = "/tmp/zindle-check-" + std::to_string(getpid()) + ".dat";
    pack(path, objects);
    const bool ok = datafile_is_sound(path.c_str(), {1, &objects[0].first, stuff_dat_layout.budget});
    std::remove(path.c_str());
    return ok;
}

TEST(Check, RefusesTunesThatLastNoTime)
{
    EXPECT_FALSE(accepted({tune({END})}));
    EXPECT_FALSE(accepted({tune({NOTE + END})}));
    EXPECT_FALSE(accepted({tune({})}));  // empty track chunks
    EXPECT_FALSE(accepted({tune({NOTE + END, END, NOTE + NOTE + END})}));
    EXPECT_TRUE(accepted({tune({NOTE + END, {0x83, 0x60, 0xFF, 0x2F, 0x00}})}));  // a beat long
    // A 1-tick beat's tick is 596590 timer units: 32 bits hold 3599, or 107 at the slowest tempo.
    EXPECT_TRUE(accepted({tune({{0x9C, 0x0F, 0xFF, 0x2F, 0x00}}, 1)}));
    EXPECT_FALSE(accepted({tune({{0x9C, 0x10, 0xFF, 0x2F, 0x00}}, 1)}));
    EXPECT_FALSE(accepted({tune({{0x00, 0xFF, 0x51, 0x03, 0xFF, 0xFF, 0xFF, 0x6C, 0xFF, 0x2F, 0x00}}, 1)}));
}

TEST(Check, RefusesSoundsAndPicturesThatWouldNotPlay)
{
    // At 44100 Hz the mixer's step, frequency * 256 / 44100, is 0 up to
    // 172 Hz; positions, 256ths of a frame with a step to spare, fit 32 bits.
    EXPECT_FALSE(accepted({sound(60, 1)}));
    EXPECT_FALSE(accepted({sound(172, 1)}));
    EXPECT_TRUE(accepted({sound(173, 8323072)}));
    EXPECT_FALSE(accepted({sound(173, 8323073)}));
    EXPECT_FALSE(accepted({picture(8, 1, 1)}));
    EXPECT_TRUE(accepted({picture(16, 1, 1), picture(8, 1, 1)}));
    // Pictures count at 32 bits, not as stored at 15, and objects after the game's count too.
    const long budget = static_cast<long>(stuff_dat_layout.budget), w = 2048, rows = budget / (4 * w);
    EXPECT_TRUE(accepted({picture(15, w, rows * 9 / 10)}));
    EXPECT_FALSE(accepted({picture(15, w, rows + 1)}));
    const Object half = {DAT_ID('D', 'A', 'T', 'A'), Bytes(budget / 2)};
    EXPECT_TRUE(accepted({picture(16, 1, 1), half}));
    EXPECT_FALSE(accepted({picture(16, 1, 1), half, half}));
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
