#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "overland/explicit_scheme.hpp"
#include "test_grid.hpp"

namespace torva {
namespace {

using testing::TestGrid;

// The faults that tell what became of the sub-step (not the failing faces).
std::vector<Fault> step_notes(const StepResult& r) {
  std::vector<Fault> out;
  for (const Fault& f : r.faults)
    if (f.code != kExplicitSplitX && f.code != kExplicitSplitY) out.push_back(f);
  return out;
}

// Two cells where any sub-step above 0.005 s moves far too much water.
TestGrid violent() {
  TestGrid g(1, 2, 1.0);
  g.set_elevation([](int, int c) { return c == 1 ? 1.0 : 0.0; });
  g.set_rough(0.01);
  g.h = {0.0, 1.0, 0.0};
  return g;
}

TEST(ExplicitFlux, UnitWidthManningFlowOverTheFrictionSlope) {
  TestGrid g(1, 2, 10.0);
  g.set_elevation([](int, int c) { return c == 1 ? 10.2 : 10.0; });  // slope 0.02
  g.set_rough(0.05);
  g.ret = {0.0, 0.01, 0.5};
  g.h = {0.0, 0.11, 0.06};
  explicit_flux(g.view(), true, g.slope_x, g.h, g.qx);
  const double s = 0.02 - (0.06 - 0.11) / 10.0 + 1e-30;
  const double expect = 20.0 * std::pow(0.1, 1.6666666666666667) * std::sqrt(s);
  EXPECT_NEAR(g.qx[1], expect, 1e-13 * expect);
  EXPECT_EQ(g.qx[2], 0.0);
}

TEST(ExplicitFlux, BackflowUsesTheNeighbourDepthAndTheCellsOwnRetention) {
  TestGrid g(1, 2, 10.0);
  g.set_rough(0.05);
  g.ret = {0.0, 0.02, 0.0};
  g.h = {0.0, 0.03, 0.23};  // flat ground, surface rises to the east
  explicit_flux(g.view(), true, g.slope_x, g.h, g.qx);
  const double s = -(0.23 - 0.03) / 10.0 + 1e-30;
  const double expect = -20.0 * std::pow(0.21, 1.6666666666666667) * std::sqrt(-s);
  EXPECT_NEAR(g.qx[1], expect, 1e-13 * std::fabs(expect));
}

TEST(ExplicitFlux, RetentionAboveDepthAndDikesBlockTheFace) {
  TestGrid g(1, 2, 10.0);
  g.ret = {0.0, 0.1, 0.0};
  g.h = {0.0, 0.05, 0.5};  // the neighbour is higher, yet nothing comes back
  explicit_flux(g.view(), true, g.slope_x, g.h, g.qx);
  EXPECT_EQ(g.qx[1], 0.0);
  g.ret[1] = 0.0;
  for (int code : {2, 3, 6, 7, 10, 11, 14, 15}) {
    g.dike[1] = code;
    explicit_flux(g.view(true), true, g.slope_x, g.h, g.qx);
    EXPECT_EQ(g.qx[1], 0.0) << code;
  }
  g.dike[1] = 4;
  explicit_flux(g.view(true), true, g.slope_x, g.h, g.qx);
  EXPECT_LT(g.qx[1], 0.0);
}

TEST(ExplicitCheck, FailsOnCelerityAndOnDrainingTheGivingCell) {
  TestGrid g(1, 2, 1.0);
  g.h = {0.0, 0.5, 0.01};
  int stop = 0;
  g.qx = {0.0, 0.059, 0.0};  // U just under 0.06 over 1 s
  EXPECT_EQ(check_explicit_faces(g.view(), true, 1.0, g.h, g.qx, stop), 0);
  g.qx[1] = 0.06;
  EXPECT_EQ(check_explicit_faces(g.view(), true, 1.0, g.h, g.qx, stop), 1);
  // 0.05 m back from a cell holding 0.01 m.
  g.qx[1] = -0.05;
  EXPECT_EQ(check_explicit_faces(g.view(), true, 1.0, g.h, g.qx, stop), 1);
  EXPECT_EQ(stop, 0);
  g.qx[1] = 20.0;
  EXPECT_EQ(check_explicit_faces(g.view(), true, 0.005, g.h, g.qx, stop), 0);
  EXPECT_EQ(stop, 1);
}

TEST(ExplicitStep, DividesByThreeFiveTimesThenContinues) {
  TestGrid g = violent();
  ExplicitControl ctl;
  StepResult r;
  const double before = g.volume();
  route_explicit(g.view(), g.slope_x, g.slope_y, g.arrays(), 30.0, 1, {}, ctl, r);
  const std::vector<Fault> notes = step_notes(r);
  ASSERT_EQ(notes.size(), 6u);
  for (int k = 0; k < 5; ++k) {
    EXPECT_EQ(notes[k].code, kExplicitStepDivided);
    EXPECT_DOUBLE_EQ(notes[k].value[0], 30.0 / std::pow(3.0, k + 1));
  }
  EXPECT_EQ(notes[5].code, kExplicitStepKept);
  // First the east face of cell 1 over 30 s: q = (1/0.01) 1^(5/3) sqrt(1 + 1/1) m^2/s.
  const double dh = 100.0 * std::sqrt(2.0) * 30.0;
  const Fault& first = r.faults.front();
  EXPECT_EQ(first.code, kExplicitSplitX);
  EXPECT_EQ(first.cell, 1);
  EXPECT_NEAR(first.value[0], dh, 1e-9);
  EXPECT_NEAR(first.value[1], dh, 1e-9);
  EXPECT_NEAR(first.value[2], 1.0 - dh, 1e-9);
  EXPECT_EQ(r.restarts, 5);
  EXPECT_DOUBLE_EQ(r.last_delta, 30.0 / 243.0);
  EXPECT_DOUBLE_EQ(ctl.reduced_dt, 30.0 / 243.0);
  EXPECT_EQ(ctl.hold, 4);
  EXPECT_NEAR(g.volume(), before, 1e-13);
}

TEST(ExplicitStep, ReducedStepHoldsForFourStepsThenResets) {
  TestGrid g(1, 3, 10.0);
  g.h = {0.0, 0.001, 0.001, 0.001};
  ExplicitControl ctl{1.0, 4};
  StepResult r;
  for (int step = 0; step < 4; ++step) {
    route_explicit(g.view(), g.slope_x, g.slope_y, g.arrays(), 30.0, 1, {}, ctl, r);
    EXPECT_TRUE(r.faults.empty());
    EXPECT_EQ(r.last_delta, 1.0);
  }
  route_explicit(g.view(), g.slope_x, g.slope_y, g.arrays(), 30.0, 1, {}, ctl, r);
  ASSERT_EQ(r.faults.size(), 1u);
  EXPECT_EQ(r.faults[0].code, kExplicitStepReset);
  EXPECT_EQ(r.faults[0].value[0], 30.0);
  EXPECT_EQ(r.last_delta, 30.0);
  EXPECT_EQ(ctl.reduced_dt, 0.0);
}

TEST(ExplicitStep, TinySubStepSetsTheStopFlagAndIsAccepted) {
  TestGrid g = violent();
  ExplicitControl ctl{0.004, 4};
  StepResult r;
  route_explicit(g.view(), g.slope_x, g.slope_y, g.arrays(), 0.02, 1, {}, ctl, r);
  EXPECT_TRUE(step_notes(r).empty());
  EXPECT_FALSE(r.faults.empty());  // the failing faces are still told
  EXPECT_EQ(r.restarts, 0);
}

}  // namespace
}  // namespace torva
