// The tune during a real session, captured through ALSA into a WAV file, and
// a silent game when there is no sound device at all.
#include "session.h"

namespace {

using Sound = GameSession;

TEST_F(Sound, TheTuneIsHeardWhileTheMenuWaits)
{
    ASSERT_TRUE(launch(ZINDLE_DATA_DIR, capture_sound()));
    EXPECT_TRUE(shows_menu()) << "message: " << last_message(game);
    EXPECT_TRUE(sound_flows());
    send_close_request(x.dpy, win);
    EXPECT_TRUE(exits_with(0));
    EXPECT_TRUE(captured_sound_is_audible());
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
