// The datafile check in-process, on files made here byte by byte: what would
// load but not play is refused, and what is just within the limits passes.
// No display, sound device or network: the package's build runs these.
#include <allegro.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include <gtest/gtest.h>

#include "packed.h"
#include "zindle.h"

namespace {

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

}  // namespace
