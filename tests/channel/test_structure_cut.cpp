// A culvert whose barrel lies below the bed of the node it draws from empties that node in
// every sub-step; the routing must still finish its step and keep the ledger.
#include <gtest/gtest.h>

#include <string>

#include "chan_test_util.hpp"
#include "channel/channel_setup.hpp"
#include "channel/channel_stages.hpp"
#include "frame/clock.hpp"
#include "model/model_state.hpp"

namespace torva {
namespace {

// Link 1 (5 node points on a 0.01 slope) drains through a round culvert (link 2) whose
// inverts lie below link 1's last bed into outlet link 3.
std::string network() {
  std::string t =
      "TORVA_CHAN\nALPHA 1\nBETA 1\nTHETA 1\nLINKS 3\nMAXNODES 5\n"
      "CONNECT 1 2 0\nCONNECT 2 3 1 1\nCONNECT 3 0 1 2\n"
      "LINK 1\nDX 50\nNODES 5\nMANNINGS_N 0.035\nTRAPEZOID\n";
  for (int k = 1; k <= 5; ++k) {
    t += "NODE " + std::to_string(k) + "\nX_Y " + std::to_string(50 * (k - 1)) + " 25\nELEV " +
         std::to_string(100.0 - 0.5 * (k - 1)) + "\n";
    if (k == 1) t += "XSEC\nBOTTOM_WIDTH 2\nBANKFULL_DEPTH 1\nSIDE_SLOPE 1\n";
  }
  t += "LINK 2\nSTRUCTURE\nNUMSTRUCTS 1\nSTRUCTTYPE round_culvert\nLENGTH 12\n"
       "UPINVERT 97.9\nDOWNINVERT 97.8\nSLOPE 0.00833\nDIAMETER 0.9\nINLET_DISCH_COEFF 0.6\n"
       "REV_FLOW_DISCH_COEFF 0.6\nROUGH_COEFF 0.015\nNODE 1\nELEV 97.9\nNODE 2\nELEV 97.8\n"
       "LINK 3\nDX 50\nNODES 4\nMANNINGS_N 0.03\nTRAPEZOID\n";
  for (int k = 1; k <= 4; ++k) {
    t += "NODE " + std::to_string(k) + "\nX_Y " + std::to_string(200 + 50 * (k - 1)) +
         " 25\nELEV " + std::to_string(97.7 - 0.1 * (k - 1)) + "\n";
    if (k == 1) t += "XSEC\nBOTTOM_WIDTH 2\nBANKFULL_DEPTH 1\nSIDE_SLOPE 1\n";
  }
  return t;
}

class StructureCut : public test::ChannelTest {};

TEST_F(StructureCut, DrainedNodeUpstreamOfACulvertDoesNotStopTheRouting) {
  ModelState s;
  write("chan.txt", network());
  GridState& g = s.grid;
  g.rows = 1;
  g.cols = 7;
  g.dx = 50.0;
  g.cell_area = 2500.0;
  g.north = 50.0;
  g.south = 0.0;
  g.west = 0.0;
  g.east = 350.0;
  g.ncells = 7;
  g.mask.allocate(3, 9);
  g.elevation.allocate(7);
  s.overland.ov_depth.allocate(7);
  s.overland.inv_rough.allocate(7);
  for (int c = 1; c <= 7; ++c) {
    g.mask(1, static_cast<std::size_t>(c)) = c;
    g.elevation[static_cast<std::size_t>(c)] = 101.0;
    s.overland.inv_rough[static_cast<std::size_t>(c)] = 20.0;
  }
  s.overland.ov_depth[1] = 0.02;  // a little water for the upper reach only
  ChannelCards& c = s.settings.channel;
  c.chan_explic = 1;
  c.channel_input = "chan.txt";
  c.channel_input_given = true;
  c.max_courant_number = 0.5;
  s.run.channel_method = ChannelMethod::diffusive_wave;
  s.run.super_quiet = true;
  s.clock.dt = 10.0;
  s.clock.dt_days = 10.0 / kSecondsPerDay;
  s.clock.start_time = julian_date(2000, 1, 1, 0, 0, 0.0);
  s.clock.current_time = s.clock.start_time;
  testing::internal::CaptureStdout();
  stage_load_channels(s);
  stage_channel_point_setup(s);
  int step = 1;
  for (; step <= 360 && error_code().code == 0; ++step) {
    s.clock.current_time = s.clock.start_time + step * s.clock.dt_days;
    stage_channel_routing(s);
  }
  const std::string out = testing::internal::GetCapturedStdout();
  ASSERT_EQ(error_code().code, 0) << "step " << step << "\n" << out;
  const WaterLedger& w = s.ledger;
  EXPECT_GT(w.discharge, 0.0);
  const double in = w.channel_lateral_inflow + w.channel_clipped + s.ledger.initial_channel;
  EXPECT_NEAR(channel_volume(s.channel), in - w.discharge - w.overbank_to_land, 1e-9 * in);
}

}  // namespace
}  // namespace torva
