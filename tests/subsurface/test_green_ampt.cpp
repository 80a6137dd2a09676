// Green and Ampt kernels: one front (m and s) against the analytic ponded solution and the
// Mein-Larson ponding time; three layers (cm and h) against one front and hand calculations;
// redistribution between storms (Brooks-Corey relations by hand, branch by branch).
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "subsurface/green_ampt.hpp"
#include "subsurface/green_ampt_redist.hpp"
#include "subsurface/layered_soil.hpp"

namespace torva {
namespace {

constexpr double kK = 1.0 / 360000.0;  // 1 cm/h in m/s
constexpr double kP = 0.11 * 0.3;      // psi 11 cm, delta-theta 0.3

struct Column {
  std::vector<double> depth, cum, rate, ksat, psi, area;
  explicit Column(int n, double p = kP)
      : depth(n + 1), cum(n + 1), rate(n + 1), ksat(n + 1, kK), psi(n + 1, p) {}
  int step(int n, double dt) {
    return green_ampt_step({depth, cum, rate, ksat, psi, area}, n, dt).cell;
  }
};

SoilRecord uniform_record(double ksat_cm_h, double psi_cm, double theta, double d1 = 10.0) {
  SoilRecord r;
  r.layers = 3;
  const double thick[3] = {d1, 20.0, 100.0};
  for (int k = 1; k <= 3; ++k) {
    r.at(kKsat, k) = ksat_cm_h;
    r.at(kCapHead, k) = psi_cm;
    r.at(kPorosity, k) = 0.45;
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
      : n(cells), records{SoilRecord{}, rec}, soil(n + 1, 1) {
    int k = 1;
    for (auto* v : {&t1, &t2, &t3}) v->assign(n + 1, rec.theta_init(k++));
    for (auto* v : {&depth, &cum, &rate, &zf}) v->assign(n + 1, 0.0);
  }
  int step(double dt) {
    return layered_step({soil, &records, t1, t2, t3, area, depth, cum, rate, zf}, n, dt).cell;
  }
};

// Ponded infiltration against F(t) from K t = F - P ln(1 + F/P).  The rate is taken at the
// end of each step, so the model lags the exact solution by a first-order error.
TEST(GreenAmptAnalytic, PondedDepthLagsTheExactSolutionByTheStatedError) {
  struct Case {
    double dt, t, percent, tol;
  };
  for (const Case& c : {Case{5, 3600, -0.22, 0.02}, Case{30, 1800, -1.94, 0.05}}) {
    SCOPED_TRACE(c.dt);
    Column col(1);
    col.depth[1] = 10.0;  // never runs dry
    for (int k = 0; k < std::lround(c.t / c.dt); ++k) ASSERT_EQ(col.step(1, c.dt), 0);
    const double exact = green_ampt_ponded_depth(kK, kP, c.t);
    EXPECT_NEAR(col.depth[1] + col.cum[1], 10.0, 1e-11);
    EXPECT_NEAR((col.cum[1] - exact) / exact * 100.0, c.percent, c.tol);
  }
}

TEST(GreenAmptAnalytic, TimeToPondingWithinOneStepOfMeinLarson) {
  const double dt = 10.0, rain = 3.0 * kK;         // 3 cm/h
  const double tp = kP * kK / (rain - kK) / rain;  // Mein and Larson (1973): 1980 s
  Column c(1);
  double t = 0.0;
  while (c.depth[1] == 0.0 && t < 3.0 * tp) {
    c.depth[1] += rain * dt;
    ASSERT_EQ(c.step(1, dt), 0);
    t += dt;
  }
  EXPECT_NEAR(t, tp, dt);
}

// Cells without water keep their totals and have no rate, in both methods.
TEST(GreenAmptStep, DryCellsAreLeftAlone) {
  Column c(2);
  Layered l(uniform_record(1.0, 11.0, 0.15), 2);
  c.depth[2] = l.depth[2] = 5e-17;
  c.cum = l.cum = {0, 0.01, 0.01};
  c.rate = l.rate = {0, 7.0, 7.0};
  EXPECT_EQ(c.step(2, 30.0), 0);
  EXPECT_EQ(l.step(60.0), 0);
  EXPECT_EQ(c.rate, (std::vector<double>{0, 0, 0}));
  EXPECT_EQ(l.rate, c.rate);
  EXPECT_EQ(c.cum, (std::vector<double>{0, 0.01, 0.01}));
  EXPECT_EQ(l.cum, c.cum);
}

TEST(GreenAmptStep, SupplyLimitedCellTakesExactlyItsDepthScaledByItsArea) {
  Column c(1), half(1);
  c.depth[1] = 1e-5;
  c.step(1, 30.0);
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

// Three identical layers are one soil: the result must match the single-front method.
TEST(Layered, IdenticalLayersMatchPlainGreenAndAmpt) {
  Layered l(uniform_record(1.0, 11.0, 0.15));
  Column c(1);
  l.depth[1] = c.depth[1] = 0.5;
  for (int k = 0; k < 240; ++k) {
    ASSERT_EQ(l.step(30.0), 0);
    ASSERT_EQ(c.step(1, 30.0), 0);
  }
  EXPECT_NEAR(l.cum[1], c.cum[1], 1e-12 * c.cum[1]);
  EXPECT_NEAR(l.rate[1], c.rate[1], 1e-9 * c.rate[1]);
  // The front follows the iterated depth, slightly ahead of F (end-of-step rate).
  EXPECT_NEAR(l.zf[1], l.cum[1] * 100.0 / 0.3, 1e-5 * l.zf[1]);
}

TEST(Layered, LayerWithoutDeficitUsesOneHundredthOfPorosity) {
  const SoilRecord rec = uniform_record(1.0, 11.0, 0.45);
  EXPECT_DOUBLE_EQ(layered_deficit(rec, 2, 0.30), 0.15);
  // Supply-limited: all 0.1 mm goes in and the front moves by h / (0.01 porosity).
  Layered l(rec);
  l.depth[1] = 1e-4;
  EXPECT_EQ(l.step(60.0), 0);
  EXPECT_EQ(l.depth[1], 0.0);
  EXPECT_DOUBLE_EQ(l.zf[1], 0.01 / 0.0045);
  EXPECT_DOUBLE_EQ(l.rate[1], 0.01 / (60.0 / 3600.0));
}

TEST(Layered, FrontInLayerTwoUsesSeriesConductivity) {
  SoilRecord rec = uniform_record(2.0, 10.0, 0.15, 2.0);
  rec.at(kKsat, 2) = 0.5;
  rec.at(kCapHead, 2) = 20.0;
  rec.at(kThetaInit, 2) = 0.25;
  Layered l(rec);
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
}

// Cells of one soil for redistribution: K 1 cm/h, psi 11 cm, porosity 0.45, theta_i 0.15.
struct Soil {
  int n;
  std::vector<double> ksat, psi, phi, ti, lambda, tr, area;
  std::vector<int> excluded, gw;
  std::vector<double> depth, cum, rate, theta0, fr, surf, clipped;
  std::vector<int> ponding, redist, state, dry;
  explicit Soil(int cells = 1) : n(cells) {
    const double given[] = {kK, 0.11, 0.45, 0.15, 0.5, 0.05};
    int k = 0;
    for (auto* v : {&ksat, &psi, &phi, &ti, &lambda, &tr}) v->assign(n + 1, given[k++]);
    for (auto* v : {&depth, &cum, &rate, &theta0, &fr, &surf, &clipped}) v->assign(n + 1, 0.0);
    for (auto* v : {&ponding, &redist, &state, &dry}) v->assign(n + 1, 0);
  }
  int step(double dt, int s) {
    return redist_step_cells(
        {ksat, psi,  phi,    ti, lambda, tr,      area,   excluded, gw,  depth,
         cum,  rate, theta0, fr, surf,   ponding, redist, state,    dry, clipped},
        n, dt, s);
  }
};

// K(theta) = K Se^(3 + 2/lambda) and G = psi (Se0^e - Sei^e) / (1 - Sei^e), e = 3 + 1/lambda,
// with Se = (theta - thr) / (phi - thr), worked by hand for thr 0.05, phi 0.45, lambda 0.5.
TEST(RedistRelations, ConductivityAndCapillaryDriveByHand) {
  EXPECT_NEAR(redist_conductivity(1.0, 0.25, 0.05, 0.45, 0.5), 0.0078125, 1e-15);  // 0.5^7
  EXPECT_EQ(redist_conductivity(1.0, 0.04, 0.05, 0.45, 0.5), 0.0);                 // below residual
  // Exponent 5: Se_i 0.25, Se_0 0.5: (1/32 - 1/1024) / (1 - 1/1024) = 31/1023.
  EXPECT_NEAR(redist_capillary_drive(0.11, 0.15, 0.25, 0.05, 0.45, 0.5), 0.11 * 31.0 / 1023.0,
              1e-15);
  EXPECT_EQ(redist_capillary_drive(0.11, 0.45, 0.30, 0.05, 0.45, 0.5), 0.11);  // Se_i = 1
  // The long-term initial moisture: the soil store spread over the top layer, or over what is
  // left of it above the groundwater.
  EXPECT_DOUBLE_EQ(redist_initial_moisture(6.0, 100.0, 30.0, 0.45), 0.2);
  EXPECT_DOUBLE_EQ(redist_initial_moisture(6.0, 20.0, 30.0, 0.45), 0.3);
  EXPECT_EQ(redist_initial_moisture(6.0, 1e-17, 30.0, 0.45), 0.45);  // saturated to the ground
}

// One cell per branch of a step, all at step 7.
TEST(RedistBranches, EachCellTakesItsBranch) {
  Soil c(7);
  const double dt = 4.0;  // a power of two: in cell 6 depth / dt is exactly K
  c.depth = {0, 0.5 * kK * dt, 0.01, 0.01, -0.003, 0.0, kK * dt, 0.999 * kK * dt};
  c.cum = {0, 0, 0, 0, 0.001, 0.02, 0, 0};  // cell 4: less than its negative depth
  c.theta0 = {0, 0, 0, 0, 0, 0.15, 0.15, 0.15};
  c.dry[1] = 6;  // never ponded: all of it goes in
  c.excluded = {0, 0, 3, 0, 0, 0, 0, 0};
  c.gw = {0, 0, 0, 1, 0, 0, 0, 0};
  EXPECT_EQ(c.step(dt, 7), 1);  // one cell clipped
  EXPECT_EQ(c.dry[1], 7);
  EXPECT_DOUBLE_EQ(c.rate[1], 0.5);
  EXPECT_EQ(c.depth, (std::vector<double>{0, 0, 0.01, 0.01, 0, 0, 0, 0}));
  EXPECT_EQ(c.cum[2] + c.cum[3] + c.cum[4], 0.0);
  EXPECT_EQ(c.theta0[3], 0.45);
  EXPECT_DOUBLE_EQ(c.clipped[4], 0.002);
  // A front no wetter than the soil below it does not redistribute.
  EXPECT_EQ(c.theta0[5], 0.15);
  EXPECT_EQ(c.redist[5], 7);
  // Supply equal to K infiltrates as Green and Ampt; a hair less redistributes.
  EXPECT_EQ(c.redist[6], 0);
  EXPECT_EQ(c.cum[6], kK * dt);
  EXPECT_GT(c.theta0[6], 0.15);
  EXPECT_EQ(c.redist[7], 7);
  EXPECT_EQ(c.fr[7], c.cum[7]);
}

// Storm, dry spell, storm.  Redistribution dries the wetted zone between the storms, so the
// second storm infiltrates more than a fresh Green and Ampt run that starts with the soil
// as wet as the first storm left it.
TEST(RedistStorms, DrySpellRestoresInfiltrationCapacity) {
  Soil c;
  const double dt = 60.0, rain = 5.0 * kK;  // 5 cm/h
  int s = 0;
  auto storm = [&](int minutes) {
    const double before = c.cum[1];
    for (int k = 0; k < minutes; ++k) {
      c.depth[1] += rain * dt;
      EXPECT_EQ(c.step(dt, s++), 0);
    }
    return c.cum[1] - before;
  };
  storm(60);
  EXPECT_DOUBLE_EQ(c.theta0[1], 0.45);
  for (int k = 0; k < 360; ++k) c.step(dt, s++);
  EXPECT_LT(c.theta0[1], 0.40);
  const double second = storm(60);
  EXPECT_NEAR(c.cum[1] + c.depth[1], 120 * rain * dt, 1e-15);
  EXPECT_GT(second, 1.5 * kK * 3600.0);  // saturated, a fresh run would take K for an hour
}

TEST(RedistStorms, TwoFrontsFormAndMerge) {
  Soil c;
  const double dt = 60.0;
  for (int s = 0; s < 630; ++s) {
    c.depth[1] += s < 30 ? 5.0 * kK * dt : 0.0;
    c.step(dt, s);
  }
  // A short burst: a shallow new front above the older, deeper one.
  c.depth[1] += 3.0 * kK * dt;
  c.step(dt, 630);
  EXPECT_EQ(c.state[1], 2);
  const double deep = c.theta0[1];
  c.step(dt, 631);  // hiatus: the fronts merge
  EXPECT_EQ(c.state[1], 0);
  EXPECT_GT(c.theta0[1], deep);
  EXPECT_LE(c.theta0[1], 0.45);
}

}  // namespace
}  // namespace torva
