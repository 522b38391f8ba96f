// Gravity: tiles above a hole drop until every column is compact again.
#include "well_picture.h"

namespace {

class Gravity : public RulesTest {};

void expect_tops_match_the_well() {
    const int recorded[WELL_COLS] = {tile_block_tops[0], tile_block_tops[1], tile_block_tops[2],
                                     tile_block_tops[3], tile_block_tops[4], tile_block_tops[5],
                                     tile_block_tops[6], tile_block_tops[7]};
    find_tops();
    for (int c = 0; c < WELL_COLS; ++c) EXPECT_EQ(recorded[c], tile_block_tops[c]) << "column " << c;
}

TEST_F(Gravity, ASingleHoleIsClosed) {
    set_well({"c.......", "........", "a......."});
    find_tops();
    apply_gravity();
    EXPECT_EQ(well_picture(), picture_of({"c.......", "a......."}));
    EXPECT_EQ(tile_block_tops[0], 14);
}

TEST_F(Gravity, AHoleOfSeveralRowsIsClosedAndTheOrderKept) {
    set_well({
        ".d......",  // row 10
        "........",
        "........",
        "........",
        "........",
        ".e......",  // row 15
    });
    find_tops();
    apply_gravity();
    EXPECT_EQ(well_picture(), picture_of({".d......", ".e......"}));
    EXPECT_EQ(tile_block_tops[1], 14);
}

TEST_F(Gravity, SeveralHolesInAColumnAreAllClosed) {
    set_well({
        "..a.....",  // row 5
        "........", "........",
        "..b.....",  // row 8
        "........", "........", "........", "........", "........", "........",
        "..c.....",  // row 15
    });
    find_tops();
    apply_gravity();
    EXPECT_EQ(well_picture(), picture_of({"..a.....", "..b.....", "..c....."}));
    EXPECT_EQ(tile_block_tops[2], 13);
}

TEST_F(Gravity, AStackReachingTheTopRowDropsWhole) {
    for (int r = 0; r < 6; ++r) tile_block_layout[r][7] = tile_of("abcdef"[r]);
    find_tops();
    apply_gravity();
    EXPECT_EQ(well_picture(), picture_of({".......a", ".......b", ".......c", ".......d", ".......e", ".......f"}));
}

TEST_F(Gravity, EveryColumnIsClosedInOnePass) {
    set_well({
        "a.c.e..f",
        "...d...e",
        "b..c.a..",
        "........",
        "cab..b.d",
    });
    find_tops();
    apply_gravity();
    EXPECT_EQ(well_picture(), picture_of({
                                  "a......f",
                                  "b.cd.a.e",
                                  "cabceb.d",
                              }));
}

TEST_F(Gravity, EmptyAndCompactColumnsAreLeftAsTheyWere) {
    set_well({"ab...c..", "ba..dc..", "ab.ecd.f"});
    find_tops();
    const std::string before = well_picture();
    apply_gravity();
    EXPECT_EQ(well_picture(), before);
}

TEST_F(Gravity, AfterClosingAHoleEveryTopMatchesTheWell) {
    set_well({"a.......", "......b.", "a....cbe"});
    find_tops();
    // A tile has just landed on column 6; its recorded top is a row out of date.
    tile_block_layout[13][6] = tile_of('d');
    apply_gravity();
    EXPECT_EQ(well_picture(), picture_of({"......d.", "a.....b.", "a....cbe"}));
    expect_tops_match_the_well();
}

TEST_F(Gravity, APassWithoutAHoleLeavesTheRecordedTopsAlone) {
    set_well({"......b.", ".....cbe"});
    find_tops();
    // A tile has just landed on column 6; nothing needs to drop.
    tile_block_layout[13][6] = tile_of('d');
    apply_gravity();
    EXPECT_EQ(well_picture(), picture_of({"......d.", "......b.", ".....cbe"}));
    EXPECT_EQ(tile_block_tops[6], 14) << "the recorded top stays a row out of date";
    EXPECT_EQ(tile_block_tops[5], 15);
    EXPECT_EQ(tile_block_tops[0], 15);
}

TEST_F(Gravity, GravityFormsRunsButDoesNotClearThem) {
    set_well({"a.......", "........", "a.......", "a......."});
    find_tops();
    apply_gravity();
    EXPECT_EQ(well_picture(), picture_of({"a.......", "a.......", "a......."}));
    EXPECT_EQ(clearing_sounds(), 0);
}

}  // namespace
