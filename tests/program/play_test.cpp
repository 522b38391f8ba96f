// Playing: the play screen, the falling tile under the keys and the mouse,
// Escape, the close button, and the menu after a game.
#include <chrono>

#include "session.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int START_X = 150, START_Y = 260;  // inside start game
constexpr int SPAWN_Y = 128;                 // a new tile's top edge
constexpr int NEAR_SPAWN_Y = 200;            // within 0.7 s of falling
constexpr double MEASURE_SECONDS = 0.4;
constexpr double CPU_WINDOW_SECONDS = 1;
constexpr double MOST_OF_A_CORE = 0.5;  // a loop without a pause takes all of it

class Play : public GameSession {
  protected:
    // From the menu into a game; returns the falling tile.
    TileSeen start_playing()
    {
        click_at(START_X, START_Y);
        TileSeen tile{};
        EXPECT_TRUE(shows_lone_tile(&tile));
        return tile;
    }

    // Share of one processor the game used over a second of waiting.
    double cpu_share()
    {
        const double before = cpu_seconds(game);
        const auto t0 = Clock::now();
        wait_until([&] { return Clock::now() - t0 > std::chrono::duration<double>(CPU_WINDOW_SECONDS); },
                   2 * CPU_WINDOW_SECONDS);
        const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
        return (cpu_seconds(game) - before) / wall;
    }

    // Pixels per second the lone tile falls, over one stretch in which it
    // neither moved sideways nor was replaced by the next tile. The library's
    // timer hands the game every tick that passed, so this clock is the game's.
    double fall_speed()
    {
        const Artwork &art = artwork();
        for (int attempt = 0; attempt < 5; ++attempt) {
            Picture p;
            TileSeen a{}, b{};
            if (!grab(x.dpy, win, &p) || !lone_tile(art, p, &a)) {
                continue;
            }
            const auto t0 = Clock::now();
            wait_until([&] { return Clock::now() - t0 > std::chrono::duration<double>(MEASURE_SECONDS); },
                       1);
            if (!grab(x.dpy, win, &p) || !lone_tile(art, p, &b)) {
                continue;
            }
            const double dt = std::chrono::duration<double>(Clock::now() - t0).count();
            if (b.column == a.column && b.y > a.y) {
                return (b.y - a.y) / dt;
            }
        }
        ADD_FAILURE() << "no stretch of falling could be measured";
        return 0;
    }
};

bool fell(const TileSeen &before, const TileSeen &now)
{
    return now.column == before.column && now.y > before.y;
}

bool lower(const TileSeen &before, const TileSeen &now)
{
    return now.y > before.y;
}

bool in_column_1(const TileSeen &, const TileSeen &now)
{
    return now.column == 1;
}

bool in_column_8(const TileSeen &, const TileSeen &now)
{
    return now.column == 8;
}

bool one_column_right(const TileSeen &before, const TileSeen &now)
{
    return now.column == before.column + 1;
}

bool one_column_left(const TileSeen &before, const TileSeen &now)
{
    return now.column == before.column - 1;
}

TEST_F(Play, StartGameShowsTheWellWithTheTitledBackdropAndATileFalls)
{
    open_menu();
    const Artwork &art = artwork();
    // The title must really be there: the backdrop alone would look different.
    ASSERT_NE(difference(art.play, art.untitled), "");
    const TileSeen first = start_playing();
    EXPECT_GE(first.column, 1);
    EXPECT_LE(first.column, 8);
    TileSeen later{};
    EXPECT_TRUE(wait_for_tile(fell, first, &later));
}

TEST_F(Play, ArrowKeysCarryTheTileToEitherWall)
{
    open_menu();
    TileSeen tile = start_playing();
    TileSeen now{};
    press("Left");
    ASSERT_TRUE(wait_for_tile(in_column_1, tile, &now));
    press("Right");
    ASSERT_TRUE(wait_for_tile(in_column_8, now, &now));
    press("Left");
    EXPECT_TRUE(wait_for_tile(in_column_1, now, &now));
}

TEST_F(Play, MouseMovementMovesTheTileAColumnAtATime)
{
    open_menu();
    TileSeen tile = start_playing();
    press("Left");
    ASSERT_TRUE(wait_for_tile(in_column_1, tile, &tile));
    ASSERT_TRUE(xdotool(x, {"mousemove_relative", "--", "40", "0"}));
    TileSeen now{};
    ASSERT_TRUE(wait_for_tile(one_column_right, tile, &now));
    ASSERT_TRUE(xdotool(x, {"mousemove_relative", "--", "40", "0"}));
    ASSERT_TRUE(wait_for_tile(one_column_right, now, &now));
    ASSERT_TRUE(xdotool(x, {"mousemove_relative", "--", "-40", "0"}));
    EXPECT_TRUE(wait_for_tile(one_column_left, now, &now));
}

TEST_F(Play, DownTriplesTheFallAndUpRestoresIt)
{
    open_menu();
    start_playing();
    const double normal = fall_speed();
    // One pixel per 10 ms clock tick.
    EXPECT_GT(normal, 60);
    EXPECT_LT(normal, 160);
    ASSERT_TRUE(xdotool(x, {"windowfocus", std::to_string(win), "keydown", "Down"}));
    const double fast = fall_speed();
    ASSERT_TRUE(xdotool(x, {"keyup", "Down"}));
    EXPECT_GT(fast, 2 * normal);
    // Released, the tile stays fast until up is pressed.
    press("Up");
    const double again = fall_speed();
    EXPECT_LT(again, 1.6 * normal);
}

// The pointer shows while the menu or the help screen waits for a click and
// stays hidden during play.
TEST_F(Play, PointerShowsInTheMenusAndHidesInPlay)
{
    open_menu();
    EXPECT_TRUE(wait_until([&] { return pointer_visible(x.dpy); }, SCREEN_SECONDS));
    start_playing();
    EXPECT_TRUE(wait_until([&] { return !pointer_visible(x.dpy); }, SCREEN_SECONDS));
    press("Escape");
    ASSERT_TRUE(shows_menu());
    EXPECT_TRUE(wait_until([&] { return pointer_visible(x.dpy); }, SCREEN_SECONDS));
    click_at(194, 375);
    ASSERT_TRUE(shows_help());
    EXPECT_TRUE(wait_until([&] { return pointer_visible(x.dpy); }, SCREEN_SECONDS));
}

// Each polling loop gives the processor back on every pass.
TEST_F(Play, MenusAndPlayLeaveTheProcessorMostlyIdle)
{
    open_menu();
    EXPECT_LT(cpu_share(), MOST_OF_A_CORE) << "menu";
    click_at(194, 375);
    ASSERT_TRUE(shows_help());
    EXPECT_LT(cpu_share(), MOST_OF_A_CORE) << "help screen";
    click_at(275, 610);
    ASSERT_TRUE(shows_menu());
    start_playing();
    EXPECT_LT(cpu_share(), MOST_OF_A_CORE) << "play";
}

TEST_F(Play, EscapeReturnsToTheMenu)
{
    open_menu();
    start_playing();
    press("Escape");
    EXPECT_TRUE(shows_menu());
    EXPECT_TRUE(still_running(&game));
}

TEST_F(Play, MenuFollowsThePointerExactlyAfterAGame)
{
    open_menu();
    TileSeen tile = start_playing();
    // Mouse play reads movement counters, which puts the pointer into a
    // relative mode; the menu must track absolute positions again after it.
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(xdotool(x, {"mousemove_relative", "--", "-30", "25"}));
    }
    TileSeen now{};
    ASSERT_TRUE(wait_for_tile(lower, tile, &now));
    press("Escape");
    ASSERT_TRUE(shows_menu());
    click_at(117, 246);
    help_and_back();
    click_at(272, 448);
    help_and_back();
    click_at(118, 245);
    help_and_back();
    click_at(271, 448);
    EXPECT_TRUE(exits_with(0));
}

TEST_F(Play, SecondGameStartsFromTheTop)
{
    open_menu();
    TileSeen tile = start_playing();
    TileSeen now{};
    ASSERT_TRUE(wait_for_tile(fell, tile, &now));
    press("Escape");
    ASSERT_TRUE(shows_menu());
    click_at(118, 246);
    TileSeen second{};
    ASSERT_TRUE(shows_lone_tile(&second));
    EXPECT_GE(second.y, SPAWN_Y);
    EXPECT_LT(second.y, NEAR_SPAWN_Y);
}

TEST_F(Play, CloseButtonDuringAGameEndsTheProgramWithStatusZero)
{
    open_menu();
    start_playing();
    send_close_request(x.dpy, win);
    EXPECT_TRUE(exits_with(0));
}

}  // namespace
