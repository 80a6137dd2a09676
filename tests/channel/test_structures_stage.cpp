// Structure links inside the routing stage: rating curve, scheduled release and culverts.
#include <gtest/gtest.h>

#include <string>

#include "channel/channel_setup.hpp"
#include "channel/channel_stages.hpp"
#include "test_routing_stage.hpp"

namespace torva {
namespace {

class StructureStage : public test::RoutingStage {
 protected:
  // Reads the network with the run's series known to the reader, then sets routing up.
  std::string load(ModelState& s, const std::string& structure) {
    set_up(s, test::network(structure));
    ChannelSetupInput in;
    in.channel_file = "chan.txt";
    in.read.summary = false;
    in.read.find_elev_series = [&s](std::string_view name) {
      for (std::size_t i = 0; i < s.series.elevation_series.size(); ++i)
        if (s.series.elevation_series[i].name.starts_with(name)) return static_cast<int>(i) + 1;
      return 0;
    };
    in.read.find_time_series = [&s](std::string_view name) {
      for (std::size_t i = 0; i < s.series.time_series.size(); ++i)
        if (s.series.time_series[i].name.starts_with(name)) return static_cast<int>(i) + 1;
      return 0;
    };
    double volume = 0.0;
    testing::internal::CaptureStdout();
    const bool ok = setup_channels(s.channel, in, s.grid, volume);
    s.ledger.initial_channel += volume;
    stage_channel_point_setup(s);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_TRUE(ok) << out;
    return out;
  }
  // Runs n channel steps; returns the console output.
  std::string run(ModelState& s, int n) {
    testing::internal::CaptureStdout();
    for (int step = 1; step <= n && error_code().code == 0; ++step) {
      s.clock.current_time = s.clock.start_time + step * s.clock.dt_days;
      stage_channel_routing(s);
      stage_channel_point_inputs(s);
    }
    return testing::internal::GetCapturedStdout();
  }
  static double closure(const ModelState& s) {
    const WaterLedger& w = s.ledger;
    const double in = w.channel_lateral_inflow + w.channel_point_sources + w.channel_clipped;
    return (channel_volume(s.channel) - w.initial_channel) -
           (in - w.discharge - w.overbank_to_land);
  }
};

TEST_F(StructureStage, RatingCurveBelowItsFirstEntryGivesTheFirstValue) {
  ModelState s;
  s.series.elevation_series.push_back({"gate_curve", {99.8, 100.5}, {0.05, 2.0}});
  load(s, "STRUCTTYPE rating_curve gate\n");
  ASSERT_EQ(error_code().code, 0);
  const std::string out = run(s, 200);
  ASSERT_EQ(error_code().code, 0) << out;
  ASSERT_LT(s.channel.yp(8, 1), 99.8);
  EXPECT_DOUBLE_EQ(s.channel.qp(1, 2), 0.05);
  EXPECT_DOUBLE_EQ(s.channel.qp(8, 1), 0.05);
  EXPECT_NEAR(closure(s), 0.0, 1e-9);
}

TEST_F(StructureStage, ScheduledReleaseFollowsItsTimeSeries) {
  ModelState s;
  s.series.time_series.push_back({"release", {0.0, 0.0}, {0.02, 0.06}});
  TimeSeries& ts = s.series.time_series.back();
  ts.times = {s.clock.start_time, s.clock.start_time + 2.0 / 24.0};
  load(s, "STRUCTTYPE scheduled_release release\n");
  ts.times = {s.clock.start_time, s.clock.start_time + 2.0 / 24.0};
  const std::string out = run(s, 120);  // one hour: halfway along the series
  ASSERT_EQ(error_code().code, 0) << out;
  EXPECT_NEAR(s.channel.qp(1, 2), 0.04, 1e-9);
  EXPECT_NEAR(closure(s), 0.0, 1e-9);
}

TEST_F(StructureStage, RoundCulvertPassesWaterAndConserves) {
  ModelState s;
  load(s,
       "STRUCTTYPE round_culvert\nLENGTH 12\nUPINVERT 99.25\nDOWNINVERT 99.2\nDIAMETER 0.6\n"
       "INLET_DISCH_COEFF 0.8\nREV_FLOW_DISCH_COEFF 0.7\nROUGH_COEFF 0.015\n");
  const std::string out = run(s, 240);
  ASSERT_EQ(error_code().code, 0) << out;
  EXPECT_GT(s.channel.qp(1, 2), 0.0);
  EXPECT_NEAR(closure(s), 0.0, 1e-9);
}

TEST_F(StructureStage, ZeroBarrelLengthStopsTheRun) {
  ModelState s;
  load(s,
       "STRUCTTYPE rect_culvert\nLENGTH 0\nUPINVERT 99.25\nDIAMETER 0.6\nWIDTH 1\n"
       "HEIGHT 1.2\n");
  const std::string out = run(s, 5);
  EXPECT_EQ(error_code().code, 4000);
  EXPECT_NE(out.find("in culvert number 1 is 0.0.  This is not possible. Program terminated.\n"
                     "Error in link number: 2 "),
            std::string::npos)
      << out;
}

// A series fault of a structure is printed by name with the report's newline, stops the run
// after the stage and lets the routing finish with a flow of 0.
TEST_F(StructureStage, EmptyRatingCurveIsNamedAndStopsAfterTheStep) {
  ModelState s;
  s.series.elevation_series.push_back({"other", {1.0}, {1.0}});
  s.series.elevation_series.push_back({"gate_curve", {}, {}});
  load(s, "STRUCTTYPE rating_curve gate\n");
  const std::string out = run(s, 1);
  const std::string line =
      "Error: attempting to extract a value from an elevation series [gate_curve] with no "
      "entries.\n\n";
  EXPECT_EQ(out.find(line), 0u) << out;
  EXPECT_EQ(out.size() % line.size(), 0u) << out;
  EXPECT_EQ(error_code().stop, 1);
  EXPECT_EQ(error_code().stopping_code, 4000);
  EXPECT_EQ(s.channel.qp(1, 2), 0.0);
}

}  // namespace
}  // namespace torva
