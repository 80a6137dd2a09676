// Green and Ampt kernels: method 1 (one front, m and s) against the implicit equation, the
// analytic ponded solution and the time to ponding; method 3 (three layers, cm and h) against
// method 1 and hand calculations; dry and supply-limited cells.  (A cell the iteration cannot
// solve: the infiltration stage tests.)
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "subsurface/green_ampt.hpp"
#include "subsurface/layered_soil.hpp"

namespace torva {
namespace {

constexpr double kK = 1.0 / 360000.0;  // 1 cm/h in m/s
constexpr double kP = 0.11 * 0.3;      // psi 11 cm, delta-theta 0.3

struct Column {
  std::vector<double> depth, cum, rate, ksat, psi, area;
  explicit Column(int n, double k = kK, double p = kP)
      : depth(n + 1), cum(n + 1), rate(n + 1), ksat(n + 1, k), psi(n + 1, p) {}
  int step(int n, double dt) {
    return green_ampt_step({depth, cum, rate, ksat, psi, area}, n, dt).cell;
  }
};

SoilRecord uniform_record(double ksat_cm_h, double psi_cm, double phi, double theta,
                          double d1 = 10.0, double d2 = 20.0, double d3 = 100.0) {
  SoilRecord r;
  r.layers = 3;
  const double thick[3] = {d1, d2, d3};
  for (int k = 1; k <= 3; ++k) {
    r.at(kKsat, k) = ksat_cm_h;
    r.at(kCapHead, k) = psi_cm;
    r.at(kPorosity, k) = phi;
    r.at(kThetaInit, k) = theta;
    r.at(kThickness, k) = thick[k - 1];
  }
  return r;
}

struct Layered {
  int n;
  std::vector<SoilRecord> records;
  std::vector<int> soil;
  std::vector<double> t1, t2, t3, area, depth, cum, rate, zf;
  explicit Layered(const SoilRecord& rec, int cells = 1)
      : n(cells),
        records{SoilRecord{}, rec},
        soil(n + 1, 1),
        t1(n + 1, rec.theta_init(1)),
        t2(n + 1, rec.theta_init(2)),
        t3(n + 1, rec.theta_init(3)),
        depth(n + 1),
        cum(n + 1),
        rate(n + 1),
        zf(n + 1) {}
  int step(double dt) {
    return layered_step({soil, &records, t1, t2, t3, area, depth, cum, rate, zf}, n, dt).cell;
  }
};

TEST(GreenAmptSolve, SatisfiesTheImplicitEquation) {
  const double f0 = 0.02, kdt = kK * 600.0;
  const GreenAmptSolution s = green_ampt_solve(f0, kP, kdt, f0 + 0.001, 1e-12);
  ASSERT_TRUE(s.converged);
  EXPECT_NEAR(s.x - f0 - kP * std::log((s.x + kP) / (f0 + kP)), kdt, 1e-12);
  // No capillary drive: the front moves at K.
  const GreenAmptSolution lin = green_ampt_solve(0.0, 0.0, kdt, 0.001, 1e-6);
  ASSERT_TRUE(lin.converged);
  EXPECT_DOUBLE_EQ(lin.x, kdt);
  // A bad number is reported, not iterated for ever.
  EXPECT_FALSE(green_ampt_solve(0.0, kP, std::nan(""), 0.001, 1e-6).converged);
}

// Ponded infiltration of one cell against F(t) from K t = F - P ln(1 + F/P).  The rate is
// taken at the end of each step, so the model lags the exact solution by a first-order error.
TEST(GreenAmptAnalytic, PondedDepthLagsTheExactSolutionByTheStatedError) {
  struct Case {
    double dt, t, percent, tol;
  };
  for (const Case& c :
       {Case{5, 1800, -0.41, 0.03}, Case{5, 3600, -0.22, 0.02}, Case{5, 7200, -0.12, 0.02},
        Case{30, 1800, -1.94, 0.05}, Case{30, 3600, -1.08, 0.05}, Case{30, 7200, -0.60, 0.05}}) {
    SCOPED_TRACE(::testing::Message() << "dt " << c.dt << " t " << c.t);
    Column col(1);
    col.depth[1] = 10.0;  // never runs dry
    for (int k = 0; k < std::lround(c.t / c.dt); ++k) ASSERT_EQ(col.step(1, c.dt), 0);
    const double exact = green_ampt_ponded_depth(kK, kP, c.t);
    EXPECT_NEAR(col.depth[1] + col.cum[1], 10.0, 1e-11);
    EXPECT_NEAR((col.cum[1] - exact) / exact * 100.0, c.percent, c.tol);
  }
}

TEST(GreenAmptAnalytic, TimeToPondingWithinOneStepOfMeinLarson) {
  for (double dt : {10.0, 30.0, 60.0}) {
    const double rain = 3.0 * kK;                    // 3 cm/h
    const double tp = kP * kK / (rain - kK) / rain;  // Mein and Larson (1973): 1980 s
    Column c(1);
    double t = 0.0, ponded_at = -1.0;
    while (t < 3.0 * tp && ponded_at < 0.0) {
      c.depth[1] += rain * dt;
      ASSERT_EQ(c.step(1, dt), 0);
      t += dt;
      if (c.depth[1] > 0.0) ponded_at = t;
    }
    EXPECT_NEAR(ponded_at, tp, dt) << "dt " << dt;
  }
}

// Cells without water keep their totals and have no rate, in both methods.
TEST(GreenAmptStep, DryCellsAreLeftAlone) {
  Column c(2);
  Layered l(uniform_record(1.0, 11.0, 0.45, 0.15), 2);
  c.depth[2] = l.depth[2] = 5e-17;
  c.cum = l.cum = {0, 0.01, 0.01};
  c.rate = l.rate = {0, 7.0, 7.0};
  l.zf[1] = 3.0;
  EXPECT_EQ(c.step(2, 30.0), 0);
  EXPECT_EQ(l.step(60.0), 0);
  for (int i : {1, 2}) {
    EXPECT_EQ(c.rate[i], 0.0);
    EXPECT_EQ(c.cum[i], 0.01);
    EXPECT_EQ(l.rate[i], 0.0);
    EXPECT_EQ(l.cum[i], 0.01);
  }
  EXPECT_EQ(c.depth[2], 5e-17);
  EXPECT_EQ(l.zf[1], 3.0);
}

TEST(GreenAmptStep, SupplyLimitedCellTakesExactlyItsDepthScaledByItsArea) {
  Column c(1), half(1);
  c.depth[1] = 1e-5;
  EXPECT_EQ(c.step(1, 30.0), 0);
  EXPECT_EQ(c.depth[1], 0.0);
  EXPECT_EQ(c.cum[1], 1e-5);
  EXPECT_DOUBLE_EQ(c.rate[1], 1e-5 / 30.0 * 360000.0);
  // Ponded, half the area infiltrates at half the rate.
  c.depth[1] = half.depth[1] = 1.0;
  c.cum[1] = 0.0;
  half.area.assign(2, 0.5);
  c.step(1, 30.0);
  half.step(1, 30.0);
  EXPECT_DOUBLE_EQ(half.rate[1], 0.5 * c.rate[1]);
}

// Three identical layers are one soil: the result must match the single-front method,
// which works in metres and seconds.
TEST(Layered, IdenticalLayersMatchPlainGreenAndAmpt) {
  Layered l(uniform_record(1.0, 11.0, 0.45, 0.15));
  Column c(1, kK, 0.033);
  l.depth[1] = c.depth[1] = 0.5;
  for (int k = 0; k < 240; ++k) {
    ASSERT_EQ(l.step(30.0), 0);
    ASSERT_EQ(c.step(1, 30.0), 0);
  }
  EXPECT_NEAR(l.cum[1], c.cum[1], 1e-12 * c.cum[1]);
  EXPECT_NEAR(l.rate[1], c.rate[1], 1e-9 * c.rate[1]);
  // The front follows the iterated depth x, which runs slightly ahead of F (end-of-step rate).
  EXPECT_GE(l.zf[1], l.cum[1] * 100.0 / 0.3);
  EXPECT_NEAR(l.zf[1], l.cum[1] * 100.0 / 0.3, 1e-5 * l.zf[1]);
  EXPECT_NEAR(l.depth[1] + l.cum[1], 0.5, 1e-14);
}

TEST(Layered, LayerWithoutDeficitUsesOneHundredthOfPorosity) {
  SoilRecord rec = uniform_record(1.0, 11.0, 0.40, 0.40);
  EXPECT_DOUBLE_EQ(layered_deficit(rec, 1, 0.40), 0.004);
  EXPECT_DOUBLE_EQ(layered_deficit(rec, 2, 0.30), 0.10);
  // Supply-limited: all 0.1 mm goes in and the front moves by h / (0.01 porosity).
  Layered l(rec);
  l.depth[1] = 1e-4;
  EXPECT_EQ(l.step(60.0), 0);
  EXPECT_EQ(l.depth[1], 0.0);
  EXPECT_DOUBLE_EQ(l.zf[1], 0.01 / 0.004);
  EXPECT_DOUBLE_EQ(l.rate[1], 0.01 / (60.0 / 3600.0));
}

TEST(Layered, FrontInLayerTwoUsesSeriesConductivity) {
  SoilRecord rec = uniform_record(2.0, 10.0, 0.45, 0.15, 2.0, 20.0, 50.0);
  rec.at(kKsat, 2) = 0.5;
  rec.at(kCapHead, 2) = 20.0;
  rec.at(kThetaInit, 2) = 0.25;
  Layered l(rec);
  l.t2[1] = 0.25;
  l.depth[1] = 0.2;
  l.cum[1] = 0.01;  // 1 cm: 0.6 cm fills layer 1, 0.4 cm is 2 cm into layer 2
  l.zf[1] = 4.0;
  const double keff = (2.0 + 2.0) / (2.0 / 0.5 + 2.0 / 2.0);
  const double p = 20.0 * 0.2, dt = 0.1;  // h
  const GreenAmptSolution x = green_ampt_solve(1.0, p, keff * dt, 1.1, 1e-4);
  const double f = keff * (1.0 + p / x.x);
  ASSERT_EQ(l.step(360.0), 0);
  EXPECT_NEAR(l.rate[1], f, 1e-12);
  EXPECT_NEAR(l.cum[1], 0.01 + f * dt / 100.0, 1e-15);
  EXPECT_NEAR(l.zf[1], (x.x - 2.0 * 0.3) / 0.2 + 2.0, 1e-12);
  EXPECT_LT(l.rate[1], 2.0 * (1.0 + 10.0 * 0.3 / 1.0));  // slower than layer 1 alone
}

}  // namespace
}  // namespace torva
