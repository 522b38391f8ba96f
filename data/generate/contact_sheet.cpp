// Renders every object of Zindle's datafiles into one picture for review:
//   zindle_contact_sheet <folder with tiles.dat and stuff.dat> <out.bmp>
// The play, menu and help screens are composed the way the game composes
// them; the tiles are shown twice their size; overlays over a checkerboard.
#include <allegro.h>
#include <stuff.h>
#include <tiles.h>
#include <zindle.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {
constexpr int GAP = 16;
constexpr int LABEL_H = 16;
constexpr int PANELS = 4;
constexpr int SHEET_W = PANELS * WINDOW_W + (PANELS + 1) * GAP;
constexpr int SHEET_H = WINDOW_H + 2 * GAP + LABEL_H;
constexpr int ZOOM = 2;
constexpr int TILES_PER_ROW = 5;
constexpr int TITLE_W = 300, TITLE_H = 48;

// Where the frame pieces go: as the game lays them around the well.
int frame_piece(int row, int col) {
    const int last_row = WELL_ROW_OFFSET + WELL_ROWS - 1, last_col = WELL_COL_OFFSET + WELL_COLS;
    if (row < WELL_ROW_OFFSET || col > last_col) return -1;
    const bool top = row == WELL_ROW_OFFSET, bottom = row == last_row;
    if (col == 0) return top ? TILES_FRAME_TOP_LEFT : bottom ? TILES_FRAME_BOTTOM_LEFT : TILES_FRAME_LEFT;
    if (col == last_col) return top ? TILES_FRAME_TOP_RIGHT : bottom ? TILES_FRAME_BOTTOM_RIGHT : TILES_FRAME_RIGHT;
    return top ? TILES_FRAME_TOP : bottom ? TILES_FRAME_BOTTOM : -1;
}

BITMAP *bmp_of(DATAFILE *d, int i) { return static_cast<BITMAP *>(d[i].dat); }

// A sample game: a few stacks, one in the bottom row under the rail, and a
// falling tile still half under the top rail.
void compose_play(BITMAP *out, DATAFILE *tiles, DATAFILE *stuff) {
    blit(bmp_of(stuff, STUFF_BACKGROUND), out, 0, 0, 0, 0, WINDOW_W, WINDOW_H);
    masked_blit(bmp_of(stuff, STUFF_TITLE), out, 0, 0, 0, 0, TITLE_W, TITLE_H);
    const char *stacks[WELL_COLS] = {"1", "32", "5", "4426", "613", "", "2", "56"};
    for (int c = 0; c < WELL_COLS; ++c)
        for (int i = 0; stacks[c][i]; ++i) {
            const int tile = TILES_BLOCK_1 + stacks[c][i] - '1';
            blit(bmp_of(tiles, tile), out, 0, 0, WELL_X + c * TILE_SIZE, WELL_Y + (WELL_ROWS - 1 - i) * TILE_SIZE,
                 TILE_SIZE, TILE_SIZE);
        }
    blit(bmp_of(tiles, TILES_BLOCK_3), out, 0, 0, WELL_X + 5 * TILE_SIZE, WELL_Y + 4, TILE_SIZE, TILE_SIZE);
    for (int row = 0; row < SCREEN_ROWS; ++row)
        for (int col = 0; col < SCREEN_COLS; ++col) {
            const int piece = frame_piece(row, col);
            if (piece >= 0)
                masked_blit(bmp_of(tiles, piece), out, 0, 0, col * TILE_SIZE, row * TILE_SIZE, TILE_SIZE, TILE_SIZE);
        }
}

void compose_menu(BITMAP *out, DATAFILE *stuff, int overlay) {
    blit(bmp_of(stuff, STUFF_BACKGROUND2), out, 0, 0, 0, 0, WINDOW_W, WINDOW_H);
    masked_blit(bmp_of(stuff, overlay), out, 0, 0, 0, 0, WINDOW_W, WINDOW_H);
}

void checkerboard(BITMAP *out, int x, int y, int w, int h) {
    for (int cy = 0; cy < h; cy += 8)
        for (int cx = 0; cx < w; cx += 8) {
            const int shade = ((cx + cy) / 8) % 2 ? 200 : 150;
            rectfill(out, x + cx, y + cy, x + cx + 7, y + cy + 7, makecol(shade, shade, shade));
        }
}

void compose_parts(BITMAP *out, DATAFILE *tiles, DATAFILE *stuff) {
    clear_to_color(out, makecol(40, 40, 48));
    const int cell = TILE_SIZE * ZOOM + 8;
    for (int i = 0; i < TILE_COUNT; ++i) {
        const int x = 16 + (i % TILES_PER_ROW) * cell, y = 16 + (i / TILES_PER_ROW) * cell;
        checkerboard(out, x, y, TILE_SIZE * ZOOM, TILE_SIZE * ZOOM);
        BITMAP *big = create_bitmap(TILE_SIZE * ZOOM, TILE_SIZE * ZOOM);
        stretch_blit(bmp_of(tiles, i), big, 0, 0, TILE_SIZE, TILE_SIZE, 0, 0, big->w, big->h);
        if (i < FIRST_BLOCK_TILE)
            masked_blit(big, out, 0, 0, x, y, big->w, big->h);
        else
            blit(big, out, 0, 0, x, y, big->w, big->h);
        destroy_bitmap(big);
    }
    const int title_y = 16 + 3 * cell + 8;
    checkerboard(out, 16, title_y, TITLE_W, TITLE_H);
    masked_blit(bmp_of(stuff, STUFF_TITLE), out, 0, 0, 16, title_y, TITLE_W, TITLE_H);
    const SAMPLE *bam = static_cast<SAMPLE *>(stuff[STUFF_BAM].dat);
    const MIDI *tune = static_cast<MIDI *>(stuff[STUFF_MUSIC].dat);
    int tracks = 0;
    for (const auto &track : tune->track) tracks += track.len > 0;
    const int text_y = title_y + TITLE_H + 16;
    const int white = makecol(230, 230, 230);
    textprintf_ex(out, font, 16, text_y, white, -1, "tiles.dat: %d tiles", TILE_COUNT);
    textprintf_ex(out, font, 16, text_y + 12, white, -1, "clearing sound: %.2f s, %d Hz, %d bit",
                  double(bam->len) / bam->freq, bam->freq, bam->bits);
    textprintf_ex(out, font, 16, text_y + 24, white, -1, "tune: %d tracks, %d ticks a beat", tracks, tune->divisions);
}

void place(BITMAP *sheet, BITMAP *panel, int index, const char *label) {
    const int x = GAP + index * (WINDOW_W + GAP);
    textout_ex(sheet, font, label, x, GAP, makecol(230, 230, 230), -1);
    blit(panel, sheet, 0, 0, x, GAP + LABEL_H, WINDOW_W, WINDOW_H);
}
}  // namespace

int main(int argc, char **argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <data folder> <out.bmp>\n", argv[0]);
        return 2;
    }
    if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0) return 1;
    set_color_depth(32);
    packfile_password("amber crest");
    const std::string dir = argv[1];
    DATAFILE *tiles = load_datafile((dir + "/tiles.dat").c_str());
    DATAFILE *stuff = load_datafile((dir + "/stuff.dat").c_str());
    packfile_password(nullptr);  // or the sheet itself would be encrypted
    if (!tiles || !stuff) {
        std::fprintf(stderr, "cannot load the datafiles from %s\n", dir.c_str());
        return 1;
    }
    BITMAP *sheet = create_bitmap(SHEET_W, SHEET_H);
    BITMAP *panel = create_bitmap(WINDOW_W, WINDOW_H);
    clear_to_color(sheet, makecol(24, 24, 30));
    compose_play(panel, tiles, stuff);
    place(sheet, panel, 0, "play screen (sample game)");
    compose_menu(panel, stuff, STUFF_MENU);
    place(sheet, panel, 1, "menu");
    compose_menu(panel, stuff, STUFF_HELP);
    place(sheet, panel, 2, "help");
    compose_parts(panel, tiles, stuff);
    place(sheet, panel, 3, "tiles x2, title overlay");
    // A 24-bit copy: other programs read Allegro's 24-bit BMP files best.
    BITMAP *flat = create_bitmap_ex(24, SHEET_W, SHEET_H);
    blit(sheet, flat, 0, 0, 0, 0, SHEET_W, SHEET_H);
    return save_bmp(argv[2], flat, nullptr) == 0 ? 0 : 1;
}
END_OF_MAIN()
