// Zindle: the game's shared state and the functions its sources share.
// Read top to bottom, this is the table of contents of the game.
#ifndef ZINDLE_H
#define ZINDLE_H

#include <atomic>
#include <cstdint>

// Allegro's own types, named here so this header need not pull in the
// whole library.
struct BITMAP;
struct SAMPLE;
struct MIDI;
struct RLE_SPRITE;

// ---- Geometry -------------------------------------------------------------
// The window is a grid of square screen tiles; the well sits inside it,
// one tile column in from the left and four tile rows down from the top.
// (Allegro already owns the names SCREEN_W and SCREEN_H.)
constexpr int TILE_SIZE = 32;
constexpr int SCREEN_COLS = 12;
constexpr int SCREEN_ROWS = 20;
constexpr int WINDOW_W = SCREEN_COLS * TILE_SIZE;  // 384
constexpr int WINDOW_H = SCREEN_ROWS * TILE_SIZE;  // 640
constexpr int WELL_COLS = 8;
constexpr int WELL_ROWS = 16;
constexpr int WELL_COL_OFFSET = 1;  // well column c is screen column c + 1
constexpr int WELL_ROW_OFFSET = 4;  // well row r is screen row r + 4
constexpr int WELL_X = WELL_COL_OFFSET * TILE_SIZE;  // 32
constexpr int WELL_Y = WELL_ROW_OFFSET * TILE_SIZE;  // 128

// ---- Tiles ----------------------------------------------------------------
// Indices into `tiles`: frame tiles first, then the blocks that fall.
constexpr int TILE_COUNT = 14;
constexpr int FIRST_BLOCK_TILE = 8;
constexpr int BLOCK_KINDS = 6;
constexpr int EMPTY = 0;  // a well cell without a tile
constexpr int RUN_LENGTH = 3;  // equal tiles in a row or column that vanish

// ---- Clock ----------------------------------------------------------------
constexpr int TICKS_PER_SECOND = 100;  // timer_func
constexpr int RATE_PERIOD_SECONDS = 5;  // rate_func
constexpr int START_DIFFICULTY = 10;

// ---- Menus ----------------------------------------------------------------
// Clickable areas in window pixels, bounds inclusive; the artwork draws
// each entry inside its area.
struct Area {
    int left, top, right, bottom;
};
enum MenuChoice { MENU_START = 1, MENU_OPTIONS, MENU_HELP, MENU_EXIT };
constexpr Area MENU_AREAS[4] = {
    {118, 246, 279, 287},  // start game
    {118, 300, 382, 340},  // options
    {118, 355, 270, 395},  // help
    {118, 407, 271, 448},  // exit
};
constexpr Area HELP_BACK_AREA = {201, 591, 349, 629};

// ---- Start-up and resources (startup.cpp) ----------------------------------
extern int t_color_depth;
extern std::atomic<std::uint32_t> timer_var;    // 10 ms ticks, timer thread
extern std::atomic<std::uint32_t> block_rate2;  // 5 s periods, timer thread
extern std::atomic<bool> close_requested;  // the window's close button
extern BITMAP *double_buffer;
extern BITMAP *mask_layer;
extern RLE_SPRITE *mask_sprite;  // mask_layer run-length coded: draws faster
extern BITMAP *tiles[TILE_COUNT];
extern BITMAP *background;
extern MIDI *background_music;
extern SAMPLE *sound_bam;
extern BITMAP *background2;
extern BITMAP *menu_bitmap;
extern BITMAP *help_menu_bitmap;
extern int tile_mask_layout[SCREEN_ROWS][SCREEN_COLS];  // -1: no frame tile

// setup's results; on failure the player has been told why.
enum SetupResult {
    SETUP_OK = 0,
    SETUP_NO_GRAPHICS = 1,
    SETUP_NO_DATA = 2,
    SETUP_NO_MUSIC = 3,
    SETUP_NO_DISPLAY = 4,
};
int setup();
// The window's identity on the desktop, set before the library starts, as
// it opens its window then: on X its class and icon, which tie it to the
// game's desktop entry (platform_x11.cpp); Windows reads the icon from the
// executable's resources (platform_windows.cpp).
void set_window_identity();
// Where the start-up may pause: between its steps and between a datafile's
// objects. A program that shares a browser page's one thread lets the page
// have its turn there, so that the page never stands still for long
// (platform_web.cpp); elsewhere the start-up goes straight on.
void yield_to_platform();
// The datafiles lie beside the game before it starts; a browser's page may
// still be fetching them while the program readies itself, and the start-up
// waits here, before reading them, until they are in place
// (platform_web.cpp).
void wait_for_datafiles();
void timer_func();
void rate_func();
void draw_mask_layout();

// ---- Datafiles (datafile_check.cpp) ------------------------------------------
// The objects the game reads from a datafile: how many, and their kinds in
// order, as the library's DAT_ codes. More may follow. Loading the whole
// file may allocate at most `budget` bytes.
struct DatafileLayout {
    int count;
    const int *kinds;
    long long budget;
};
extern const DatafileLayout tiles_dat_layout;
extern const DatafileLayout stuff_dat_layout;

// True when the library's loader can read the file without harm and it
// begins with the objects of `layout`; read with the password in force.
// `between_objects`, where given, is called after each object is read.
bool datafile_is_sound(const char *filename, const DatafileLayout &layout,
                       void (*between_objects)() = nullptr);

// ---- Game rules (rules.cpp) ------------------------------------------------
// The well, [row][column], row 0 at the top; 0 = empty, else a tile index.
extern int tile_block_layout[WELL_ROWS][WELL_COLS];
extern int tile_block_delete[WELL_ROWS][WELL_COLS];  // clearing marks
extern int tile_block_tops[WELL_COLS];  // topmost tile's row, 15 if empty

// The falling tile: screen column, screen row counter, pixel offset.
// Its top edge is drawn at y = TILE_SIZE * block_y - block_fine.
extern int block_x;
extern int block_y;
extern int block_fine;
extern int block_tile;
extern std::uint32_t block_rate;  // pixels per timer tick
extern int block_rate_temp;       // 1 while the tile is sped up
extern int difficulty;
extern std::uint32_t timer_change;  // timer ticks since the last game tick

void find_tops();
int check_lose();
void start_game();
int drop_block();

int update_block();
void move_block_left();
void move_block_right();
void speed_up_block();
void slow_down_block();

void check_line(int x, int y);
void delete_lines();

void apply_gravity();

// One game tick of the rules; 1 when the game is lost.
int update_game();

// ---- Play screen (screen.cpp) -----------------------------------------------
void screen_update();
void draw_old_blocks();
void draw_block();

// ---- Program flow and input (zindle_main.cpp) -------------------------------
extern int mouse_mickeys_x;
extern int mouse_mickeys_y;
constexpr int CONTROL_KEYS = 5;
extern const int t_keys[CONTROL_KEYS];  // up, down, left, right, escape

int game_menu();
void game_menu_help();
void play_game();

#endif
