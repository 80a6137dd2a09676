// The result stages over a hand-built state: files opened from the cards, hydrograph lines
// on the interval, the summary and totals in the summary file, the host file, and the
// link/node files with their storage.
#include <gtest/gtest.h>

#include <string>

#include "frame/run_context.hpp"
#include "model/model_state.hpp"
#include "output/output_stages.hpp"
#include "support/scratch.hpp"

namespace torva {
namespace {

class ResultStages : public support::ScratchTest<> {
 protected:
  ModelState s;

  // Four 10 m cells, 30 s steps from 2026-06-01 12:00, hydrographs every 10 steps.
  void SetUp() override {
    run_context().super_quiet = true;
    s.grid.dx = 10.0;
    s.grid.cell_area = 100.0;
    s.grid.ncells = 4;
    s.overland.ov_depth.allocate(4);
    s.clock.dt = 30.0;
    s.clock.dt_days = 30.0 / kSecondsPerDay;
    s.clock.start_time = julian_date(2026, 6, 1, 12, 0, 0.0);
    s.clock.current_time = s.clock.start_time;
    s.run.hyd_steps = 10;
    s.settings.precip.rain_intensity = 36.0;
    s.settings.precip.rain_duration = 10;
  }
  void TearDown() override { s.files.close_all(); }
  void card(std::string& field, bool& given, const char* name) {
    field = path(name);
    given = true;
  }
};

TEST_F(ResultStages, EventRunWritesHydrographSummaryTotalsAndHostFile) {
  OutputCards& c = s.settings.output;
  card(c.summary, c.summary_given, "run.sum");
  card(c.outlet_hydro, c.outlet_hydro_given, "run.otl");
  card(c.qex_hydro, c.qex_hydro_given, "run.qhy");
  stage_open_summary(s);
  stage_open_outputs(s);
  ASSERT_EQ(error_code().code, 0);
  ASSERT_EQ(error_code().log, &s.files.summary);
  for (int i = 1; i <= 4; ++i) s.overland.ov_depth[i] = 0.01;  // 4 m^3 to start with
  stage_initial_storage(s);
  // 30 passes of 30 s, the outlet carrying 0.1 m^3/s more each pass.
  for (int pass = 1; pass <= 30; ++pass) {
    advance_clock(s.clock);
    s.event.outlet_q = pass * 0.1;
    stage_hydrograph_output(s);
  }
  // What is left: 204 m^3 in, 150 out, 54 on the surface.
  s.ledger.precip = 200.0;
  s.ledger.discharge = 150.0;
  for (int i = 1; i <= 4; ++i) s.overland.ov_depth[i] = 0.135;
  s.event.peak_q = 3.0;
  s.event.peak_time = s.clock.now;
  write_event_summary(s);
  stage_totals(s);
  s.files.close_all();
  EXPECT_EQ(read("run.otl"), "    0.00     0.100\n    5.00     1.100\n   10.00     2.100\n");
  const std::string sum = read("run.sum");
  for (const char* part :
       {"Event began on 06/01/2026 at 12:00\n"
        "   With uniform rainfall of   36.0 mm/h for   10.0 minutes.\n",
        "initial volume of overland flow:            4.0\n",
        "volume remaining on surface:              54.0\n",
        "mass conservation error:              0.000000 percent\n",
        "Overall mass balance error =                              0.000000 percent\n"}) {
    EXPECT_NE(sum.find(part), std::string::npos) << part;
  }
  EXPECT_LT(sum.find("THE FOLLOWING ASCII OUTPUT FILES"), sum.find("SIMULATION TOTALS"));
  EXPECT_EQ(read("run.qhy"),
            "TORVENA_QEX_HYDROGRAPH_FILE\n0\n20260601\n1200\n10\n3\n"
            "     0.1000      1.1000      2.1000 ");
}

TEST_F(ResultStages, SummaryThatCannotBeOpenedIsCodeFour) {
  OutputCards& c = s.settings.output;
  card(c.summary, c.summary_given, "no_such_folder/run.sum");
  stage_open_summary(s);
  EXPECT_EQ(error_code().code, 4);
  EXPECT_EQ(error_code().file, c.summary);
  EXPECT_EQ(error_code().log, nullptr);
}

// Two links of 50 m: a trapezoid of 3 points (2 computational nodes) into a structure.
void build_network(ChannelState& c) {
  c.present = true;
  c.links = c.maxnodes = 2;
  for (Array1<int>* a : {&c.linktype, &c.node_points, &c.nodes}) a->allocate(2);
  c.dx.allocate(2);
  for (Array2<double>* a : {&c.yp, &c.qp, &c.bel, &c.area, &c.yp_max_flood}) a->allocate(2, 2);
  c.linktype[1] = 4, c.linktype[2] = 64;
  c.node_points[1] = 3, c.node_points[2] = 2;
  c.nodes[1] = 2, c.nodes[2] = 1;
  c.dx[1] = c.dx[2] = 50.0;
  c.bel(1, 1) = 100.0, c.bel(2, 1) = 99.0;
  c.yp(1, 1) = 100.5, c.yp(2, 1) = 99.25, c.yp(1, 2) = 99.1;
  c.qp(1, 1) = 0.75, c.qp(2, 1) = 0.5, c.qp(1, 2) = 0.5;
  c.area(1, 1) = 1.5, c.area(2, 1) = 1.0;
}

TEST_F(ResultStages, LinkNodeFilesThroughTheStages) {
  s.run.channel_method = ChannelMethod::diffusive_wave;
  build_network(s.channel);
  s.settings.site.tot_time = 60;
  OutputCards& c = s.settings.output;
  card(c.chan_depth, c.chan_depth_given, "run.cdp");
  card(c.chan_velocity, c.chan_velocity_given, "run.cvl");
  card(c.flood_stream, c.flood_stream_given, "run.fld");
  stage_open_outputs(s);
  ASSERT_EQ(error_code().code, 0);
  stage_linknode_header(s);
  stage_initial_storage(s);
  EXPECT_DOUBLE_EQ(s.ledger.initial_channel, (1.5 + 1.0) * 50.0);
  advance_clock(s.clock);
  stage_hydrograph_output(s);
  stage_totals(s);
  s.files.close_all();
  EXPECT_EQ(read("run.cdp"),
            "TORVA_LINKNODE_STREAM_DEPTH\nNUM_LINKS     2\nTIME_STEP     5\nNUM_TS        12\n"
            "START_TIME     1  6 2026 12  0  0\n"
            "TS    0\n3   1  0.50000   1  0.25000   0  -999.999   \n0  -999.999   \n\n");
  auto block = [this](const char* name) {
    const std::string t = read(name);
    return t.substr(t.find("TS    0\n"));
  };
  EXPECT_EQ(block("run.cvl"),
            "TS    0\n3   1  0.50000   1  0.50000   0  -999.999   \n0  -999.999   \n\n");
  // The flood file gets its one snapshot at the end, from the highest stages seen.
  EXPECT_EQ(block("run.fld"),
            "TS    0\n3   1  100.50000   1  99.25000   0  -999.999   \n-2  99.10000   \n\n");
}

TEST_F(ResultStages, LocationOutsideTheNetworkStopsTheRun) {
  s.run.channel_method = ChannelMethod::diffusive_wave;
  build_network(s.channel);
  write("run.ihl", "2\n1 2\n1 3\n");
  OutputCards& c = s.settings.output;
  card(c.in_hyd_location, c.in_hyd_location_given, "run.ihl");
  card(c.out_hyd_location, c.out_hyd_location_given, "run.ohl");
  testing::internal::CaptureStdout();
  stage_open_outputs(s);
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(error_code().code, 4000);
  EXPECT_FALSE(s.files.location_hydrograph.is_open());
}

}  // namespace
}  // namespace torva
