// Start-up and resources: the library, the window, the game clock, and every
// bitmap, sample and tune, loaded once and kept for the life of the program.
#include <allegro.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "stuff.h"
#include "tiles.h"
#include "zindle.h"

int t_color_depth;
std::atomic<std::uint32_t> timer_var{0};
std::atomic<std::uint32_t> block_rate2{0};
std::atomic<bool> close_requested{false};

BITMAP *double_buffer;
BITMAP *mask_layer;
RLE_SPRITE *mask_sprite;
BITMAP *tiles[TILE_COUNT];
BITMAP *background;
MIDI *background_music;
SAMPLE *sound_bam;
BITMAP *background2;
BITMAP *menu_bitmap;
BITMAP *help_menu_bitmap;

namespace {

// Frame tiles by where they sit; xx is a cell the frame leaves alone.
constexpr int xx = -1;
constexpr int TL = TILES_FRAME_TOP_LEFT, T_ = TILES_FRAME_TOP, TR = TILES_FRAME_TOP_RIGHT;
constexpr int L_ = TILES_FRAME_LEFT, R_ = TILES_FRAME_RIGHT;
constexpr int BL = TILES_FRAME_BOTTOM_LEFT, B_ = TILES_FRAME_BOTTOM, BR = TILES_FRAME_BOTTOM_RIGHT;

}  // namespace

// The frame around the well: screen columns 0..9, screen rows 4..19.
int tile_mask_layout[SCREEN_ROWS][SCREEN_COLS] = {
    {xx, xx, xx, xx, xx, xx, xx, xx, xx, xx, xx, xx},
    {xx, xx, xx, xx, xx, xx, xx, xx, xx, xx, xx, xx},
    {xx, xx, xx, xx, xx, xx, xx, xx, xx, xx, xx, xx},
    {xx, xx, xx, xx, xx, xx, xx, xx, xx, xx, xx, xx},
    {TL, T_, T_, T_, T_, T_, T_, T_, T_, TR, xx, xx},
    {L_, xx, xx, xx, xx, xx, xx, xx, xx, R_, xx, xx},
    {L_, xx, xx, xx, xx, xx, xx, xx, xx, R_, xx, xx},
    {L_, xx, xx, xx, xx, xx, xx, xx, xx, R_, xx, xx},
    {L_, xx, xx, xx, xx, xx, xx, xx, xx, R_, xx, xx},
    {L_, xx, xx, xx, xx, xx, xx, xx, xx, R_, xx, xx},
    {L_, xx, xx, xx, xx, xx, xx, xx, xx, R_, xx, xx},
    {L_, xx, xx, xx, xx, xx, xx, xx, xx, R_, xx, xx},
    {L_, xx, xx, xx, xx, xx, xx, xx, xx, R_, xx, xx},
    {L_, xx, xx, xx, xx, xx, xx, xx, xx, R_, xx, xx},
    {L_, xx, xx, xx, xx, xx, xx, xx, xx, R_, xx, xx},
    {L_, xx, xx, xx, xx, xx, xx, xx, xx, R_, xx, xx},
    {L_, xx, xx, xx, xx, xx, xx, xx, xx, R_, xx, xx},
    {L_, xx, xx, xx, xx, xx, xx, xx, xx, R_, xx, xx},
    {L_, xx, xx, xx, xx, xx, xx, xx, xx, R_, xx, xx},
    {BL, B_, B_, B_, B_, B_, B_, B_, B_, BR, xx, xx},
};

namespace {

constexpr int FALLBACK_COLOR_DEPTH = 16;
constexpr const char *DATAFILE_PASSWORD = "amber crest";
constexpr int TITLE_W = 300;
constexpr int TITLE_H = 48;
constexpr int FULL_VOLUME = 255;

void object_loaded(DATAFILE *) { yield_to_platform(); }

// The library's loader trusts what it reads and crashes on some damaged
// files, so it only sees files whose structure has been checked.
DATAFILE *load_sound_datafile(const char *name, const DatafileLayout &layout)
{
    return datafile_is_sound(name, layout, yield_to_platform) ? load_datafile_callback(name, object_loaded)
                                                               : nullptr;
}

int fail(int code, const char *message)
{
    allegro_message("%s", message);
    return code;
}

void close_button_pressed() { close_requested = true; }

}  // namespace

void timer_func() { timer_var += 1; }
END_OF_FUNCTION(timer_func)

void rate_func() { block_rate2 += 1; }
END_OF_FUNCTION(rate_func)

// The overlay is mostly see-through; its run-length copy skips those
// stretches, which makes every frame several times cheaper to finish.
void draw_mask_layout()
{
    for (int y = 0; y < SCREEN_ROWS; ++y) {
        for (int x = 0; x < SCREEN_COLS; ++x) {
            const int t = tile_mask_layout[y][x];
            if (t != -1) {
                masked_blit(tiles[t], mask_layer, 0, 0, TILE_SIZE * x, TILE_SIZE * y,
                            TILE_SIZE, TILE_SIZE);
            }
        }
    }
    if (mask_sprite) {
        destroy_rle_sprite(mask_sprite);
    }
    mask_sprite = get_rle_sprite(mask_layer);
}

namespace {

// The desktop's depth, or 16 where the library cannot tell.
bool open_window()
{
    t_color_depth = desktop_color_depth();
    if (t_color_depth == 0) {
        t_color_depth = FALLBACK_COLOR_DEPTH;
    }
    set_color_depth(t_color_depth);
    if (set_gfx_mode(GFX_AUTODETECT_WINDOWED, WINDOW_W, WINDOW_H, 0, 0) != 0) {
        return false;
    }
    set_window_title("Zindle");
    set_close_button_callback(close_button_pressed);
    clear_bitmap(screen);
    return true;
}

// Keyboard, mouse (attached but hidden), sound, and the game clock, which
// runs from here on, in menus and games alike.
void install_devices()
{
    install_keyboard();
    install_mouse();
    yield_to_platform();
    // With the library's own pointer drawn in software, reading mouse
    // movement during play leaves the X mouse in a warped, relative mode in
    // which the menu stops following the real pointer. The window system's
    // pointer never needs that.
    enable_hardware_cursor();
    install_timer();

    show_mouse(screen);
    scare_mouse();

    install_sound(DIGI_AUTODETECT, MIDI_AUTODETECT, "not used");
    yield_to_platform();
    // The synthesiser reads its instruments through the packfile layer,
    // which can no longer read the plain patches.dat once the password is set.
    load_midi_patches();
    yield_to_platform();

    LOCK_VARIABLE(timer_var);
    LOCK_VARIABLE(block_rate2);
    LOCK_FUNCTION(timer_func);
    LOCK_FUNCTION(rate_func);
    install_int_ex(timer_func, BPS_TO_TIMER(TICKS_PER_SECOND));
    install_int_ex(rate_func, SECS_TO_TIMER(RATE_PERIOD_SECONDS));
}

void create_buffers()
{
    double_buffer = create_bitmap(WINDOW_W, WINDOW_H);
    mask_layer = create_bitmap(WINDOW_W, WINDOW_H);
    clear_to_color(mask_layer, makecol(255, 0, 255));  // the mask colour
    clear_bitmap(double_buffer);
}

bool load_tiles()
{
    DATAFILE *data = load_sound_datafile("tiles.dat", tiles_dat_layout);
    if (!data) {
        return false;
    }
    for (int i = 0; i < TILE_COUNT; ++i) {
        tiles[i] = static_cast<BITMAP *>(data[i].dat);
    }
    return true;
}

BITMAP *bitmap_of(DATAFILE *data, int index) { return static_cast<BITMAP *>(data[index].dat); }

// The title is stamped onto the play backdrop once, for good.
bool load_stuff()
{
    DATAFILE *data = load_sound_datafile("stuff.dat", stuff_dat_layout);
    if (!data) {
        return false;
    }
    background = bitmap_of(data, STUFF_BACKGROUND);
    masked_blit(bitmap_of(data, STUFF_TITLE), background, 0, 0, 0, 0, TITLE_W, TITLE_H);
    sound_bam = static_cast<SAMPLE *>(data[STUFF_BAM].dat);
    background_music = static_cast<MIDI *>(data[STUFF_MUSIC].dat);
    background2 = bitmap_of(data, STUFF_BACKGROUND2);
    menu_bitmap = bitmap_of(data, STUFF_MENU);
    help_menu_bitmap = bitmap_of(data, STUFF_HELP);
    return true;
}

}  // namespace

int setup()
{
    set_window_identity();
    if (allegro_init() != 0) {
        std::fprintf(stderr, "Zindle needs a graphical display, and none could be opened.\n");
        return SETUP_NO_DISPLAY;
    }
    yield_to_platform();
    if (!open_window()) {
        allegro_message("Setting the graphics mode has failed! Color Depth:%i", t_color_depth);
        return SETUP_NO_GRAPHICS;
    }
    yield_to_platform();
    install_devices();
    create_buffers();

    wait_for_datafiles();
    packfile_password(DATAFILE_PASSWORD);
    if (!load_tiles()) {
        return fail(SETUP_NO_DATA, "Failed to load the tiles data file!");
    }
    if (!load_stuff()) {
        return fail(SETUP_NO_DATA, "Failed to load the stuff data file!");
    }
    // The password is the game's datafiles' alone: what is read later, such
    // as instruments that come after the start in a browser, is plain.
    packfile_password(nullptr);

    if (play_midi(background_music, TRUE) != 0) {
        return fail(SETUP_NO_MUSIC, "Unable to start background <midi> music!");
    }
    set_volume(FULL_VOLUME, FULL_VOLUME);

    std::srand(static_cast<unsigned>(std::time(nullptr)));
    yield_to_platform();
    draw_mask_layout();
    return SETUP_OK;
}
