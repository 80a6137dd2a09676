#include <gtest/gtest.h>

#include "model/model_state.hpp"
#include "overland/connectivity.hpp"
#include "overland/slopes.hpp"
#include "test_connectivity_helpers.hpp"

namespace torva {
namespace {

using testing_grid::clear_error;
using testing_grid::make_grid;

struct Built {
  ModelState s;
  explicit Built(const std::vector<std::string>& rows, const std::vector<double>& elev) {
    clear_error();
    s.run.quiet = true;
    make_grid(s.grid, rows, 10.0, elev);
    build_connectivity(s);
    compute_ground_slopes(s);
  }
};

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

}  // namespace
}  // namespace torva
