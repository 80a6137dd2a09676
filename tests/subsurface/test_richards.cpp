// One Richards column: the retention relations, conservation over many intervals with and
// without ponding, the upper boundary states and evaporation, the water table, and the
// published sand columns of Haverkamp et al. (1977) and Celia et al. (1990).
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "subsurface/richards_interval.hpp"
#include "subsurface/richards_soil.hpp"
#include "subsurface/richards_solver.hpp"

namespace torva {
namespace {

// Haverkamp et al. (1977) sand: theta = thr + (ths - thr) alpha / (alpha + |h|^beta) with
// alpha = 1.611e6, beta = 3.96; K = Ks A / (A + |h|^B) with A = 1.175e6, B = 4.74, Ks 34 cm/h.
SoilHydraulics haverkamp_sand() {
  // ALPHA = (1.611e6)^(1/3.96) cm: the scale head of the retention form used here.
  return {.KS = 34.0,
          .THETAS = 0.287,
          .THETAR = 0.075,
          .ALPHA = 36.9287,
          .BETA = 3.96,
          .AHAV = 1.175e6,
          .BHAV = 4.74};
}

// A loam-like Brooks-Corey soil with a residual water content.
SoilHydraulics brooks_loam() {
  SoilHydraulics p{
      .KS = 1.3, .THETAS = 0.43, .THETAR = 0.027, .THETAWP = 0.08, .LAM = 0.25, .BP = -11.1};
  set_brooks_corey_cap(p);
  return p;
}

// A column of `soil_nodes` nodes of spacing dz (cm), all at head h0 (cm), one soil.
struct TestColumn {
  std::vector<double> PHEAD, KHEAD, THETA, WATCAP, WATFLUX, SOURCE, DZ, scratch;
  std::vector<const SoilHydraulics*> soil;
  SoilHydraulics params;
  RichardsOptions options;
  int n = 0;
  TestColumn(const SoilHydraulics& p, Retention r, int soil_nodes, double dz, double h0)
      : params(p), n(soil_nodes + 1) {
    const std::size_t m = static_cast<std::size_t>(n) + 1;
    for (auto* v : {&KHEAD, &WATCAP, &WATFLUX, &SOURCE}) v->assign(m, 0.0);
    PHEAD.assign(m, h0);
    THETA.assign(m, theta_from_head(r, params, h0));
    DZ.assign(m, dz);
    soil.assign(m, &params);
    scratch.assign(richards_work_size(n), 0.0);
    options.retention = r;
    richards_properties(view(), r);
  }
  ColumnView view() { return {PHEAD, KHEAD, THETA, WATCAP, WATFLUX, SOURCE, DZ, soil, n}; }
  IntervalTotals interval(double h, ColumnSurface& surf, BottomBoundary bottom = {}) {
    return richards_interval(view(), richards_work(scratch, n), options, bottom, h, surf);
  }
  double water() { return column_water(view()); }
};

struct Curve {
  const char* name;
  Retention r;
  SoilHydraulics p;
};
const Curve kCurves[] = {{"brooks", Retention::brooks_corey, brooks_loam()},
                         {"havercamp", Retention::havercamp, haverkamp_sand()}};

// From -10^4 cm to just below saturation (the cap junction: the next test), head -> content
// -> head returns the head, and the capacity is the slope of the curve.
TEST(RichardsSoil, RoundTripsAndCapacityIsTheSlope) {
  for (const auto& [name, r, p] : kCurves) {
    SCOPED_TRACE(name);
    for (double e = 4.0; e > -3.0; e -= 0.05) {
      const double h = -std::pow(10.0, e);
      const double th = theta_from_head(r, p, h);
      if (th >= p.THETAS) continue;  // heads within round-off of saturation
      const KrCap kc = conductivity_capacity(r, p, h);
      const double back = head_from_theta(r, p, th, 123.0);
      // Near saturation theta carries the head only to round-off / slope.
      EXPECT_NEAR(back, h, 1e-9 * std::fabs(h) + 4e-16 / kc.cap) << "h = " << h;
      EXPECT_NEAR(theta_from_head(r, p, back), th, 1e-12) << "h = " << h;
      if (p.THETAS - th < 1e-9) continue;  // flat to round-off
      const double d = 1e-6 * std::fabs(h);
      const double slope = (theta_from_head(r, p, h + d) - theta_from_head(r, p, h - d)) / (2 * d);
      EXPECT_NEAR(kc.cap, slope, 1e-5 * slope + 4e-16 / d) << "h = " << h;
      EXPECT_GT(kc.kr, 0.0);
      EXPECT_LE(kc.kr, 1.0);
    }
    EXPECT_EQ(theta_from_head(r, p, 5.0), p.THETAS);
    // At or below residual the head is left as it was; at saturation it is not negative.
    EXPECT_EQ(head_from_theta(r, p, p.THETAR, -77.0), -77.0);
    EXPECT_EQ(head_from_theta(r, p, p.THETAS, -77.0), 0.0);
    EXPECT_EQ(head_from_theta(r, p, p.THETAS, 3.0), 3.0);
    EXPECT_EQ(conductivity_capacity(r, p, 0.0).kr, 1.0);
    EXPECT_EQ(conductivity_capacity(r, p, 0.0).cap, 0.0);
  }
}

TEST(RichardsSoil, BrooksCoreyCapMeetsTheCurveInValueAndSlope) {
  const SoilHydraulics p = brooks_loam();
  const double x = (2.0 / p.LAM) / (1.0 + 2.0 / p.LAM);
  EXPECT_NEAR((p.thehac - p.THETAR) / (p.THETAS - p.THETAR), x, 1e-15);
  EXPECT_NEAR(p.BChc, p.BP * std::pow(x, -1.0 / p.LAM), 1e-12);
  for (double f : {1.0 + 1e-9, 1.0 - 1e-9})
    EXPECT_NEAR(theta_from_head(Retention::brooks_corey, p, p.BChc * f), p.thehac, 1e-9);
  const KrCap lo = conductivity_capacity(Retention::brooks_corey, p, p.BChc * (1.0 + 1e-9));
  const KrCap hi = conductivity_capacity(Retention::brooks_corey, p, p.BChc * (1.0 - 1e-9));
  EXPECT_NEAR(lo.cap, hi.cap, 1e-6 * lo.cap);
  EXPECT_NEAR(lo.kr, hi.kr, 1e-6 * lo.kr);
}

// Rain of `rate` cm/h for `rain_minutes`, then dry until `minutes`, in intervals of a
// minute; water left on the surface stays there.  Every row must close the books:
// rain = infiltrated + surface water, and the column's change = infiltrated - drained +
// the scheme's own reported error, which stays within 0.1 % of the water infiltrated.
TEST(RichardsColumn, ConservesWaterOverManyIntervals) {
  struct Case {
    int curve, nodes;
    double h0, rate;
    int rain_minutes, minutes, iter_max;
    bool ponds;
    double min_drained;
  };
  const Case cases[] = {
      {0, 50, -300.0, 0.5, 120, 240, 1, false, 0.0},  // loam without ponding
      {0, 50, -100.0, 5.0, 60, 180, 1, true, 0.0},    // loam, ponded for a while
      {1, 60, -40.0, 60.0, 30, 90, 5, true, 1.0},     // sand, ponded, drains at the bottom
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rate);
    TestColumn col(kCurves[c.curve].p, kCurves[c.curve].r, c.nodes, 1.0, c.h0);
    col.options.iter_max = c.iter_max;
    const double before = col.water();
    ColumnSurface surf;
    double infiltrated = 0, drained = 0, error = 0;  // no evaporation
    bool ponded = false;
    const double dt = 1.0 / 60.0;  // h
    for (int i = 0; i < c.minutes; ++i) {
      if (i < c.rain_minutes) surf.depth += c.rate * dt;
      const IntervalTotals t = col.interval(dt, surf);
      ASSERT_FALSE(t.failed);
      infiltrated += t.infiltrated;
      drained += t.drained;
      error += t.mass_error;
      ponded = ponded || surf.state == kUpperHead;
    }
    EXPECT_NEAR(infiltrated + surf.depth, c.rate * c.rain_minutes * dt, 1e-9);
    EXPECT_EQ(ponded, c.ponds);
    EXPECT_EQ(surf.state, kUpperFlux);  // any ponded water ran out again
    EXPECT_GE(drained, c.min_drained);
    const double balance = col.water() - before - (infiltrated - drained);
    EXPECT_NEAR(balance, error, 1e-9 * before);
    EXPECT_LT(100.0 * std::fabs(balance) / infiltrated, 0.1);
  }
}

// The first sub-step: the carried one on a dry top node, 5 s on a ponded top node unless the
// carried one is at or below 0.001 h, and never longer than the interval.
TEST(RichardsColumn, FirstSubstepOfAnInterval) {
  struct Case {
    bool wet_top;
    double last_dt, interval, first_dt;
  };
  for (const Case& c : {Case{false, 0.01, 0.1, 0.01}, Case{true, 0.01, 0.1, 5.0 / 3600.0},
                        Case{true, 0.0005, 0.1, 0.0005}, Case{true, 1.0, 0.0002, 0.0002}}) {
    SCOPED_TRACE(c.last_dt);
    TestColumn col(brooks_loam(), Retention::brooks_corey, 30, 1.0, -50.0);
    if (c.wet_top) col.PHEAD[1] = 0.0;  // the first step looks at the head alone
    ColumnSurface surf;
    surf.last_dt = c.last_dt;
    EXPECT_DOUBLE_EQ(col.interval(c.interval, surf).first_dt, c.first_dt);
  }
}

// Evaporation over half an hour takes ponded water first, else the top node through the top
// interface, and nothing from a top node at the wilting point; the books close in each case.
TEST(RichardsColumn, EvaporationTakesPondedWaterFirstThenTheTopNode) {
  struct Case {
    const char* name;
    double pond, demand, h0, evaporated;
    bool from_soil;
  };
  const Case cases[] = {{"pond", 10.0, 1.0, -30.0, 0.5, false},
                        {"top node", 0.0, 0.2, -30.0, 0.1, true},
                        {"wilting point", 0.0, 1.0, -1e6, 0.0, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestColumn col(brooks_loam(), Retention::brooks_corey, 40, 1.0, c.h0);
    if (c.h0 < -1e5)
      for (double& th : col.THETA) th = brooks_loam().THETAWP;
    ColumnSurface surf;
    surf.depth = c.pond;
    surf.state = c.pond > 0 ? kUpperHead : kUpperFlux;
    surf.evap_demand = c.demand;
    const double before = col.water();
    const IntervalTotals t = col.interval(0.5, surf);
    EXPECT_NEAR(t.evaporated, c.evaporated, 1e-12);
    EXPECT_EQ(t.soil_evaporated, c.from_soil ? t.evaporated : 0.0);
    EXPECT_NEAR(surf.depth + t.infiltrated, c.pond - t.evaporated + t.soil_evaporated, 1e-12);
    EXPECT_NEAR(col.water() - before, t.infiltrated - t.soil_evaporated - t.drained + t.mass_error,
                1e-9);
  }
}

TEST(RichardsColumn, WaterTableHoldsTheBottomHead) {
  TestColumn col(brooks_loam(), Retention::brooks_corey, 50, 1.0, -20.0);
  ColumnSurface surf;
  for (int i = 0; i < 200; ++i) col.interval(0.5, surf, BottomBoundary{true, 0.0});
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
  const double q = 13.69, interval = 0.01, t = 0.8;
  double infiltrated = 0.0;
  for (int step = 0; step < 80; ++step) {
    surf.depth += q * interval;
    infiltrated += col.interval(interval, surf).infiltrated;
  }
  // Front: depth where theta is half way between initial and the plateau.
  double front = 0.0;
  for (int k = 1; k < col.n; ++k)
    if (col.THETA[k] > 0.5 * (0.10 + 0.267)) front = k - 0.5;
  EXPECT_NEAR(infiltrated, q * t, 1e-9);
  EXPECT_NEAR(front, q * t / (0.267 - 0.10), 0.06 * 65.6 + 2.0);
  EXPECT_NEAR(col.THETA[1], 0.267, 0.004);
}

// Celia et al. (1990): the same sand from -61.5 cm with the surface held at -20.7 cm; after
// 360 s the front is between 10 and 30 cm deep.
TEST(RichardsColumn, CeliaHeadBoundaryInfiltration) {
  TestColumn col(haverkamp_sand(), Retention::havercamp, 40, 1.0, -61.5);
  col.options.iter_max = 20;
  for (int i = 0; i < 36; ++i)
    richards_substep(col.view(), richards_work(col.scratch, col.n), col.options,
                     TopBoundary{TopKind::head, -20.7, false}, BottomBoundary{true, -61.5},
                     10.0 / 3600.0, col.options.iter_max);
  double front = 0.0;
  for (int k = 1; k < col.n; ++k)
    if (col.PHEAD[k] > 0.5 * (-20.7 - 61.5)) front = k - 0.5;
  EXPECT_GT(front, 10.0);
  EXPECT_LT(front, 30.0);
}

}  // namespace
}  // namespace torva
