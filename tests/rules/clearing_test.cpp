// Runs of three or more equal tiles, in a column or a row, vanish together
// with one sound per clearing pass.
#include "well_picture.h"

namespace {

class Clearing : public RulesTest {};

TEST_F(Clearing, ThreeEqualTilesInAColumnVanish) {
    set_well({"b.......", "b.......", "b.......", "a......."});
    delete_lines();
    EXPECT_EQ(well_picture(), picture_of({"........", "........", "........", "a......."}));
    EXPECT_EQ(clearing_sounds(), 1);
}

TEST_F(Clearing, TwoEqualTilesAreNoRun) {
    set_well({"c.......", "b..c....", "b..c..dd"});
    delete_lines();
    EXPECT_EQ(well_picture(), picture_of({"c.......", "b..c....", "b..c..dd"}));
    EXPECT_EQ(clearing_sounds(), 0);
}

TEST_F(Clearing, ThreeEqualTilesInARowVanish) {
    set_well({"ccc.eee."});
    delete_lines();
    EXPECT_EQ(well_picture(), picture_of({}));
    EXPECT_EQ(clearing_sounds(), 1);
}

TEST_F(Clearing, RunsLongerThanThreeVanishWhole) {
    set_well({
        "....a...",
        "....a...",
        "....a...",
        "....a...",
        "bbbbab..",
        "cccccdd.",
    });
    delete_lines();
    EXPECT_EQ(well_picture(), picture_of({".....b..", ".....dd."}));
}

TEST_F(Clearing, AFullRowOfEqualTilesVanishesWithOneSound) {
    set_well({"dddddddd", "efefefef"});
    delete_lines();
    EXPECT_EQ(well_picture(), picture_of({"........", "efefefef"}));
    EXPECT_EQ(clearing_sounds(), 1);
}

TEST_F(Clearing, RunsAreFoundAtEveryEdgeOfTheWell) {
    set_well({"c.......", "c.......", "c....fff"});
    tile_block_layout[0][7] = tile_block_layout[1][7] = tile_block_layout[2][7] = tile_of('a');
    tile_block_layout[0][0] = tile_block_layout[0][1] = tile_block_layout[0][2] = tile_of('b');
    delete_lines();
    EXPECT_EQ(well_picture(), picture_of({}));
    EXPECT_EQ(clearing_sounds(), 1);
}

TEST_F(Clearing, DifferentTilesOrGapsBreakARun) {
    set_well({
        "a.......",
        "b.......",
        "a.......",
        "a.......",
        "cc.cabac",
    });
    delete_lines();
    EXPECT_EQ(well_picture(), picture_of({"a.......", "b.......", "a.......", "a.......", "cc.cabac"}));
    EXPECT_EQ(clearing_sounds(), 0);
}

TEST_F(Clearing, AnLWithTwoLongArmsVanishesWhole) {
    set_well({"e.......", "e.......", "eee....."});
    delete_lines();
    EXPECT_EQ(well_picture(), picture_of({}));
}

TEST_F(Clearing, AnLWithAShortArmLeavesTheShortArm) {
    // Three in a row and one more above the leftmost: only the row goes, and
    // gravity lowers the tile above it later in the same tick.
    set_well({"b.......", "bbb....."});
    delete_lines();
    EXPECT_EQ(well_picture(), picture_of({"b.......", "........"}));
    find_tops();
    apply_gravity();
    EXPECT_EQ(well_picture(), picture_of({"b......."}));
}

TEST_F(Clearing, ATVanishesWhole) {
    set_well({"ddd.....", ".d......", ".d......", "ca......"});
    delete_lines();
    EXPECT_EQ(well_picture(), picture_of({"........", "........", "........", "ca......"}));
}

TEST_F(Clearing, ACrossOfFiveVanishesWhole) {
    set_well({
        "..f.....",
        ".fff....",
        "..f.....",
        ".aba....",
    });
    delete_lines();
    EXPECT_EQ(well_picture(), picture_of({"........", "........", "........", ".aba...."}));
    EXPECT_EQ(clearing_sounds(), 1);
}

TEST_F(Clearing, DiagonalsNeverMatch) {
    set_well({
        "cc..a..e",
        "..c..a.e",
        "......ab",
        "......ee",
    });
    delete_lines();
    EXPECT_EQ(well_picture(), picture_of({"cc..a..e", "..c..a.e", "......ab", "......ee"}));
    EXPECT_EQ(clearing_sounds(), 0);
}

TEST_F(Clearing, AWellWithoutARunIsLeftAsItWas) {
    set_well({
        "ab......",
        "ba.c....",
        "abfcf...",
        "bacdd.ef",
        "ccdeefef",
    });
    const std::string before = well_picture();
    delete_lines();
    EXPECT_EQ(well_picture(), before);
    EXPECT_EQ(clearing_sounds(), 0);
}

TEST_F(Clearing, TwoSeparateRunsInOnePassSoundOnce) {
    set_well({".......f", ".......f", "aaa.b..f"});
    delete_lines();
    EXPECT_EQ(well_picture(), picture_of({"........", "........", "....b..."}));
    EXPECT_EQ(clearing_sounds(), 1);
}

TEST_F(Clearing, MarksShowExactlyTheCellsOfThisPass) {
    for (auto &row : tile_block_delete)
        for (int &mark : row) mark = 1;  // left over from an earlier pass
    set_well({"a.......", "ab......", "ac.ddd.."});
    delete_lines();
    EXPECT_EQ(well_picture(), picture_of({"........", ".b......", ".c......"}));
    for (int r = 0; r < WELL_ROWS; ++r)
        for (int c = 0; c < WELL_COLS; ++c) {
            const bool in_run = (c == 0 && r >= 13) || (r == 15 && c >= 3 && c <= 5);
            EXPECT_EQ(tile_block_delete[r][c], in_run ? 1 : 0) << "row " << r << " column " << c;
        }
}

TEST_F(Clearing, ACheckFollowsRunsOnlyDownAndRightFromItsCell) {
    set_well({"........", ".a......", ".a......", "aaa....."});
    check_line(1, 13);  // top of the column and a row of one
    int marked = 0;
    for (auto &row : tile_block_delete)
        for (int mark : row) marked += mark;
    EXPECT_EQ(marked, 3);
    EXPECT_EQ(tile_block_delete[13][1] + tile_block_delete[14][1] + tile_block_delete[15][1], 3);
    check_line(1, 15);  // the middle of the bottom row: a run of two to its right
    EXPECT_EQ(tile_block_delete[15][0] + tile_block_delete[15][2], 0);
    EXPECT_EQ(well_picture(), picture_of({"........", ".a......", ".a......", "aaa....."}))
        << "a check only marks";
}

TEST_F(Clearing, ARunThatGravityFormsGoesOnTheNextTickWithAnotherSound) {
    set_well({
        "a.......",  // drops onto the two below when the b's go
        "bbb.....",
        "acd.....",
        "adc.....",
    });
    place_tile(8, 4, 0, 1);
    game_tick(1);
    EXPECT_EQ(clearing_sounds(), 1);
    EXPECT_EQ(well_picture(), picture_of({"a.......", "acd.....", "adc....."}));
    game_tick(1);
    EXPECT_EQ(clearing_sounds(), 2);
    EXPECT_EQ(well_picture(), picture_of({".cd.....", ".dc....."}));
}

}  // namespace
