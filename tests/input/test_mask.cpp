// The watershed mask: grid-size rule, renumbering, "maskmap", and the elevation with the
// outlet cell.
#include "input/mask.hpp"
#include "input/test_raster_util.hpp"
#include "model/model_state.hpp"

namespace torva {
namespace {

using testing::grid_text;

GridHeader header_of(double north, double south, double east, double west, int rows, int cols) {
  GridHeader h;
  h.north = north;
  h.south = south;
  h.east = east;
  h.west = west;
  h.rows = rows;
  h.cols = cols;
  return h;
}

TEST(GridSize, TruncationRuleAcceptsRoundingAndRejectsTenths) {
  EXPECT_EQ(grid_size_check(30.0, header_of(300.04, 0, 300, 0, 10, 10)), 0);  // 30.004
  EXPECT_EQ(grid_size_check(30.0, header_of(301, 0, 300, 0, 10, 10)), 1);     // 30.1
  EXPECT_EQ(grid_size_check(30.0, header_of(300, 0, 301, 0, 10, 10)), 2);
  EXPECT_EQ(grid_size_check(30.0, header_of(301, 0, 301, 0, 10, 10)), 1);  // north-south first
  EXPECT_EQ(grid_size_check(29.999, header_of(300, 0, 300, 0, 10, 10)), 0);
}

TEST(Renumber, EveryNonZeroEntryOfAnySignIsACell) {
  Array2<int> m("mask");
  m.allocate(3, 4);
  m(1, 1) = -9;
  m(1, 3) = 5;
  m(2, 2) = -1;
  m(2, 3) = 1;
  EXPECT_EQ(renumber_mask(m), 4);
  EXPECT_EQ(m(1, 1), 1);
  EXPECT_EQ(m(1, 3), 2);
  EXPECT_EQ(m(2, 2), 3);
  EXPECT_EQ(m(2, 3), 4);
  EXPECT_EQ(m(1, 2), 0);
}

class MaskTest : public testing::ScratchDir {
 protected:
  void SetUp() override {
    ScratchDir::SetUp();
    s = std::make_unique<ModelState>();
    s->settings.site.rows = 3;
    s->settings.site.cols = 3;
    s->settings.site.gridsize = 100.0;
    s->settings.site.outrow = 3;
    s->settings.site.outcol = 2;
  }
  void read_mask(const std::string& text) {
    write("mask.asc", text);
    FileHandle f;
    ASSERT_TRUE(f.open("mask.asc", "r"));
    ::testing::internal::CaptureStdout();
    read_watershed_mask(*s, f);
    out = ::testing::internal::GetCapturedStdout();
  }
  void read_elev(const std::string& text) {
    write("elev.asc", text);
    FileHandle f;
    ASSERT_TRUE(f.open("elev.asc", "r"));
    ::testing::internal::CaptureStdout();
    read_elevation(*s, f);
    out = ::testing::internal::GetCapturedStdout();
  }
  std::unique_ptr<ModelState> s;
  std::string out;
};

TEST_F(MaskTest, NumbersCellsWritesMaskmapAndArea) {
  read_mask(grid_text(3, 3, {"0 -1 0", "1 1 7", "0 2 0"}));
  EXPECT_EQ(error_code().code, 0);
  EXPECT_EQ(out,
            "reading watershed mask from file: mask.asc\n"
            "number of grid cells in watershed: 5\n");
  const GridState& g = s->grid;
  EXPECT_EQ(g.ncells, 5);
  EXPECT_EQ(g.mask(1, 2), 1);
  EXPECT_EQ(g.mask(2, 3), 4);
  EXPECT_EQ(g.mask(3, 2), 5);
  EXPECT_EQ(g.mask(0, 0) + g.mask(4, 4) + g.mask(2, 4), 0);
  EXPECT_EQ(g.cell_row[4], 2);
  EXPECT_EQ(g.cell_col[4], 3);
  EXPECT_DOUBLE_EQ(g.watershed_area, 5 * 100.0 * 100.0);
  EXPECT_EQ(slurp("maskmap"),
            "north:    300.00\nsouth:      0.00\neast:    300.00\nwest:      0.00\n"
            "rows:     3\ncols:     3\n0 1 0 \n2 3 4 \n0 5 0 \n");
}

TEST_F(MaskTest, GridSizeDisagreementPrintsTheFourLines) {
  read_mask(grid_text(3, 3, {"1 1 1", "1 1 1", "1 1 1"}, 300, 0, 303, 0));
  EXPECT_EQ(error_code().code, 4000);
  EXPECT_EQ(out,
            "reading watershed mask from file: mask.asc\n"
            "\nThe grid size specified in the project file: 100.0000 m differs from\n"
            "the east-west dimension of the raster grid cells 101.0000 m as calculated\n"
            "from the WATERSHED_MASK header.  Check your data to make sure they agree.\n"
            "TORVA terminating.\n\n");
}

TEST_F(MaskTest, QuietGridSizeFailureSetsTheCodeSilently) {
  s->settings.site.quiet = 1;
  read_mask(grid_text(3, 3, {"1 1 1", "1 1 1", "1 1 1"}, 301, 0, 300, 0));
  EXPECT_EQ(error_code().code, 4000);
  EXPECT_EQ(out, "");
}

TEST_F(MaskTest, ImpossibleGridSizesStopBeforeAllocating) {
  s->settings.site.rows = 1000000000;
  s->settings.site.cols = 1000000000;
  read_mask(grid_text(3, 3, {"1 1 1", "1 1 1", "1 1 1"}));
  EXPECT_EQ(error_code().code, 4000);
  EXPECT_EQ(out,
            "Error: ROWS 1000000000 and COLS 1000000000 do not describe a usable grid (watershed "
            "mask: mask.asc)\n");
  EXPECT_TRUE(s->grid.mask.empty());
}

TEST_F(MaskTest, ElevationAndOutletCell) {
  read_mask(grid_text(3, 3, {"0 1 0", "1 1 1", "0 1 0"}));
  read_elev(grid_text(3, 3, {"9 10 9", "11 12 13", "9 14 9"}));
  EXPECT_EQ(error_code().code, 0);
  EXPECT_EQ(out,
            "reading elevation map from file: elev.asc\n"
            "outlet is in grid cell: 5\n");
  EXPECT_EQ(s->grid.outlet_cell, 5);
  EXPECT_EQ(s->grid.elevation[4], 13.0);
}

TEST_F(MaskTest, OutletOutsideTheMask) {
  read_mask(grid_text(3, 3, {"0 1 0", "1 1 1", "0 1 0"}));
  s->settings.site.outcol = 1;
  read_elev(grid_text(3, 3, {"9 10 9", "11 12 13", "9 14 9"}));
  EXPECT_EQ(error_code().code, 4000);
  EXPECT_EQ(out,
            "reading elevation map from file: elev.asc\n"
            "\nThe outlet row and column you specified in the project file are not\n"
            "inside the watershed mask.  Check the outlet row and column again, and\n"
            "make sure they are correctly specified in the project file using the\n"
            "OUTROW and OUTCOL project file cards.  TORVA terminating.\n\n");
  // Off the grid altogether, with a channel network: no fault, outlet cell 0.
  testing::clear_error();
  s->settings.site.outrow = 99;
  s->settings.site.outcol = -4;
  s->settings.channel.channel_input_given = true;
  read_elev(grid_text(3, 3, {"9 10 9", "11 12 13", "9 14 9"}));
  EXPECT_EQ(error_code().code, 0);
  EXPECT_EQ(s->grid.outlet_cell, 0);
}

}  // namespace
}  // namespace torva
