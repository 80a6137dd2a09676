#include <gtest/gtest.h>

#include <vector>

#include "model/model_state.hpp"
#include "overland/overland_stages.hpp"
#include "overland/precip_radar.hpp"
#include "overland/rain.hpp"
#include "test_connectivity_helpers.hpp"

namespace torva {
namespace {

using testing_grid::clear_error;
using testing_grid::make_grid;
using testing_grid::TempFile;

const char* const kHeader =
    "ncols 3\nnrows 2\nxllcorner 1000\nyllcorner 4980\ncellsize 10\nNODATA_value -9999\n";

TEST(Radar, NoDataWithinOneHundredthAndNonPositiveValuesBecomeZero) {
  bool capped = true;
  EXPECT_EQ(radar_value_mm(-9999.0, -9999.0, capped), 0.0);
  EXPECT_EQ(radar_value_mm(-9999.005, -9999.0, capped), 0.0);
  EXPECT_EQ(radar_value_mm(-9998.995, -9999.0, capped), 0.0);
  EXPECT_EQ(radar_value_mm(1.5, 1.495, capped), 0.0);  // near no-data even when positive
  EXPECT_EQ(radar_value_mm(-0.2, -9999.0, capped), 0.0);
  EXPECT_FALSE(capped);
  EXPECT_DOUBLE_EQ(radar_value_mm(0.5, -9999.0, capped), 12.7);  // inches to mm
}

TEST(Radar, FiveInchesPerHourIsCappedAtOneHundredWithAWarning) {
  clear_error();
  TempFile f("r1", std::string(kHeader) + "5 0.1 -9999\n0 0.2 3.937\n");
  RadarHeader h;
  ASSERT_TRUE(read_radar_header(f.path(), h));
  EXPECT_EQ(h.ncols, 3);
  EXPECT_EQ(h.nrows, 2);
  EXPECT_DOUBLE_EQ(h.top(), 5000.0);
  std::vector<double> v(6, -1.0);
  double peak = 0.0;
  testing::internal::CaptureStdout();
  ASSERT_TRUE(read_radar_values(f.path(), h, v, peak));
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Warning: really big precip value (127.000000) in cell (0,0) from radar rainfall.\n"
            " resetting value to 100.0\n");
  EXPECT_EQ(v[0], 100.0);
  EXPECT_DOUBLE_EQ(v[1], 2.54);
  EXPECT_EQ(v[2], 0.0);
  EXPECT_EQ(v[3], 0.0);
  EXPECT_DOUBLE_EQ(v[5], 3.937 * 25.4);
  EXPECT_EQ(peak, 100.0);
}

TEST(Radar, CellsMapRowMajorFromTheNorthAndOutsideCellsFail) {
  // Model cells of 5 m whose centres fall in the 3 x 2 radar grid above.
  const std::vector<double> x = {0.0, 1002.5, 1027.5, 1012.5, 990.0};
  const std::vector<double> y = {0.0, 4997.5, 4982.5, 5010.0, 4990.0};
  RadarHeader h;
  h.ncols = 3;
  h.nrows = 2;
  h.xll = 1000.0;
  h.yll = 4980.0;
  h.cellsize = 10.0;
  std::vector<long> index(5, -1);
  ASSERT_TRUE(map_radar_cells(h, x, y, index));
  EXPECT_EQ(index[1], 0);
  EXPECT_EQ(index[2], 5);
  EXPECT_EQ(index[3], 1);  // above the top counts as row 0
  EXPECT_EQ(index[4], 3);  // west of the grid counts as column 0
  const std::vector<double> fx = {0.0, 1035.0}, fy = {0.0, 4990.0};
  testing::internal::CaptureStdout();
  EXPECT_FALSE(map_radar_cells(h, fx, fy, index));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Error!! p_I=1, p_J=3\n");
}

TEST(Radar, AssignmentUsesTheCellIndexAndStopsOutsideTheValues) {
  const std::vector<double> v = {1.0, 2.0, -3.0};
  const std::vector<long> index = {0, 1, 2, 0};
  std::vector<double> rate(4, 9.0);
  double peak = 0.0;
  EXPECT_EQ(assign_radar(index, v, rate, peak), 0);
  EXPECT_EQ(rate[1], 2.0);
  EXPECT_EQ(rate[2], 0.0);
  EXPECT_EQ(rate[3], 1.0);
  EXPECT_EQ(peak, 2.0);
  const std::vector<long> bad = {0, 1, 7};
  testing::internal::CaptureStdout();
  EXPECT_EQ(assign_radar(bad, v, rate, peak), 2);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Error: cellnum=7, totcells=3\n");
}

TEST(Radar, BadHeadersAndShortFilesAreReported) {
  RadarHeader h;
  TempFile a("r_bad1", "ncols 3\nnrows\n");
  testing::internal::CaptureStdout();
  EXPECT_FALSE(read_radar_header(a.path(), h));
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Error: unable to read radar header in file " + a.path() + "\n");
  TempFile b("r_bad2", std::string(kHeader) + "0.1 0.2 0.3\n0.4 0.5\n");
  ASSERT_TRUE(read_radar_header(b.path(), h));
  std::vector<double> v(6, 0.0);
  double peak = 0.0;
  testing::internal::CaptureStdout();
  EXPECT_FALSE(read_radar_values(b.path(), h, v, peak));
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Error in reading radar precip file " + b.path() + "\n");
  TempFile c("r_bad3", "ncols 99999\nnrows 99999\nx 0\ny 0\ncs 1\nnd -1\n");
  testing::internal::CaptureStdout();
  EXPECT_FALSE(read_radar_header(c.path(), h));  // too large to hold
  testing::internal::GetCapturedStdout();
}

TEST(Radar, RadarEventRunsThroughTheRadarStage) {
  clear_error();
  TempFile r1("ra", std::string(kHeader) + "1 1 1\n1 1 1\n");
  TempFile r2("rb", std::string(kHeader) + "0.5 0.5 0.5\n0.5 0.5 2\n");
  TempFile gage("rg",
                "EVENT radar\nNRGAG files\nNRPDS 3\n"
                "RADAR 2012 8 1 12 0 " +
                    r1.path() +
                    "\n"
                    "RADAR 2012 8 1 12 10 " +
                    r1.path() +
                    "\n"
                    "RADAR 2012 8 1 12 20 " +
                    r2.path() + "\n");
  ModelState s;
  s.run.quiet = true;
  make_grid(s.grid, {"111", "111"}, 10.0);
  s.grid.west = 1000.0;
  s.grid.north = 5000.0;
  s.settings.precip.precip_file = gage.path();
  s.settings.precip.precip_file_given = true;
  s.run.rain_source = RainSource::gages;
  s.settings.site.tot_time = 30;
  s.clock.dt = 300.0;
  s.clock.dt_days = 300.0 / kSecondsPerDay;
  testing::internal::CaptureStdout();
  stage_first_event_setup(s);
  ASSERT_EQ(error_code().code, 0);
  std::vector<double> seen;
  for (int step = 0; step < 6; ++step) {
    advance_clock(s.clock);
    stage_precipitation(s);  // radar events wait for their own stage
    stage_radar(s);
    seen.push_back(s.rain.rain_rate[6]);
  }
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(error_code().code, 0);
  // 00-10 min: file of the period ending at 12:10 (r1, 25.4 mm/h); 10-20: r2; then over.
  const std::vector<double> expect = {25.4, 25.4, 50.8, 50.8, 0.0, 0.0};
  ASSERT_EQ(seen.size(), expect.size());
  for (std::size_t i = 0; i < seen.size(); ++i) EXPECT_NEAR(seen[i], expect[i], 1e-12) << i;
  EXPECT_NE(out.find("Reading radar precip file " + r2.path() +
                     ".\n"
                     "Peak rainfall rate read: 50.800000 mm/hr\n"
                     "Peak rainfall applied to watershed: 50.800000 mm/hr\n"),
            std::string::npos);
}

}  // namespace
}  // namespace torva
