// Retention and conductivity relations of the Richards columns: round trips, the cap of
// the Brooks-Corey curve, and the capacity as the derivative of the retention curve.
#include <gtest/gtest.h>

#include <cmath>

#include "richards_test_column.hpp"
#include "subsurface/richards_soil.hpp"

namespace torva {
namespace {

using testing::brooks_loam;
using testing::haverkamp_sand;

// Heads from -10^4 cm to just below saturation, with extra points around the cap junction.
std::vector<double> heads(const SoilHydraulics& p) {
  std::vector<double> h;
  for (double e = 4.0; e > -3.0; e -= 0.05) h.push_back(-std::pow(10.0, e));
  if (p.BChc < 0.0)
    for (double f : {0.999, 0.9999, 1.0, 1.0001, 1.001, 0.5, 0.1}) h.push_back(p.BChc * f);
  return h;
}

TEST(RichardsSoil, BrooksCoreyCapMeetsTheCurveInValueAndSlope) {
  const SoilHydraulics p = brooks_loam();
  const double x = (2.0 / p.LAM) / (1.0 + 2.0 / p.LAM);
  EXPECT_NEAR((p.thehac - p.THETAR) / (p.THETAS - p.THETAR), x, 1e-15);
  EXPECT_NEAR(p.BChc, p.BP * std::pow(x, -1.0 / p.LAM), 1e-12);
  const double below = theta_from_head(Retention::brooks_corey, p, p.BChc * (1.0 + 1e-9));
  const double above = theta_from_head(Retention::brooks_corey, p, p.BChc * (1.0 - 1e-9));
  EXPECT_NEAR(below, p.thehac, 1e-9);
  EXPECT_NEAR(above, p.thehac, 1e-9);
  const KrCap lo = conductivity_capacity(Retention::brooks_corey, p, p.BChc * (1.0 + 1e-9));
  const KrCap hi = conductivity_capacity(Retention::brooks_corey, p, p.BChc * (1.0 - 1e-9));
  EXPECT_NEAR(lo.cap, hi.cap, 1e-6 * lo.cap);
  EXPECT_NEAR(lo.kr, hi.kr, 1e-6 * lo.kr);
  // With no residual content the junction is the textbook one, thetas * x.
  SoilHydraulics q = p;
  q.THETAR = 0.0;
  set_brooks_corey_cap(q);
  EXPECT_DOUBLE_EQ(q.thehac, q.THETAS * x);
}

void round_trips(Retention r, const SoilHydraulics& p) {
  for (double h : heads(p)) {
    const double th = theta_from_head(r, p, h);
    ASSERT_GT(th, p.THETAR) << h;
    ASSERT_LE(th, p.THETAS) << h;
    if (th >= p.THETAS) continue;  // heads within round-off of saturation
    const double back = head_from_theta(r, p, th, 123.0);
    // Near saturation theta carries the head only to round-off / slope.
    const double slope = conductivity_capacity(r, p, h).cap;
    EXPECT_NEAR(back, h, 1e-9 * std::fabs(h) + 4e-16 / slope) << "h = " << h;
    EXPECT_NEAR(theta_from_head(r, p, back), th, 1e-12) << "h = " << h;
  }
  EXPECT_EQ(theta_from_head(r, p, 0.0), p.THETAS);
  EXPECT_EQ(theta_from_head(r, p, 5.0), p.THETAS);
  // At or below residual the head is left as it was; at saturation it is not negative.
  EXPECT_EQ(head_from_theta(r, p, p.THETAR, -77.0), -77.0);
  EXPECT_EQ(head_from_theta(r, p, p.THETAS, -77.0), 0.0);
  EXPECT_EQ(head_from_theta(r, p, p.THETAS, 3.0), 3.0);
}

TEST(RichardsSoil, RoundTripsAcrossTheRange) {
  round_trips(Retention::brooks_corey, brooks_loam());
  round_trips(Retention::havercamp, haverkamp_sand());
}

void capacity_is_slope(Retention r, const SoilHydraulics& p) {
  for (double h : heads(p)) {
    if (p.THETAS - theta_from_head(r, p, h) < 1e-9) continue;  // flat to round-off
    const double d = 1e-6 * std::fabs(h);
    const double slope = (theta_from_head(r, p, h + d) - theta_from_head(r, p, h - d)) / (2 * d);
    const KrCap kc = conductivity_capacity(r, p, h);
    EXPECT_NEAR(kc.cap, slope, 1e-5 * slope + 4e-16 / d) << "h = " << h;
    EXPECT_GT(kc.kr, 0.0);
    EXPECT_LE(kc.kr, 1.0);
  }
  const KrCap sat = conductivity_capacity(r, p, 0.0);
  EXPECT_EQ(sat.kr, 1.0);
  EXPECT_EQ(sat.cap, 0.0);
}

TEST(RichardsSoil, CapacityIsTheSlopeOfTheRetentionCurve) {
  capacity_is_slope(Retention::brooks_corey, brooks_loam());
  capacity_is_slope(Retention::havercamp, haverkamp_sand());
}

TEST(RichardsSoil, HaverkampSandMatchesThePublishedPoints) {
  // Haverkamp et al. (1977): -61.5 cm holds theta 0.10, -20.7 cm holds 0.267 with K 13.69.
  const SoilHydraulics p = haverkamp_sand();
  EXPECT_NEAR(theta_from_head(Retention::havercamp, p, -61.5), 0.10, 0.001);
  EXPECT_NEAR(theta_from_head(Retention::havercamp, p, -20.7), 0.267, 0.001);
  EXPECT_NEAR(p.KS * conductivity_capacity(Retention::havercamp, p, -20.7).kr, 13.69, 0.1);
}

}  // namespace
}  // namespace torva
