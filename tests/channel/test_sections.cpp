// Cross-sections, weirs, culverts and the root finder against formulas worked by hand.
#include <gtest/gtest.h>

#include <cmath>

#include "channel/brent.hpp"
#include "channel/channel_faults.hpp"
#include "channel/channel_state.hpp"
#include "channel/culvert.hpp"
#include "channel/structures.hpp"
#include "channel/xsection.hpp"
#include "frame/run_context.hpp"

namespace torva {
namespace {

constexpr double kPi = 3.1415926;  // the value the culvert formulas use

XsecTable pairs(std::vector<std::pair<double, double>> xy, int m) {
  XsecTable t;
  t.npairs = static_cast<int>(xy.size());
  t.m = m;
  t.x = t.y = {0.0};
  for (auto [x, y] : xy) t.x.push_back(x), t.y.push_back(y);
  return t;
}

// One link of `nodes` nodes, every node of section kind `type`, arrays sized.
ChannelState one_link(int nodes, int type) {
  ChannelState ch;
  ch.links = 1;
  ch.maxnodes = nodes + 1;
  for (Array1<int>* a : {&ch.linktype, &ch.nodes, &ch.node_points}) a->allocate(1);
  for (Array1<double>* a : {&ch.dx, &ch.inv_n, &ch.mannings_n}) a->allocate(1);
  for (Array2<double>* a : {&ch.bel, &ch.yp, &ch.qp, &ch.chan_depth, &ch.area, &ch.conv, &ch.dconv,
                            &ch.topw, &ch.bottom, &ch.sslope, &ch.sslope2, &ch.bankfull_dep})
    a->allocate(nodes + 1, 1);
  ch.node_table.allocate(nodes + 1, 1);
  ch.linktype[1] = type;
  ch.nodes[1] = nodes;
  ch.node_points[1] = nodes + 1;
  ch.dx[1] = 10.0;
  ch.inv_n[1] = 25.0;
  return ch;
}

TEST(BreakpointTable, LevelsAndLookupsMatchTheGeometry) {
  XsecTable t = pairs({{0, 2}, {1, 0}, {2, 2}}, 2);  // a V 2 m deep and 2 m wide at its top
  int flat = 0;
  ASSERT_EQ(build_levels(t, 25.0, false, flat), 0);
  EXPECT_DOUBLE_EQ(t.xtw[1], 1.0);
  EXPECT_DOUBLE_EQ(t.xarea[2], 2.0);
  bool beyond = false;
  EXPECT_DOUBLE_EQ(table_at_depth(t, 1.5, beyond).area, 0.5 * (0.5 + 2.0));
  // Above the top the top width goes on; below the first level area grows as (d/dy)^(5/3).
  const SectionProps up = table_at_depth(t, 3.0, beyond);
  EXPECT_TRUE(beyond);
  EXPECT_DOUBLE_EQ(up.area, 2.0 + (2.0 - 0.5));
  EXPECT_DOUBLE_EQ(up.dconv, t.xk[2] - t.xk[1]);
  EXPECT_DOUBLE_EQ(table_at_depth(t, 0.3, beyond).area, 0.5 * std::pow(0.3, 5.0 / 3.0));
  // Two V channels apart at level 2 (y = 1), open at the left end.
  XsecTable w = pairs({{0, 0}, {1, 2}, {2, 1}, {3, 0}, {4, 2}}, 4);
  ASSERT_EQ(build_levels(w, 1.0, false, flat), 0);
  EXPECT_NEAR(w.xtw[2], 0.5 + 1.5, 1e-12);
  EXPECT_NEAR(w.xarea[2], 0.25 + 0.5 + 0.25, 1e-12);
}

TEST(TrapezoidSection, PropertiesByHandAndTheirDerivative) {
  const SectionProps p = trapezoid_at_depth(3.0, 2.0, 1.0, 30.0);
  EXPECT_DOUBLE_EQ(p.topw, 7.0);
  EXPECT_DOUBLE_EQ(p.area, 5.0);
  EXPECT_DOUBLE_EQ(p.perim, 3.0 + 2.0 * std::sqrt(5.0));
  const double h = 1e-6, fd = (trapezoid_at_depth(3.0, 2.0, 1.0 + h, 30.0).conv -
                               trapezoid_at_depth(3.0, 2.0, 1.0 - h, 30.0).conv) /
                              (2 * h);
  EXPECT_NEAR(p.dconv, fd, 1e-5 * fd);
  EXPECT_EQ(trapezoid_depth_of_area(0.0, 0.0, 0.0), 0.0);  // no division by a zero width
  // Compound: bank-full 1 m on slope 1, then slope 3.
  const SectionProps c = compound_at_depth(2.0, 1.0, 3.0, 1.0, 1.5, 25.0);
  EXPECT_DOUBLE_EQ(c.topw, 4.0 + 2.0 * 3.0 * 0.5);
  EXPECT_DOUBLE_EQ(c.area, 3.0 + 0.5 * 0.5 * (4.0 + c.topw));
  double d = 0.0;
  EXPECT_EQ(compound_depth_of_area(2.0, 1.0, 3.0, 1.0, c.area, d), 0);
  EXPECT_NEAR(d, 1.5, 1e-12);
}

// Areas from depths (direction 2) and depths back from those areas (direction 1) agree for
// every kind of section, up to and above a break-point table's top.
TEST(ExSection, DirectionOneInvertsDirectionTwo) {
  XsecTable bp = pairs({{0, 5}, {2, 3}, {3, 0.5}, {4, 0}, {6, 1}, {9, 4.5}}, 20);
  int flat = 0;
  ASSERT_EQ(build_levels(bp, 25.0, false, flat), 0);
  const struct {
    int type;
    double z, z2, max_depth;
  } rows[] = {{kLinkTrapezoid, 1.5, 0, 5},
              {kLinkTrapezoid, 0, 0, 5},
              {kLinkTrapezoid | kLinkCompound, 1, 6, 4},
              {kLinkBreakpoint, 0, 0, 7}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.type);
    ChannelState ch = one_link(4, row.type);
    ch.tables.t.push_back(bp);
    ch.bottom.fill(3.0);
    ch.sslope.fill(row.z);
    ch.sslope2.fill(row.z2);
    ch.bankfull_dep.fill(1.2);
    ch.node_table.fill(1);
    for (int k = 1; k <= 4; ++k) ch.bel(k, 1) = 100.0 - k;
    for (int step = 0; step <= 20; ++step) {
      const double d = row.max_depth * step / 20.0;
      for (int k = 1; k <= 4; ++k) ch.yp(k, 1) = ch.bel(k, 1) + d * k / 4;
      Faults faults;
      ASSERT_TRUE(ex_section(ch, 2, faults));
      Array2<double> a = ch.area;
      for (int k = 1; k <= 4; ++k) ch.yp(k, 1) = -99.0;
      ASSERT_TRUE(ex_section(ch, 1, faults, &a));
      ASSERT_TRUE(faults.empty());
      for (int k = 1; k <= 4; ++k) EXPECT_NEAR(ch.yp(k, 1), ch.bel(k, 1) + d * k / 4, 1e-10) << d;
    }
    EXPECT_EQ(ch.beyond_table, row.type == kLinkBreakpoint);
  }
}

TEST(ExSection, StopsAtTheFirstBadNodeAndCountsClippedWater) {
  ChannelState ch = one_link(2, kLinkTrapezoid);
  ch.bottom(1, 1) = ch.bottom(2, 1) = 1.0;
  ch.yp(2, 1) = -0.5;
  const auto stops = [&ch](int direction, int code, int node, bool result) {
    Faults f;
    EXPECT_EQ(ex_section(ch, direction, f), result);
    ASSERT_EQ(f.size(), 1u);
    EXPECT_EQ(f[0].code, code);
    EXPECT_EQ(f[0].link, 1);
    EXPECT_EQ(f[0].node, node);
  };
  stops(2, kSectionNegativeDepthTrapezoid, 2, false);
  ch.area(1, 1) = -0.00005;  // clipped to 0: the water so made is counted
  ch.area(2, 1) = -0.01;
  stops(1, kSectionNegativeAreaTrapezoid, 2, false);
  EXPECT_EQ(ch.area(1, 1), 0.0);
  EXPECT_NEAR(ch.clipped_volume, 0.00005 * 10.0, 1e-15);
  // A break-point node without a table stops from depths but not from areas.
  ch = one_link(1, kLinkBreakpoint);
  ch.node_table(1, 1) = 3;
  stops(2, kSectionNoTable, 1, false);
  stops(1, kSectionNoTable, 1, true);
}

TEST(Weir, FreeAndSubmergedFlowsAndDirection) {
  const double C = 0.6, L = 5.0;
  for (auto [h1, h2] : {std::pair{9.0, 8.5}, std::pair{10.0, 10.0}, std::pair{10.7, 10.7}})
    EXPECT_EQ(weir_flow(h1, h2, 10.0, L, C), 0.0) << h1 << " " << h2;
  // Free: Q = 2/3 C L sqrt(2g/3 hu^3); submerged once hd >= 2/3 hu: Q = C L hd sqrt(2g dh).
  const double free = 2.0 / 3.0 * C * L * std::sqrt(0.5 * 0.5 * 0.5 * 19.62 / 3.0);
  EXPECT_NEAR(weir_flow(10.5, 9.0, 10.0, L, C), free, 1e-12);
  EXPECT_NEAR(weir_flow(9.0, 10.5, 10.0, L, C), -free, 1e-12);
  EXPECT_NEAR(weir_flow(10.5, 10.45, 10.0, L, C), C * L * 0.45 * std::sqrt(19.62 * 0.05), 1e-12);
  // The linearised branch meets the square-root one at a difference of 0.01 m.
  EXPECT_NEAR(weir_flow(10.5, 10.49 + 1e-12, 10.0, L, C),
              weir_flow(10.5, 10.49 - 1e-12, 10.0, L, C), 1e-8);
  EXPECT_GT(weir_flow(10.5, 10.495, 10.0, L, C), 0.0);
  EXPECT_EQ(sag_weir_flow(4.0, 3.0, 5.0, 20.0, 0.6, -0.2, 0.3), 0.0);
  const double q1 = sag_weir_flow(5.3, 4.0, 5.0, 20.0, 0.6, -0.2, 0.3);
  EXPECT_GT(sag_weir_flow(5.6, 4.0, 5.0, 20.0, 0.6, -0.2, 0.3), q1);
  EXPECT_GT(q1, 0.0);
  EXPECT_DOUBLE_EQ(sag_weir_flow(4.0, 5.3, 5.0, 20.0, 0.6, -0.2, 0.3), -q1);
}

// A jump never meets the tolerance within two iterations.
TEST(Brent, GivesUpAfterItsIterations) {
  const BrentResult few = brent_root([](double x) { return x < 1.0 ? -1.0 : 1.0; }, 0, 3, 1e-12, 2);
  EXPECT_EQ(few.root, kStructureFailure);
  EXPECT_EQ(root_fault(few).code, kRootNoConvergence);
}

Culvert culvert(double L, double zu, double zd, double D, double B = 0.0,
                CulvertShape shape = CulvertShape::round) {
  return {shape, L, zu, zd, 0.0, 0.8, 0.7, D, B, 0.015};
}

CulvertFlow flow(const Culvert& c, double h1, double h2) {
  Faults faults;
  const CulvertFlow f = culvert_flow(c, 0.9, h1, h2, 1, faults);
  EXPECT_TRUE(faults.empty());
  return f;
}

TEST(Culvert, SectionsAndCriticalDepth) {
  const CulvertSection half = culvert_section(CulvertShape::round, 0.5, 1.0, 0.0);
  EXPECT_NEAR(half.area, kPi / 8.0, 1e-7);
  EXPECT_NEAR(half.top_width, 1.0, 1e-12);
  EXPECT_NEAR(half.perimeter, kPi / 2.0, 1e-6);
  EXPECT_NEAR(culvert_section(CulvertShape::round, 1.2, 1.0, 0.0).area, kPi / 4.0, 1e-12);
  EXPECT_EQ(culvert_section(CulvertShape::round, -0.1, 1.0, 0.0).area, 0.0);
  EXPECT_DOUBLE_EQ(culvert_section(CulvertShape::rect, 0.4, 1.0, 2.0).perimeter, 2.8);
  EXPECT_DOUBLE_EQ(culvert_section(CulvertShape::rect, 3.0, 1.0, 2.0).perimeter, 6.0);
  EXPECT_NEAR(culvert_section(CulvertShape::oval, 2.0, 1.0, 1.5).area,
              (0.450552317 + 0.850625935 - 0.0265118802 - 0.48046422) * 1.5, 1e-12);
  // Critical flow: Froude number 1, A^1.5 / sqrt(T) = Q / sqrt(g).
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

TEST(Culvert, RegimesMatchTheirFormulas) {
  const Culvert c = culvert(10.0, 10.0, 9.9, 1.0);
  const double a = kPi / 4.0;
  const CulvertFlow full = flow(c, 12.5, 12.0);  // outlet submerged, short full barrel
  EXPECT_EQ(full.type, 4);
  EXPECT_NEAR(full.q, 0.8 * a * std::sqrt(2.0 * 9.81 * 0.5), 1e-12);
  // High head, free outfall: the smaller of inlet control and full flow.
  const double q5 = a * 0.8 * std::sqrt(19.62) * std::sqrt(2.0),
               q6 = a * 0.8 * std::sqrt(19.62 * 1.1);
  const CulvertFlow high = flow(c, 12.0, 9.5);
  EXPECT_NEAR(high.q, std::min(q5, q6), 1e-12);
  EXPECT_EQ(high.type, q6 > q5 ? 5 : 6);
  // Low headwater: the root of the inlet critical-flow equation.
  const CulvertFlow low = flow(c, 10.6, 9.0);
  EXPECT_EQ(low.type, 2);
  const double hw = 0.7, cc = (1.0 - hw / 1.5) * 0.8 + hw * 0.9 / 1.5;
  const double yc = critical_depth(CulvertShape::round, low.q, 1.0, 0.0).depth;
  EXPECT_NEAR(
      low.q,
      culvert_section(CulvertShape::round, yc, 1.0, 0.0).area * cc * std::sqrt(19.62 * (hw - yc)),
      1e-3);
  // The mirrored barrel under swapped heads passes the same flows the other way.
  Culvert m = c;
  std::swap(m.up_invert, m.down_invert);
  std::swap(m.coef_forward, m.coef_reverse);
  EXPECT_NEAR(flow(m, 12.0, 12.5).q, -full.q, 1e-9);
  EXPECT_NEAR(flow(m, 9.5, 12.0).q, -high.q, 1e-9);
  EXPECT_NEAR(flow(m, 9.0, 10.6).q, -low.q, 1e-9);
  EXPECT_EQ(flow(c, 9.5, 9.0).q, 0.0);  // both below the inverts
  EXPECT_EQ(flow(culvert(10.0, 10.0, 9.9, 1.0, 0.0, CulvertShape::oval), 10.6, 9.0).q, 0.0);
}

// A headwater just above 0.01 m over a barrel without outlet invert has no inlet-control root:
// the root finder's fault, the culvert's, then the link's, which stops the run.
TEST(Culvert, UnbracketedRootEndsWithTheLinkFault) {
  Culvert c = culvert(12.0, 50.45, 0.0, 0.9);
  c.slope = 0.004;
  c.coef_forward = c.coef_reverse = 0.6;
  Faults f;
  EXPECT_TRUE(culvert_element_flow(c, 50.4125, 50.0, 3, 7, f).failed());
  ::testing::internal::CaptureStdout();
  say_channel_faults(f);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "Problem in ZBRENT root finder\nRoot must be bracketed\n"
            "Problem in zbrent (ex_flow_route.c). Hydraulic short culvert routine \n"
            "The flow cannot be determine in culvert number 3\nError in link number 7: ");
  EXPECT_EQ(error_code().code, 124);
  EXPECT_NE(error_code().stop, 0);
}

}  // namespace
}  // namespace torva
