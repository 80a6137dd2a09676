#include <gtest/gtest.h>

#include <cmath>

#include "overland/low_spot_flow.hpp"
#include "overland/overland_boundary.hpp"

namespace torva {
namespace {

TEST(LowSpotFlow, WeirDischargeMovesWaterToTheLowerCell) {
  const std::vector<LowSpotLink> spots = {{1, 2, 0.5, 100.0}};
  std::vector<double> z = {0.0, 99.9, 99.95}, h = {0.0, 0.3, 0.15}, q(1);
  low_spot_flow(spots, 30.0, 1.0, z, h, q);  // surfaces 100.20 and 100.10 m
  const double expect = 1.48 * 15.0 * std::pow(0.2, 1.5);
  EXPECT_NEAR(q[0], 1.986, 5e-4);
  EXPECT_NEAR(q[0], expect, 1e-13);
  EXPECT_NEAR(h[1], 0.3 - expect / 900.0, 1e-15);
  EXPECT_NEAR(h[2], 0.15 + expect / 900.0, 1e-15);
  // The same spot seen from the lower cell.
  const std::vector<LowSpotLink> back = {{2, 1, 0.5, 100.0}};
  h = {0.0, 0.3, 0.15};
  low_spot_flow(back, 30.0, 1.0, z, h, q);
  EXPECT_NEAR(h[1], 0.3 - expect / 900.0, 1e-15);
}

TEST(LowSpotFlow, NothingBelowTheMillimetreThresholdOrUnderTheCrest) {
  const std::vector<LowSpotLink> spots = {{1, 2, 0.5, 100.0}};
  std::vector<double> z = {0.0, 100.0, 100.0}, h = {0.0, 0.1005, 0.1}, q(1, 9.0);
  low_spot_flow(spots, 30.0, 30.0, z, h, q);
  EXPECT_EQ(q[0], 0.0);
  EXPECT_EQ(h[1], 0.1005);
  h = {0.0, 0.0, 0.0};
  z = {0.0, 99.0, 99.5};  // both below the crest
  low_spot_flow(spots, 30.0, 30.0, z, h, q);
  EXPECT_EQ(q[0], 0.0);
}

TEST(LowSpotFlow, NeverTakesMoreThanTheHigherCellHolds) {
  const std::vector<LowSpotLink> spots = {{1, 2, 1.0, 100.0}};
  std::vector<double> z = {0.0, 101.9, 95.0}, h = {0.0, 0.1, 0.0}, q(1);
  low_spot_flow(spots, 10.0, 3600.0, z, h, q);
  EXPECT_EQ(h[1], 0.0);
  EXPECT_DOUBLE_EQ(h[2], 0.1);
  EXPECT_GT(q[0], 0.0);
}

TEST(OverlandBoundary, HeadSlopeAndFlowCells) {
  std::vector<int> type = {0, kHead, kHead, kSlope, kFlowSeries, kFlowSeries, 0};
  std::vector<double> value = {0.0, 10.5, 10.05, 0.01, 0.2, -1.0, 5.0};
  std::vector<double> z(7, 10.0), inv_n(7, 20.0), h = {0.0, 0.1, 0.2, 0.3, 0.0, 0.01, 0.4};
  const BoundaryVolumes v = apply_overland_boundary(type, value, z, inv_n, 10.0, 5.0, h);
  EXPECT_NEAR(h[1], 0.5, 1e-15);
  EXPECT_NEAR(v.head_gain, 0.4 * 100.0, 1e-12);
  EXPECT_NEAR(h[2], 0.05, 1e-15);
  EXPECT_NEAR(v.head_loss, 0.15 * 100.0, 1e-12);
  const double slope = std::pow(0.3, 5.0 / 3.0) * 20.0 * 0.1 * 10.0 * 5.0;
  EXPECT_NEAR(v.slope_loss, slope, 1e-12 * slope);
  EXPECT_NEAR(h[3], 0.3 - slope / 100.0, 1e-14);
  EXPECT_NEAR(h[4], 0.2 * 5.0 / 100.0, 1e-15);
  EXPECT_EQ(h[5], 0.0);  // a withdrawal takes only what is there
  EXPECT_NEAR(v.flow_in, 1.0 - 1.0, 1e-15);
  EXPECT_EQ(h[6], 0.4);
}

}  // namespace
}  // namespace torva
