// Channel routing: sub-stepping, flow evaluation at junctions, lakes and the outlet,
// conservation, normal depth and wave celerity.
#include <gtest/gtest.h>

#include <cmath>

#include "channel/structures.hpp"
#include "frame/run_context.hpp"
#include "test_routing_net.hpp"

namespace torva {
namespace {

using testing_net::normal_depth;
using testing_net::TestNet;

// A call stopped by one fault, at (link, node).
void expect_stopped(int status, const RouteReport& rep, int code, int link = 0, int node = 0) {
  EXPECT_EQ(status, -1);
  ASSERT_EQ(rep.faults.size(), 1u);
  EXPECT_EQ(rep.faults[0].code, code);
  EXPECT_EQ(rep.faults[0].link, link);
  EXPECT_EQ(rep.faults[0].node, node);
}

TEST(RoutingSubsteps, DryNetworkKeepsTheWholeStep) {
  TestNet t(1, 10);
  t.channel(1, 10, 100.0, 100.0, 0.001, 5.0, 1.0, 0.03, 0);
  RouteReport rep;
  ASSERT_EQ(t.route(60.0, rep), 0);
  EXPECT_EQ(rep.substeps, 1);
  EXPECT_EQ(rep.first_dt, 60.0);
  EXPECT_EQ(rep.time_routed, 60.0);
}

TEST(RoutingSubsteps, CourantEqualToTheLimitHalvesTheStep) {
  TestNet t(1, 4);
  t.channel(1, 4, 100.0, 10.0, 0.0, 1.0, 0.0, 0.03, 0);
  // c = (10/100) * (1/0.5) = 0.2 exactly, the limit.
  t.area(2, 1) = 0.5;
  t.qp(2, 1) = 1.0;
  EXPECT_EQ(max_courant(t.net, 10.0), 0.2);
  t.opt.max_courant = 0.2;
  t.depth(2, 1) = 0.5;
  RouteReport rep;
  ASSERT_EQ(t.route(10.0, rep), 0);
  EXPECT_EQ(rep.first_dt, 5.0);
}

TEST(RoutingSubsteps, RoundingRemainderIsAbsorbedIntoTheLastSubstep) {
  // Steady flow with Courant about 2.5 times the limit: three sub-steps of 1/3 s whose
  // floating-point remainder (1e-16 s) must not become a fourth, failing sub-step.
  TestNet t(1, 20);
  t.channel(1, 20, 1.0, 10.0, 0.001, 2.0, 0.0, 0.03, 0);
  const double d = 0.5;
  t.fill(1, d);
  const double q = t.conv(1, 1) * std::sqrt(0.001);
  for (int i = 1; i <= 20; ++i) t.qp(i, 1) = q;
  t.opt.head_inflow = q;
  const double c1 = max_courant(t.net, 1.0);
  t.opt.max_courant = c1 / 2.5;
  RouteReport rep;
  ASSERT_EQ(t.route(1.0, rep), 0);
  EXPECT_EQ(rep.substeps, 3);
  EXPECT_NEAR(rep.time_routed, 1.0, 1e-15);
  EXPECT_NEAR(rep.first_dt, 1.0 / 3.0, 1e-15);
}

TEST(RoutingSubsteps, TooSmallAStepStopsSilently) {
  TestNet t(1, 4);
  t.channel(1, 4, 100.0, 10.0, 0.001, 1.0, 1.0, 0.03, 0);
  error_code() = ErrorCode{};
  testing::internal::CaptureStdout();
  RouteReport rep;
  const int status = t.route(0.0005, rep);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  expect_stopped(status, rep, kRouteStepTooSmall);
  EXPECT_EQ(error_code().code, 0);  // the stage posts the code
}

TEST(RoutingFlows, ReverseSlopeTakesTheDownstreamConveyance) {
  TestNet t(1, 3);
  t.channel(1, 3, 50.0, 10.0, 0.0, 2.0, 1.0, 0.03, 0);
  t.bel(3, 1) = 9.9;  // the outlet keeps a falling bed
  t.fill(1, 0.2);
  double w = 0.0;
  t.depth(2, 1) = 0.8;
  t.sec.at_depth(2, 1, 0.8, t.area(2, 1), t.conv(2, 1), w);
  Array2<double> q{"q"};
  q.allocate(3, 1);
  Faults faults;
  ASSERT_TRUE(evaluate_flows(t.net, t.sec, t.opt, t.scratch, t.area, q, 10.0, faults));
  const double s = (0.8 - 0.2) / 50.0;
  EXPECT_NEAR(q(1, 1), -t.conv(2, 1) * std::sqrt(s), 1e-12);
  EXPECT_LT(q(1, 1), 0.0);
  EXPECT_NEAR(q(2, 1), t.conv(2, 1) * std::sqrt((10.8 - 10.1) / 50.0), 1e-12);
}

TEST(RoutingFlows, LinkIntoAHigherLakeGivesNoFlow) {
  TestNet t(2, 4);
  t.channel(1, 4, 50.0, 10.0, 0.001, 2.0, 1.0, 0.03, 2);
  t.net.link[2].type = kLinkLake;
  t.net.link[2].nodes = 1;
  t.net.link[2].upstream = {1};
  t.fill(1, 0.5);
  Array2<double> q{"q"};
  q.allocate(4, 2);
  t.net.link[2].lake_wse = 12.0;
  Faults faults;
  ASSERT_TRUE(evaluate_flows(t.net, t.sec, t.opt, t.scratch, t.area, q, 10.0, faults));
  EXPECT_EQ(q(4, 1), 0.0);
  t.net.link[2].lake_wse = 9.0;
  ASSERT_TRUE(evaluate_flows(t.net, t.sec, t.opt, t.scratch, t.area, q, 10.0, faults));
  const double h = t.bel(4, 1) + 0.5;
  EXPECT_DOUBLE_EQ(q(4, 1), t.conv(4, 1) * std::sqrt((h - 9.0) / 100.0));
}

TEST(RoutingFlows, NegativeOutletSlopeStops) {
  TestNet t(1, 3);
  t.channel(1, 3, 50.0, 10.0, -0.001, 2.0, 1.0, 0.03, 0);
  t.fill(1, 0.3);
  RouteReport rep;
  expect_stopped(t.route(10.0, rep), rep, kRouteOutletSlope, 1);
}

TEST(RoutingFlows, NegativeDepthBeforeRoutingStops) {
  TestNet t(1, 3);
  t.channel(1, 3, 50.0, 10.0, 0.001, 2.0, 1.0, 0.03, 0);
  t.depth(2, 1) = -0.1;
  RouteReport rep;
  expect_stopped(t.route(10.0, rep), rep, kRouteNegativeDepth, 1, 2);
}

TEST(RoutingFlows, AreaThatIsNotANumberStopsWithTheNodeDry) {
  TestNet t(1, 3);
  t.channel(1, 3, 50.0, 10.0, 0.001, 2.0, 1.0, 0.03, 0);
  t.area(3, 1) = std::nan("");
  RouteReport rep;
  expect_stopped(t.route(10.0, rep), rep, kRouteAreaNotNumber, 1, 3);
  EXPECT_EQ(t.area(3, 1), 0.0);
  EXPECT_EQ(t.yp(3, 1), t.bel(3, 1));
}

// What the structure callback meets reaches the report in order: faults it goes on after,
// then the one with which it stops the call.
TEST(RoutingFlows, StructureFaultsReachTheReport) {
  for (const bool fatal : {false, true}) {
    SCOPED_TRACE(fatal);
    TestNet t(3, 4);
    t.channel(1, 4, 50.0, 10.0, 0.001, 2.0, 1.0, 0.03, 2);
    t.structure(2, 3, 1);
    t.channel(3, 4, 50.0, 9.0, 0.001, 2.0, 1.0, 0.03, 0, {2});
    t.fill(1, 0.3);
    t.opt.structure_flow = [fatal](int link, double, double, Faults& faults) {
      faults.push_back({.code = 1, .link = link});
      if (!fatal) return 0.0;
      faults.push_back({.code = 2, .link = link});
      return kStructureFailure;
    };
    RouteReport rep;
    const int status = t.route(10.0, rep);
    ASSERT_FALSE(rep.faults.empty());
    EXPECT_EQ(rep.faults[0].code, 1);
    EXPECT_EQ(rep.faults[0].link, 2);
    if (fatal) {
      EXPECT_EQ(status, -1);
      ASSERT_EQ(rep.faults.size(), 2u);
      EXPECT_EQ(rep.faults[1].code, 2);
    } else {
      EXPECT_EQ(status, 0);
      EXPECT_GT(rep.faults.size(), 1u);  // one per flow evaluation
      for (const Fault& f : rep.faults) EXPECT_EQ(f.code, 1);
    }
  }
}

// Two head links join; one passes a weir (structure link 3) first.  Lateral inflow, a point
// source and the head inflow all enter; storage change must equal inflow minus outflow.
TEST(RoutingConservation, NetworkWithStructureClosesToRoundOff) {
  TestNet t(4, 12);
  t.channel(1, 12, 80.0, 105.0, 0.002, 3.0, 1.5, 0.035, 3);
  t.structure(3, 4, 1);
  t.channel(2, 8, 60.0, 104.0, 0.003, 2.0, 1.0, 0.03, 4);
  t.channel(4, 10, 100.0, 102.0, 0.0015, 5.0, 2.0, 0.03, 0, {3, 2});
  t.bel.fill(0.0);
  t.channel(1, 12, 80.0, 105.0, 0.002, 3.0, 1.5, 0.035, 3);
  t.channel(2, 8, 60.0, 104.0, 0.003, 2.0, 1.0, 0.03, 4);
  t.channel(4, 10, 100.0, 102.0, 0.0015, 5.0, 2.0, 0.03, 0, {3, 2});
  const double crest = t.bel(12, 1) + 0.15;
  t.opt.structure_flow = [crest](int, double h1, double h2, Faults&) {
    return weir_flow(h1, h2, crest, 4.0, 0.6);
  };
  t.opt.head_inflow = 0.3;
  t.opt.max_courant = 0.5;
  for (int i = 1; i <= 12; ++i) t.qlat(i, 1) = 2e-4;
  for (int i = 1; i <= 8; ++i) t.qlat(i, 2) = 1e-4 * i;
  t.point(5, 4) = 0.7;
  t.fill(1, 0.05);
  t.fill(4, 0.1);
  const double v0 = channel_storage(t.net);
  RouteVolumes sum;
  for (int step = 0; step < 120; ++step) {
    RouteReport rep;
    ASSERT_EQ(t.route(30.0, rep), 0);
    sum.lateral += rep.volume.lateral;
    sum.point += rep.volume.point;
    sum.head += rep.volume.head;
    sum.outlet += rep.volume.outlet;
    sum.clipped += rep.volume.clipped;
  }
  const double v1 = channel_storage(t.net);
  const double in = sum.lateral + sum.point + sum.head + sum.clipped;
  EXPECT_GT(sum.outlet, 0.0);
  EXPECT_GT(t.qp(1, 3), 0.0);  // the weir passes water
  EXPECT_NEAR(sum.head, 2.0 * 0.3 * 120 * 30.0, 1e-9);
  EXPECT_NEAR(v1 - v0, in - sum.outlet, 1e-10 * (in + v0));
}

TEST(RoutingAnalytic, UniformFlowReachesManningNormalDepth) {
  const double q = 4.0, b = 3.0, z = 1.5, n = 0.03, s = 0.001;
  TestNet t(1, 60);
  t.channel(1, 60, 100.0, 100.0, s, b, z, n, 0);
  t.opt.head_inflow = q;
  t.opt.max_courant = 0.5;
  t.fill(1, 0.1);
  for (int step = 0; step < 600; ++step) {
    RouteReport rep;
    ASSERT_EQ(t.route(30.0, rep), 0);
  }
  const double yn = normal_depth(q, b, z, n, s);
  double worst = 0.0;
  for (int i : {10, 30, 50, 60}) {
    EXPECT_NEAR(t.depth(i, 1), yn, 0.005 * yn) << "node " << i;
    worst = std::max(worst, std::fabs(t.depth(i, 1) - yn) / yn);
  }
  RecordProperty("normal_depth_relative_error", std::to_string(worst));
  EXPECT_NEAR(t.qp(60, 1), q, 0.005 * q);
}

TEST(RoutingAnalytic, FloodWaveTravelsAtFiveThirdsOfTheVelocity) {
  // Wide rectangular channel: kinematic celerity dQ/dA = 5/3 V.  A 10 % rise in inflow is
  // followed to two stations 5 km apart; its half-rise point travels at the celerity.
  const double b = 200.0, n = 0.03, s = 0.001, q0 = 100.0, q1 = 110.0, dx = 100.0;
  const int nodes = 150;
  TestNet t(1, nodes);
  t.channel(1, nodes, dx, 100.0, s, b, 0.0, n, 0);
  const double y0 = normal_depth(q0, b, 0.0, n, s);
  t.fill(1, y0);
  for (int i = 1; i <= nodes; ++i) t.qp(i, 1) = t.conv(i, 1) * std::sqrt(s);
  t.opt.head_inflow = q1;
  t.opt.max_courant = 0.5;
  const int sa = 40, sb = 90;
  const double half = 0.5 * (q0 + q1);
  double ta = -1.0, tb = -1.0, time = 0.0, qa_prev = t.qp(sa, 1), qb_prev = t.qp(sb, 1);
  const double dt = 20.0;
  for (int step = 0; step < 1000 && tb < 0.0; ++step) {
    RouteReport rep;
    ASSERT_EQ(t.route(dt, rep), 0);
    time += dt;
    const double qa = t.qp(sa, 1), qb = t.qp(sb, 1);
    if (ta < 0.0 && qa >= half) ta = time - dt * (qa - half) / (qa - qa_prev);
    if (tb < 0.0 && qb >= half) tb = time - dt * (qb - half) / (qb - qb_prev);
    qa_prev = qa;
    qb_prev = qb;
  }
  ASSERT_GT(ta, 0.0);
  ASSERT_GT(tb, 0.0);
  const double celerity = (sb - sa) * dx / (tb - ta);
  const double ym = normal_depth(half, b, 0.0, n, s);
  const double v = half / (b * ym);
  EXPECT_NEAR(celerity, 5.0 / 3.0 * v, 0.10 * 5.0 / 3.0 * v);
  RecordProperty("celerity_ratio", std::to_string(celerity / v));
}

}  // namespace
}  // namespace torva
