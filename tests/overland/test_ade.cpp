#include <gtest/gtest.h>
#include <omp.h>

#include <cmath>
#include <cstring>

#include "frame/run_context.hpp"
#include "overland/ade_scheme.hpp"
#include "overland/explicit_scheme.hpp"
#include "test_grid.hpp"

namespace torva {
namespace {

using testing::TestGrid;

TEST(CheckSweep, AppliesUpstreamMinusOwnDischarge) {
  std::vector<int> up = {0, 0, 1, 2};
  std::vector<double> q = {0.0, 2.0, 1.0, 0.0}, h = {0.0, 1.0, 1.0, 1.0}, v(4, 0.0);
  double clip = 1.0;
  EXPECT_EQ(check_sweep(3, 10.0, 5.0, up, q, h, v, clip), 0);
  EXPECT_DOUBLE_EQ(h[1], 1.0 - 2.0 * 5.0 / 100.0);
  EXPECT_DOUBLE_EQ(h[2], 1.0 + 1.0 * 5.0 / 100.0);
  EXPECT_DOUBLE_EQ(h[3], 1.0 + 1.0 * 5.0 / 100.0);
  EXPECT_DOUBLE_EQ(v[1], 10.0);
  EXPECT_EQ(clip, 0.0);
}

TEST(CheckSweep, ClipsTinyNegativeDepthsAndFailsLargerOnes) {
  std::vector<int> up = {0, 0};
  std::vector<double> q = {0.0, 1.0}, v(2, 0.0);
  // Outflow of 1 m^3/s over 1 s from 1 m^2 takes 1 m.
  std::vector<double> h = {0.0, 1.0 - 5e-7};
  double clip = 0.0;
  EXPECT_EQ(check_sweep(1, 1.0, 1.0, up, q, h, v, clip), 0);
  EXPECT_EQ(h[1], 0.0);
  EXPECT_NEAR(clip, 5e-7, 1e-15);
  h[1] = 1.0 - 2e-6;
  EXPECT_EQ(check_sweep(1, 1.0, 1.0, up, q, h, v, clip), 1);
  // Below 0.001 s even a tiny negative depth fails.
  h[1] = 0.0009 * (1.0 - 1e-9);
  EXPECT_EQ(check_sweep(1, 1.0, 0.0009, up, q, h, v, clip), 1);
}

TEST(CheckSweep, LargeChangeFailsOnlyOnWetCellsAndLongSubSteps) {
  std::vector<int> up = {0, 0, 1};
  std::vector<double> q = {0.0, 0.0006, 0.0}, v(3, 0.0);
  double clip = 0.0;
  std::vector<double> h = {0.0, 1.0, 0.0011};  // gains 0.0006 m > half its depth
  EXPECT_EQ(check_sweep(2, 1.0, 1.0, up, q, h, v, clip), 1);
  h = {0.0, 1.0, 0.001};  // not above 1 mm: no test
  EXPECT_EQ(check_sweep(2, 1.0, 1.0, up, q, h, v, clip), 0);
  h = {0.0, 1.0, 0.0011};
  std::vector<double> q_short = {0.0, 0.06, 0.0};  // same change over 0.01 s
  EXPECT_EQ(check_sweep(2, 1.0, 0.01, up, q_short, h, v, clip), 0);
}

// Two cells where a 30 s and a 15 s sub-step raise the lower, wet cell by more than half its
// depth and 7.5 s does not.
TEST(Ade, FailingSubStepsHalveUntilTheStepPasses) {
  TestGrid g(1, 2, 1.0);
  g.z = {0.0, 1.0, 0.0};
  g.inv_n.assign(3, 7e-5);
  g.h = {0.0, 1.0, 0.002};
  StepResult r;
  const double before = g.volume();
  EXPECT_EQ(route_ade(g.view(), g.arrays(), 30.0, 1, {}, r), 0.0);
  EXPECT_EQ(r.restarts, 2);
  EXPECT_EQ(r.last_delta, 7.5);
  EXPECT_NEAR(g.volume(), before, 1e-15);
  EXPECT_NEAR(g.vx[1], 30.0 * g.qx[1], 1e-15);
  EXPECT_GT(g.qx[1], 0.0);
}

TEST(Ade, StopsWhenTheSubStepFallsBelowOneMillisecond) {
  TestGrid g(1, 2, 1.0);
  g.h = {0.0, -0.5, 0.2};  // a depth that no sub-step can make acceptable
  StepResult r;
  EXPECT_EQ(route_ade(g.view(), g.arrays(), 30.0, 1, {}, r), -1.0);
  ASSERT_EQ(r.faults.size(), 1u);
  EXPECT_EQ(r.faults[0].code, kAdeStepTooSmall);
  // 30, 15, ..., 30 / 2^14 = 0.0018 s were tried; 30 / 2^15 = 0.00092 s is below the floor.
  EXPECT_EQ(r.restarts, 14);
  EXPECT_DOUBLE_EQ(r.last_delta, 30.0 / 32768.0);
  EXPECT_EQ(g.h[1], -0.5);  // depths are those of the step's start
  EXPECT_EQ(g.h[2], 0.2);
}

// A tilted, masked basin with an outlet in its lowest corner.
TestGrid basin() {
  TestGrid g(7, 9, 10.0, [](int r, int c) { return !(r < 3 && c > 6) && !(r == 5 && c == 1); });
  g.set_elevation([](int r, int c) { return 0.02 * (7 - r) + 0.013 * c + 0.003 * ((r * c) % 3); });
  g.set_rough(0.04);
  for (int k = 1; k <= g.n; ++k) g.ret[k] = 0.0005 * (k % 4);
  return g;
}

enum class Scheme { kAde, kAdePc, kExplicit };

double step(TestGrid& g, Scheme s, double dt, int order, const OutletDrain& out,
            ExplicitControl& ctl, double& clipped) {
  StepResult r;
  double v = 0.0;
  switch (s) {
    case Scheme::kAde:
      v = route_ade(g.view(), g.arrays(), dt, order, out, r);
      break;
    case Scheme::kAdePc:
      v = route_ade_pc(g.view(), g.arrays(), dt, order, out);
      break;
    case Scheme::kExplicit:
      v = route_explicit(g.view(), g.slope_x, g.slope_y, g.arrays(), dt, order, out, ctl, r);
      break;
  }
  clipped += r.clipped;
  return v;
}

class Conservation : public ::testing::TestWithParam<Scheme> {};

TEST_P(Conservation, ClosedBasinKeepsItsWater) {
  TestGrid g = basin();
  for (int k = 1; k <= g.n; ++k) g.h[k] = 0.01 + 0.002 * (k % 7);
  const double before = g.volume();
  ExplicitControl ctl;
  double clipped = 0.0;
  for (int t = 0; t < 200; ++t)
    ASSERT_EQ(step(g, GetParam(), 5.0, 1 + t % 2, {}, ctl, clipped), 0.0);
  EXPECT_NEAR(g.volume(), before + clipped, 1e-12 * before);
}

TEST_P(Conservation, DrainingPlaneBalancesRainStorageAndOutflow) {
  TestGrid g = basin();
  const OutletDrain out{true, g.at(7, 1), 0.02};
  const double rain = 50.0 * 5.0 / 3600000.0;  // 50 mm/h over 5 s
  double rain_volume = 0.0, outflow = 0.0, clipped = 0.0;
  ExplicitControl ctl;
  for (int t = 0; t < 300; ++t) {
    if (t < 150) {
      for (int k = 1; k <= g.n; ++k) g.h[k] += rain;
      rain_volume += rain * g.n * g.dx * g.dx;
    }
    const double v = step(g, GetParam(), 5.0, 1 + t % 2, out, ctl, clipped);
    ASSERT_GE(v, 0.0);
    outflow += v;
  }
  EXPECT_GT(outflow, 0.1 * rain_volume);
  EXPECT_NEAR(rain_volume + clipped, g.volume() + outflow, 1e-10 * rain_volume);
}

TEST_P(Conservation, SymmetricBasinGivesSymmetricDepths) {
  // A valley symmetric about its middle column, draining south at the middle.
  TestGrid g(8, 9, 10.0, [](int r, int c) { return !(r == 1 && (c == 1 || c == 9)); });
  g.set_elevation([](int r, int c) { return 0.04 * std::abs(c - 5) + 0.02 * (8 - r); });
  g.set_rough(0.05);
  const OutletDrain out{true, g.at(8, 5), 0.02};
  const double rain = 30.0 * 5.0 / 3600000.0;
  ExplicitControl ctl;
  double clipped = 0.0;
  for (int t = 0; t < 120; ++t) {
    if (t < 60)
      for (int k = 1; k <= g.n; ++k) g.h[k] += rain;
    step(g, GetParam(), 5.0, 1 + t % 2, out, ctl, clipped);
  }
  double worst = 0.0;
  for (int k = 1; k <= g.n; ++k)
    worst = std::max(worst, std::fabs(g.h[k] - g.h[g.at(g.row[k], 10 - g.col[k])]));
  EXPECT_LE(worst, 1e-12);
  EXPECT_GT(g.h[g.at(8, 5)], 0.0);
}

TEST_P(Conservation, OneAndTwoThreadsGiveIdenticalDepths) {
  const int threads = omp_get_max_threads();
  std::vector<double> result[2];
  for (int run = 0; run < 2; ++run) {
    omp_set_num_threads(run + 1);
    // Large enough for the cell loops to run in parallel.
    TestGrid g(50, 50, 10.0,
               [](int r, int c) { return (r - 25) * (r - 25) + (c - 25) * (c - 25) < 700; });
    g.set_elevation([](int r, int c) { return 0.01 * r + 0.002 * ((r * 7 + c * 3) % 5); });
    g.set_rough(0.04);
    ASSERT_GE(g.n, kParallelMinCells);
    const OutletDrain out{true, g.at(50, 25), 0.02};
    ExplicitControl ctl;
    double clipped = 0.0;
    for (int t = 0; t < 100; ++t) {
      for (int k = 1; k <= g.n; ++k) g.h[k] += 1e-5 * (1 + k % 3);
      step(g, GetParam(), 5.0, 1 + t % 2, out, ctl, clipped);
    }
    result[run] = g.h;
  }
  omp_set_num_threads(threads);
  EXPECT_EQ(std::memcmp(result[0].data(), result[1].data(), result[0].size() * sizeof(double)), 0);
}

INSTANTIATE_TEST_SUITE_P(AllSchemes, Conservation,
                         ::testing::Values(Scheme::kAde, Scheme::kAdePc, Scheme::kExplicit),
                         [](const auto& info) {
                           return info.param == Scheme::kAde     ? std::string("Ade")
                                  : info.param == Scheme::kAdePc ? std::string("AdePc")
                                                                 : std::string("Explicit");
                         });

TEST(Ade, SweepOrderChangesTheResultOnATwoDimensionalGrid) {
  TestGrid a = basin(), b = basin();
  for (int k = 1; k <= a.n; ++k) a.h[k] = b.h[k] = 0.02;
  StepResult r;
  route_ade(a.view(), a.arrays(), 10.0, 1, {}, r);
  route_ade(b.view(), b.arrays(), 10.0, 2, {}, r);
  double diff = 0.0;
  for (int k = 1; k <= a.n; ++k) diff = std::max(diff, std::fabs(a.h[k] - b.h[k]));
  EXPECT_GT(diff, 1e-9);
}

}  // namespace
}  // namespace torva
