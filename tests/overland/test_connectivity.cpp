#include <gtest/gtest.h>

#include "frame/model_state.hpp"
#include "overland/connectivity.hpp"
#include "overland/overland_stages.hpp"
#include "overland/slopes.hpp"
#include "test_connectivity_helpers.hpp"

namespace torva {
namespace {

using testing_grid::clear_error;
using testing_grid::make_grid;

struct Built {
  ModelState s;
  explicit Built(const std::vector<std::string>& rows, const std::vector<double>& elev = {},
                 double dx = 10.0) {
    clear_error();
    s.run.quiet = true;
    make_grid(s.grid, rows, dx, elev);
    build_connectivity(s);
    compute_ground_slopes(s);
  }
};

TEST(Connectivity, OneCellWatershedHasNoNeighboursAndSlopeFromSlotZero) {
  Built b({"000", "010", "000"}, {7.0});
  const GridState& g = b.s.grid;
  ASSERT_EQ(g.ncells, 1);
  EXPECT_EQ(error_code().code, 0);
  EXPECT_EQ(g.east_cell[1], 0);
  EXPECT_EQ(g.west_cell[1], 0);
  EXPECT_EQ(g.north_cell[1], 0);
  EXPECT_EQ(g.south_cell[1], 0);
  EXPECT_EQ(b.s.connect.slope_x[1], 0.0);
  EXPECT_EQ(b.s.connect.slope_y[1], 0.0);
}

TEST(Connectivity, NeighbourTablesFollowMaskAndGridEdges) {
  // 1 2 .
  // 3 4 5
  // . 6 .
  Built b({"110", "111", "010"});
  const GridState& g = b.s.grid;
  ASSERT_EQ(g.ncells, 6);
  const int east[] = {0, 2, 0, 4, 5, 0, 0};
  const int west[] = {0, 0, 1, 0, 3, 4, 0};
  const int north[] = {0, 0, 0, 1, 2, 0, 4};
  const int south[] = {0, 3, 4, 0, 6, 0, 0};
  for (int k = 1; k <= 6; ++k) {
    EXPECT_EQ(g.east_cell[k], east[k]) << "cell " << k;
    EXPECT_EQ(g.west_cell[k], west[k]) << "cell " << k;
    EXPECT_EQ(g.north_cell[k], north[k]) << "cell " << k;
    EXPECT_EQ(g.south_cell[k], south[k]) << "cell " << k;
  }
}

TEST(Connectivity, FullRectangleEdgesAreZeroWithoutBorderReads) {
  Built b({"11", "11"});
  const GridState& g = b.s.grid;
  EXPECT_EQ(g.east_cell[2], 0);
  EXPECT_EQ(g.south_cell[3], 0);
  EXPECT_EQ(g.north_cell[1], 0);
  EXPECT_EQ(g.west_cell[3], 0);
  EXPECT_EQ(g.east_cell[1], 2);
  EXPECT_EQ(g.south_cell[2], 4);
}

TEST(Connectivity, MissingMaskIsAnOrderlyStop) {
  clear_error();
  ModelState s;
  s.run.quiet = true;
  testing::internal::CaptureStdout();
  build_connectivity(s);
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(error_code().code, 4000);
  clear_error();
}

TEST(Connectivity, AnnouncesItselfUnlessQuiet) {
  clear_error();
  ModelState s;
  make_grid(s.grid, {"1"}, 10.0);
  testing::internal::CaptureStdout();
  build_connectivity(s);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "building cell to cell connectivity information\n");
}

TEST(Slopes, EastEdgeCopiesTheSlopeOfTheCellBefore) {
  // 1 2
  // 3 4    elevations 10 9 / 8 6; cells 2 and 4 lie on the east edge.
  Built b({"11", "11"}, {10.0, 9.0, 8.0, 6.0});
  const ConnectivityState& c = b.s.connect;
  EXPECT_DOUBLE_EQ(c.slope_x[1], 0.1);
  EXPECT_DOUBLE_EQ(c.slope_x[2], 0.1);  // from cell 1, its western neighbour
  EXPECT_DOUBLE_EQ(c.slope_x[3], 0.2);
  EXPECT_DOUBLE_EQ(c.slope_x[4], 0.2);
}

TEST(Slopes, EastEdgeCopyTakesTheCellNumberedBeforeEvenAcrossRows) {
  // 1 2 .
  // . 3 4   cell 2 has no east neighbour and copies cell 1; cell 3 -> 4 is its own.
  Built b({"110", "011"}, {5.0, 4.0, 3.0, 1.0});
  const ConnectivityState& c = b.s.connect;
  EXPECT_DOUBLE_EQ(c.slope_x[2], c.slope_x[1]);
  EXPECT_DOUBLE_EQ(c.slope_x[3], 0.2);
  EXPECT_DOUBLE_EQ(c.slope_x[4], 0.2);  // copied from cell 3
}

TEST(Slopes, SouthEdgeNeighbourGetsTheSlopeFromAbove) {
  // column of three cells: 9, 7, 4 m
  Built b({"1", "1", "1"}, {9.0, 7.0, 4.0});
  const ConnectivityState& c = b.s.connect;
  EXPECT_DOUBLE_EQ(c.slope_y[1], 0.2);
  EXPECT_DOUBLE_EQ(c.slope_y[2], 0.3);
  EXPECT_DOUBLE_EQ(c.slope_y[3], 0.3);  // last of its column: copied from cell 2
}

TEST(Slopes, KernelMatchesHandValuesWithGridsize) {
  const std::vector<double> z = {0.0, 3.0, 1.0};
  const std::vector<int> east = {0, 2, 0}, south = {0, 0, 0};
  std::vector<double> sx(3, -1.0), sy(3, 0.0);
  sx[0] = 0.0;
  ground_slopes(z, east, south, 4.0, sx, sy);
  EXPECT_DOUBLE_EQ(sx[1], 0.5);
  EXPECT_DOUBLE_EQ(sx[2], 0.5);
  EXPECT_EQ(sy[1], 0.0);
}

}  // namespace
}  // namespace torva
