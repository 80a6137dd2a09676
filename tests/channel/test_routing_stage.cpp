// The channel stages on a network read from a channel file: schedule, land inflow, point
// inputs, a weir, the outlet discharge and the water ledger.
#include "test_routing_stage.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "channel/channel_setup.hpp"
#include "channel/channel_stages.hpp"

namespace torva {
namespace {

using test::RoutingStage;

TEST_F(RoutingStage, LedgerClosesAndOutletDischargeIsReported) {
  ModelState s;
  set_up(s);
  s.files.locations = {{3, 6}, {1, 4}, {7, 2}};  // the last lies outside the network
  testing::internal::CaptureStdout();
  stage_load_channels(s);
  stage_channel_point_setup(s);
  const std::string out = testing::internal::GetCapturedStdout();
  ASSERT_EQ(error_code().code, 0) << out;
  ASSERT_TRUE(s.route.active);
  ASSERT_EQ(s.channel.node_cell(1, 1), 1);

  double land0 = 0.0;
  for (int c = 1; c <= 14; ++c) land0 += s.overland.ov_depth[static_cast<std::size_t>(c)] * 2500.0;
  const double chan0 = s.ledger.initial_channel;
  for (int step = 1; step <= 240; ++step) {
    s.clock.current_time = s.clock.start_time + step * s.clock.dt_days;
    stage_channel_routing(s);
    ASSERT_EQ(error_code().code, 0) << "step " << step;
    stage_channel_point_inputs(s);
  }
  EXPECT_EQ(s.route.points.inflow[0], 0.5);  // the change at 00:30 was applied
  const WaterLedger& w = s.ledger;
  const double chan1 = channel_volume(s.channel);
  const double in = w.channel_lateral_inflow + w.channel_point_sources + w.channel_clipped;
  const double out_v = w.discharge + w.overbank_to_land;
  EXPECT_GT(w.channel_lateral_inflow, 0.0);
  EXPECT_GT(w.discharge, 0.0);
  EXPECT_NEAR(chan1 - chan0, in - out_v, 1e-10 * (in + chan0 + 1.0));
  // What the land gave is what the channel counted as lateral inflow.
  double land1 = 0.0;
  for (int c = 1; c <= 14; ++c) land1 += s.overland.ov_depth[static_cast<std::size_t>(c)] * 2500.0;
  EXPECT_NEAR(land0 - land1, w.channel_lateral_inflow - w.overbank_to_land, 1e-9);
  // Point inputs: 0.2 m^3/s for 30 minutes, 0.5 after; head inflow 0.1 at head link 1.  The
  // steps come from Julian-day differences, good to about 1e-5 s each.
  EXPECT_NEAR(w.channel_point_sources, 0.2 * 1800.0 + 0.5 * 5400.0 + 0.1 * 7200.0, 1e-3);
  EXPECT_GT(s.channel.qp(1, 2), 0.0);  // the weir passes water
  EXPECT_EQ(s.event.outlet_q, s.channel.qp(6, 3));
  // The outlet node's location total is the discharge volume; an inner node carries some.
  ASSERT_EQ(s.route.location_volume.size(), 3u);
  EXPECT_NEAR(s.route.location_volume[0], w.discharge, 1e-9 * w.discharge);
  EXPECT_GT(s.route.location_volume[1], 0.0);
  EXPECT_EQ(s.route.location_volume[2], 0.0);
}

TEST_F(RoutingStage, MissingBoundarySeriesIsCode127) {
  ModelState s;
  set_up(s);
  s.settings.channel.head_bound = 1;
  s.settings.channel.bound_ts = "tide";
  s.settings.channel.bound_ts_given = true;
  testing::internal::CaptureStdout();
  stage_load_channels(s);
  stage_channel_point_setup(s);
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(error_code().code, 127);
  EXPECT_EQ(error_code().what, "tide");
  EXPECT_FALSE(s.route.active);
}

TEST_F(RoutingStage, HeadBoundaryHoldsTheOutletDepth) {
  ModelState s;
  set_up(s);
  s.settings.channel.head_bound = 1;
  s.settings.channel.bound_depth = 0.4;
  testing::internal::CaptureStdout();
  stage_load_channels(s);
  stage_channel_point_setup(s);
  testing::internal::GetCapturedStdout();
  ASSERT_EQ(error_code().code, 0);
  const double chan0 = s.ledger.initial_channel;
  for (int step = 1; step <= 120; ++step) {
    s.clock.current_time = s.clock.start_time + step * s.clock.dt_days;
    stage_channel_routing(s);
    ASSERT_EQ(error_code().code, 0);
  }
  EXPECT_DOUBLE_EQ(s.channel.chan_depth(6, 3), 0.4);
  const WaterLedger& w = s.ledger;
  const double in = w.channel_lateral_inflow + w.channel_point_sources + w.channel_clipped;
  EXPECT_NEAR(channel_volume(s.channel) - chan0, in - w.discharge - w.overbank_to_land,
              1e-10 * (in + chan0));
}

}  // namespace
}  // namespace torva
