// Whole runs of a small tilted basin under uniform rain through the real start-up and
// time-loop stages: rain = surface storage + outflow + infiltrated volume for each method.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "channel/channel_stages.hpp"
#include "frame/console.hpp"
#include "frame/run_context.hpp"
#include "input/input_stages.hpp"
#include "model/driver.hpp"
#include "model/model_state.hpp"
#include "output/output_stages.hpp"
#include "overland/overland_stages.hpp"
#include "subsurface/subsurface_stages.hpp"

namespace torva {
namespace {

using Stage = void (*)(ModelState&);

// A 4 x 5 raster of 100 m cells; integer maps print their values as integers.
std::string grid(double (*value)(int, int), bool integers = false) {
  std::string s = "north: 400.00\nsouth: 0.00\neast: 500.00\nwest: 0.00\nrows: 4\ncols: 5\n";
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 5; ++c) {
      const double v = value(r, c);
      s += (integers ? std::to_string(static_cast<int>(v)) : std::to_string(v)) + " ";
    }
    s += "\n";
  }
  return s;
}

class InfiltrationRun : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/torva_infil_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    old_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
    error_code() = ErrorCode{};
    put("mask.asc", grid([](int, int) { return 1.0; }, true));
    put("elev.asc", grid([](int r, int c) { return 10.0 + 0.5 * (4 - r) + 0.3 * c; }));
    put("ks.asc", grid([](int, int c) { return 0.5 + 0.1 * c; }));
    put("cap.asc", grid([](int r, int) { return 8.0 + r; }));
    put("por.asc", grid([](int, int) { return 0.45; }));
    put("moist.asc", grid([](int r, int c) { return 0.12 + 0.01 * ((r + c) % 3); }));
    put("pore.asc", grid([](int, int) { return 0.5; }));
    put("res.asc", grid([](int, int) { return 0.05; }));
    put("soil.asc", grid([](int r, int c) { return 1.0 + (r + c) % 2; }, true));
    put("layers.txt",
        "COLUMNS thickness ksat cap_head porosity theta_init\n"
        "SOIL 1 3\n 5 1.5 11 0.45 0.15\n 10 0.6 20 0.40 0.40\n 200 0.2 30 0.38 0.25\n"
        "SOIL 2 1\n 50 3.0 6 0.42 0.10\n");
  }
  void TearDown() override {
    std::filesystem::current_path(old_);
    std::filesystem::remove_all(dir_);
    error_code() = ErrorCode{};
  }
  static void put(const std::string& name, const std::string& text) {
    std::ofstream(name, std::ios::binary) << text;
  }
  // Runs the stages in order; false at the first standing code.
  static bool stages(ModelState& s, std::initializer_list<Stage> list) {
    for (Stage st : list) {
      st(s);
      if (error_code().code != 0) return false;
    }
    return true;
  }
  std::filesystem::path dir_, old_;
};

TEST_P(InfiltrationRun, RainEqualsSurfacePlusOutflowPlusInfiltration) {
  put("run.prj", std::string("TORVAPROJECT\n"
                             "WATERSHED_MASK mask.asc\nELEVATION elev.asc\nROWS 4\nCOLS 5\n"
                             "GRIDSIZE 100\nTOT_TIME 180\nTIMESTEP 10\nOUTROW 4\nOUTCOL 1\n"
                             "OUTSLOPE 0.01\nMANNING_N 0.05\nPRECIP_UNIF\nRAIN_INTENSITY 40\n"
                             "RAIN_DURATION 60\nSTART_DATE 2020 6 1\nSTART_TIME 12 00\n"
                             "HYD_FREQ 10\nMAP_FREQ 60\n"
                             "CONDUCTIVITY ks.asc\nCAPILLARY cap.asc\nPOROSITY por.asc\n"
                             "MOISTURE moist.asc\nPORE_INDEX pore.asc\nRESIDUAL_SAT res.asc\n"
                             "SOIL_TYPE_MAP soil.asc\nSOIL_LAYER_INPUT_FILE layers.txt\n"
                             "INF_DEPTH inf\nRATE_OF_INFIL rate\n") +
                     GetParam() + "\n");
  auto state = std::make_unique<ModelState>();
  ModelState& s = *state;
  s.project_file = "run.prj";
  ::testing::internal::CaptureStdout();
  const bool started = stages(
      s, {stage_read_project, stage_option_checks, stage_load_maps, stage_load_soils,
          stage_load_channels, stage_time_settings, stage_allocate_overland, stage_connectivity,
          stage_initial_slopes, stage_channel_point_setup, stage_first_event_setup});
  int passes = 0;
  bool ran = started;
  while (ran && s.event.simulation_continues && passes < 100000) {
    ran =
        stages(s, {stage_advance_clock, stage_precipitation, stage_event_start, stage_radar,
                   stage_depth_check, stage_infil_redist_start, stage_infiltration, stage_overland,
                   stage_channel_routing, stage_map_output, stage_event_decision});
    ++passes;
  }
  const std::string said = ::testing::internal::GetCapturedStdout();
  ASSERT_TRUE(ran) << "code " << error_code().code << "\n" << said;
  EXPECT_EQ(passes, 1081);

  const WaterLedger& l = s.ledger;
  const double area = s.grid.cell_area;
  double surface = 0.0;
  for (int i = 1; i <= s.grid.ncells; ++i) surface += s.overland.ov_depth[i] * area;
  EXPECT_NEAR(l.precip, 20 * 40.0 / 1000.0 * 1e4, 1e-6);  // 40 mm/h for an hour on 20 ha
  EXPECT_GT(l.infiltration, 0.2 * l.precip);
  EXPECT_GT(l.discharge, 0.001 * l.precip);
  const double in = l.precip + l.overland_clipped + l.overland_point_sources;
  const double out = surface + l.discharge + l.infiltration + l.interception;
  EXPECT_NEAR(in, out, 1e-10 * l.precip) << "relative error " << (in - out) / l.precip;
  // The last depth map (minute 180) holds every cell's infiltrated depth, printed to 0.1 mm.
  std::ifstream map("infdep.0003.asc");
  ASSERT_TRUE(map.good());
  std::string word;
  for (int k = 0; k < 12; ++k) map >> word;  // six header lines of two words
  double mapped = 0.0;
  for (double d; map >> d;) mapped += d * area;
  EXPECT_NEAR(mapped, l.infiltration, 0.5e-4 * area * s.grid.ncells);
  EXPECT_TRUE(std::filesystem::exists("infrate.0003.asc"));
}

INSTANTIATE_TEST_SUITE_P(Methods, InfiltrationRun,
                         ::testing::Values("GREEN_AMPT", "INF_REDIST", "INF_LAYERED_SOIL"),
                         [](const auto& info) { return std::string(info.param); });

}  // namespace
}  // namespace torva
