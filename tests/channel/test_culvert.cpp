// Culvert geometry, critical depth and flow regimes.
#include <gtest/gtest.h>

#include <cmath>

#include "channel/brent.hpp"
#include "channel/culvert.hpp"

namespace torva {
namespace {

Culvert culvert(double L, double zu, double zd, double D, double B = 0.0,
                CulvertShape shape = CulvertShape::round) {
  return {.shape = shape,
          .length = L,
          .up_invert = zu,
          .down_invert = zd,
          .coef_forward = 0.8,
          .coef_reverse = 0.7,
          .size = D,
          .span = B,
          .roughness = 0.015};
}

// A culvert flow that must not fail.
CulvertFlow flow(const Culvert& c, double transition, double h1, double h2) {
  Faults faults;
  const CulvertFlow f = culvert_flow(c, transition, h1, h2, 1, faults);
  EXPECT_TRUE(faults.empty());
  return f;
}

TEST(CulvertSection, RoundRectOvalGeometry) {
  const double pi = 3.1415926;
  CulvertSection half = culvert_section(CulvertShape::round, 0.5, 1.0, 0.0);
  EXPECT_NEAR(half.area, pi / 8.0, 1e-7);
  EXPECT_NEAR(half.top_width, 1.0, 1e-12);
  EXPECT_NEAR(half.perimeter, pi / 2.0, 1e-6);
  CulvertSection full = culvert_section(CulvertShape::round, 1.2, 1.0, 0.0);
  EXPECT_NEAR(full.area, pi / 4.0, 1e-12);
  EXPECT_EQ(full.top_width, 0.0);
  EXPECT_EQ(culvert_section(CulvertShape::round, -0.1, 1.0, 0.0).area, 0.0);
  CulvertSection rect = culvert_section(CulvertShape::rect, 0.4, 1.0, 2.0);
  EXPECT_DOUBLE_EQ(rect.area, 0.8);
  EXPECT_DOUBLE_EQ(rect.perimeter, 2.8);
  EXPECT_DOUBLE_EQ(culvert_section(CulvertShape::rect, 3.0, 1.0, 2.0).perimeter, 6.0);
  CulvertSection oval = culvert_section(CulvertShape::oval, 2.0, 1.0, 1.5);
  EXPECT_NEAR(oval.area, (0.450552317 + 0.850625935 - 0.0265118802 - 0.48046422) * 1.5, 1e-12);
  EXPECT_EQ(culvert_section(CulvertShape::oval, 0.0, 1.0, 1.5).area, 0.0);
}

TEST(CriticalDepth, RoundSatisfiesFroudeOneRectClosedFormOvalRefused) {
  for (double q : {0.05, 0.4, 1.5}) {
    const CriticalDepth yc = critical_depth(CulvertShape::round, q, 1.2, 0.0);
    ASSERT_EQ(yc.code, 0);
    const CulvertSection s = culvert_section(CulvertShape::round, yc.depth, 1.2, 0.0);
    EXPECT_NEAR(std::pow(s.area, 1.5) / std::sqrt(s.top_width), q / std::sqrt(9.81), 1e-7);
  }
  EXPECT_NEAR(critical_depth(CulvertShape::rect, 2.0, 1.0, 2.0).depth, std::cbrt(1.0 / 9.81),
              1e-12);
  EXPECT_EQ(critical_depth(CulvertShape::oval, 1.0, 1.0, 2.0).code, 123);
}

TEST(CulvertFlow, ZeroLengthIsAFailureNamingTheElement) {
  Faults faults;
  const CulvertFlow f = culvert_flow(culvert(0.0, 10.0, 9.9, 1.0), 0.0, 11.0, 9.0, 4, faults);
  EXPECT_TRUE(f.failed());
  ASSERT_EQ(faults.size(), 1u);
  EXPECT_EQ(faults[0].code, kCulvertNoLength);
  EXPECT_EQ(faults[0].item, 4);
}

TEST(CulvertFlow, DryInvertsGiveNoFlow) {
  const Culvert c = culvert(10.0, 10.0, 9.9, 1.0);
  const CulvertFlow f = flow(c, 0.0, 9.5, 9.0);
  EXPECT_EQ(f.q, 0.0);
  EXPECT_EQ(f.type, 0);
}

TEST(CulvertFlow, MirroredCulvertGivesNegatedFlow) {
  // Every regime: low headwater (inlet control, Brent), partly full, full barrel, high head.
  const double heads[][2] = {{10.6, 9.0}, {10.6, 10.3}, {12.5, 12.0}, {12.0, 9.5}, {11.2, 10.6}};
  for (CulvertShape shape : {CulvertShape::round, CulvertShape::rect}) {
    for (double L : {10.0, 80.0}) {
      const Culvert c = culvert(L, 10.0, 9.9, 1.0, 1.5, shape);
      Culvert m = c;
      std::swap(m.up_invert, m.down_invert);
      std::swap(m.coef_forward, m.coef_reverse);
      for (const auto& hh : heads) {
        const CulvertFlow fwd = flow(c, 0.9, hh[0], hh[1]);
        const CulvertFlow rev = flow(m, 0.9, hh[1], hh[0]);
        ASSERT_FALSE(fwd.failed());
        EXPECT_GT(fwd.q, 0.0) << L << " " << hh[0] << " " << hh[1];
        EXPECT_NEAR(rev.q, -fwd.q, 1e-9 * std::fabs(fwd.q)) << L << " " << hh[0];
        EXPECT_EQ(rev.type, -fwd.type);
      }
    }
  }
}

TEST(CulvertFlow, RegimesMatchTheirFormulas) {
  const Culvert c = culvert(10.0, 10.0, 9.9, 1.0);
  const double pi = 3.1415926;
  // Outlet submerged, full barrel, short: k = 1.
  const CulvertFlow full = flow(c, 0.9, 12.5, 12.0);
  EXPECT_EQ(full.type, 4);
  EXPECT_NEAR(full.q, 0.8 * pi / 4.0 * std::sqrt(2.0 * 9.81 * 0.5), 1e-12);
  // High head, free outfall: the smaller of inlet control and full flow.
  const CulvertFlow high = flow(c, 0.9, 12.0, 9.5);
  const double a = pi / 4.0;
  const double q5 = a * 0.8 * std::sqrt(19.62) * std::sqrt(2.0);
  const double q6 = a * 0.8 * std::sqrt(19.62 * (12.0 - 10.9));
  EXPECT_NEAR(high.q, std::min(q5, q6), 1e-12);
  EXPECT_EQ(high.type, q6 > q5 ? 5 : 6);
  // Low headwater, round: the root of the inlet critical-flow equation.
  const CulvertFlow low = flow(c, 0.9, 10.6, 9.0);
  EXPECT_EQ(low.type, 2);
  const double hw = 10.6 - 9.9, ratio = hw / 1.0;
  const double cc = (1.0 - ratio / 1.5) * 0.8 + ratio * 0.9 / 1.5;
  const double yc = critical_depth(CulvertShape::round, low.q, 1.0, 0.0).depth;
  const double ac = culvert_section(CulvertShape::round, yc, 1.0, 0.0).area;
  EXPECT_NEAR(low.q, ac * cc * std::sqrt(19.62) * std::sqrt(hw - yc), 1e-3);
  // Oval culverts pass nothing under low-headwater inlet control.
  EXPECT_EQ(flow(culvert(10.0, 10.0, 9.9, 1.0, 0.0, CulvertShape::oval), 0.9, 10.6, 9.0).q, 0.0);
}

TEST(CulvertFlow, TransitionCoefficientIsBounded) {
  for (CulvertShape shape : {CulvertShape::round, CulvertShape::rect}) {
    double transition = 0.0;
    Faults faults;
    ASSERT_TRUE(
        culvert_transition(culvert(10.0, 10.0, 9.9, 1.0, 1.5, shape), 1, 2, transition, faults));
    EXPECT_TRUE(faults.empty());
    EXPECT_GT(transition, 0.0);
    EXPECT_LE(transition, 1.0);
  }
}

// A failure in the first evaluation of the transition coefficient and in the last one are
// told apart by their link fault.
TEST(CulvertFlow, ElementFailuresEndWithTheLinkFault) {
  Faults faults;
  EXPECT_TRUE(culvert_element_flow(culvert(0.0, 10.0, 9.9, 1.0), 11.0, 9.0, 3, 7, faults).failed());
  ASSERT_EQ(faults.size(), 2u);
  EXPECT_EQ(faults[0].code, kCulvertNoLength);
  EXPECT_EQ(faults[1].code, kCulvertLinkFailedHigh);
  EXPECT_EQ(faults[1].link, 7);
  EXPECT_EQ(faults[1].item, 3);
}

// A headwater just above 0.01 m over a barrel without an outlet invert: the inlet-control
// equation has no sign change on its interval, so the root finder's fault comes first, then
// the culvert's, then the link's.
TEST(CulvertFlow, UnbracketedInletControlRootIsAChainOfFaults) {
  Culvert c = culvert(12.0, 50.45, 0.0, 0.9);
  c.slope = 0.004;
  c.coef_forward = c.coef_reverse = 0.6;
  Faults faults;
  EXPECT_TRUE(culvert_element_flow(c, 50.4125, 50.0, 2, 4, faults).failed());
  ASSERT_EQ(faults.size(), 3u);
  EXPECT_EQ(faults[0].code, kRootNotBracketed);
  EXPECT_EQ(faults[1].code, kCulvertRootNotBracketed);
  EXPECT_EQ(faults[1].item, 2);
  EXPECT_EQ(faults[2].code, kCulvertLinkFailed);
  EXPECT_EQ(faults[2].link, 4);
}

}  // namespace
}  // namespace torva
