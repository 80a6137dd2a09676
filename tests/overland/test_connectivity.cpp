#include <gtest/gtest.h>

#include "model/model_state.hpp"
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

}  // namespace
}  // namespace torva
