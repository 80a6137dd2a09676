// The Richards method as the time loop drives it: start-up from the soil table, its
// messages and faults, the scheduled step, the ledger, the summary block, thread independence.
#include <gtest/gtest.h>
#include <omp.h>

#include <cmath>
#include <functional>
#include <memory>

#include "frame/run_context.hpp"
#include "model/model_state.hpp"
#include "subsurface/infiltration.hpp"
#include "subsurface/richards_stage.hpp"
#include "subsurface/richards_summary.hpp"
#include "support/scratch.hpp"

namespace torva {
namespace {

constexpr double kStart = 2451545.0;
constexpr double kDt = 60.0;  // s

const char* kSoils =
    "COLUMNS thickness node_dz ksat cap_head porosity theta_init residual pore_index bubbling "
    "wilting_point\n"
    "SOIL 1 3\n"
    " 10 1.0 1.3 11 0.43 0.20 0.027 0.25 -11.1 0.05\n"
    " 20 2.0 0.6 20 0.40 0.25 0.030 0.30 -20.0 0.05\n"
    " 30 5.0 0.3 30 0.38 0.28 0.040 0.35 -25.0 0.05\n"
    "SOIL 2 1\n"
    " 20 1.0 3.0  6 0.42 0.10 0.020 0.60 -6.0 0.03\n";

class RichardsStage : public support::ScratchTest<> {
 protected:
  // n cells alternating soils 2 and 1, started up; the console output is kept in said_.
  std::unique_ptr<ModelState> started(int n, const std::string& soils = kSoils,
                                      const std::function<void(ModelState&)>& change = {}) {
    write("soils.txt", soils);
    auto s = std::make_unique<ModelState>();
    s->run.infil_method = InfilMethod::richards;
    s->settings.infil.inf_richards = 1;
    s->settings.infil.soil_layer_input_file = path("soils.txt");
    s->settings.infil.soil_layer_input_file_given = true;
    s->settings.maps.soil_type_map = "soils.idx";
    s->grid.ncells = n;
    s->grid.dx = 10.0;
    s->grid.cell_area = 100.0;
    s->params.soil_id.allocate(n);
    for (int i = 1; i <= n; ++i) s->params.soil_id[i] = 1 + i % 2;
    s->overland.ov_depth.allocate(n);
    s->clock.dt = kDt;
    s->clock.dt_days = kDt / kSecondsPerDay;
    s->clock.start_time = s->clock.current_time = kStart;
    if (change) change(*s);
    ::testing::internal::CaptureStdout();
    infiltration_init(*s);
    said_ = ::testing::internal::GetCapturedStdout();
    return s;
  }
  // Steps 1..steps with `rain_m` added to every cell per step while k <= rain_steps.
  static void run(ModelState& s, int steps, int rain_steps, double rain_m) {
    auto depth = s.overland.ov_depth.slots();
    for (int k = 1; k <= steps; ++k) {
      s.clock.current_time = kStart + k * s.clock.dt_days;
      if (k <= rain_steps)
        for (std::size_t i = 1; i < depth.size(); ++i) depth[i] += rain_m;
      infiltration_step(s, depth);
    }
  }
  std::string said_;
};

TEST_F(RichardsStage, StartUpBuildsTheColumnsAndReportsTheVolumes) {
  auto s = started(4);
  ASSERT_EQ(error_code().code, 0) << said_;
  const RichardsState& r = s->richards;
  ASSERT_TRUE(r.active);
  // Soil 1: 10 + 10 + 6 nodes, bottom node 27; soil 2 repeats its one layer: 20 x 3 + 1.
  EXPECT_EQ(r.nodes[2], 27);
  EXPECT_EQ(r.layer1_last[2], 10);
  EXPECT_EQ(r.layer2_last[2], 20);
  EXPECT_EQ(r.layer3_last[2], 26);
  EXPECT_EQ(r.nodes[1], 61);
  EXPECT_EQ(r.DZ[r.offset[2] + 15], 2.0);
  EXPECT_EQ(r.DZ[r.offset[2] + 27], 5.0);
  // Volumes: theta x spacing, cm -> m, times the cell area.
  const double soil1 = (10 * 0.20 + 20 * 0.25 + 30 * 0.28) / 100.0 * 100.0;
  const double soil2 = (60 * 0.10) / 100.0 * 100.0;
  EXPECT_NEAR(r.initial_volume, 2 * soil1 + 2 * soil2, 1e-9);
  EXPECT_NEAR(r.initial_root_zone, 2 * (0.10 * 0.20 * 100.0) + 2 * (0.20 * 0.10 * 100.0), 1e-9);
  char want[400];
  std::snprintf(want, sizeof want,
                "Reading Soil Table\n   Done\nInitialize Richards Params\n"
                "Inital volume of water in root zone= %lf \n \n"
                "Inital volume of water in soil column= %lf \n \n",
                r.initial_root_zone, r.initial_volume);
  EXPECT_NE(said_.find(want), std::string::npos) << said_;
  // Initial heads match the initial contents.
  const std::size_t o = r.offset[2];
  EXPECT_NEAR(theta_from_head(r.options.retention, *r.node_soil[o + 5], r.PHEAD[o + 5]), 0.20,
              1e-12);
}

TEST_F(RichardsStage, StartUpFaults) {
  struct Case {
    const char* name;
    std::string soils;
    std::function<void(ModelState&)> change;
    int code;
    std::string said;
  };
  const Case cases[] = {
      {"no soil map", kSoils, [](ModelState& s) { s.params.soil_id.release(); }, 132, ""},
      {"no bubbling pressure",
       "COLUMNS thickness node_dz ksat cap_head porosity theta_init residual pore_index\n"
       "SOIL 1 1\n 10 1 1 1 0.4 0.2 0.02 0.3\nSOIL 2 1\n 10 1 1 1 0.4 0.2 0.02 0.3\n",
       {},
       4000,
       "soil type 2: layer 1 has bubbling pressure (must be below 0) = 0."},
      {"unknown soil", kSoils, [](ModelState& s) { s.params.soil_id[3] = 9; }, 4000,
       "soil type 9 of grid cell 3 has no block"},
      {"no content step", kSoils, [](ModelState& s) { s.settings.infil.richards_dtheta_max = 0.0; },
       4000, "RICHARDS_DTHETA_MAX"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    error_code() = ErrorCode{};
    started(4, c.soils, c.change);
    EXPECT_EQ(error_code().code, c.code);
    EXPECT_NE(said_.find(c.said), std::string::npos) << said_;
    if (c.code == 132) {
      EXPECT_EQ(error_code().file, "soils.idx");
    }
  }
}

// 40 mm/h for 30 min, then 30 min dry.  The ledger, the columns and the summary block all
// account for the same water.
TEST_F(RichardsStage, StepsOnScheduleAndBalancesTheLedgerAndTheSummary) {
  auto s = started(4);
  ASSERT_EQ(error_code().code, 0) << said_;
  const double area = 100.0;
  const double before = richards_soil_volume(*s);
  run(*s, 60, 30, 0.04 / 60.0);
  ASSERT_EQ(error_code().code, 0);
  const RichardsState& r = s->richards;
  const WaterLedger& w = s->ledger;
  double surface = 0.0, cum = 0.0;
  for (int i = 1; i <= 4; ++i) {
    surface += s->overland.ov_depth[i] * area;
    cum += s->infil.infil_event_depth[i] * area;
  }
  EXPECT_NEAR(w.infiltration + surface, 4 * 30 * 0.04 / 60.0 * area, 1e-9);
  EXPECT_NEAR(cum, w.infiltration, 1e-9);
  EXPECT_GT(w.unsat_downward_flux, 0.0);
  EXPECT_NEAR(richards_soil_volume(*s) - before,
              w.infiltration - w.unsat_downward_flux + r.error_volume, 1e-9);
  EXPECT_LT(std::fabs(r.error_volume), 1e-3 * w.infiltration);
  EXPECT_GT(s->infil.infil_event_depth[2], 0.0);
  EXPECT_EQ(s->infil.surface_moisture[2], r.THETA[r.offset[2] + 1]);
  const RichardsSummary m = richards_summary(*s);
  ASSERT_TRUE(m.active);
  EXPECT_NEAR(m.net_infiltrated, w.infiltration, 1e-12);
  EXPECT_LT(std::fabs(richards_balance_percent(m)), 0.1);
  std::string text;
  append_richards_summary(text, m);
  char want[1200];
  std::snprintf(want, sizeof want,
                "\n \n Richard's EQ. Computations \n \n"
                "volume lost due to dir. evap (cu. m):  %9.1lf\n"
                "net vol infiltrated to soil (cu. m.):  %9.1lf\n"
                "vol groundwater recharge (cu. m):      %9.1lf\n"
                "Initial volume in soils (cu. m.):      %9.1lf\n"
                "Final volume in soils (cu. m.):        %9.1lf\n"
                "Richard equation mass balance error         %5.4lf percent\n"
                "Number of cells at start of event   %12d\n"
                "Number of cells at end of event     %12d\n"
                "net volume of infiltration is infiltration minus evaporation\n",
                0.0, m.net_infiltrated, m.recharge, m.initial, m.final_volume,
                richards_balance_percent(m), 4, 4);
  EXPECT_EQ(text, want);
}

TEST_F(RichardsStage, OneAndTwoThreadsGiveIdenticalColumns) {
  auto a = started(9);
  auto b = started(9);
  ASSERT_EQ(error_code().code, 0) << said_;
  const int saved = omp_get_max_threads();
  omp_set_num_threads(1);
  run(*a, 30, 20, 0.05 / 60.0);
  omp_set_num_threads(2);
  run(*b, 30, 20, 0.05 / 60.0);
  omp_set_num_threads(saved);
  EXPECT_EQ(a->richards.PHEAD, b->richards.PHEAD);
  EXPECT_EQ(a->richards.THETA, b->richards.THETA);
  EXPECT_EQ(a->ledger.infiltration, b->ledger.infiltration);
  EXPECT_EQ(a->ledger.unsat_downward_flux, b->ledger.unsat_downward_flux);
}

}  // namespace
}  // namespace torva
