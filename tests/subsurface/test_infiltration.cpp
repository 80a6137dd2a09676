// Infiltration as the time loop drives it: method selection and checks, start-up,
// scheduling, bookkeeping, thread independence.
#include <gtest/gtest.h>
#include <omp.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <memory>

#include "frame/run_context.hpp"
#include "model/model_state.hpp"
#include "subsurface/infiltration.hpp"
#include "support/scratch.hpp"

namespace torva {
namespace {

constexpr double kStart = 2451545.0;
constexpr double kDt = 10.0;  // s

class Infiltration : public support::ScratchTest<> {
 protected:
  // A state of n cells of dx m whose soils vary from cell to cell.
  std::unique_ptr<ModelState> state(int method, int n, double dx = 10.0) {
    auto s = std::make_unique<ModelState>();
    s->run.infil_method = static_cast<InfilMethod>(method);
    s->grid.ncells = n;
    s->grid.dx = dx;
    s->grid.cell_area = dx * dx;
    CellParams& p = s->params;
    for (Array1<double>* a : {&p.ksat, &p.cap_head, &p.porosity, &p.theta_init, &p.pore_index,
                              &p.residual_sat, &p.area_factor})
      a->allocate(n);
    p.soil_id.allocate(n);
    p.lake_id.allocate(n);
    for (int i = 1; i <= n; ++i) {
      p.ksat[i] = (0.3 + 0.1 * (i % 7)) / 360000.0;
      p.cap_head[i] = 0.05 + 0.01 * (i % 5);
      p.porosity[i] = 0.40 + 0.01 * (i % 3);
      p.theta_init[i] = 0.10 + 0.02 * (i % 4);
      p.pore_index[i] = 0.3 + 0.05 * (i % 4);
      p.residual_sat[i] = 0.04;
      p.area_factor[i] = 1.0;
      p.soil_id[i] = 1 + i % 2;
    }
    if (method == 3) {
      write("layers.txt",
            "COLUMNS thickness ksat cap_head porosity theta_init\n"
            "SOIL 1 3\n 5 1.5 11 0.45 0.15\n 10 0.6 20 0.40 0.40\n"
            " 200 0.2 30 0.38 0.25\nSOIL 2 1\n 50 3.0 6 0.42 0.10\n");
      s->settings.infil.soil_layer_input_file = path("layers.txt");
      s->settings.infil.soil_layer_input_file_given = true;
    }
    s->clock.dt = kDt;
    s->clock.dt_days = kDt / kSecondsPerDay;
    s->clock.start_time = s->clock.current_time = kStart;
    return s;
  }
  void init(ModelState& s) {
    ::testing::internal::CaptureStdout();
    infiltration_init(s);
    said_ = ::testing::internal::GetCapturedStdout();
  }
  // One pass: rain, the redistribution start-up and infiltration, at step k.
  static void pass(ModelState& s, std::span<double> depth, int k, double rain_m) {
    s.clock.current_time = kStart + k * s.clock.dt_days;
    for (std::size_t i = 1; i < depth.size(); ++i) depth[i] += rain_m;
    infiltration_redist_start(s);
    infiltration_step(s, depth);
  }
  std::string said_;
};

TEST_F(Infiltration, ConflictingMethodCardsGiveTheirCodes) {
  struct Case {
    int ga, redist, layered, richards, code;
  };
  const Case cases[] = {{1, 0, 1, 0, 26}, {0, 1, 1, 0, 27}, {0, 0, 1, 1, 28}, {1, 0, 0, 1, 29},
                        {0, 1, 0, 1, 30}, {1, 1, 0, 0, 33}, {1, 0, 0, 0, 0},  {0, 0, 0, 1, 0}};
  for (const Case& c : cases) {
    InfilCards r;
    r.green_ampt = c.ga;
    r.inf_redist = c.redist;
    r.inf_layered_soil = c.layered;
    r.inf_richards = c.richards;
    EXPECT_EQ(infiltration_conflict_code(r), c.code);
  }
  auto s = state(1, 4);
  s->settings.infil.green_ampt = s->settings.infil.inf_redist = 1;
  init(*s);
  EXPECT_EQ(error_code().code, 33);
  EXPECT_FALSE(s->infil.initialised);
}

TEST_F(Infiltration, LayeredIgnoresTheGreenAmptMaps) {
  auto s = state(3, 4);
  MapCards& c = s->settings.maps;
  c.conductivity_given = c.capillary_given = c.porosity_given = true;
  c.pore_index_given = c.residual_sat_given = c.moisture_given = true;
  const Settings before = s->settings;
  init(*s);
  ASSERT_EQ(error_code().code, 0) << said_;
  EXPECT_TRUE(s->settings == before);  // the stage reads the cards and writes none back
  EXPECT_EQ(s->infil.soil_store.size(), 4u);
  EXPECT_EQ(s->infil.layer_theta2[1], 0.10);  // soil 2 has one layer; it continues down
  EXPECT_EQ(s->infil.layer_theta2[2], 0.40);
}

// Each start-up fault stops with code 4000 and ends the console output with its message.
TEST_F(Infiltration, StartUpFaultsAreNamed) {
  struct Case {
    int method;
    std::function<void(ModelState&)> change;
    std::string said;
  };
  const Case cases[] = {
      {3, [](ModelState& s) { s.settings.infil.soil_layer_input_file_given = false; },
       "\nError: multi-layered infiltration needs a soil layer input file (card "
       "SOIL_LAYER_INPUT_FILE).\n"},
      {3, [](ModelState& s) { s.params.soil_id[3] = 7; },
       "\nError: soil type 7 of grid cell 3 has no block in the soil layer input file " +
           path("layers.txt") + "\n"},
      {2, [](ModelState& s) { s.params.pore_index[2] = 0.0; },
       "\nError: grid cell 2 has pore index = 0.000000, not above 0.\n"},
      {1, [](ModelState& s) { s.params.porosity[4] = 1.5; },
       "\nError: grid cell 4 has porosity = 1.500000, outside 0..1.\n"},
      {2, [](ModelState& s) { s.params.pore_index.release(); },
       "For infiltration redistribution, pore index map must be specified\n"},
      {1, [](ModelState& s) { s.params.area_factor[2] = 1.2; }, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.said);
    error_code() = ErrorCode{};
    auto s = state(c.method, 4);
    c.change(*s);
    init(*s);
    EXPECT_EQ(error_code().code, 4000);
    EXPECT_TRUE(said_.ends_with(c.said)) << said_;
  }
}

TEST_F(Infiltration, ShortDepthArrayIsNamed) {
  auto s = state(1, 4);
  init(*s);
  std::vector<double> short_depth(3);
  ::testing::internal::CaptureStdout();
  infiltration_step(*s, short_depth);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "\nError: infiltration was given 2 overland depths for 4 grid cells.\n");
  EXPECT_EQ(error_code().code, 4000);
}

TEST_F(Infiltration, RedistributionStartUpCorrectsInitialMoisture) {
  auto s = state(2, 3);
  s->params.theta_init[1] = 0.01;
  s->params.theta_init[3] = 0.50;
  init(*s);
  ASSERT_EQ(error_code().code, 0) << said_;
  s->infil.infil_cum_depth[2] = 0.3;
  ::testing::internal::CaptureStdout();
  infiltration_redist_start(*s);
  infiltration_redist_start(*s);  // once per simulation
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "cell: 1  thi: 0.010000  thr: 0.040000   phi: 0.410000\n"
            "Problem initializing inf_redist in main loop, thi<thr at grid cell 1, increasing it "
            "to 0.050000\n"
            "cell: 3  thi: 0.500000  thr: 0.040000   phi: 0.400000\n"
            "Problem initializing inf_redist in main loop, thi>phi at grid cell 3, decreasing it "
            "to 0.390000\n");
  EXPECT_DOUBLE_EQ(s->infil.theta_i[1], 0.05);
  EXPECT_DOUBLE_EQ(s->infil.theta_i[3], 0.39);
  EXPECT_EQ(s->infil.infil_cum_depth[2], 0.0);
}

TEST_F(Infiltration, RunsOnItsScheduleAndKeepsTheBooks) {
  auto s = state(1, 2);
  s->settings.infil.unif_area_reduction = 0.25;
  s->settings.infil.unif_area_reduction_given = true;
  init(*s);
  EXPECT_EQ(s->params.area_factor[1], 0.75);
  std::vector<double> depth(3, 1.0);
  infiltration_step(*s, depth);  // first pass: one model step
  const double first = s->infil.infil_cum_depth[1];
  EXPECT_GT(first, 0.0);
  for (double at : {0.0, 0.5}) {  // same time again, half a step on: not due
    s->clock.current_time = kStart + at * s->clock.dt_days;
    infiltration_step(*s, depth);
    EXPECT_EQ(s->infil.infil_cum_depth[1], first);
  }
  s->clock.current_time = kStart + s->clock.dt_days;
  infiltration_step(*s, depth);
  EXPECT_GT(s->infil.infil_cum_depth[1], first);
  EXPECT_NEAR(s->infil.next_time, kStart + 2 * s->clock.dt_days, 1e-9);
  // Event depth, previous depth and the ledger follow the cumulative depth.
  const double f1 = s->infil.infil_cum_depth[1], f2 = s->infil.infil_cum_depth[2];
  EXPECT_EQ(s->infil.infil_event_depth[1], f1);
  EXPECT_EQ(s->infil.infil_cum_prev[2], f2);
  EXPECT_DOUBLE_EQ(s->ledger.infiltration, (f1 + f2) * 100.0);
  EXPECT_NEAR(depth[1] + f1, 1.0, 1e-15);
  EXPECT_TRUE(s->infil.soil_store.empty());  // plain Green and Ampt keeps no soil store
}

TEST_F(Infiltration, UnsolvedIterationStopsTheRunNamingTheCell) {
  for (int method : {1, 3}) {
    SCOPED_TRACE(method);
    error_code() = ErrorCode{};
    auto s = state(method, 3);
    init(*s);
    ASSERT_EQ(error_code().code, 0) << said_;
    if (method == 1) s->params.ksat[2] = std::nan("");
    if (method == 3) s->infil.soil_records[1].at(kCapHead, 1) = std::nan("");  // cell 2
    std::vector<double> depth(4, 0.01);
    ::testing::internal::CaptureStdout();
    infiltration_step(*s, depth);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "\nError: the Green and Ampt iteration did not converge in 100 iterations at grid "
              "cell 2.\n");
    EXPECT_EQ(error_code().code, 4000);
    EXPECT_NEAR(depth[2] + depth[1] + depth[3] + s->ledger.infiltration / 100.0, 0.03, 1e-15);
  }
}

// The cell loops give bit-identical results on one and two threads.
class Threads : public Infiltration, public ::testing::WithParamInterface<int> {};

TEST_P(Threads, OneAndTwoThreadsAgreeBitForBit) {
  const int n = 3000;
  auto run = [&](int threads) {
    omp_set_num_threads(threads);
    auto s = state(GetParam(), n, 30.0);
    init(*s);
    EXPECT_EQ(error_code().code, 0) << said_;
    std::vector<double> depth(n + 1);
    for (int k = 0; k < 40; ++k) {
      for (int i = 1; i <= n; ++i) depth[i] += (k < 20 ? 1e-4 * (1 + i % 9) : 0.0);
      pass(*s, depth, k, 0.0);
    }
    std::vector<double> out(depth);
    for (int i = 1; i <= n; ++i) out.push_back(s->infil.infil_cum_depth[i]);
    for (int i = 1; i <= n; ++i) out.push_back(s->infil.infil_rate[i]);
    out.push_back(s->ledger.infiltration);
    return out;
  };
  const int saved = omp_get_max_threads();
  const std::vector<double> one = run(1), two = run(2);
  omp_set_num_threads(saved);
  ASSERT_EQ(one.size(), two.size());
  EXPECT_EQ(std::memcmp(one.data(), two.data(), one.size() * sizeof(double)), 0);
}

INSTANTIATE_TEST_SUITE_P(Methods, Threads, ::testing::Values(1, 2, 3),
                         [](const auto& info) { return "Method" + std::to_string(info.param); });

}  // namespace
}  // namespace torva
