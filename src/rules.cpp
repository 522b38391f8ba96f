// The game rules: the well, the falling tile, clearing runs and gravity.
// Nothing here draws or reads input; the one call out is the clearing sound.
#include <allegro.h>

#include <cstdlib>

#include "zindle.h"

int tile_block_layout[WELL_ROWS][WELL_COLS];
int tile_block_delete[WELL_ROWS][WELL_COLS];
int tile_block_tops[WELL_COLS];

int block_x;
int block_y;
int block_fine;
int block_tile;
std::uint32_t block_rate = 1;
int block_rate_temp;
int difficulty = START_DIFFICULTY;
std::uint32_t timer_change;

namespace {

constexpr int BOTTOM_ROW = WELL_ROWS - 1;
constexpr int SPAWN_Y = WELL_ROW_OFFSET;  // top edge level with the well's top
constexpr int SPAWN_BLOCKED_ROW = 1;      // a tile here blocks a new one
constexpr std::uint32_t SPEED_UP_FACTOR = 3;

constexpr int BAM_VOLUME = 128;
constexpr int BAM_PAN = 128;         // centre
constexpr int BAM_PITCH = 1000;      // as recorded
constexpr int BAM_LOOP = 0;

// After a descent the tile's lower part is in this well row and its upper
// part in the row above (screen row block_y - 1 holds the lower part).
int lower_row() { return block_y - 1 - WELL_ROW_OFFSET; }
int upper_row() { return lower_row() - 1; }

// For the sideways moves rows outside the well count as occupied.
bool cell_free(int row, int col)
{
    return row >= 0 && row < WELL_ROWS && tile_block_layout[row][col] == EMPTY;
}

bool can_enter_column(int col)
{
    return cell_free(upper_row(), col) && cell_free(lower_row(), col);
}

// Lower the tile by the pixels of the elapsed ticks. The product wraps as
// an unsigned 32-bit value and lands in the signed offset.
void descend()
{
    const std::uint32_t pixels = timer_change * block_rate;
    block_fine = static_cast<int>(static_cast<std::uint32_t>(block_fine) - pixels);
    while (block_fine < TILE_SIZE) {
        block_fine += TILE_SIZE;
        block_y += 1;
    }
}

// The landing row comes from the column's top, not from block_y, so a fast
// tile that skipped rows still settles directly on its column.
int landing_row(int col)
{
    if (lower_row() > BOTTOM_ROW && tile_block_layout[BOTTOM_ROW][col] == EMPTY) {
        return BOTTOM_ROW;
    }
    return tile_block_tops[col] - 1;
}

// A column already full to row 0 has no room; the tile is lost with the
// game rather than written above the well.
void settle(int row, int col)
{
    if (row >= 0) {
        tile_block_layout[row][col] = block_tile;
    }
}

void mark_run_down(int x, int y)
{
    const int t = tile_block_layout[y][x];
    int length = 1;
    while (y + length < WELL_ROWS && tile_block_layout[y + length][x] == t) {
        ++length;
    }
    if (length >= RUN_LENGTH) {
        for (int k = 0; k < length; ++k) {
            tile_block_delete[y + k][x] = 1;
        }
    }
}

void mark_run_across(int x, int y)
{
    const int t = tile_block_layout[y][x];
    int length = 1;
    while (x + length < WELL_COLS && tile_block_layout[y][x + length] == t) {
        ++length;
    }
    if (length >= RUN_LENGTH) {
        for (int k = 0; k < length; ++k) {
            tile_block_delete[y][x + k] = 1;
        }
    }
}

// Everything from row y up moves down one; row 0 of the column empties.
void shift_column_down(int x, int y)
{
    for (int k = y; k >= 1; --k) {
        tile_block_layout[k][x] = tile_block_layout[k - 1][x];
        tile_block_layout[k - 1][x] = EMPTY;
    }
}

}  // namespace

// ---- The well -----------------------------------------------------------------

void find_tops()
{
    for (int c = 0; c < WELL_COLS; ++c) {
        tile_block_tops[c] = BOTTOM_ROW;
        for (int r = 0; r < WELL_ROWS; ++r) {
            if (tile_block_layout[r][c] != EMPTY) {
                tile_block_tops[c] = r;
                break;
            }
        }
    }
}

int check_lose()
{
    for (int c = 0; c < WELL_COLS; ++c) {
        if (tile_block_layout[0][c] != EMPTY) {
            return 1;
        }
    }
    return 0;
}

void start_game()
{
    for (int r = 0; r < WELL_ROWS; ++r) {
        for (int c = 0; c < WELL_COLS; ++c) {
            tile_block_layout[r][c] = EMPTY;
            tile_block_delete[r][c] = 0;
        }
    }
    drop_block();
}

// The column is drawn before the colour. The scheduled rate only applies
// when it has caught up with the rate in force, so a tile that follows a
// sped-up one starts slow.
int drop_block()
{
    block_rate_temp = 0;
    block_x = std::rand() % WELL_COLS + WELL_COL_OFFSET;
    block_y = SPAWN_Y;
    block_fine = 0;
    block_tile = std::rand() % BLOCK_KINDS + FIRST_BLOCK_TILE;

    const std::uint32_t scheduled = block_rate2 / static_cast<std::uint32_t>(difficulty);
    block_rate = scheduled < block_rate ? 1 : scheduled;

    return tile_block_layout[SPAWN_BLOCKED_ROW][block_x - WELL_COL_OFFSET] != EMPTY;
}

// ---- The falling tile ---------------------------------------------------------

int update_block()
{
    descend();

    const int col = block_x - WELL_COL_OFFSET;
    const int row = lower_row();
    if (row <= BOTTOM_ROW && tile_block_layout[row][col] == EMPTY) {
        return 0;
    }
    settle(landing_row(col), col);
    return drop_block();
}

void move_block_left()
{
    if (block_x > WELL_COL_OFFSET && can_enter_column(block_x - WELL_COL_OFFSET - 1)) {
        block_x -= 1;
    }
}

void move_block_right()
{
    if (block_x < WELL_COLS && can_enter_column(block_x - WELL_COL_OFFSET + 1)) {
        block_x += 1;
    }
}

void speed_up_block()
{
    if (block_rate_temp != 1) {
        block_rate_temp = 1;
        block_rate *= SPEED_UP_FACTOR;
    }
}

void slow_down_block()
{
    if (block_rate_temp != 0) {
        block_rate_temp = 0;
        block_rate /= SPEED_UP_FACTOR;
    }
}

// ---- Matching and clearing ------------------------------------------------------

// Runs are followed down and right only: every maximal run is met from its
// top or left end, since every tile gets a check.
void check_line(int x, int y)
{
    mark_run_down(x, y);
    mark_run_across(x, y);
}

// All runs are found on the well as it stands, then removed together, so a
// tile shared by a row and a column run goes with both.
void delete_lines()
{
    for (auto &row : tile_block_delete) {
        for (int &mark : row) {
            mark = 0;
        }
    }
    for (int y = 0; y < WELL_ROWS; ++y) {
        for (int x = 0; x < WELL_COLS; ++x) {
            if (tile_block_layout[y][x] != EMPTY) {
                check_line(x, y);
            }
        }
    }

    bool removed = false;
    for (int y = 0; y < WELL_ROWS; ++y) {
        for (int x = 0; x < WELL_COLS; ++x) {
            if (tile_block_delete[y][x] == 1) {
                tile_block_layout[y][x] = EMPTY;
                removed = true;
            }
        }
    }
    if (removed) {
        play_sample(sound_bam, BAM_VOLUME, BAM_PAN, BAM_PITCH, BAM_LOOP);
    }
}

// ---- Gravity --------------------------------------------------------------------

// A hole below a column's top pulls everything above it down one row; the
// same row is looked at again until it holds a tile. The tops are only
// trusted below the recorded top, where a fresh landing changed nothing.
void apply_gravity()
{
    for (int x = 0; x < WELL_COLS; ++x) {
        int y = BOTTOM_ROW;
        while (y >= 0) {
            if (tile_block_layout[y][x] == EMPTY && y > tile_block_tops[x]) {
                shift_column_down(x, y);
                find_tops();
            } else {
                --y;
            }
        }
    }
}

// ---- One game tick ------------------------------------------------------------------

// Runs formed in the last tick go first; gravity comes last, so the frame
// drawn after it never shows a hole. Expects `timer_change` to be set.
int update_game()
{
    delete_lines();
    int lost = check_lose();
    find_tops();
    if (update_block() == 1) {
        lost = 1;
    }
    apply_gravity();
    return lost;
}
