#include <gtest/gtest.h>

#include "model/model_state.hpp"
#include "overland/connectivity.hpp"
#include "overland/dikes.hpp"
#include "overland/low_spots.hpp"
#include "test_connectivity_helpers.hpp"

namespace torva {
namespace {

using testing_grid::clear_error;
using testing_grid::make_grid;
using testing_grid::TempFile;

// 2 x 2 grid, cells 1 2 / 3 4 at 1, 2, 3, 4 m; a dike runs between the columns
// (cells 1, 3 carry it on their right side, cells 2, 4 on their left side).
struct DikeGrid {
  ModelState s;
  DikeGrid() {
    clear_error();
    s.run.quiet = true;
    make_grid(s.grid, {"11", "11"}, 10.0, {1.0, 2.0, 3.0, 4.0});
    build_connectivity(s);
    s.connect.dike_code.allocate(4);
    s.connect.dike_code[1] = kSideRight;
    s.connect.dike_code[2] = kSideLeft;
    s.connect.dike_code[3] = kSideRight;
    s.connect.dike_code[4] = kSideLeft;
  }
  LowSpotGrid view() const {
    const GridState& g = s.grid;
    return {&g.mask,
            g.rows,
            g.cols,
            g.east_cell.slots(),
            g.west_cell.slots(),
            g.north_cell.slots(),
            g.south_cell.slots(),
            s.connect.dike_code.slots(),
            g.elevation.slots()};
  }
  // Validates one spot; returns what was printed, `ok` tells the outcome.
  std::string check(const LowSpot& sp, bool& ok) const {
    testing::internal::CaptureStdout();
    ok = validate_low_spots({sp}, view(), "spots.txt");
    return testing::internal::GetCapturedStdout();
  }
};

LowSpot spot(int row, int col, int side, double width, double crest) {
  LowSpot sp;
  sp.row = row;
  sp.col = col;
  sp.side = side;
  sp.width = width;
  sp.crest = crest;
  return sp;
}

TEST(LowSpotCheck, WidthFractionLimitIsInclusiveAtOneAndAHalf) {
  DikeGrid d;
  bool ok = false;
  EXPECT_EQ(d.check(spot(1, 1, kSideRight, 1.5, 5.0), ok), "");
  EXPECT_TRUE(ok);
  const std::string out = d.check(spot(1, 1, kSideRight, 1.50001, 5.0), ok);
  EXPECT_FALSE(ok);
  EXPECT_EQ(out,
            "\nThe fraction of the grid-size specified for the lowspot in the grid at\n"
            "row 1 col 1 is unreasonable, with a value of 1.500010.  Acceptable\n"
            " values range from 0.0 to 1.5.  Change the value.  Program terminated.\n");
  d.check(spot(1, 1, kSideRight, -0.1, 5.0), ok);
  EXPECT_FALSE(ok);
}

TEST(LowSpotCheck, SideCodeThreeIsNotADirectionEvenWithADike) {
  DikeGrid d;
  bool ok = true;
  const std::string out = d.check(spot(1, 1, 3, 0.5, 5.0), ok);
  EXPECT_FALSE(ok);
  EXPECT_EQ(out,
            "\nThe low spot flow direction specified in row 1 col 1 in the file spots.txt\n"
            "is not valid.  The only possible directions are: 1- top boundary, 2- right\n"
            "boundary, 4- bottom boundary, or 8- left boundary.\n"
            "Edit your lowspot file and try again.  Program terminated.\n");
}

TEST(LowSpotCheck, CellWithoutDikeIsRejected) {
  DikeGrid d;
  d.s.connect.dike_code[1] = 0;
  bool ok = true;
  EXPECT_EQ(d.check(spot(1, 1, kSideRight, 0.5, 5.0), ok),
            "\nYou have specified an overland flow dike in row 1 col 1\n"
            "There is no dike adjacent to this grid cell.  Program stopped.\n");
  EXPECT_FALSE(ok);
}

TEST(LowSpotCheck, NeighbourOutsideOrWithoutDikeNamesTheSide) {
  DikeGrid d;
  bool ok = true;
  // Cell 1's top side leaves the grid.
  EXPECT_EQ(d.check(spot(1, 1, kSideTop, 0.5, 5.0), ok),
            "\nYou have specified a low spot on the top boundary of the grid\n"
            "cell at row 1 col 1.  Either the side you have specified is not on\n"
            "an overland flow dike, or the cell on the other side is out of the\n"
            "watershed.  Check your low spot file.  Program terminated.\n");
  EXPECT_FALSE(ok);
  d.s.connect.dike_code[2] = 0;
  const std::string out = d.check(spot(1, 1, kSideRight, 0.5, 5.0), ok);
  EXPECT_NE(out.find("on the right boundary of the grid\n"), std::string::npos);
  EXPECT_FALSE(ok);
}

TEST(LowSpotCheck, CrestBelowEitherCellIsImpossible) {
  DikeGrid d;
  bool ok = true;
  EXPECT_EQ(d.check(spot(1, 2, kSideLeft, 0.5, 1.5), ok),
            "\nThe elevation of the overland flow dike low spot you specified in the grid\n"
            "cell located at row 1 col 2 is 1.500000 m.  This elevation is lower than the\n"
            "elevation of the grid cell, which is 2.000000 m.  This situation is impossible.\n"
            "Please raise the low spot elevation to be greater than the grid cell elevation.\n"
            "Dike / low spot on left side of cell\n"
            "Program terminated\n");
  EXPECT_FALSE(ok);
  EXPECT_EQ(d.check(spot(1, 1, kSideRight, 0.5, 1.5), ok),
            "\nThe elevation of the overland flow dike low spot you specified in the grid\n"
            "cell located at row 1 col 1 is 1.500000 m.  This elevation is lower than the\n"
            "elevation of the grid cell on the other side of the dike, which is 2.000000 m.\n"
            "This situation is impossible.  Please raise the low spot elevation to be\n"
            "greater than the grid cell elevation.\n"
            "Dike / low spot on right side of cell\n"
            "Program terminated\n");
  EXPECT_FALSE(ok);
  d.check(spot(1, 1, kSideRight, 0.5, 2.0), ok);  // equal to the higher cell is allowed
  EXPECT_TRUE(ok);
}

TEST(LowSpotCheck, EachDirectionNeedsTheNeighbourDikeOnTheSharedSide) {
  // For each side d of cell k, the neighbour's code must hold the opposite side.
  struct Case {
    int row, col, side, neighbour, opposite;
    const char *across, *along;
  };
  const Case cases[] = {{2, 1, kSideTop, 1, kSideBottom, "top", "top"},
                        {1, 1, kSideRight, 2, kSideLeft, "right", "right side"},
                        {1, 1, kSideBottom, 3, kSideTop, "bottom", "bottom"},
                        {1, 2, kSideLeft, 1, kSideRight, "left", "left side"}};
  for (const Case& c : cases) {
    DikeGrid d;
    const int k = d.s.grid.mask(c.row, c.col);
    d.s.connect.dike_code[k] = 15;
    d.s.connect.dike_code[c.neighbour] = c.opposite;
    bool ok = false;
    EXPECT_EQ(d.check(spot(c.row, c.col, c.side, 1.0, 9.0), ok), "") << c.across;
    EXPECT_TRUE(ok) << c.across;
    d.s.connect.dike_code[c.neighbour] = 15 & ~c.opposite;
    const std::string out = d.check(spot(c.row, c.col, c.side, 1.0, 9.0), ok);
    EXPECT_FALSE(ok) << c.across;
    const std::string expect =
        "\nThe low spot you have specified in the grid at row " + std::to_string(c.row) + "  col " +
        std::to_string(c.col) +
        " does not\n"
        "cross the dike.  Rather, it runs _along_ the dike.  You specified flow\n"
        "at this low spot across the " +
        c.across +
        " boundary of the cell, while the dike\n"
        "is running in a different direction than along the " +
        c.along + " of the cell.\nProgram terminated.\n";
    EXPECT_EQ(out, expect);
  }
}

TEST(LowSpotCheck, PositionOutsideTheGridIsRejectedWithoutReadingOutOfBounds) {
  DikeGrid d;
  bool ok = true;
  for (const LowSpot& sp : {spot(0, 1, 2, 0.5, 9.0), spot(3, 1, 2, 0.5, 9.0),
                            spot(1, -4, 2, 0.5, 9.0), spot(1, 99, 2, 0.5, 9.0)}) {
    const std::string out = d.check(sp, ok);
    EXPECT_FALSE(ok);
    EXPECT_NE(out.find("is not inside the watershed"), std::string::npos);
  }
}

TEST(LowSpotCheck, FirstFaultStopsTheConnectivityStageWithCode4000) {
  DikeGrid d;
  d.s.connect.has_dikes = true;
  d.s.connect.low_spots = {spot(1, 1, kSideRight, 0.5, 9.0), spot(1, 1, 3, 0.5, 9.0)};
  testing::internal::CaptureStdout();
  build_connectivity(d.s);
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(error_code().code, 4000);
  EXPECT_NE(out.find("is not valid."), std::string::npos);
  clear_error();
}

TEST(LowSpotFile, ReadsSpotLinesAfterTheLowspotWord) {
  clear_error();
  TempFile f("ls1",
             "lowspot\n"
             "# comment line\n"
             "SPOT 3 4 2 0.75 101.5\n"
             "spot,5,6,8,1.5,99\n");
  std::vector<LowSpot> spots;
  ASSERT_TRUE(read_lowspot_file(f.path(), spots));
  ASSERT_EQ(spots.size(), 2u);
  EXPECT_EQ(spots[0].row, 3);
  EXPECT_EQ(spots[0].col, 4);
  EXPECT_EQ(spots[0].side, 2);
  EXPECT_DOUBLE_EQ(spots[0].width, 0.75);
  EXPECT_DOUBLE_EQ(spots[0].crest, 101.5);
  EXPECT_EQ(spots[0].working, 0.0);
  EXPECT_EQ(spots[1].side, 8);
  EXPECT_EQ(error_code().code, 0);
}

TEST(LowSpotFile, BadFilesGiveTheirMessagesAndCode4000) {
  struct Case {
    const char* text;
    const char* message;
  };
  const Case cases[] = {
      {"SPOT 1 1 2 0.5 3\n",
       "does not start with the LOWSPOT card.\nThe file format is invalid.  Program terminated.\n"},
      {"", "does not start with the LOWSPOT card.\n"},
      {"LOWSPOT\n\nnothing here\n",
       "Premature end-of-file in the lowspot input file.\n"
       "No SPOT cards encountered before end of file.\nProgram terminated.\n"},
      {"LOWSPOT\nSPOT 1 1 2\n", "needs row, column, side code, width fraction"},
      {"LOWSPOT\nSPOT 1 x 2 0.5 3\n", "needs row, column"},
      {"\x01\x02\xff garbage\n\n", "does not start with the LOWSPOT card"},
  };
  int i = 0;
  for (const Case& c : cases) {
    clear_error();
    TempFile f("ls_bad" + std::to_string(i++), c.text);
    std::vector<LowSpot> spots;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(read_lowspot_file(f.path(), spots));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find(c.message), std::string::npos) << err;
    EXPECT_EQ(error_code().code, 4000);
  }
  clear_error();
}

TEST(DikeMap, CategoryMapStoresCodesByCellAndCountsCategories) {
  clear_error();
  ModelState s;
  make_grid(s.grid, {"110", "011"}, 10.0);
  TempFile f("dike1",
             "north: 1\nsouth: 0\neast: 3\nwest: 0\nrows: 2\ncols: 3\n"
             "2 8 5\n7\n2 2\n");
  std::vector<int> codes(5, -1);
  testing::internal::CaptureStdout();
  ASSERT_TRUE(read_dike_codes(f.path(), s.grid.mask, 2, 3, codes));
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(codes[1], 2);
  EXPECT_EQ(codes[2], 8);
  EXPECT_EQ(codes[3], 2);
  EXPECT_EQ(codes[4], 2);
  EXPECT_NE(out.find("In map " + f.path() + " category 2 has 3 values\nIn map " + f.path() +
                     " category 8 has 1 values\n"),
            std::string::npos);
  EXPECT_EQ(out.find("category 5"), std::string::npos);  // outside the mask
}

TEST(DikeMap, WrongSizeTruncatedAndMissingFilesStop) {
  ModelState s;
  make_grid(s.grid, {"11"}, 10.0);
  std::vector<int> codes(3, 0);
  const std::pair<const char*, const char*> cases[] = {
      {"north: 1\nsouth: 0\neast: 3\nwest: 0\nrows: 2\ncols: 2\n1 1\n1 1\n",
       "Incorrect number of rows in map: "},
      {"north: 1\nsouth: 0\neast: 3\nwest: 0\nrows: 1\ncols: 2\n1\n", "Unexpected end of file"},
      {"north: 1\nsouth: 0\neast: 3\nwest: 0\nrows: 1\ncols: 2\n1 20000\n", "outside 0..10000"},
  };
  int i = 0;
  for (const auto& [text, message] : cases) {
    clear_error();
    TempFile f("dike_bad" + std::to_string(i++), text);
    testing::internal::CaptureStdout();
    EXPECT_FALSE(read_dike_codes(f.path(), s.grid.mask, 1, 2, codes));
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find(message), std::string::npos) << out;
    EXPECT_EQ(error_code().code, 4000);
  }
  clear_error();
  testing::internal::CaptureStdout();
  EXPECT_FALSE(read_dike_codes("no_such_dike_file", s.grid.mask, 1, 2, codes));
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Can't open input dike mask file named: no_such_dike_file\n");
  clear_error();
}

}  // namespace
}  // namespace torva
