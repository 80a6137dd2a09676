#include <gtest/gtest.h>

#include <cmath>

#include "chan_test_util.hpp"
#include "channel/channel_state.hpp"
#include "channel/xsection.hpp"

namespace torva {
namespace {

using test::ChannelTest;
using test::make_network;

XsecTable pairs_table(std::vector<std::pair<double, double>> xy, int m) {
  XsecTable t;
  t.npairs = static_cast<int>(xy.size());
  t.m = m;
  t.x.assign(1, 0.0);
  t.y.assign(1, 0.0);
  for (auto [x, y] : xy) {
    t.x.push_back(x);
    t.y.push_back(y);
  }
  return t;
}

TEST(BreakpointLevels, VSectionHasHandComputedLevels) {
  XsecTable t = pairs_table({{0, 2}, {1, 0}, {2, 2}}, 2);
  int flat = 0;
  ASSERT_EQ(build_levels(t, 25.0, false, flat), 0);
  EXPECT_DOUBLE_EQ(t.dy, 1.0);
  EXPECT_DOUBLE_EQ(t.xtw[1], 1.0);
  EXPECT_DOUBLE_EQ(t.xarea[1], 0.5);
  EXPECT_DOUBLE_EQ(t.xp[1], 2.0 * std::sqrt(1.25));
  EXPECT_DOUBLE_EQ(t.xk[1], 25.0 * 0.5 * std::pow(0.5 / (2.0 * std::sqrt(1.25)), 2.0 / 3.0));
  // Full section: edges at the end points.
  EXPECT_DOUBLE_EQ(t.xtw[2], 2.0);
  EXPECT_DOUBLE_EQ(t.xarea[2], 2.0);
  EXPECT_DOUBLE_EQ(t.xp[2], 2.0 * std::sqrt(5.0));
  EXPECT_EQ(flat, 0);
}

TEST(BreakpointLevels, TwoChannelsAndOpenEnds) {
  // Two V channels separated by a bank at 1.5, water open at the left end below y1.
  XsecTable w = pairs_table({{0, 0}, {1, 2}, {2, 1}, {3, 0}, {4, 2}}, 4);
  int flat = 0;
  ASSERT_EQ(build_levels(w, 1.0, false, flat), 0);
  EXPECT_DOUBLE_EQ(w.dy, 0.5);
  // Level 2 (w = 1.0): left piece from x=0 to 0.5, right from 2 to 3.5.
  EXPECT_NEAR(w.xtw[2], 0.5 + 1.5, 1e-12);
  EXPECT_NEAR(w.xarea[2], 0.5 * 0.5 * 1.0 + 0.5 * 1.0 * 1.0 + 0.5 * 0.5 * 1.0, 1e-12);
}

TEST(BreakpointLevels, RangesOfLevelsDepthAndIslands) {
  int flat = 0;
  XsecTable deep = pairs_table({{0, 20}, {1, 0}, {2, 20}}, 10);
  EXPECT_EQ(build_levels(deep, 1.0, false, flat), 2);  // dy 2.0 above 1.0
  XsecTable none = pairs_table({{0, 2}, {1, 0}, {2, 2}}, 0);
  EXPECT_EQ(build_levels(none, 1.0, false, flat), 1);
  none.m = kMaxInterp + 1;
  EXPECT_EQ(build_levels(none, 1.0, false, flat), 1);

  auto saw = [](int teeth) {
    std::vector<std::pair<double, double>> xy{{0, 2}};
    for (int i = 0; i < teeth; ++i) {
      xy.push_back({2.0 * i + 1, 0});
      xy.push_back({2.0 * i + 2, 2});
    }
    return pairs_table(xy, 4);
  };
  XsecTable ok = saw(kMaxIslands);
  EXPECT_EQ(build_levels(ok, 1.0, false, flat), 0);
  XsecTable jagged = saw(kMaxIslands + 1);
  EXPECT_EQ(build_levels(jagged, 1.0, false, flat), 3);
}

TEST(BreakpointLookup, BeyondTheTopExtrapolatesAndFlags) {
  XsecTable t = pairs_table({{0, 2}, {1, 0}, {2, 2}}, 2);
  int flat = 0;
  ASSERT_EQ(build_levels(t, 25.0, false, flat), 0);
  bool beyond = false;
  SectionProps in = table_at_depth(t, 1.5, beyond);
  EXPECT_FALSE(beyond);
  EXPECT_DOUBLE_EQ(in.area, 0.5 * (0.5 + 2.0));
  SectionProps up = table_at_depth(t, 3.0, beyond);
  EXPECT_TRUE(beyond);
  EXPECT_DOUBLE_EQ(up.area, 2.0 + (2.0 - 0.5));
  EXPECT_DOUBLE_EQ(up.dconv, t.xk[2] - t.xk[1]);
  bool beyond2 = false;
  SectionProps back = table_at_area(t, up.area, beyond2);
  EXPECT_TRUE(beyond2);
  EXPECT_NEAR(back.depth, 3.0, 1e-12);
  // Below the first level: the (d/dy)^(5/3) law and its inverse.
  SectionProps low = table_at_depth(t, 0.3, beyond2);
  EXPECT_DOUBLE_EQ(low.area, 0.5 * std::pow(0.3, 5.0 / 3.0));
  EXPECT_NEAR(table_at_area(t, low.area, beyond2).depth, 0.3, 1e-12);
}

TEST(TrapezoidSection, ZeroAreaAndRectangle) {
  EXPECT_EQ(trapezoid_depth_of_area(2.0, 1.5, 0.0), 0.0);
  EXPECT_EQ(trapezoid_at_depth(2.0, 1.5, 0.0, 25.0).conv, 0.0);
  // Side slope 0 is a rectangle: d = A / b, no division by zero.
  EXPECT_DOUBLE_EQ(trapezoid_depth_of_area(4.0, 0.0, 6.0), 1.5);
  EXPECT_EQ(trapezoid_depth_of_area(0.0, 0.0, 0.0), 0.0);
  const SectionProps p = trapezoid_at_depth(3.0, 2.0, 1.0, 30.0);
  EXPECT_DOUBLE_EQ(p.topw, 7.0);
  EXPECT_DOUBLE_EQ(p.area, 5.0);
  EXPECT_DOUBLE_EQ(p.perim, 3.0 + 2.0 * std::sqrt(5.0));
  // dK/dd against a central difference.
  const double h = 1e-6;
  const double fd = (trapezoid_at_depth(3.0, 2.0, 1.0 + h, 30.0).conv -
                     trapezoid_at_depth(3.0, 2.0, 1.0 - h, 30.0).conv) /
                    (2 * h);
  EXPECT_NEAR(p.dconv, fd, 1e-5 * std::fabs(fd));
}

TEST(CompoundSection, AboveBankfullUsesSecondSlope) {
  const SectionProps p = compound_at_depth(2.0, 1.0, 3.0, 1.0, 1.5, 25.0);
  const double t_bf = 4.0;
  EXPECT_DOUBLE_EQ(p.topw, t_bf + 2.0 * 3.0 * 0.5);
  EXPECT_DOUBLE_EQ(p.area, 3.0 + 0.5 * 0.5 * (t_bf + p.topw));
  double d = 0.0;
  EXPECT_EQ(compound_depth_of_area(2.0, 1.0, 3.0, 1.0, p.area, d), 0);
  EXPECT_NEAR(d, 1.5, 1e-12);
  EXPECT_EQ(compound_depth_of_area(2.0, 0.0, 0.0, 1.0, 5.0, d), 0);  // rectangular both ways
  EXPECT_NEAR(d, 2.5, 1e-12);
}

class ExSection : public ChannelTest {};

// Direction 2 at many depths, then direction 1 from the areas, must give the depths back.
void expect_round_trip(ChannelState& ch, double max_depth) {
  const int n = ch.nodes[1];
  for (int step = 0; step <= 40; ++step) {
    const double d = max_depth * step / 40.0;
    for (int k = 1; k <= n; ++k) ch.yp(k, 1) = ch.bel(k, 1) + d * k / n;
    Faults faults;
    ASSERT_TRUE(ex_section(ch, 2, faults));
    Array2<double> a = ch.area;
    for (int k = 1; k <= n; ++k) ch.yp(k, 1) = -99.0;
    ASSERT_TRUE(ex_section(ch, 1, faults, &a));
    ASSERT_TRUE(faults.empty());
    for (int k = 1; k <= n; ++k) {
      EXPECT_NEAR(ch.chan_depth(k, 1), d * k / n, 1e-10) << "depth " << d << " node " << k;
      EXPECT_NEAR(ch.yp(k, 1), ch.bel(k, 1) + d * k / n, 1e-10);
    }
  }
}

TEST_F(ExSection, DirectionOneInvertsDirectionTwo) {
  for (double z : {1.5, 0.0}) {  // trapezoid and rectangle
    ChannelState ch;
    make_network(ch, 1, 4, kLinkTrapezoid);
    for (int k = 1; k <= 4; ++k) {
      ch.bottom(k, 1) = 3.0;
      ch.sslope(k, 1) = z;
      ch.bel(k, 1) = 100.0 - k;
    }
    expect_round_trip(ch, 5.0);
  }
  ChannelState cp;
  make_network(cp, 1, 4, kLinkTrapezoid | kLinkCompound);
  for (int k = 1; k <= 4; ++k) {
    cp.bottom(k, 1) = 2.0;
    cp.sslope(k, 1) = 1.0;
    cp.sslope2(k, 1) = 6.0;
    cp.bankfull_dep(k, 1) = 1.2;
  }
  expect_round_trip(cp, 4.0);

  ChannelState bp;
  make_network(bp, 1, 4, kLinkBreakpoint);
  XsecTable t = pairs_table({{0, 5}, {2, 3}, {3, 0.5}, {4, 0}, {6, 1}, {9, 4.5}}, 20);
  int flat = 0;
  ASSERT_EQ(build_levels(t, bp.inv_n[1], false, flat), 0);
  bp.tables.t.push_back(t);
  for (int k = 1; k <= 4; ++k) bp.node_table(k, 1) = 1;
  expect_round_trip(bp, 7.0);  // also above the table top (5 m)
  EXPECT_TRUE(bp.beyond_table);
}

// The fault that stopped an evaluation: code, link, node.
void expect_stop(const Faults& faults, int code, int link, int node) {
  ASSERT_EQ(faults.size(), 1u);
  EXPECT_EQ(faults[0].code, code);
  EXPECT_EQ(faults[0].link, link);
  EXPECT_EQ(faults[0].node, node);
}

TEST_F(ExSection, NegativeDepthAndAreaStop) {
  ChannelState ch;
  make_network(ch, 1, 2, kLinkTrapezoid);
  for (int k = 1; k <= 2; ++k) ch.bottom(k, 1) = 1.0;
  ch.yp(2, 1) = -0.5;
  Faults faults;
  EXPECT_FALSE(ex_section(ch, 2, faults));
  expect_stop(faults, kSectionNegativeDepthTrapezoid, 1, 2);

  ch.area(1, 1) = -0.00005;  // clipped, and the water created is counted
  ch.area(2, 1) = 0.0;
  faults.clear();
  ASSERT_TRUE(ex_section(ch, 1, faults));
  EXPECT_TRUE(faults.empty());
  EXPECT_EQ(ch.area(1, 1), 0.0);
  EXPECT_EQ(ch.chan_depth(1, 1), 0.0);
  EXPECT_EQ(ch.conv(1, 1), 0.0);
  EXPECT_NEAR(ch.clipped_volume, 0.00005 * 10.0, 1e-15);
  ch.area(2, 1) = -0.01;
  EXPECT_FALSE(ex_section(ch, 1, faults));
  expect_stop(faults, kSectionNegativeAreaTrapezoid, 1, 2);
}

// A node without a table stops the evaluation from depths, not the one from areas.
TEST_F(ExSection, MissingTableStopsOnlyFromDepths) {
  ChannelState ch;
  make_network(ch, 1, 1, kLinkBreakpoint);
  ch.node_table(1, 1) = 3;
  Faults faults;
  EXPECT_FALSE(ex_section(ch, 2, faults));
  expect_stop(faults, kSectionNoTable, 1, 1);
  faults.clear();
  EXPECT_TRUE(ex_section(ch, 1, faults));
  expect_stop(faults, kSectionNoTable, 1, 1);
}

TEST_F(ExSection, TablesBetweenTwoTableNodesAreInterpolated) {
  ChannelState ch;
  make_network(ch, 1, 3, kLinkBreakpoint);
  // Rectangles 2 m and 4 m wide, both 2 m deep: node 2 lies midway.
  XsecTable a = pairs_table({{0, 2}, {0, 0}, {2, 0}, {2, 2}}, 4);
  XsecTable b = pairs_table({{0, 2}, {0, 0}, {4, 0}, {4, 2}}, 4);
  a.node = 1;
  b.node = 3;
  a.link = b.link = 1;
  ch.tables.t.push_back(a);
  ch.tables.t.push_back(b);
  Faults faults;
  ASSERT_TRUE(build_link_sections(ch, 1, 1, 2, faults));
  EXPECT_TRUE(faults.empty());
  EXPECT_EQ(ch.node_table(1, 1), 1);
  EXPECT_EQ(ch.node_table(3, 1), 2);
  ASSERT_EQ(ch.node_table(2, 1), 3);
  const XsecTable& mid = ch.tables.t[3];
  for (int j = 1; j <= 4; ++j) {
    EXPECT_NEAR(mid.xarea[j], 0.5 * (ch.tables.t[1].xarea[j] + ch.tables.t[2].xarea[j]), 1e-12);
    EXPECT_NEAR(mid.xtw[j], 3.0, 1e-12);
  }
}

TEST_F(ExSection, DifferentPairAndLevelCountsWarn) {
  ChannelState ch;
  make_network(ch, 1, 2, kLinkBreakpoint);
  XsecTable a = pairs_table({{0, 2}, {1, 0}, {2, 2}}, 4);
  XsecTable b = pairs_table({{0, 2}, {1, 0}, {2, 2}, {3, 3}}, 8);
  a.node = 1;
  b.node = 2;
  ch.tables.t.push_back(a);
  ch.tables.t.push_back(b);
  Faults faults;
  ASSERT_TRUE(build_link_sections(ch, 1, 1, 2, faults));
  ASSERT_EQ(faults.size(), 2u);
  EXPECT_EQ(faults[0].code, kSectionPairsCutSecond);
  EXPECT_EQ(faults[0].link, 1);
  EXPECT_EQ(faults[0].value[0], 1.0);
  EXPECT_EQ(faults[1].code, kSectionInterpCountsDiffer);
  EXPECT_EQ(ch.tables.t[2].npairs, 3);
  EXPECT_EQ(ch.tables.t[1].m, 8);
}

TEST_F(ExSection, DeepSectionIsRefused) {
  ChannelState ch;
  make_network(ch, 1, 1, kLinkBreakpoint);
  ch.tables.t.push_back(pairs_table({{0, 20}, {1, 0}, {2, 20}}, 10));
  Faults faults;
  EXPECT_FALSE(build_link_sections(ch, 1, 1, 1, faults));
  ASSERT_EQ(faults.size(), 1u);
  EXPECT_EQ(faults[0].code, kSectionBadInterpDistance);
  EXPECT_EQ(faults[0].link, 1);
  EXPECT_EQ(faults[0].item, 1);
  EXPECT_EQ(faults[0].value[0], 2.0);
  EXPECT_EQ(faults[0].value[1], 10.0);
}

}  // namespace
}  // namespace torva
