// The program: start-up, the main menu, the help screen and the play loop.
// Input handling here only calls the rules' controls.
#include <allegro.h>

#include "zindle.h"

int mouse_mickeys_x;
int mouse_mickeys_y;
const int t_keys[CONTROL_KEYS] = {KEY_UP, KEY_DOWN, KEY_LEFT, KEY_RIGHT, KEY_ESC};

namespace {

enum Control { SLOWER, FASTER, LEFT, RIGHT, QUIT };

constexpr int LEFT_BUTTON = 1;  // bit of mouse_b
constexpr int MICKEYS_PER_MOVE = 5;

// Each polling pass gives the processor back; a game tick is 10 ms long.
constexpr int REST_MS = 1;

bool inside(const Area &a, int x, int y)
{
    return x >= a.left && x <= a.right && y >= a.top && y <= a.bottom;
}

bool left_click_in(const Area &a)
{
    return (mouse_b & LEFT_BUTTON) && inside(a, mouse_x, mouse_y);
}

// X keeps the input state current by itself; other platforms need polling.
void poll_input()
{
    poll_keyboard();
    poll_mouse();
}

// Pictures smaller than the window leave black around them, never the
// last screen; larger ones are cut to the window.
void show_picture(BITMAP *overlay)
{
    clear_bitmap(double_buffer);
    blit(background2, double_buffer, 0, 0, 0, 0, WINDOW_W, WINDOW_H);
    masked_blit(overlay, double_buffer, 0, 0, 0, 0, WINDOW_W, WINDOW_H);
    blit(double_buffer, screen, 0, 0, 0, 0, WINDOW_W, WINDOW_H);
}

void read_mickeys()
{
    get_mouse_mickeys(&mouse_mickeys_x, &mouse_mickeys_y);
}

// Keys act on every pass, so a held arrow carries the tile across at once;
// the mouse acts on the previous pass's reading.
int handle_controls()
{
    if (key[t_keys[SLOWER]]) {
        slow_down_block();
    }
    if (key[t_keys[FASTER]]) {
        speed_up_block();
    }
    if (key[t_keys[LEFT]] || mouse_mickeys_x < 0) {
        move_block_left();
    }
    if (key[t_keys[RIGHT]] || mouse_mickeys_x > 0) {
        move_block_right();
    }
    return key[t_keys[QUIT]] ? 1 : 0;
}

void end_game()
{
    block_y = 0;
    block_fine = 0;
    block_tile = 0;
    block_rate = 1;
    block_rate_temp = 0;
    difficulty = START_DIFFICULTY;
    block_rate2 = 0;
    timer_var = 0;
    timer_change = 0;
}

}  // namespace

int game_menu()
{
    show_picture(menu_bitmap);
    unscare_mouse();

    int choice = 0;
    while (choice == 0) {
        poll_input();
        if (close_requested) {
            choice = MENU_EXIT;
        }
        for (int entry = MENU_START; entry <= MENU_EXIT; ++entry) {
            if (left_click_in(MENU_AREAS[entry - 1])) {
                choice = entry;
            }
        }
        rest(REST_MS);
    }
    scare_mouse();
    return choice;
}

void game_menu_help()
{
    scare_mouse();
    show_picture(help_menu_bitmap);

    for (;;) {
        poll_input();
        if (left_click_in(HELP_BACK_AREA) || close_requested) {
            break;
        }
        unscare_mouse();  // undoes the nesting, so the pointer shows
        rest(REST_MS);
    }
    scare_mouse();
}

void play_game()
{
    // The window system's pointer ignores scare_mouse, so play takes it away
    // and gives it back itself.
    show_mouse(nullptr);
    start_game();
    screen_update();
    timer_var = 0;
    int exit = 0;
    std::uint32_t last_timer = 0;
    read_mickeys();  // the first pass uses this reading undivided

    while (exit == 0) {
        const std::uint32_t now = timer_var;
        if (now != last_timer) {
            // Missed clock ticks fold into one game tick of the same length.
            timer_change = now - last_timer;
            last_timer = now;
            exit = update_game();
            screen_update();
        }
        poll_input();
        if (handle_controls() == 1 || close_requested) {
            exit = 1;
        }
        read_mickeys();
        mouse_mickeys_x /= MICKEYS_PER_MOVE;
        rest(REST_MS);
    }
    end_game();
    show_mouse(screen);
}

int main()
{
    const int failure = setup();
    if (failure != SETUP_OK) {
        return failure;
    }

    int menu_val;
    do {
        menu_val = game_menu();
        if (menu_val == MENU_HELP) {
            game_menu_help();
        }
        if (menu_val == MENU_START) {
            play_game();
        }
    } while (menu_val != MENU_EXIT);

    allegro_exit();
    return 0;
}
END_OF_MAIN()
