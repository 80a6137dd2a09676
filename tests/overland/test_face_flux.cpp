#include <gtest/gtest.h>

#include <cmath>

#include "overland/face_flux.hpp"
#include "overland/outlet.hpp"
#include "test_grid.hpp"

namespace torva {
namespace {

using testing::TestGrid;

// Manning face discharge written the long way, with pow(), as the reference.
double reference_q(double d, double s, double n, double dx) {
  return (1.0 / n) * std::pow(d, 0.6666666666666666) * std::sqrt(std::fabs(s)) * d * dx;
}

TEST(FaceFlux, EqualSurfacesExchangeNothing) {
  TestGrid g(1, 2, 30.0);
  g.z = {0.0, 100.0, 99.5};
  g.h = {0.0, 0.2, 0.7};  // both surfaces at 100.2 m
  face_flux_x(g.view(), g.h, g.qx);
  EXPECT_EQ(g.qx[1], 0.0);
  EXPECT_EQ(g.qx[2], 0.0);  // no east neighbour
}

TEST(FaceFlux, DepthAtRetentionPassesNothingDownhill) {
  TestGrid g(1, 2, 30.0);
  g.z = {0.0, 101.0, 100.0};
  g.ret = {0.0, 0.004, 0.0};
  g.h = {0.0, 0.004, 0.0};
  face_flux_x(g.view(), g.h, g.qx);
  EXPECT_EQ(g.qx[1], 0.0);
}

TEST(FaceFlux, ManningDischargeOfTheWorkedExample) {
  // dx 30 m, n 0.1, S 0.01, 0.1 m above retention upwind.
  TestGrid g(2, 1, 30.0);
  g.set_rough(0.1);
  g.ret = {0.0, 0.02, 0.5};
  g.z = {0.0, 100.3, 100.0};
  g.h = {0.0, 0.12, 0.12};
  face_flux_y(g.view(), g.h, g.qy);
  EXPECT_NEAR(g.qy[1], 0.6463, 5e-5);
  EXPECT_NEAR(g.qy[1], reference_q(0.1, 0.01, 0.1, 30.0), 1e-13 * g.qy[1]);
  EXPECT_EQ(g.qy[2], 0.0);
}

TEST(FaceFlux, UphillFlowUsesTheUpwindCellAndIsNegative) {
  TestGrid g(1, 2, 10.0);
  g.z = {0.0, 10.0, 10.0};
  g.inv_n = {0.0, 1.0 / 0.02, 1.0 / 0.05};
  g.ret = {0.0, 0.0, 0.01};
  g.h = {0.0, 0.1, 0.31};  // S = -0.021
  face_flux_x(g.view(), g.h, g.qx);
  EXPECT_NEAR(g.qx[1], -reference_q(0.3, 0.021, 0.05, 10.0), 1e-13 * std::fabs(g.qx[1]));
}

TEST(FaceFlux, EastDikeBlocksOnlyTheEastFace) {
  TestGrid g(1, 3, 10.0);
  g.set_elevation([](int, int c) { return 10.0 - c; });
  g.h = {0.0, 0.5, 0.5, 0.5};
  g.dike[2] = 2;
  face_flux_x(g.view(true), g.h, g.qx);
  EXPECT_GT(g.qx[1], 0.0);  // west face of the diked cell
  EXPECT_EQ(g.qx[2], 0.0);  // its east face
  face_flux_x(g.view(false), g.h, g.qx);
  EXPECT_GT(g.qx[2], 0.0);  // without dikes simulated the face is open
  // A west dike drawn on the neighbour closes the same face.
  g.dike[2] = 0;
  g.dike[3] = 8;
  face_flux_x(g.view(true), g.h, g.qx);
  EXPECT_EQ(g.qx[2], 0.0);
  EXPECT_GT(g.qx[1], 0.0);
}

TEST(FaceFlux, SouthDikeBlocksTheSouthFace) {
  TestGrid g(2, 1, 10.0);
  g.set_elevation([](int r, int) { return 10.0 - r; });
  g.h = {0.0, 0.5, 0.5};
  g.dike[1] = 4 + 2;
  face_flux_y(g.view(true), g.h, g.qy);
  EXPECT_EQ(g.qy[1], 0.0);
}

TEST(FaceFlux, FastPowerAgreesWithPow) {
  double worst = 0.0;
  for (double d = 1e-9; d < 50.0; d *= 1.0137) {
    const double ref = std::pow(d, 0.6666666666666666) * d;
    worst = std::max(worst, std::fabs(pow_five_thirds(d) - ref) / ref);
  }
  EXPECT_LT(worst, 1e-13);
  // Far below any real depth the root stays finite and the flow negligible.
  for (double d : {1e-31, 1e-200, 4.9e-324}) {
    EXPECT_TRUE(std::isfinite(two_thirds_power(d)));
    EXPECT_LT(pow_five_thirds(d), 1e-50);
  }
}

TEST(Outlet, DrainsByManningOrEmptiesTheCell) {
  double h = 0.2;
  const double v = drain_outlet(h, 1.0 / 0.05, 0.01, 10.0, 5.0);
  const double expect = std::pow(0.2, 5.0 / 3.0) / 0.05 * 0.1 * 10.0 * 5.0;
  EXPECT_NEAR(v, expect, 1e-12 * expect);
  EXPECT_NEAR(h, 0.2 - expect / 100.0, 1e-15);
  double shallow = 0.001;
  EXPECT_DOUBLE_EQ(drain_outlet(shallow, 1.0 / 0.01, 1.0, 1.0, 1000.0), 0.001);
  EXPECT_EQ(shallow, 0.0);
  double dry = -1e-9;
  EXPECT_EQ(drain_outlet(dry, 10.0, 0.01, 10.0, 5.0), 0.0);
  EXPECT_EQ(dry, -1e-9);
}

TEST(Discharge, MapValueIsGridsizeTimesFlowMagnitude) {
  std::vector<double> qx = {0.0, 3.0, 0.0}, qy = {0.0, -4.0, 0.0}, out(3, 9.0);
  discharge_magnitude(30.0, qx, qy, out);
  EXPECT_DOUBLE_EQ(out[1], 150.0);
  EXPECT_EQ(out[2], 0.0);
}

}  // namespace
}  // namespace torva
