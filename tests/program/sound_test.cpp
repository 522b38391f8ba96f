// The tune during a real session, captured through ALSA into a WAV file, and
// a silent game when there is no sound device at all.
#include "session.h"

namespace {

using Sound = GameSession;

TEST_F(Sound, TheTuneIsHeardWhileTheMenuWaits)
{
    const std::string wav = dir + "/capture.wav";
    write_file(dir + "/.asoundrc", capture_config(wav));
    ASSERT_TRUE(launch(ZINDLE_DATA_DIR, {"HOME=" + dir}));
    EXPECT_TRUE(shows_menu()) << "message: " << last_message(game);
    EXPECT_TRUE(wait_until([&] { return static_cast<long>(read_bytes(wav).size()) > CAPTURE_BYTES; },
                           CAPTURE_SECONDS))
        << "the capture stayed at " << read_bytes(wav).size() << " bytes";
    send_close_request(x.dpy, win);
    EXPECT_TRUE(exits_with(0));
    const double rms = wav_rms(read_bytes(wav));
    EXPECT_GT(rms, AUDIBLE_RMS);
}

TEST_F(Sound, WithoutASoundDeviceTheGameRunsSilently)
{
    // The default device names a sound card that does not exist.
    write_file(dir + "/.asoundrc", "pcm.!default { type hw; card 99 }\nctl.!default { type hw; card 99 }\n");
    ASSERT_TRUE(launch(ZINDLE_DATA_DIR, {"HOME=" + dir}));
    EXPECT_TRUE(shows_menu()) << "message: " << last_message(game);
    click_at(150, 260);
    TileSeen tile{};
    EXPECT_TRUE(shows_lone_tile(&tile));
    send_close_request(x.dpy, win);
    EXPECT_TRUE(exits_with(0));
}

}  // namespace
