// The main menu and the help screen, played with the real pointer. A click
// that must do nothing is followed by a help-and-back round trip: had the
// click started a game or ended the program, that round trip could not
// happen, so no test waits for something not to happen.
#include "session.h"

namespace {

using Menu = GameSession;

TEST_F(Menu, ShowsTheMenuPictureInAWindowTitledZindle)
{
    open_menu();
    Picture p;
    ASSERT_TRUE(grab(x.dpy, win, &p));
    EXPECT_EQ(p.w, 384);
    EXPECT_EQ(p.h, 640);
}

TEST_F(Menu, StartGameAreaBeginsAtItsTopLeftPixel)
{
    open_menu();
    click_at(118, 246);
    TileSeen tile;
    EXPECT_TRUE(shows_lone_tile(&tile));
}

TEST_F(Menu, ClicksJustLeftOfAndJustAboveStartGameDoNothing)
{
    open_menu();
    click_at(117, 246);
    help_and_back();
    click_at(118, 245);
    help_and_back();
    click_at(117, 287);
    help_and_back();
    EXPECT_TRUE(still_running(&game));
}

TEST_F(Menu, StartGameAreaEndsAtItsBottomRightPixel)
{
    open_menu();
    click_at(280, 288);  // outside: below and right of the area
    help_and_back();
    click_at(279, 287);
    TileSeen tile;
    EXPECT_TRUE(shows_lone_tile(&tile));
}

TEST_F(Menu, OptionsOnlyDrawsTheMenuAgain)
{
    open_menu();
    paint_over(x.dpy, win, 0x000000);
    click_at(382, 300);
    EXPECT_TRUE(shows_menu());
    paint_over(x.dpy, win, 0x000000);
    click_at(118, 340);
    EXPECT_TRUE(shows_menu());
    help_and_back();
    EXPECT_TRUE(still_running(&game));
}

TEST_F(Menu, ExitAreaEndsTheProgramWithStatusZero)
{
    open_menu();
    click_at(271, 448);
    EXPECT_TRUE(exits_with(0));
}

TEST_F(Menu, ExitAreaBeginsAtItsTopLeftPixel)
{
    open_menu();
    click_at(118, 407);
    EXPECT_TRUE(exits_with(0));
}

TEST_F(Menu, ClicksJustOutsideExitDoNothing)
{
    open_menu();
    click_at(272, 448);
    help_and_back();
    click_at(271, 449);
    help_and_back();
    click_at(117, 407);
    help_and_back();
    click_at(118, 406);
    help_and_back();
    EXPECT_TRUE(still_running(&game));
}

TEST_F(Menu, PointingWithoutPressingChoosesNothing)
{
    open_menu();
    ASSERT_TRUE(move_pointer(x, win, 200, 420));  // over exit
    ASSERT_TRUE(move_pointer(x, win, 200, 260));  // over start game
    help_and_back();
    EXPECT_TRUE(still_running(&game));
}

TEST_F(Menu, HelpAreaEdgesOpenTheHelpScreen)
{
    open_menu();
    click_at(118, 355);
    EXPECT_TRUE(shows_help());
    click_at(201, 591);
    ASSERT_TRUE(shows_menu());
    click_at(270, 395);
    EXPECT_TRUE(shows_help());
}

TEST_F(Menu, HelpScreenIgnoresClicksOutsideTheBackButton)
{
    open_menu();
    click_at(194, 375);
    ASSERT_TRUE(shows_help());
    for (const auto &p : {std::make_pair(200, 591), std::make_pair(201, 590),
                          std::make_pair(350, 629), std::make_pair(349, 630)}) {
        click_at(p.first, p.second);
    }
    // Had any of them gone back, this would be a click on the menu's exit
    // entry rather than on an empty part of the help screen.
    click_at(200, 420);
    click_at(349, 629);
    EXPECT_TRUE(shows_menu());
    help_and_back();
    EXPECT_TRUE(still_running(&game));
}

TEST_F(Menu, ButtonHeldFromBackButtonChoosesNothingOnTheMenu)
{
    open_menu();
    click_at(194, 375);
    ASSERT_TRUE(shows_help());
    ASSERT_TRUE(xdotool(x, {"mousemove", "--window", std::to_string(win), "275", "610",
                            "mousedown", "1"}));
    ASSERT_TRUE(shows_menu());
    ASSERT_TRUE(xdotool(x, {"mouseup", "1"}));
    help_and_back();
    EXPECT_TRUE(still_running(&game));
}

TEST_F(Menu, CloseButtonEndsTheProgramWithStatusZero)
{
    open_menu();
    send_close_request(x.dpy, win);
    EXPECT_TRUE(exits_with(0));
}

TEST_F(Menu, CloseButtonOnTheHelpScreenEndsTheProgramWithStatusZero)
{
    open_menu();
    click_at(194, 375);
    ASSERT_TRUE(shows_help());
    send_close_request(x.dpy, win);
    EXPECT_TRUE(exits_with(0));
}

}  // namespace
