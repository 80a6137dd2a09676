// The channel stages on a network read from a channel file: schedule, land inflow, point
// inputs, a weir, the outlet discharge and the water ledger.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "chan_test_util.hpp"
#include "channel/channel_setup.hpp"
#include "channel/channel_stages.hpp"
#include "frame/clock.hpp"
#include "frame/model_state.hpp"

namespace torva {
namespace {

// Link 1 (8 computational nodes) passes weir link 2 into outlet link 3 (6 nodes).  Every node
// point lies in a 50 m cell of a one-row grid.
std::string network() {
  std::string t =
      "TORVA_CHAN\nALPHA 1\nBETA 1\nTHETA 1\nLINKS 3\nMAXNODES 9\n"
      "CONNECT 1 2 0\nCONNECT 2 3 1 1\nCONNECT 3 0 1 2\n"
      "LINK 1\nDX 50\nNODES 9\nMANNINGS_N 0.035\nTRAPEZOID\n";
  for (int k = 1; k <= 9; ++k) {
    t += "NODE " + std::to_string(k) + "\nX_Y " + std::to_string(50 * (k - 1)) + " 25\nELEV " +
         std::to_string(100.0 - 0.1 * (k - 1)) + "\n";
    if (k == 1) t += "XSEC\nBOTTOM_WIDTH 2\nBANKFULL_DEPTH 1\nSIDE_SLOPE 1\n";
  }
  t += "LINK 2\nSTRUCTURE\nNUMSTRUCTS 1\nSTRUCTTYPE weir\nCREST_LENGTH 3\n"
       "CREST_LOW_ELEV 99.3\nDISCHARGE_COEFF_FORWARD 0.6\nDISCHARGE_COEFF_REVERSE 0.6\n"
       "NODE 1\nELEV 99.1\nNODE 2\nELEV 99.1\n"
       "LINK 3\nDX 50\nNODES 7\nMANNINGS_N 0.03\nTRAPEZOID\n";
  for (int k = 1; k <= 7; ++k) {
    t += "NODE " + std::to_string(k) + "\nX_Y " + std::to_string(400 + 50 * (k - 1)) +
         " 25\nELEV " + std::to_string(99.0 - 0.1 * (k - 1)) + "\n";
    if (k == 1) t += "XSEC\nBOTTOM_WIDTH 3\nBANKFULL_DEPTH 1\nSIDE_SLOPE 1.5\n";
  }
  return t;
}

class RoutingStage : public test::ChannelTest {
 protected:
  void set_up(ModelState& s) {
    write("chan.txt", network());
    write("points.txt", "NUMPT 1\nPOINT 3 3 0.2\nNRPDS 1\nINPUT 2000 1 1 0 30\n0.5\n");
    GridState& g = s.grid;
    g.rows = 1;
    g.cols = 14;
    g.dx = 50.0;
    g.cell_area = 2500.0;
    g.north = 50.0;
    g.south = 0.0;
    g.west = 0.0;
    g.east = 700.0;
    g.ncells = 14;
    g.mask.allocate(3, 16);
    g.elevation.allocate(14);
    s.overland.ov_depth.allocate(14);
    s.overland.inv_rough.allocate(14);
    for (int c = 1; c <= 14; ++c) {
      g.mask(1, static_cast<std::size_t>(c)) = c;
      g.elevation[static_cast<std::size_t>(c)] = 101.0;
      s.overland.ov_depth[static_cast<std::size_t>(c)] = 0.01 * (c % 3);
      s.overland.inv_rough[static_cast<std::size_t>(c)] = 20.0;
    }
    CardRecord& c = s.settings.cards;
    c.chan_explic = 1;
    c.channel_input = "chan.txt";
    c.channel_input_given = true;
    c.chan_point_input = "points.txt";
    c.chan_point_input_given = true;
    c.first_order_chan_q = 0.1;
    c.max_courant_number = 0.5;
    s.run.explicit_channels = true;
    s.run.super_quiet = true;
    s.clock.dt = 30.0;
    s.clock.dt_days = 30.0 / kSecondsPerDay;
    s.clock.start_time = julian_date(2000, 1, 1, 0, 0, 0.0);
    s.clock.current_time = s.clock.start_time;
  }
};

TEST_F(RoutingStage, LedgerClosesAndOutletDischargeIsReported) {
  ModelState s;
  set_up(s);
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
}

TEST_F(RoutingStage, MissingBoundarySeriesIsCode127) {
  ModelState s;
  set_up(s);
  s.settings.cards.head_bound = 1;
  s.settings.cards.bound_ts = "tide";
  s.settings.cards.bound_ts_given = true;
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
  s.settings.cards.head_bound = 1;
  s.settings.cards.bound_depth = 0.4;
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
