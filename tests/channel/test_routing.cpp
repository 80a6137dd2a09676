// The routing kernel and the exchanges with land and aquifer: sub-steps, flows at junctions,
// lakes and the outlet, conservation, Manning's normal depth and the kinematic wave celerity.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "channel/channel_faults.hpp"
#include "channel/exchange.hpp"
#include "channel/structures.hpp"
#include "channel_fixture.hpp"
#include "frame/run_context.hpp"

namespace torva {
namespace {

using test::normal_depth;
using test::TestNet;

TEST(RoutingSubsteps, CourantNumberSplitsTheStep) {
  RouteReport rep;
  // c = (10 s / 100 m) * (1 m^3/s / 0.5 m^2) = 0.2, exactly the limit: the step halves.
  TestNet t(1, 4);
  t.channel(1, 4, 100.0, 10.0, 0.0, 1.0, 0.0, 0.03, 0);
  t.area(2, 1) = t.depth(2, 1) = 0.5;
  t.qp(2, 1) = 1.0;
  EXPECT_EQ(max_courant(t.net, 10.0), 0.2);
  t.opt.max_courant = 0.2;
  ASSERT_EQ(t.route(10.0, rep = {}), 0);
  EXPECT_EQ(rep.first_dt, 5.0);
  // Steady flow at 2.5 times the limit: three sub-steps of 1/3 s, whose floating-point
  // remainder must not become a fourth, failing one.
  TestNet u(1, 20);
  u.channel(1, 20, 1.0, 10.0, 0.001, 2.0, 0.0, 0.03, 0);
  u.fill(1, 0.5);
  for (int i = 1; i <= 20; ++i) u.qp(i, 1) = u.opt.head_inflow = u.conv(1, 1) * std::sqrt(0.001);
  u.opt.max_courant = max_courant(u.net, 1.0) / 2.5;
  ASSERT_EQ(u.route(1.0, rep = {}), 0);
  EXPECT_EQ(rep.substeps, 3);
  EXPECT_NEAR(rep.time_routed, 1.0, 1e-15);
  EXPECT_NEAR(rep.first_dt, 1.0 / 3.0, 1e-15);
}

TEST(RoutingFlows, ReverseSlopeAndLakes) {
  TestNet t(1, 3);
  t.channel(1, 3, 50.0, 10.0, 0.0, 2.0, 1.0, 0.03, 0);
  t.bel(3, 1) = 9.9;
  t.fill(1, 0.2);
  double w = 0.0;
  t.depth(2, 1) = 0.8;
  t.sec.at_depth(2, 1, 0.8, t.area(2, 1), t.conv(2, 1), w);
  Array2<double> q{"q"};
  q.allocate(4, 2);
  Faults faults;
  ASSERT_TRUE(evaluate_flows(t.net, t.sec, t.opt, t.scratch, t.area, q, 10.0, faults));
  // Water flows back up a flat bed with the conveyance of the node it leaves.
  EXPECT_NEAR(q(1, 1), -t.conv(2, 1) * std::sqrt((0.8 - 0.2) / 50.0), 1e-12);
  // A link ending in a lake: nothing flows while the lake stands higher.
  TestNet k(2, 4);
  k.channel(1, 4, 50.0, 10.0, 0.001, 2.0, 1.0, 0.03, 2);
  k.link(2) = {kLinkLake, 1, 0.0, 0, {1}, 12.0};
  k.fill(1, 0.5);
  ASSERT_TRUE(evaluate_flows(k.net, k.sec, k.opt, k.scratch, k.area, q, 10.0, faults));
  EXPECT_EQ(q(4, 1), 0.0);
  k.link(2).lake_wse = 9.0;
  ASSERT_TRUE(evaluate_flows(k.net, k.sec, k.opt, k.scratch, k.area, q, 10.0, faults));
  EXPECT_DOUBLE_EQ(q(4, 1), k.conv(4, 1) * std::sqrt((k.bel(4, 1) + 0.5 - 9.0) / 100.0));
}

// The kernel stops at a bad state with its fault, silent; the stage then prints its text.
TEST(RoutingFlows, BadStatesStopWithTheirFault) {
  const struct {
    double slope, dt;
    int node;  // where the bad state is put
    double depth, area;
    std::string text;
  } rows[] = {{-0.001, 10.0, 0, 0, 0,
               "The outlet slope is negative.  Make sure that the bed\n"
               "elevation of the most downstream node is lower than\n"
               "the bed elevation of the node just upstream from it.\nProgram stopped.\n"},
              {0.001, 10.0, 2, -0.1, 0,
               "in ex_flow_route 2, negative depth at link 1 node 2\nprogram stopped.\n"},
              {0.001, 10.0, 3, 0, NAN,
               "In ex_flow_route 1:  cross-sectional area is not a number at link 1 node 3\n"},
              {0.001, 0.0005, 0, 0, 0,
               "The channel routing time step is getting really small\nless than 1/1000 of a "
               "second\nReduce the model time step by a factor of 2 and try again.\n"
               "Program stopped.\n"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    TestNet t(1, 3);
    t.channel(1, 3, 50.0, 10.0, row.slope, 2.0, 1.0, 0.03, 0);
    if (row.slope < 0) t.fill(1, 0.3);
    if (row.node) t.depth(row.node, 1) = row.depth;
    if (row.node) t.area(row.node, 1) = row.area;
    RouteReport rep;
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(t.route(row.dt, rep), -1);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(rep.faults.size(), 1u);
    ::testing::internal::CaptureStdout();
    say_channel_faults(rep.faults);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), row.text);
    EXPECT_EQ(error_code().code, 0);
    // A NaN area leaves its node dry.
    EXPECT_TRUE(!std::isnan(row.area) || (t.area(3, 1) == 0 && t.yp(3, 1) == t.bel(3, 1)));
  }
}

TEST(RoutingAnalytic, FloodWaveTravelsAtFiveThirdsOfTheVelocity) {
  // Wide rectangle: kinematic celerity dQ/dA = 5/3 V.  The half-rise point of a 10 % rise
  // in inflow is timed at two stations 3 km apart.
  const double b = 200.0, n = 0.03, s = 0.001, q0 = 100.0, q1 = 110.0, dx = 100.0, dt = 20.0;
  const int nodes = 60, sa = 15, sb = 45;
  TestNet t(1, nodes);
  t.channel(1, nodes, dx, 100.0, s, b, 0.0, n, 0);
  t.fill(1, normal_depth(q0, b, 0.0, n, s));
  for (int i = 1; i <= nodes; ++i) t.qp(i, 1) = t.conv(i, 1) * std::sqrt(s);
  t.opt.head_inflow = q1;
  t.opt.max_courant = 0.5;
  const double half = 0.5 * (q0 + q1);
  double ta = -1.0, tb = -1.0, qa0 = q0, qb0 = q0;
  for (int step = 1; step <= 600 && tb < 0.0; ++step) {
    RouteReport rep;
    ASSERT_EQ(t.route(dt, rep), 0);
    const double qa = t.qp(sa, 1), qb = t.qp(sb, 1);
    if (ta < 0.0 && qa >= half) ta = dt * (step - (qa - half) / (qa - qa0));
    if (tb < 0.0 && qb >= half) tb = dt * (step - (qb - half) / (qb - qb0));
    qa0 = qa;
    qb0 = qb;
  }
  const double v = half / (b * normal_depth(half, b, 0.0, n, s));
  EXPECT_NEAR((sb - sa) * dx / (tb - ta), 5.0 / 3.0 * v, 0.10 * 5.0 / 3.0 * v);
}

struct Land {
  std::vector<double> depth, ground, inv_n;
  Land(int cells, double g) : depth(cells + 1, 0.0), ground(cells + 1, g), inv_n(cells + 1, 20.0) {}
  LandExchangeInput input(double dt, bool overbank, bool backwater) const {
    return {dt, 900.0, 30.0, overbank, backwater, ground, inv_n};
  }
};

TEST(LandExchange, WeirInflowAndItsLimit) {
  TestNet t(1, 3);
  t.channel(1, 3, 30.0, 10.0, 0.001, 2.0, 1.0, 0.03, 0);
  Land land(3, 11.0);
  land.depth[1] = 0.02;
  land.depth[2] = 2.0;  // would give more than it holds in the step: emptied
  LandExchangeVolumes vol;
  exchange_with_land({{1, 1, 1, 1.0}, {1, 2, 2, 1.0}}, land.input(10.0, false, false), t.net, t.sec,
                     land.depth, vol);
  const double q1 = 3.40978982734 * 30.0 * std::pow(0.02, 1.5);  // broad-crested weir, 30 m long
  EXPECT_NEAR(t.qlat(1, 1), q1 / 30.0, 1e-15);
  EXPECT_NEAR(land.depth[1], 0.02 - q1 * 10.0 / 900.0, 1e-15);
  EXPECT_EQ(land.depth[2], 0.0);
  EXPECT_NEAR(t.qlat(2, 1), 2.0 * 900.0 / 10.0 / 30.0, 1e-12);
  EXPECT_NEAR(vol.to_channel, (0.02 - land.depth[1]) * 900.0 + 2.0 * 900.0, 1e-10);
  EXPECT_EQ(villemonte_factor(0.0), 1.0);
  for (double r : {0.05, 0.25, 0.5, 0.77, 0.93})
    EXPECT_NEAR(villemonte_factor(r), std::pow(1.0 - r, 0.385), 0.01) << r;
}

TEST(LandExchange, OverbankBothWaysAndBackwater) {
  TestNet t(1, 3);
  t.channel(1, 3, 30.0, 10.0, 0.001, 2.0, 1.0, 0.03, 0);
  t.fill(1, 1.5);  // surface near 11.5 over cells at 11.0
  Land land(3, 11.0);
  land.depth[3] = 0.9;  // cell 3 stands above the channel
  const double store0 = t.area(1, 1) * 30.0;
  LandExchangeVolumes vol;
  exchange_with_land({{1, 1, 1, 1.0}, {1, 3, 3, 1.0}}, land.input(60.0, true, false), t.net, t.sec,
                     land.depth, vol);
  // Channel to cell 1 keeps the water and leaves the cell no higher than the channel.
  EXPECT_GT(vol.to_land, 0.0);
  EXPECT_NEAR(t.area(1, 1) * 30.0 + land.depth[1] * 900.0, store0, 1e-9);
  EXPECT_LE(11.0 + land.depth[1], t.yp(1, 1) + 1e-12);
  EXPECT_NEAR(vol.to_channel, t.qlat(3, 1) * 30.0 * 60.0, 1e-9);
  EXPECT_NEAR(land.depth[3], 0.9 - vol.to_channel / 900.0, 1e-12);
  // Backwater: a cell below the channel surface gives nothing, one above Manning flow, R = h.
  TestNet u(1, 2);
  u.channel(1, 2, 30.0, 10.0, 0.001, 2.0, 1.0, 0.03, 0);
  u.fill(1, 1.5);
  land.depth = {0.0, 0.2, 0.8};
  exchange_with_land({{1, 1, 1, 1.0}, {1, 2, 2, 1.0}}, land.input(1.0, false, true), u.net, u.sec,
                     land.depth, vol);
  EXPECT_EQ(u.qlat(1, 1), 0.0);
  EXPECT_EQ(land.depth[1], 0.2);
  EXPECT_NEAR(u.qlat(2, 1), std::sqrt((11.8 - u.yp(2, 1)) / 30.0) * std::cbrt(0.64) * 20.0 * 0.8,
              1e-12);
}

TEST(AquiferExchange, LosingAndGainingReaches) {
  TestNet t(1, 3);
  t.channel(1, 3, 30.0, 10.0, 0.0, 2.0, 1.0, 0.03, 0);
  t.net.a.qriv = &t.qriv;
  Array2<double> krb{"Krb"}, mrb{"Mrb"};
  krb.allocate(3, 1);
  mrb.allocate(3, 1);
  krb.fill(0.36);  // m/h
  mrb.fill(0.5);
  const double k = 0.36 / 3600.0 / 0.5;
  const std::vector<AquiferEntry> at{{1, 1, 1, 1.0}, {1, 2, 2, 1.0}, {1, 3, 3, 0.5}};
  const AquiferInput no_table{&krb, &mrb, {}, {}, {}};
  EXPECT_EQ(stream_aquifer_exchange(at, no_table, t.net, t.sec), 0);  // dry: skipped
  t.fill(1, 0.4);
  EXPECT_EQ(stream_aquifer_exchange(at, no_table, t.net, t.sec), 2);  // seepage over the perimeter
  EXPECT_NEAR(t.qriv(1, 1), -k * 0.4 * (2.0 + 0.8), 1e-15);
  EXPECT_NEAR(t.qriv(3, 1), -0.5 * k * 0.4 * 2.8, 1e-15);
  // A water table above the surface at cell 2: inflow over the width at gw - bel.
  const std::vector<double> gw{0, 9, 10.9, 9}, bottom{0, 0, 0, 0}, ground{0, 12, 12, 12};
  EXPECT_EQ(stream_aquifer_exchange(at, {&krb, &mrb, gw, bottom, ground}, t.net, t.sec), 1);
  EXPECT_NEAR(t.qriv(2, 1), k * (10.9 - 10.4) * (2.0 + 2.0 * 0.9), 1e-15);
}

}  // namespace
}  // namespace torva
