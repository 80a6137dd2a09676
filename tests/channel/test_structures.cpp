// Weirs and the root finder.
#include <gtest/gtest.h>

#include <cmath>

#include "channel/brent.hpp"
#include "channel/structures.hpp"
#include "frame/run_context.hpp"

namespace torva {
namespace {

TEST(Weir, NoFlowBelowCrestOrAtEqualLevels) {
  EXPECT_EQ(weir_flow(9.0, 8.5, 10.0, 5.0, 0.6), 0.0);
  EXPECT_EQ(weir_flow(10.0, 10.0, 10.0, 5.0, 0.6), 0.0);
  EXPECT_EQ(weir_flow(10.7, 10.7, 10.0, 5.0, 0.6), 0.0);
}

TEST(Weir, FreeAndSubmergedFlowsAndDirection) {
  const double C = 0.6, L = 5.0;
  // Free flow over the crest: Q = 2/3 C L sqrt(2g/3 hu^3).
  const double hu = 0.5;
  EXPECT_NEAR(weir_flow(10.5, 9.0, 10.0, L, C),
              2.0 / 3.0 * C * L * std::sqrt(hu * hu * hu * 19.62 / 3.0), 1e-12);
  EXPECT_NEAR(weir_flow(9.0, 10.5, 10.0, L, C), -weir_flow(10.5, 9.0, 10.0, L, C), 1e-15);
  // Submerged: hd = 0.45 >= 2/3 * 0.5.
  EXPECT_NEAR(weir_flow(10.5, 10.45, 10.0, L, C), C * L * 0.45 * std::sqrt(19.62 * 0.05), 1e-12);
  // The linearised branch meets the square-root branch at a difference of 0.01 m.
  const double below = weir_flow(10.5, 10.49 + 1e-12, 10.0, L, C);
  const double above = weir_flow(10.5, 10.49 - 1e-12, 10.0, L, C);
  EXPECT_NEAR(below, above, 1e-8);
  EXPECT_GT(weir_flow(10.5, 10.495, 10.0, L, C), 0.0);
}

TEST(SagWeir, ZeroBelowCrestSignedAndGrowingWithHead) {
  EXPECT_EQ(sag_weir_flow(4.0, 3.0, 5.0, 20.0, 0.6, -0.2, 0.3), 0.0);
  const double q1 = sag_weir_flow(5.3, 4.0, 5.0, 20.0, 0.6, -0.2, 0.3);
  const double q2 = sag_weir_flow(5.6, 4.0, 5.0, 20.0, 0.6, -0.2, 0.3);
  EXPECT_GT(q1, 0.0);
  EXPECT_GT(q2, q1);
  EXPECT_DOUBLE_EQ(sag_weir_flow(4.0, 5.3, 5.0, 20.0, 0.6, -0.2, 0.3), -q1);
}

TEST(Brent, FindsBracketedRootAndReportsFailures) {
  const BrentResult r = brent_root([](double x) { return x * x - 2.0; }, 0.0001, 4.0, 1e-10);
  EXPECT_EQ(r.status, BrentStatus::ok);
  EXPECT_NEAR(r.root, std::sqrt(2.0), 6e-8 * 1.5 + 0.5e-10);
  EXPECT_LE(r.iterations, 100);

  EXPECT_FALSE(root_fault(r));

  const BrentResult bad = brent_root([](double x) { return x * x + 1.0; }, 0.0001, 4.0);
  EXPECT_EQ(bad.status, BrentStatus::not_bracketed);
  EXPECT_EQ(bad.root, kStructureFailure);
  EXPECT_EQ(root_fault(bad).code, kRootNotBracketed);

  // A function with a jump never satisfies the tolerance within two iterations.
  const BrentResult few =
      brent_root([](double x) { return x < 1.0 ? -1.0 : 1.0; }, 0.0, 3.0, 1e-12, 2);
  EXPECT_EQ(few.status, BrentStatus::no_convergence);
  EXPECT_EQ(few.root, kStructureFailure);
  EXPECT_EQ(root_fault(few).code, kRootNoConvergence);
}

}  // namespace
}  // namespace torva
