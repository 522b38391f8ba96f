// The tune during a real session, captured through ALSA into a WAV file, and
// a silent game when there is no sound device at all.
#include <cmath>
#include <cstring>

#include "session.h"

namespace {

// A capture reaches this size after about a second of sound.
constexpr long CAPTURE_BYTES = 200000;
constexpr double CAPTURE_SECONDS = 30;
// Root mean square of the 16-bit samples; the tune is far louder, digital
// silence is 0.
constexpr double AUDIBLE_RMS = 160;

// Sends ALSA's default output into a WAV file.
std::string capture_config(const std::string &wav)
{
    return "pcm.!default { type plug; slave { pcm \"capture\"; format S16_LE } }\n"
           "pcm.capture { type file; slave.pcm \"null\"; file \"" +
           wav + "\"; format \"wav\" }\n";
}

// RMS of the samples in a WAV file's data chunk; -1 when there is none.
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

using Sound = GameSession;

TEST_F(Sound, TheTuneIsHeardWhileTheMenuWaits)
{
    const std::string home = make_scratch_dir();
    const std::string wav = home + "/capture.wav";
    write_file(home + "/.asoundrc", capture_config(wav));
    ASSERT_TRUE(launch(ZINDLE_DATA_DIR, {"HOME=" + home}));
    EXPECT_TRUE(shows_menu()) << "message: " << last_message(game);
    EXPECT_TRUE(wait_until([&] { return static_cast<long>(read_bytes(wav).size()) > CAPTURE_BYTES; },
                           CAPTURE_SECONDS))
        << "the capture stayed at " << read_bytes(wav).size() << " bytes";
    send_close_request(x.dpy, win);
    EXPECT_TRUE(exits_with(0));
    const double rms = wav_rms(read_bytes(wav));
    EXPECT_GT(rms, AUDIBLE_RMS);
    remove_tree(home);
}

TEST_F(Sound, WithoutASoundDeviceTheGameRunsSilently)
{
    const std::string home = make_scratch_dir();
    // The default device names a sound card that does not exist.
    write_file(home + "/.asoundrc", "pcm.!default { type hw; card 99 }\nctl.!default { type hw; card 99 }\n");
    ASSERT_TRUE(launch(ZINDLE_DATA_DIR, {"HOME=" + home}));
    EXPECT_TRUE(shows_menu()) << "message: " << last_message(game);
    click_at(150, 260);
    TileSeen tile{};
    EXPECT_TRUE(shows_lone_tile(&tile));
    send_close_request(x.dpy, win);
    EXPECT_TRUE(exits_with(0));
    remove_tree(home);
}

}  // namespace
