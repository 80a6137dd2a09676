// Infiltration as the time loop drives it: method selection and checks, start-up,
// scheduling, bookkeeping, conservation with overland routing, thread independence.
#include <gtest/gtest.h>
#include <omp.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>

#include "frame/run_context.hpp"
#include "model/model_state.hpp"
#include "overland/ade_scheme.hpp"
#include "overland/test_grid.hpp"
#include "subsurface/infiltration.hpp"

namespace torva {
namespace {

using testing::TestGrid;

constexpr double kStart = 2451545.0;
constexpr double kDt = 10.0;  // s

std::string layer_file() {
  // One file per test, as ctest may run the tests of this folder side by side.
  const ::testing::TestInfo* t = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(t->test_suite_name()) + "_" + t->name();
  for (char& ch : name)
    if (ch == '/') ch = '_';
  const std::string path = ::testing::TempDir() + "infiltration_layers_" + name + ".txt";
  std::ofstream out(path);
  out << "COLUMNS thickness ksat cap_head porosity theta_init\n"
         "SOIL 1 3\n 5 1.5 11 0.45 0.15\n 10 0.6 20 0.40 0.40\n 200 0.2 30 0.38 0.25\n"
         "SOIL 2 1\n 50 3.0 6 0.42 0.10\n";
  return path;
}

class Infiltration : public ::testing::Test {
 protected:
  // A state over the cells of `g` with soils that vary from cell to cell.
  std::unique_ptr<ModelState> state(int method, int n, double dx) {
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
      s->settings.infil.soil_layer_input_file = layer_file();
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
  auto s = state(1, 4, 10.0);
  s->settings.infil.green_ampt = s->settings.infil.inf_redist = 1;
  init(*s);
  EXPECT_EQ(error_code().code, 33);
  EXPECT_FALSE(s->infil.initialised);
}

TEST_F(Infiltration, LayeredAndRichardsIgnoreTheGreenAmptMaps) {
  auto s = state(3, 4, 10.0);
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

TEST_F(Infiltration, StartUpFaultsAreNamed) {
  auto s = state(3, 4, 10.0);
  s->settings.infil.soil_layer_input_file_given = false;
  init(*s);
  EXPECT_EQ(error_code().code, 4000);
  EXPECT_EQ(said_,
            "\nError: multi-layered infiltration needs a soil layer input file (card "
            "SOIL_LAYER_INPUT_FILE).\n");

  error_code() = ErrorCode{};
  s = state(3, 4, 10.0);
  s->params.soil_id[3] = 7;
  init(*s);
  EXPECT_EQ(error_code().code, 4000);
  EXPECT_EQ(said_.substr(said_.find("\nError")),
            "\nError: soil type 7 of grid cell 3 has no block in the soil layer input file " +
                layer_file() + "\n");

  error_code() = ErrorCode{};
  s = state(2, 4, 10.0);
  s->params.pore_index[2] = 0.0;
  init(*s);
  EXPECT_EQ(error_code().code, 4000);
  EXPECT_EQ(said_, "\nError: grid cell 2 has pore index = 0.000000, not above 0.\n");

  error_code() = ErrorCode{};
  s = state(1, 4, 10.0);
  s->params.porosity[4] = 1.5;
  init(*s);
  EXPECT_EQ(said_, "\nError: grid cell 4 has porosity = 1.500000, outside 0..1.\n");

  error_code() = ErrorCode{};
  s = state(2, 4, 10.0);
  s->params.pore_index.release();
  init(*s);
  EXPECT_EQ(said_, "For infiltration redistribution, pore index map must be specified\n");

  error_code() = ErrorCode{};
  s = state(1, 4, 10.0);
  init(*s);
  std::vector<double> short_depth(3);
  ::testing::internal::CaptureStdout();
  infiltration_step(*s, short_depth);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "\nError: infiltration was given 2 overland depths for 4 grid cells.\n");
  EXPECT_EQ(error_code().code, 4000);
}

TEST_F(Infiltration, RedistributionStartUpCorrectsInitialMoisture) {
  auto s = state(2, 3, 10.0);
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

TEST_F(Infiltration, RunsOnItsScheduleWithTheElapsedStep) {
  auto s = state(1, 2, 10.0);
  init(*s);
  std::vector<double> depth(3, 1.0);
  infiltration_step(*s, depth);  // first pass: one model step
  const double first = s->infil.infil_cum_depth[1];
  EXPECT_GT(first, 0.0);
  infiltration_step(*s, depth);  // same time again: not due
  EXPECT_EQ(s->infil.infil_cum_depth[1], first);
  s->clock.current_time = kStart + 0.5 * s->clock.dt_days;
  infiltration_step(*s, depth);
  EXPECT_EQ(s->infil.infil_cum_depth[1], first);
  s->clock.current_time = kStart + s->clock.dt_days;
  infiltration_step(*s, depth);
  EXPECT_GT(s->infil.infil_cum_depth[1], first);
  EXPECT_NEAR(s->infil.next_time, kStart + 2 * s->clock.dt_days, 1e-9);
  // Bookkeeping: event depth, previous depth and the ledger follow the cumulative depth.
  const double f1 = s->infil.infil_cum_depth[1], f2 = s->infil.infil_cum_depth[2];
  EXPECT_EQ(s->infil.infil_event_depth[1], f1);
  EXPECT_EQ(s->infil.infil_cum_prev[2], f2);
  EXPECT_DOUBLE_EQ(s->ledger.infiltration, (f1 + f2) * 100.0);
  EXPECT_TRUE(s->infil.soil_store.empty());  // plain Green and Ampt keeps no soil store
}

TEST_F(Infiltration, MapOutputsAndRechargeFollowTheStep) {
  auto s = state(2, 2, 10.0);
  s->settings.unsimulated.gw_simulation = 1;
  init(*s);
  std::vector<double> depth(3, 0.002);
  pass(*s, depth, 0, 0.0);
  pass(*s, depth, 1, 0.0);
  EXPECT_EQ(infiltration_map(*s, "infdep").data(), s->infil.infil_event_depth.data());
  EXPECT_EQ(infiltration_map(*s, "infrate").data(), s->infil.infil_rate.data());
  EXPECT_EQ(infiltration_map(*s, "surf").data(), s->infil.surface_moisture.data());
  EXPECT_TRUE(infiltration_map(*s, "depth").empty());
  EXPECT_EQ(s->infil.gw_recharge_depth[1], s->infil.infil_cum_depth[1]);
  // The soil store starts with the initial moisture over the simple soil depth.
  EXPECT_DOUBLE_EQ(
      s->infil.soil_store[2],
      s->params.theta_init[2] * s->settings.infil.soil_moist_depth + s->infil.infil_cum_depth[2]);
  EXPECT_GT(s->infil.surface_moisture[1], 0.0);
}

TEST_F(Infiltration, UnsolvedIterationStopsTheRunNamingTheCell) {
  for (int method : {1, 3}) {
    error_code() = ErrorCode{};
    auto s = state(method, 3, 10.0);
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

TEST_F(Infiltration, UniformAreaReductionFillsTheFactor) {
  auto s = state(1, 2, 10.0);
  s->settings.infil.unif_area_reduction = 0.25;
  s->settings.infil.unif_area_reduction_given = true;
  init(*s);
  EXPECT_EQ(s->params.area_factor[1], 0.75);
  s = state(1, 2, 10.0);
  s->params.area_factor[2] = 1.2;
  init(*s);
  EXPECT_EQ(error_code().code, 4000);
}

// Rain on a tilted basin, infiltration and ADE routing to the outlet: rain volume =
// surface storage + outflow + infiltrated volume, for every method.
class Conservation : public Infiltration, public ::testing::WithParamInterface<int> {};

TEST_P(Conservation, RainEqualsSurfacePlusOutflowPlusInfiltration) {
  TestGrid g(6, 8, 10.0, [](int r, int c) { return !(r < 2 && c > 6); });
  g.set_elevation([](int r, int c) { return 0.03 * (6 - r) + 0.02 * c + 0.002 * ((r * c) % 3); });
  g.set_rough(0.05);
  auto s = state(GetParam(), g.n, g.dx);
  init(*s);
  ASSERT_EQ(error_code().code, 0) << said_;
  const OutletDrain out{true, g.at(6, 1), 0.02};
  auto soil_water = [&] {
    double v = 0.0;
    for (int i = 1; i <= g.n; ++i) v += s->infil.soil_store[i] * g.dx * g.dx;
    return v;
  };
  const double soil_before = GetParam() != 1 ? soil_water() : 0.0;
  double rain = 0.0, outflow = 0.0, clipped = 0.0;
  for (int k = 0; k < 1080; ++k) {  // 3 h: two storms with a dry spell between them
    const double mm_h = (k < 360 || (k >= 720 && k < 900)) ? 40.0 : 0.0;
    const double r = mm_h * kDt / 3600000.0;
    rain += r * g.n * g.dx * g.dx;
    pass(*s, g.h, k, r);
    ASSERT_EQ(error_code().code, 0);
    StepResult res;
    const double v = route_ade(g.view(), g.arrays(), kDt, 1 + k % 2, out, &res);
    ASSERT_GE(v, 0.0);
    outflow += v;
    clipped += res.clipped;
  }
  const double infiltrated = s->ledger.infiltration;
  EXPECT_GT(infiltrated, 0.2 * rain);
  EXPECT_GT(outflow, 0.01 * rain);
  EXPECT_NEAR(rain + clipped + s->ledger.overland_clipped, g.volume() + outflow + infiltrated,
              1e-10 * rain);
  if (GetParam() != 1) {
    EXPECT_NEAR(soil_water() - soil_before, infiltrated, 1e-10 * rain);
  }
}

INSTANTIATE_TEST_SUITE_P(Methods, Conservation, ::testing::Values(1, 2, 3),
                         [](const auto& info) { return "Method" + std::to_string(info.param); });

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
