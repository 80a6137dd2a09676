#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>

#include "frame/run_context.hpp"
#include "input/mapping_table.hpp"
#include "input/series.hpp"
#include "input/test_raster_util.hpp"
#include "model/model_state.hpp"
#include "overland/overland_boundary.hpp"
#include "overland/overland_stages.hpp"
#include "test_grid.hpp"

namespace torva {
namespace {

using testing::TestGrid;

template <class T>
void fill(Array1<T>& a, const std::vector<T>& v) {
  a.allocate(static_cast<long>(v.size()) - 1);
  for (std::size_t i = 1; i < v.size(); ++i) a[i] = v[i];
}

// A state holding a small tilted basin, as the start-up stages leave it.
std::unique_ptr<ModelState> tilted_state(
    int overtype, const std::function<void(ModelState&)>& before_allocation = {}) {
  auto p = std::make_unique<ModelState>();
  ModelState& s = *p;
  TestGrid t(4, 5, 10.0);
  t.set_elevation([](int r, int c) { return 0.03 * r + 0.02 * c; });
  GridState& g = s.grid;
  g.rows = t.rows;
  g.cols = t.cols;
  g.ncells = t.n;
  g.dx = t.dx;
  g.mask.allocate(t.rows + 1, t.cols + 1);
  for (int k = 1; k <= t.n; ++k) g.mask(t.row[k], t.col[k]) = k;
  fill(g.elevation, t.z);
  fill(g.east_cell, t.east);
  fill(g.west_cell, t.west);
  fill(g.north_cell, t.north);
  fill(g.south_cell, t.south);
  fill(s.connect.slope_x, t.slope_x);
  fill(s.connect.slope_y, t.slope_y);
  g.outlet_cell = t.at(1, 1);
  s.settings.overland.manning_n = 0.05;
  s.run.overland_scheme = overland_scheme(overtype);
  s.settings.site.outslope = 0.03;
  s.clock.dt = 10.0;
  s.clock.dt_days = 10.0 / kSecondsPerDay;
  s.clock.start_time = s.clock.current_time = 2451545.0;
  if (before_allocation) before_allocation(s);
  stage_allocate_overland(s);
  return p;
}

void next_step(ModelState& s, double rain_m) {
  for (int k = 1; k <= s.grid.ncells; ++k) s.overland.ov_depth[k] += rain_m;
  s.ledger.precip += rain_m * s.grid.ncells * s.grid.dx * s.grid.dx;
  stage_overland(s);
  s.clock.current_time += s.clock.dt_days;
}

double storage(const ModelState& s) {
  double v = 0.0;
  for (int k = 1; k <= s.grid.ncells; ++k) v += s.overland.ov_depth[k] * s.grid.dx * s.grid.dx;
  return v;
}

TEST(OverlandStage, AllocatesOverTheMaskAndSelectsTheScheme) {
  const std::pair<int, OverlandScheme> types[] = {{1, OverlandScheme::kExplicit},
                                                  {2, OverlandScheme::kAde},
                                                  {3, OverlandScheme::kAdePc},
                                                  {0, OverlandScheme::kAde},
                                                  {7, OverlandScheme::kAde}};
  for (const auto& [type, scheme] : types) EXPECT_EQ(overland_scheme(type), scheme) << type;
  auto s = tilted_state(2);
  EXPECT_EQ(s->overland.ov_depth.size(), 20u);
  EXPECT_EQ(s->overland.saved_depth.size(), 20u);
}

TEST(OverlandStage, SweepOrderAlternatesBetweenRoutedSteps) {
  auto p = tilted_state(2);
  ModelState& s = *p;
  std::vector<int> orders;
  for (int t = 0; t < 6; ++t) {
    orders.push_back(s.overland.sweep_order);
    next_step(s, 0.001);
  }
  EXPECT_EQ(orders, (std::vector<int>{1, 2, 1, 2, 1, 2}));
}

class StageBalance : public ::testing::TestWithParam<int> {};

TEST_P(StageBalance, OutletDischargeAndLedgerCloseTheBalance) {
  auto p = tilted_state(GetParam());
  ModelState& s = *p;
  for (int t = 0; t < 80; ++t) next_step(s, t < 40 ? 2e-4 : 0.0);
  const WaterLedger& l = s.ledger;
  EXPECT_GT(l.discharge, 0.0);
  EXPECT_NEAR(l.precip + l.overland_clipped, storage(s) + l.discharge, 1e-10 * l.precip);
  EXPECT_DOUBLE_EQ(s.overland.outlet_total_volume, l.discharge);
  EXPECT_DOUBLE_EQ(s.event.outlet_q, s.overland.outlet_step_volume / 10.0);
  EXPECT_GT(s.event.outlet_q, 0.0);
}

INSTANTIATE_TEST_SUITE_P(Schemes, StageBalance, ::testing::Values(1, 2, 3));

TEST(OverlandStage, RoutesOnlyWhenTheNextOverlandTimeHasCome) {
  auto p = tilted_state(2);
  ModelState& s = *p;
  next_step(s, 0.01);
  s.clock.current_time -= 0.5 * s.clock.dt_days;  // halfway to the next overland time
  const std::vector<double> before(s.overland.ov_depth.data(), s.overland.ov_depth.data() + 21);
  stage_overland(s);
  EXPECT_EQ(std::vector<double>(s.overland.ov_depth.data(), s.overland.ov_depth.data() + 21),
            before);
  EXPECT_EQ(s.overland.sweep_order, 2);
}

TEST(OverlandStage, ChannelNetworkTakesTheOutletInstead) {
  auto p = tilted_state(2);
  ModelState& s = *p;
  s.run.channel_method = ChannelMethod::diffusive_wave;
  s.event.outlet_q = 7.0;  // set by channel routing
  for (int t = 0; t < 20; ++t) next_step(s, 1e-3);
  EXPECT_EQ(s.ledger.discharge, 0.0);
  EXPECT_EQ(s.event.outlet_q, 7.0);
  EXPECT_NEAR(storage(s), s.ledger.precip + s.ledger.overland_clipped, 1e-10 * s.ledger.precip);
}

TEST(OverlandStage, RunoffEndsWhenRainHasStoppedAndTheLandIsDry) {
  auto p = tilted_state(2);
  ModelState& s = *p;
  s.run.channel_method = ChannelMethod::diffusive_wave;
  next_step(s, 1e-3);  // wet: the event goes on
  s.event.precip_state = kRainEnded;
  next_step(s, 0.0);
  EXPECT_TRUE(s.event.event_running);
  for (int k = 1; k <= s.grid.ncells; ++k) s.overland.ov_depth[k] = 0.0;
  ::testing::internal::CaptureStdout();
  next_step(s, 0.0);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Rainfall for this event has ended.\n");
  EXPECT_TRUE(s.event.end_of_event_due);
  EXPECT_FALSE(s.event.event_running);
  EXPECT_FALSE(s.event.simulation_continues);
  // Without channels the event runs to its end time instead.
  auto q = tilted_state(2);
  q->event.precip_state = kRainEnded;
  next_step(*q, 0.0);
  EXPECT_TRUE(q->event.event_running);
}

TEST(OverlandStage, DrySurfaceReportsNoFlow) {
  auto p = tilted_state(2);
  ModelState& s = *p;
  s.overland.face_q_x[3] = 0.5;
  next_step(s, 0.0);
  EXPECT_EQ(s.overland.face_q_x[3], 0.0);
  EXPECT_FALSE(s.overland.wet);
  EXPECT_EQ(s.overland.sweep_order, 1);  // nothing was routed
}

TEST(OverlandStage, NonRealDepthsStopTheRun) {
  auto p = tilted_state(2);
  ModelState& s = *p;
  s.overland.ov_depth[7] = std::nan("");
  ::testing::internal::CaptureStdout();
  stage_depth_check(s);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "A non-real number for water depth has been detected for overland cell 7\n");
  EXPECT_EQ(error_code().code, 4000);
  error_code().code = 0;
  ::testing::internal::CaptureStdout();
  stage_overland(s);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "A non-real overland flow water depth has been detected in cell 7 after applying "
            "overland boundary conditions and overland pumping.\n");
  EXPECT_EQ(error_code().code, 4000);
  error_code().code = 0;
}

TEST(OverlandStage, AdeStepThatCannotPassStopsTheRun) {
  auto p = tilted_state(2);
  ModelState& s = *p;
  s.overland.ov_depth.fill(0.01);
  s.overland.ov_depth[5] = -0.5;  // no sub-step makes this depth acceptable
  ::testing::internal::CaptureStdout();
  stage_overland(s);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "The ADE overland routing time step is getting really small\n"
            "less than 1/100 of a second\n"
            "Reduce the model time step by a factor of 2 and try again.\n"
            "Program stopped.\n");
  EXPECT_EQ(error_code().code, 4000);
  error_code().code = 0;
}

// One metre of water in an inner cell: over 10 s both of its east-west faces move far more
// than 0.06 m, the west one first, q = 20 sqrt(0.002 +- 0.1) m^2/s.
TEST(OverlandStage, ExplicitSchemeTellsItsFailingFacesAndSubSteps) {
  auto p = tilted_state(1);
  ModelState& s = *p;
  s.overland.ov_depth[s.grid.mask(2, 3)] = 1.0;
  ::testing::internal::CaptureStdout();
  stage_overland(s);
  const std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(out.rfind("need to split...(x-dir) curr_du=6.387488, dhh=-6.387488, "
                      "h[j]+dhh=-5.387488\n"
                      "need to split...(x-dir) curr_du=6.260990, dhh=6.260990, "
                      "h[j]+dhh=-5.260990\n"
                      " *Changing overland time step to 3.33 seconds...\n",
                      0),
            0u)
      << out;
  EXPECT_NE(out.find(" *Changing overland time step to 0.04 seconds...\n"), std::string::npos);
  EXPECT_EQ(error_code().code, 0);
}

TEST(OverlandStage, ZeroManningNStops) {
  auto p = tilted_state(2);
  ModelState& s = *p;
  s.params.rough.allocate(s.grid.ncells);
  s.params.rough.fill(0.05);
  s.params.rough[4] = 0.0;
  ::testing::internal::CaptureStdout();
  stage_overland(s);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "Overland Manning n=0 at grid cell 4.  Program terminating.\n");
  EXPECT_EQ(error_code().code, 4000);
  error_code().code = 0;
}

TEST(OverlandStage, DischargeMapIsTheFaceDischargeMagnitude) {
  for (int type : {1, 2}) {
    auto p = tilted_state(type);
    ModelState& s = *p;
    s.overland.face_q_x[2] = 3.0;
    s.overland.face_q_y[2] = -4.0;
    const std::span<const double> m = overland_discharge_map(s);
    ASSERT_EQ(m.size(), 21u);
    // Unit-width flows (explicit) need the cell width; ADE discharges are whole-face.
    EXPECT_DOUBLE_EQ(m[2], type == 1 ? 50.0 : 5.0);
    EXPECT_EQ(m[3], 0.0);
  }
}

// One table row in fixed columns: ID in 1-6, description in 7-86, values from 87.
std::string table_row(int id, const std::string& values) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%-6d", id);
  return buf + std::string(80, 'x') + values + "\n";
}

class BoundaryTable : public testing::ScratchDir {
 protected:
  // Cell (4,1) holds a head, cell (4,5) a friction slope, cell (1,5) an inflow series.
  std::unique_ptr<ModelState> state(const std::string& head_type = "1") {
    write("bnd.idx", testing::grid_text(4, 5, {"1 1 1 1 4", "1 1 1 1 1", "1 1 1 1 1", "2 1 1 1 3"},
                                        40.0, 0.0, 50.0, 0.0));
    write("tables.cmt",
          "TORVA_INDEX_MAP_TABLES\nINDEX_MAP bnd.idx Bounds\n"
          "OVERLAND_BOUNDARY Bounds\nNUM_IDS 4\nID  DESC  TYPE  VALUE\n" +
              table_row(1, "0 0") + table_row(2, head_type + " 0.30") + table_row(3, "2 0.02") +
              table_row(4, "5 7"));
    return tilted_state(2, [](ModelState& s) {
      s.settings.maps.mapping_table = "tables.cmt";
      s.settings.maps.mapping_table_given = true;
      s.params.mapping_tables[kTableOverlandBoundary] = true;
      TimeSeries& ts = s.series.time_series.emplace_back();
      ts.name = "inflow";
      ts.times = {2451545.0, 2451546.0};
      ts.values = {0.01, 0.01};
      add_time_series_index(s.series, 7, &ts);
    });
  }
};

TEST_F(BoundaryTable, CellsFromTheMappingTablePostTheirVolumes) {
  ::testing::internal::CaptureStdout();
  auto p = state();
  ::testing::internal::GetCapturedStdout();
  ModelState& s = *p;
  ASSERT_EQ(error_code().code, 0);
  ASSERT_TRUE(s.overland.boundaries);
  EXPECT_EQ(s.overland.bound_type[s.grid.mask(4, 1)], kHead);
  EXPECT_EQ(s.overland.bound_type[s.grid.mask(4, 5)], kSlope);
  EXPECT_EQ(s.overland.bound_type[s.grid.mask(1, 5)], kFlowSeries);
  for (int t = 0; t < 30; ++t) next_step(s, 1e-4);
  const WaterLedger& l = s.ledger;
  EXPECT_GT(l.head_boundary_gain, 0.0);
  EXPECT_GT(l.slope_boundary_loss, 0.0);
  EXPECT_NEAR(l.overland_point_sources, 30 * 10.0 * 0.01, 1e-12);
  EXPECT_NEAR(l.precip + l.overland_clipped + l.head_boundary_gain + l.overland_point_sources,
              storage(s) + l.discharge + l.head_boundary_loss + l.slope_boundary_loss,
              1e-10 * l.precip);
}

TEST_F(BoundaryTable, UnknownBoundaryTypeStops) {
  ::testing::internal::CaptureStdout();
  state("7");
  const std::string text = ::testing::internal::GetCapturedStdout();
  EXPECT_NE(text.find("Invalid overland boundary type 7 in grid cell 16; the types are 0 to 5.\n"),
            std::string::npos);
  EXPECT_EQ(error_code().code, 4000);
  error_code().code = 0;
}

}  // namespace
}  // namespace torva
