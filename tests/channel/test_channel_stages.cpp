// The channel stages on networks read from channel files: land inflow, point inputs,
// structures, the outlet boundary and hot start, held against the water ledger and against
// Manning's normal depth.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "channel_fixture.hpp"
#include "support/project_run.hpp"

namespace torva {
namespace {

using test::ChannelStage;

TEST_F(ChannelStage, LedgerClosesAndOutletDischargeIsReported) {
  load(test::weir_network());
  wet_land();
  write("points.txt", "NUMPT 1\nPOINT 3 3 0.2\nNRPDS 1\nINPUT 2000 1 1 0 30\n0.5\n");
  ChannelCards& c = s->settings.channel;
  c.chan_point_input = "points.txt";
  c.chan_point_input_given = true;
  c.first_order_chan_q = 0.1;
  s->files.locations = {{3, 6}, {1, 4}, {7, 2}};  // the last lies off the network
  const double land0 = land_volume();
  ASSERT_EQ(start(), 0) << said_;
  ASSERT_EQ(run(240), 0) << said_;
  const WaterLedger& w = s->ledger;
  EXPECT_GT(w.channel_lateral_inflow, 0.0);
  EXPECT_GT(w.discharge, 0.0);
  EXPECT_NEAR(closure(), 0.0, 1e-10 * (w.channel_lateral_inflow + w.initial_channel + 1.0));
  EXPECT_NEAR(land0 - land_volume(), w.channel_lateral_inflow - w.overbank_to_land, 1e-9);
  // 0.2 m^3/s for 30 min then 0.5, and 0.1 into head link 1, for two hours; the steps come
  // from Julian-day differences, good to about 1e-5 s each.
  EXPECT_NEAR(w.channel_point_sources, 0.2 * 1800.0 + 0.5 * 5400.0 + 0.1 * 7200.0, 1e-3);
  EXPECT_GT(s->channel.qp(1, 2), 0.0);  // the weir passes water
  EXPECT_EQ(s->event.outlet_q, s->channel.qp(6, 3));
  ASSERT_EQ(s->route.location_volume.size(), 3u);
  EXPECT_NEAR(s->route.location_volume[0], w.discharge, 1e-9 * w.discharge);
  EXPECT_GT(s->route.location_volume[1], 0.0);
  EXPECT_EQ(s->route.location_volume[2], 0.0);
}

TEST_F(ChannelStage, HeadBoundaryHoldsTheOutletDepthAndNeedsItsSeries) {
  load(test::weir_network());
  wet_land();
  s->settings.channel.head_bound = 1;
  s->settings.channel.bound_depth = 0.4;
  ASSERT_EQ(start(), 0) << said_;
  ASSERT_EQ(run(120), 0) << said_;
  EXPECT_DOUBLE_EQ(s->channel.chan_depth(6, 3), 0.4);
  EXPECT_NEAR(closure(), 0.0,
              1e-10 * (s->ledger.channel_lateral_inflow + s->ledger.initial_channel));
  // A boundary series that is not among the run's series stops the start-up.
  load(test::weir_network());
  s->settings.channel.head_bound = 1;
  s->settings.channel.bound_ts = "tide";
  s->settings.channel.bound_ts_given = true;
  EXPECT_EQ(start(), 127);
  EXPECT_EQ(error_code().what, "tide");
  EXPECT_FALSE(s->route.active);
}

// Each kind of structure link on the weir network fed by a wet land: its flow, the ledger, or
// the fault that stops the run.
TEST_F(ChannelStage, StructuresPassTheirFlowOrStop) {
  const struct {
    std::string structure;
    int steps;
    double q;  // the structure's flow at the end; NaN: some flow
    int stopping;
    std::string message;
  } rows[] = {
      // Below its first entry (99.8) a rating curve gives the first value.
      {"STRUCTTYPE rating_curve gate\n", 200, 0.05, 0, ""},
      // Halfway along a release series from 0.02 to 0.06 m^3/s over two hours.
      {"STRUCTTYPE scheduled_release release\n", 120, 0.04, 0, ""},
      {"STRUCTTYPE round_culvert\nLENGTH 12\nUPINVERT 99.25\nDOWNINVERT 99.2\nDIAMETER 0.6\n"
       "INLET_DISCH_COEFF 0.8\nREV_FLOW_DISCH_COEFF 0.7\nROUGH_COEFF 0.015\n",
       240, NAN, 0, ""},
      {"STRUCTTYPE rect_culvert\nLENGTH 0\nUPINVERT 99.25\nDIAMETER 0.6\nWIDTH 1\nHEIGHT 1.2\n", 5,
       NAN, 4000,
       "Problem in culv_flow (ex_flow_route.c).  The culvert barrel length\n"
       "in culvert number 1 is 0.0.  This is not possible. Program terminated.\n"
       "Error in link number: 2 "},
      // A series fault is named, stops the run after the stage and leaves a flow of 0.
      {"STRUCTTYPE rating_curve empty\n", 1, 0.0, 4000,
       "Error: attempting to extract a value from an elevation series [empty_curve] with no "
       "entries.\n\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.structure);
    RunContext ctx;
    ContextScope scope(ctx);
    load(test::weir_network(row.structure));
    wet_land();
    s->settings.channel.first_order_chan_q = 0.1;
    s->series.elevation_series = {{"other", {1.0}, {1.0}},
                                  {"gate_curve", {99.8, 100.5}, {0.05, 2.0}},
                                  {"empty_curve", {}, {}}};
    s->series.time_series = {{"release", {0.0, 0.0}, {0.02, 0.06}}};
    ASSERT_EQ(start(), 0) << said_;
    s->series.time_series[0].times = {s->clock.start_time, s->clock.start_time + 2.0 / 24.0};
    run(row.steps);
    const ErrorCode& e = error_code();
    EXPECT_EQ(e.code ? e.code : e.stopping_code, row.stopping) << said_;
    EXPECT_TRUE(support::has(said_, row.message)) << said_;
    const double q = s->channel.qp(1, 2);
    EXPECT_TRUE(std::isnan(row.q) ? row.stopping || q > 0.0 : std::abs(q - row.q) < 1e-9) << q;
    EXPECT_TRUE(row.stopping || std::abs(closure()) < 1e-9) << closure();
    EXPECT_TRUE(row.q != 0.05 || s->channel.yp(8, 1) < 99.8);  // below the curve's first entry
  }
}

// Steady inflow into a prismatic link settles at Manning's normal depth of the roughness in
// force: the channel file's, or the stream mapping table's when there is one.
TEST_F(ChannelStage, SteadyFlowTakesNormalDepthOfTheRoughnessInForce) {
  for (const bool table : {false, true}) {
    SCOPED_TRACE(table);
    load("TORVA_CHAN\nALPHA 1\nBETA 1\nTHETA 1\nLINKS 1\nMAXNODES 10\nCONNECT 1 0 0\n" +
         test::trap_link(1, 10, 50, 0, 100, 0.5, 0.03,
                         "BOTTOM_WIDTH 2\nBANKFULL_DEPTH 2\nSIDE_SLOPE 1\n"));
    s->settings.channel.first_order_chan_q = 0.5;
    if (table) {
      write("st.cmt", test::roughness({{4, "0.06"}}, 1));
      write("st.map", "STREAM_MAP\nNLINKS 1\n4\n4\n4\n4\n4\n4\n4\n4\n4\n");
      s->settings.channel.st_mapping_table = "st.cmt";
      s->settings.channel.st_mapping_table_given = true;
    }
    ASSERT_EQ(start(), 0) << said_;
    const double n = table ? 0.06 : 0.03;
    EXPECT_EQ(s->channel.mannings_n[1], n);
    ASSERT_EQ(run(480), 0) << said_;
    const double d = test::normal_depth(0.5, 2.0, 1.0, n, 0.01);
    for (int k = 1; k <= 9; ++k) EXPECT_NEAR(s->channel.chan_depth(k, 1), d, 1e-9) << "node " << k;
    EXPECT_NEAR(s->channel.qp(9, 1), 0.5, 1e-9);
  }
}

TEST_F(ChannelStage, HotStartSurfacesSeriesAndTheInitialVolume) {
  load(
      "TORVA_CHAN\nALPHA 1\nBETA 1\nTHETA 1\nLINKS 2\nMAXNODES 3\nCONNECT 1 2 0\nCONNECT 2 0 1 1\n"
      "LINK 1\nSTRUCTURE\nNUMSTRUCTS 1\nSTRUCTTYPE scheduled_release rel\nLINK 2\nDX 10\nNODES 3\n"
      "MANNINGS_N 0.05\nTRAPEZOID\nNODE 1\nELEV 3\nXSEC\nBOTTOM_WIDTH 2\nNODE 2\nELEV 2\n"
      "POINTSOURCE inflow\nNODE 3\nELEV 1\n");
  write("wse.txt", "1 2 3.0\n2 2 1.5 0.0\n");
  s->settings.channel.read_chan_hotstart = "wse.txt";
  s->settings.channel.read_chan_hotstart_given = true;
  s->series.time_series = {{"inflow_a", {}, {}}, {"release", {}, {}}};
  s->ledger.initial_channel = 1.0;
  ASSERT_EQ(start(), 0) << said_;
  // Series are found by the length of the name the card gives.
  EXPECT_EQ(std::get<ScheduledRelease>(s->channel.structs[1].record).time_series, 2);
  EXPECT_EQ(s->channel.point_source(2, 2), 1);
  // Beds 2.5 and 1.5: 0.5 m in a rectangle 2 m wide over DX 10 at node 1, dry at node 2.
  EXPECT_DOUBLE_EQ(s->ledger.initial_channel, 1.0 + 10.0);
}

}  // namespace
}  // namespace torva
