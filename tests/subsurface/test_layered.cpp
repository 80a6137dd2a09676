// Method 3: three layers in cm and hours.
#include <gtest/gtest.h>

#include <vector>

#include "subsurface/green_ampt.hpp"
#include "subsurface/layered_soil.hpp"

namespace torva {
namespace {

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
  Layered(const SoilRecord& rec, int cells = 1)
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
    LayeredCells c{soil, &records, t1, t2, t3, area, depth, cum, rate, zf};
    return layered_step(c, n, dt).cell;
  }
};

// Three identical layers are one soil: the result must match the single-front method,
// which works in metres and seconds.
TEST(Layered, IdenticalLayersMatchPlainGreenAndAmpt) {
  Layered l(uniform_record(1.0, 11.0, 0.45, 0.15));
  std::vector<double> depth(2, 0.5), cum(2), rate(2), ksat(2, 1.0 / 360000.0), psi(2, 0.033), area;
  l.depth[1] = 0.5;
  for (int k = 0; k < 240; ++k) {
    ASSERT_EQ(l.step(30.0), 0);
    ASSERT_FALSE(green_ampt_step({depth, cum, rate, ksat, psi, area}, 1, 30.0));
  }
  EXPECT_NEAR(l.cum[1], cum[1], 1e-12 * cum[1]);
  EXPECT_NEAR(l.rate[1], rate[1], 1e-9 * rate[1]);
  // The front follows the iterated depth x, which runs slightly ahead of F (end-of-step rate).
  EXPECT_GE(l.zf[1], l.cum[1] * 100.0 / 0.3);
  EXPECT_NEAR(l.zf[1], l.cum[1] * 100.0 / 0.3, 1e-5 * l.zf[1]);
  EXPECT_NEAR(l.depth[1] + l.cum[1], 0.5, 1e-14);
}

TEST(Layered, DryCellHasNoRateAndNoChange) {
  Layered l(uniform_record(1.0, 11.0, 0.45, 0.15), 2);
  l.depth[2] = 1e-17;
  l.cum[1] = l.cum[2] = 0.01;
  l.zf[1] = 3.0;
  l.rate[1] = l.rate[2] = 4.0;
  EXPECT_EQ(l.step(60.0), 0);
  for (int i : {1, 2}) {
    EXPECT_EQ(l.rate[i], 0.0);
    EXPECT_EQ(l.cum[i], 0.01);
  }
  EXPECT_EQ(l.zf[1], 3.0);
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

TEST(Layered, FrontReachesTheThirdLayer) {
  Layered l(uniform_record(3.0, 5.0, 0.40, 0.20, 1.0, 1.0, 100.0));
  l.depth[1] = 1.0;
  for (int k = 0; k < 120; ++k) ASSERT_EQ(l.step(60.0), 0);
  EXPECT_GT(l.zf[1], 2.0);
  EXPECT_NEAR(l.depth[1] + l.cum[1], 1.0, 1e-14);
}

}  // namespace
}  // namespace torva
