// One Richards column over many intervals: conservation of water with and without
// ponding, the upper boundary states, evaporation, the first ponded sub-step, and the
// Haverkamp et al. (1977) sand column.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "richards_test_column.hpp"
#include "subsurface/richards_interval.hpp"

namespace torva {
namespace {

using testing::brooks_loam;
using testing::haverkamp_sand;
using testing::TestColumn;

struct RainTotals {
  double infiltrated = 0, evaporated = 0, soil_evaporated = 0, drained = 0, error = 0;
  double max_depth = 0;
  bool ponded = false, transition = false;
};

// Rain of `rate` cm/h for `rain_h` hours, then dry until `total_h`, in intervals of
// `interval` h; water left on the surface stays there.
RainTotals rain_run(TestColumn& col, ColumnSurface& surf, double rate, double rain_h,
                    double total_h, double interval) {
  RainTotals run;
  const int steps = static_cast<int>(std::lround(total_h / interval));
  for (int i = 0; i < steps; ++i) {
    if ((i + 0.5) * interval < rain_h) surf.depth += rate * interval;
    const IntervalTotals t =
        richards_interval(col.view(), col.work(), col.options, BottomBoundary{}, interval, surf);
    EXPECT_FALSE(t.failed);
    run.infiltrated += t.infiltrated;
    run.evaporated += t.evaporated;
    run.soil_evaporated += t.soil_evaporated;
    run.drained += t.drained;
    run.error += t.mass_error;
    run.max_depth = std::max(run.max_depth, surf.depth);
    run.ponded = run.ponded || surf.state == kUpperHead;
    run.transition = run.transition || surf.state == kUpperTransition;
  }
  return run;
}

void expect_conserved(TestColumn& col, double before, const RainTotals& r, const char* what) {
  const double after = col.water();
  const double balance = after - before - (r.infiltrated - r.soil_evaporated - r.drained);
  // The scheme's own error is reported, so the books close to round-off ...
  EXPECT_NEAR(balance, r.error, 1e-9 * before);
  // ... and that error, from nodes at saturation taking their content from the head, stays
  // within 0.1 percent of the water infiltrated.
  const double percent = 100.0 * std::fabs(balance) / r.infiltrated;
  std::printf(
      "%s: infiltrated %.4f cm, drained %.4f cm, storage change %.4f cm, "
      "balance error %.5f percent\n",
      what, r.infiltrated, r.drained, after - before, percent);
  EXPECT_LT(percent, 0.1);
}

TEST(RichardsColumn, ConservesWaterWithoutPonding) {
  TestColumn col(brooks_loam(), Retention::brooks_corey, 100, 1.0, -300.0);
  const double before = col.water();
  ColumnSurface surf;
  const RainTotals r = rain_run(col, surf, 0.5, 2.0, 24.0, 1.0 / 60.0);
  EXPECT_FALSE(r.ponded);
  EXPECT_NEAR(r.infiltrated, 1.0, 1e-9);  // all the rain went in
  EXPECT_NEAR(surf.depth, 0.0, 1e-12);
  expect_conserved(col, before, r, "no ponding");
}

TEST(RichardsColumn, ConservesWaterWithPonding) {
  TestColumn col(brooks_loam(), Retention::brooks_corey, 100, 1.0, -100.0);
  const double before = col.water();
  ColumnSurface surf;
  const RainTotals r = rain_run(col, surf, 5.0, 1.0, 12.0, 1.0 / 60.0);
  EXPECT_TRUE(r.ponded);
  EXPECT_GT(r.max_depth, 0.5);
  EXPECT_NEAR(r.infiltrated + surf.depth, 5.0, 1e-9);  // surface water accounted for
  EXPECT_EQ(surf.state, kUpperFlux);                   // the ponded water ran out again
  expect_conserved(col, before, r, "ponding");
}

TEST(RichardsColumn, ConservesWaterInHavercampSandWithDrainage) {
  TestColumn col(haverkamp_sand(), Retention::havercamp, 60, 1.0, -40.0);
  col.options.iter_max = 5;
  const double before = col.water();
  ColumnSurface surf;
  const RainTotals r = rain_run(col, surf, 60.0, 0.5, 6.0, 1.0 / 120.0);
  EXPECT_TRUE(r.ponded);
  EXPECT_GT(r.drained, 1.0);
  expect_conserved(col, before, r, "Havercamp sand");
}

TEST(RichardsColumn, PondedTopNodeForcesAFiveSecondFirstSubstep) {
  TestColumn col(brooks_loam(), Retention::brooks_corey, 30, 1.0, -50.0);
  ColumnSurface surf;
  surf.last_dt = 0.01;
  IntervalTotals t =
      richards_interval(col.view(), col.work(), col.options, BottomBoundary{}, 0.1, surf);
  EXPECT_DOUBLE_EQ(t.first_dt, 0.01);  // dry top node: the carried sub-step
  col.PHEAD[1] = 0.0;
  richards_properties(col.view(), col.options.retention);
  surf.last_dt = 0.01;
  t = richards_interval(col.view(), col.work(), col.options, BottomBoundary{}, 0.1, surf);
  EXPECT_DOUBLE_EQ(t.first_dt, 5.0 / 3600.0);
  // A carried sub-step at or below 0.001 h is kept, and the interval caps it.
  col.PHEAD[1] = 0.0;
  richards_properties(col.view(), col.options.retention);
  surf.last_dt = 0.0005;
  t = richards_interval(col.view(), col.work(), col.options, BottomBoundary{}, 0.1, surf);
  EXPECT_DOUBLE_EQ(t.first_dt, 0.0005);
  surf.last_dt = 1.0;
  t = richards_interval(col.view(), col.work(), col.options, BottomBoundary{}, 0.0002, surf);
  EXPECT_DOUBLE_EQ(t.first_dt, 0.0002);
}

TEST(RichardsColumn, EvaporationTakesPondedWaterFirstThenTheTopNode) {
  TestColumn col(brooks_loam(), Retention::brooks_corey, 40, 1.0, -30.0);
  ColumnSurface surf;
  surf.depth = 10.0;
  surf.state = kUpperHead;
  surf.evap_demand = 1.0;  // cm/h
  double before = col.water();
  IntervalTotals t =
      richards_interval(col.view(), col.work(), col.options, BottomBoundary{}, 0.5, surf);
  EXPECT_NEAR(t.evaporated, 0.5, 1e-12);  // all from the pond
  EXPECT_EQ(t.soil_evaporated, 0.0);
  EXPECT_NEAR(surf.depth, 10.0 - 0.5 - t.infiltrated, 1e-12);
  EXPECT_NEAR(col.water() - before, t.infiltrated - t.drained + t.mass_error, 1e-9);
  // Without surface water the top node gives it, through the top interface.
  TestColumn moist(brooks_loam(), Retention::brooks_corey, 40, 1.0, -30.0);
  ColumnSurface ms;
  ms.evap_demand = 0.2;
  before = moist.water();
  t = richards_interval(moist.view(), moist.work(), moist.options, BottomBoundary{}, 0.5, ms);
  EXPECT_NEAR(t.evaporated, 0.1, 1e-12);
  EXPECT_EQ(t.soil_evaporated, t.evaporated);
  EXPECT_NEAR(moist.water() - before, -t.soil_evaporated - t.drained + t.mass_error, 1e-9);
  // A top node at the wilting point gives nothing.
  TestColumn dry(brooks_loam(), Retention::brooks_corey, 40, 1.0, -1e6);
  for (double& th : dry.THETA) th = brooks_loam().THETAWP;
  ColumnSurface ds;
  ds.evap_demand = 1.0;
  t = richards_interval(dry.view(), dry.work(), dry.options, BottomBoundary{}, 0.5, ds);
  EXPECT_EQ(t.evaporated, 0.0);
}

TEST(RichardsColumn, WaterTableHoldsTheBottomHead) {
  TestColumn col(brooks_loam(), Retention::brooks_corey, 50, 1.0, -20.0);
  const BottomBoundary wt{true, 0.0};
  ColumnSurface surf;
  for (int i = 0; i < 200; ++i)
    richards_interval(col.view(), col.work(), col.options, wt, 0.5, surf);
  EXPECT_EQ(col.PHEAD[col.n], 0.0);
  // Near hydrostatic equilibrium above the table: h = -(distance above it).
  EXPECT_NEAR(col.PHEAD[col.n - 10], -10.0, 0.5);
  EXPECT_NEAR(col.WATFLUX[col.n], 0.0, 1e-3);
}

// Haverkamp et al. (1977) sand column under a constant flux of 13.69 cm/h from theta
// 0.10: behind the front theta approaches 0.267 (where K = 13.69 cm/h), the front moves
// at q / (0.267 - 0.10) = 82 cm/h, and the cumulative infiltration is q t.
TEST(RichardsColumn, HaverkampSandColumnUnderConstantFlux) {
  TestColumn col(haverkamp_sand(), Retention::havercamp, 94, 1.0, -61.5);
  col.options.iter_max = 5;
  col.options.dtheta_max = 0.005;
  ColumnSurface surf;
  const double q = 13.69, interval = 0.01;
  double infiltrated = 0.0;
  std::printf("Haverkamp sand, constant flux 13.69 cm/h:\n");
  for (int step = 1; step <= 80; ++step) {
    surf.depth += q * interval;
    infiltrated +=
        richards_interval(col.view(), col.work(), col.options, BottomBoundary{}, interval, surf)
            .infiltrated;
    if (step % 20 == 0) {
      const double t = step * interval;
      // Front: depth where theta is half way between initial and the plateau.
      double front = 0.0;
      for (int k = 1; k < col.n; ++k)
        if (col.THETA[k] > 0.5 * (0.10 + 0.267)) front = k - 0.5;
      const double expect = q * t / (0.267 - 0.10);
      std::printf(
          "  t %.1f h: infiltration %.3f cm (q t %.3f), front %.1f cm (mass %.1f), "
          "theta(top) %.4f\n",
          t, infiltrated, q * t, front, expect, col.THETA[1]);
      EXPECT_NEAR(infiltrated, q * t, 1e-9);
      EXPECT_NEAR(front, expect, 0.06 * expect + 2.0);
      EXPECT_NEAR(col.THETA[1], 0.267, 0.004);
    }
  }
}

// Celia et al. (1990): the same sand from -61.5 cm with the surface held at -20.7 cm.
TEST(RichardsColumn, CeliaHeadBoundaryInfiltration) {
  TestColumn col(haverkamp_sand(), Retention::havercamp, 40, 1.0, -61.5);
  col.options.iter_max = 20;
  const double dt = 10.0 / 3600.0;
  double cum = 0.0;
  for (int i = 0; i < 36; ++i) {
    const SubstepResult r = richards_substep(col.view(), col.work(), col.options,
                                             TopBoundary{TopKind::head, -20.7, false},
                                             BottomBoundary{true, -61.5}, dt, col.options.iter_max);
    cum += r.top_flux * dt;
  }
  double front = 0.0;
  for (int k = 1; k < col.n; ++k)
    if (col.PHEAD[k] > 0.5 * (-20.7 - 61.5)) front = k - 0.5;
  std::printf("Celia head test at 360 s: cumulative infiltration %.3f cm, front %.1f cm\n", cum,
              front);
  EXPECT_GT(front, 10.0);
  EXPECT_LT(front, 30.0);
}

}  // namespace
}  // namespace torva
