// The overland kernels against hand-computed values: Manning face fluxes, the outlet, the
// explicit and ADE steps, the water balance of every scheme, one against two threads, the
// kinematic-wave plane, low-spot weirs and boundary cells.
#include <gtest/gtest.h>
#include <omp.h>

#include <cmath>
#include <cstring>
#include <tuple>

#include "grids.hpp"
#include "overland/explicit_scheme.hpp"
#include "overland/face_flux.hpp"
#include "overland/low_spot_flow.hpp"
#include "overland/outlet.hpp"
#include "overland/overland_boundary.hpp"

namespace torva {
namespace {

using testing::TestGrid;
using V = std::vector<double>;

// Manning's law written the long way, with pow(): the discharge of a face dx wide.
double manning_q(double d, double s, double n, double dx) {
  return std::pow(d, 2.0 / 3.0) * d * std::sqrt(std::fabs(s)) * dx / n;
}

// Two cells, east-west or north-south, of dx m: elevations, depths, retentions, Manning n.
TestGrid pair(bool x_dir, double dx, const V& z, const V& h, const V& ret, const V& n) {
  TestGrid g(x_dir ? 1 : 2, x_dir ? 2 : 1, dx);
  g.z = {0, z[0], z[1]};
  g.h = {0, h[0], h[1]};
  g.ret = {0, ret[0], ret[1]};
  g.inv_n = {0, 1 / n[0], 1 / n[1]};
  return g;
}

// The face flux of the upwind cell above its retention; a dike closes its face when dikes
// are simulated, whichever of the two cells carries it.
TEST(FaceFlux, ManningDischargeFromTheUpwindCellAboveItsRetention) {
  using Row = std::tuple<bool, V, V, V, V, double, std::array<int, 3>, double>;
  const V n1 = {0.1, 0.1};
  const Row rows[] = {
      {true, {100, 99.5}, {0.2, 0.7}, {0, 0}, n1, 30, {}, 0.0},  // equal surfaces
      {true, {101, 100}, {0.004, 0}, {0.004, 0}, n1, 30, {}, 0.0},
      {false, {100.3, 100}, {0.12, 0.12}, {0.02, 0.5}, n1, 30, {}, manning_q(0.1, 0.01, 0.1, 30)},
      {true,
       {10, 10},
       {0.1, 0.31},
       {0, 0.01},
       {0.02, 0.05},
       10,
       {},
       -manning_q(0.3, 0.021, 0.05, 10)},
      {true, {10, 9}, {0.5, 0.5}, {0, 0}, n1, 10, {1, 2, 0}, 0.0},  // east side of cell 1
      {true, {10, 9}, {0.5, 0.5}, {0, 0}, n1, 10, {1, 0, 8}, 0.0},  // west side of cell 2
      {true, {10, 9}, {0.5, 0.5}, {0, 0}, n1, 10, {0, 2, 8}, manning_q(0.5, 0.1, 0.1, 10)},
      {false, {10, 9}, {0.5, 0.5}, {0, 0}, n1, 10, {1, 6, 0}, 0.0},  // south side of cell 1
  };
  for (const auto& [x_dir, z, h, ret, n, dx, dikes, expect] : rows) {
    SCOPED_TRACE(::testing::Message() << "h " << h[0] << " dikes " << dikes[1] << dikes[2]);
    TestGrid g = pair(x_dir, dx, z, h, ret, n);
    g.dike = {0, dikes[1], dikes[2]};
    std::vector<double>& q = x_dir ? g.qx : g.qy;
    (x_dir ? face_flux_x : face_flux_y)(g.view(dikes[0] == 1), g.h, q);
    EXPECT_NEAR(q[1], expect, 1e-13 * std::fabs(expect));
    EXPECT_EQ(q[2], 0.0);  // no neighbour on that side
  }
  EXPECT_NEAR(manning_q(0.1, 0.01, 0.1, 30), 0.6463, 5e-5);
}

TEST(FaceFlux, FastPowerAgreesWithPow) {
  double worst = 0.0;
  for (double d = 1e-9; d < 50.0; d *= 1.0137) {
    const double ref = std::pow(d, 2.0 / 3.0) * d;
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
  double h = 0.2, shallow = 0.001, dry = -1e-9;
  const double expect = manning_q(0.2, 0.01, 0.05, 10.0) * 5.0;
  EXPECT_NEAR(drain_outlet(h, 1.0 / 0.05, 0.01, 10.0, 5.0), expect, 1e-12 * expect);
  EXPECT_NEAR(h, 0.2 - expect / 100.0, 1e-15);
  EXPECT_DOUBLE_EQ(drain_outlet(shallow, 1.0 / 0.01, 1.0, 1.0, 1000.0), 0.001);
  EXPECT_EQ(shallow, 0.0);
  EXPECT_EQ(drain_outlet(dry, 10.0, 0.01, 10.0, 5.0), 0.0);
  EXPECT_EQ(dry, -1e-9);
}

// Unit-width flow over the water-surface slope from the upwind cell above its own retention;
// backflow takes the neighbour's depth over this cell's retention.  A dike on the east side
// (code 2, alone or with others) closes the face; a south dike (4) does not.
TEST(ExplicitFlux, UnitWidthManningFlowOverTheWaterSurfaceSlope) {
  using Row = std::tuple<double, V, V, double, int, double>;
  std::vector<Row> rows = {
      {10.2, {0.11, 0.06}, {0.01, 0.5}, 0.05, 0, manning_q(0.1, 0.02 + 0.005, 0.05, 1)},
      {10.0, {0.03, 0.23}, {0.02, 0}, 0.05, 0, -manning_q(0.21, 0.02, 0.05, 1)},
      {10.0, {0.05, 0.5}, {0.1, 0}, 0.1, 0, 0.0},  // retention above depth: nothing comes back
      {10.0, {0.05, 0.5}, {0, 0.5}, 0.1, 4, -manning_q(0.5, 0.045, 0.1, 1)},
  };
  for (int code : {2, 3, 6, 7, 10, 11, 14, 15})
    rows.push_back({10.0, {0.05, 0.5}, {0, 0}, 0.1, code, 0.0});
  for (const auto& [z1, h, ret, n, dike, expect] : rows) {
    SCOPED_TRACE(::testing::Message() << "h " << h[0] << " dike " << dike);
    TestGrid g(1, 2, 10.0);
    g.set_elevation([&](int, int c) { return c == 1 ? z1 : 10.0; });
    g.set_rough(n);
    g.ret = {0.0, ret[0], ret[1]};
    g.h = {0.0, h[0], h[1]};
    g.dike[1] = dike;
    explicit_flux(g.view(true), true, g.slope_x, g.h, g.qx);
    EXPECT_NEAR(g.qx[1], expect, 1e-13 * std::fabs(expect));
    EXPECT_EQ(g.qx[2], 0.0);
  }
}

// U = q dt / dx must stay under 0.06 m and the giving cell must not run dry; a sub-step under
// 0.01 s passes whatever it moves but raises the stop flag.
TEST(ExplicitCheck, FailsOnCelerityAndOnDrainingTheGivingCell) {
  for (auto [q, dt, fails, stop] : std::vector<std::tuple<double, double, int, int>>{
           {0.059, 1, 0, 0}, {0.06, 1, 1, 0}, {-0.05, 1, 1, 0}, {20.0, 0.005, 0, 1}}) {
    TestGrid g = pair(true, 1.0, {0, 0}, {0.5, 0.01}, {0, 0}, {0.1, 0.1});
    g.qx = {0.0, q, 0.0};
    int flag = 0;
    EXPECT_EQ(check_explicit_faces(g.view(), true, dt, g.h, g.qx, flag), fails) << q;
    EXPECT_EQ(flag, stop) << q;
  }
}

TEST(ExplicitStep, DividesByThreeFiveTimesThenContinues) {
  // Two cells where any sub-step above 0.005 s moves far too much water.
  TestGrid g = pair(true, 1.0, {1, 0}, {1, 0}, {0, 0}, {0.01, 0.01});
  g.set_elevation([](int, int c) { return c == 1 ? 1.0 : 0.0; });
  ExplicitControl ctl;
  StepResult r;
  route_explicit(g.view(), g.slope_x, g.slope_y, g.arrays(), 30.0, 1, {}, ctl, r);
  std::vector<Fault> notes;  // what became of the sub-step, not the failing faces
  for (const Fault& f : r.faults)
    if (f.code != kExplicitSplitX && f.code != kExplicitSplitY) notes.push_back(f);
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
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(first.value[i], (V{dh, dh, 1.0 - dh})[i], 1e-9);
  EXPECT_EQ(r.restarts, 5);
  EXPECT_DOUBLE_EQ(r.last_delta, 30.0 / 243.0);
  EXPECT_DOUBLE_EQ(ctl.reduced_dt, 30.0 / 243.0);
  EXPECT_EQ(ctl.hold, 4);
  EXPECT_NEAR(g.volume(), 1.0, 1e-13);
}

TEST(ExplicitStep, ReducedStepHoldsForFourStepsThenResets) {
  TestGrid g(1, 3, 10.0);
  g.h = {0.0, 0.001, 0.001, 0.001};
  ExplicitControl ctl{1.0, 4};
  StepResult r;
  for (int step = 0; step < 5; ++step) {
    route_explicit(g.view(), g.slope_x, g.slope_y, g.arrays(), 30.0, 1, {}, ctl, r);
    EXPECT_EQ(r.last_delta, step < 4 ? 1.0 : 30.0) << step;
    EXPECT_EQ(r.faults.size(), step < 4 ? 0u : 1u) << step;
  }
  EXPECT_EQ(r.faults[0].code, kExplicitStepReset);
  EXPECT_EQ(r.faults[0].value[0], 30.0);
  EXPECT_EQ(ctl.reduced_dt, 0.0);
}

// A sweep changes depths by (q from upstream - own q) delta / dx^2 and fails on negative
// depths beyond a tiny clipped overdraft (none under 0.001 s) and on a wet cell (over 1 mm)
// gaining more than half its depth in a sub-step of 0.01 s or more.
TEST(CheckSweep, AppliesUpstreamMinusOwnDischargeAndFailsOnBadDepths) {
  std::vector<int> up = {0, 0, 1, 2};
  V q = {0.0, 2.0, 1.0, 0.0}, h = {0.0, 1.0, 1.0, 1.0}, v(4, 0.0);
  double clip = 1.0;
  EXPECT_EQ(check_sweep(3, 10.0, 5.0, up, q, h, v, clip), 0);
  for (int k = 1; k <= 3; ++k) EXPECT_DOUBLE_EQ(h[k], (V{0, 1 - 0.1, 1 + 0.05, 1 + 0.05})[k]);
  EXPECT_DOUBLE_EQ(v[1], 10.0);
  EXPECT_EQ(clip, 0.0);
  // Outflow of 1 m^3/s over 1 s from 1 m^2 takes 1 m: a tiny overdraft is clipped.
  std::vector<int> alone = {0, 0};
  V out = {0.0, 1.0}, one = {0.0, 1.0 - 5e-7};
  EXPECT_EQ(check_sweep(1, 1.0, 1.0, alone, out, one, v, clip), 0);
  EXPECT_EQ(one[1], 0.0);
  EXPECT_NEAR(clip, 5e-7, 1e-15);
  using Row = std::tuple<std::vector<int>, V, V, double, int>;
  const Row rows[] = {
      {{0, 0}, {0, 1}, {0, 1 - 2e-6}, 1.0, 1},
      {{0, 0}, {0, 1}, {0, 0.0009 * (1 - 1e-9)}, 0.0009, 1},
      {{0, 0, 1}, {0, 0.0006, 0}, {0, 1, 0.0011}, 1.0, 1},
      {{0, 0, 1}, {0, 0.0006, 0}, {0, 1, 0.001}, 1.0, 0},
      {{0, 0, 1}, {0, 0.06, 0}, {0, 1, 0.0011}, 0.01, 0},
  };
  for (auto [up1, q1, h1, delta, fails] : rows) {
    V v1(h1.size(), 0.0);
    EXPECT_EQ(check_sweep(static_cast<int>(h1.size()) - 1, 1.0, delta, up1, q1, h1, v1, clip),
              fails)
        << h1.back() << " over " << delta;
  }
}

// Two cells where a 30 s and a 15 s sub-step raise the lower, wet cell by more than half its
// depth and 7.5 s does not; a depth no sub-step can mend stops below 0.001 s.
TEST(Ade, FailingSubStepsHalveUntilTheStepPassesOrFallsBelowOneMillisecond) {
  TestGrid g = pair(true, 1.0, {1, 0}, {1, 0.002}, {0, 0}, {1 / 7e-5, 1 / 7e-5});
  StepResult r;
  EXPECT_EQ(route_ade(g.view(), g.arrays(), 30.0, 1, {}, r), 0.0);
  EXPECT_EQ(r.restarts, 2);
  EXPECT_EQ(r.last_delta, 7.5);
  EXPECT_NEAR(g.volume(), 1.002, 1e-15);
  EXPECT_NEAR(g.vx[1], 30.0 * g.qx[1], 1e-15);
  EXPECT_GT(g.qx[1], 0.0);
  TestGrid bad = pair(true, 1.0, {0, 0}, {-0.5, 0.2}, {0, 0}, {0.1, 0.1});
  StepResult s;
  EXPECT_EQ(route_ade(bad.view(), bad.arrays(), 30.0, 1, {}, s), -1.0);
  ASSERT_EQ(s.faults.size(), 1u);
  EXPECT_EQ(s.faults[0].code, kAdeStepTooSmall);
  EXPECT_EQ(s.restarts, 14);  // 30 / 2^14 = 0.0018 s was the last tried
  EXPECT_DOUBLE_EQ(s.last_delta, 30.0 / 32768.0);
  EXPECT_EQ(bad.h, (V{0.0, -0.5, 0.2}));  // the step's start depths
}

enum class Scheme { kAde, kAdePc, kExplicit };

class Conservation : public ::testing::TestWithParam<Scheme> {
 protected:
  // One step of the scheme; returns the outlet volume and adds the clipped volume.
  double step(TestGrid& g, int t, const OutletDrain& out, double& clipped) {
    StepResult r;
    double v = 0.0;
    const int order = 1 + t % 2;
    if (GetParam() == Scheme::kAde) v = route_ade(g.view(), g.arrays(), 5.0, order, out, r);
    if (GetParam() == Scheme::kAdePc) v = route_ade_pc(g.view(), g.arrays(), 5.0, order, out);
    if (GetParam() == Scheme::kExplicit)
      v = route_explicit(g.view(), g.slope_x, g.slope_y, g.arrays(), 5.0, order, out, ctl_, r);
    clipped += r.clipped;
    return v;
  }
  ExplicitControl ctl_;
};

TEST_P(Conservation, DrainingBasinBalancesRainStorageAndOutflow) {
  // A tilted, masked basin with an outlet in its lowest corner.
  TestGrid g(7, 9, 10.0, [](int r, int c) { return !(r < 3 && c > 6) && !(r == 5 && c == 1); });
  g.set_elevation([](int r, int c) { return 0.02 * (7 - r) + 0.013 * c + 0.003 * ((r * c) % 3); });
  g.set_rough(0.04);
  for (int k = 1; k <= g.n; ++k) g.ret[k] = 0.0005 * (k % 4);
  const OutletDrain out{true, g.at(7, 1), 0.02};
  const double rain = 50.0 * 5.0 / 3600000.0;  // 50 mm/h over 5 s
  double outflow = 0.0, clipped = 0.0;
  for (int t = 0; t < 300; ++t) {
    for (int k = 1; k <= g.n; ++k) g.h[k] += t < 150 ? rain : 0.0;
    const double v = step(g, t, out, clipped);
    ASSERT_GE(v, 0.0);
    outflow += v;
  }
  const double rain_volume = 150 * rain * g.n * g.dx * g.dx;
  EXPECT_GT(outflow, 0.1 * rain_volume);
  EXPECT_NEAR(rain_volume + clipped, g.volume() + outflow, 1e-10 * rain_volume);
}

TEST_P(Conservation, SymmetricBasinGivesSymmetricDepths) {
  // A valley symmetric about its middle column, draining south at the middle.
  TestGrid g(8, 9, 10.0, [](int r, int c) { return !(r == 1 && (c == 1 || c == 9)); });
  g.set_elevation([](int r, int c) { return 0.04 * std::abs(c - 5) + 0.02 * (8 - r); });
  g.set_rough(0.05);
  double clipped = 0.0;
  for (int t = 0; t < 120; ++t) {
    for (int k = 1; k <= g.n; ++k) g.h[k] += t < 60 ? 30.0 * 5.0 / 3600000.0 : 0.0;
    step(g, t, {true, g.at(8, 5), 0.02}, clipped);
  }
  for (int k = 1; k <= g.n; ++k) EXPECT_NEAR(g.h[k], g.h[g.at(g.row[k], 10 - g.col[k])], 1e-12);
  EXPECT_GT(g.h[g.at(8, 5)], 0.0);
}

// Just above the size at which the cell loops go parallel, wet from the start so that the
// faces where the two threads' shares meet carry flow in every sweep; compared step by step.
TEST_P(Conservation, OneAndTwoThreadsGiveIdenticalDepths) {
  auto run = [&](int threads) {
    omp_set_num_threads(threads);
    ctl_ = {};
    TestGrid g(96, 96, 10.0);
    g.set_elevation([](int r, int c) { return 0.01 * r + 0.002 * ((r * 7 + c * 3) % 5); });
    g.set_rough(0.04);
    for (int k = 1; k <= g.n; ++k) g.h[k] = 0.005;
    EXPECT_GE(g.n, kParallelMinCells);
    V trace;
    double clipped = 0.0;
    for (int t = 0; t < 16; ++t) {
      for (int k = 1; k <= g.n; ++k) g.h[k] += 1e-5 * (1 + k % 3);
      step(g, t, {true, g.at(96, 48), 0.02}, clipped);
      trace.insert(trace.end(), g.h.begin(), g.h.end());
    }
    return trace;
  };
  const int saved = omp_get_max_threads();
  const V one = run(1), two = run(2);
  omp_set_num_threads(saved);
  ASSERT_EQ(one.size(), two.size());
  EXPECT_EQ(std::memcmp(one.data(), two.data(), one.size() * sizeof(double)), 0);
}

std::string scheme_name(const ::testing::TestParamInfo<Scheme>& info) {
  return info.param == Scheme::kAde ? "Ade" : info.param == Scheme::kAdePc ? "AdePc" : "Explicit";
}

INSTANTIATE_TEST_SUITE_P(AllSchemes, Conservation,
                         ::testing::Values(Scheme::kAde, Scheme::kAdePc, Scheme::kExplicit),
                         scheme_name);

// Uniform rain on a tilted plane one cell wide, draining at its lower end.  The kinematic
// wave (Eagleson 1970) gives the outflow per unit width q = a (r t)^m before the equilibrium
// time t_e = (L / (a r^(m-1)))^(1/m) and q = r L after, with a = sqrt(S0) / n, m = 5/3.  With
// 10 m cells the outlet cell's explicit drain needs steps well below its 17 s emptying time.
TEST(AdePlane, PlaneFollowsTheKinematicWave) {
  // slope, cells, n, rain (mm/h), dt, largest |q - q_kw| / (r L) allowed while rising
  using Row = std::tuple<double, int, double, double, double, double>;
  for (auto [slope, cells, n, mm_h, dt, rising] :
       {Row{0.05, 100, 0.05, 50.0, 5.0, 0.10}, Row{0.005, 60, 0.03, 20.0, 10.0, 1.0}}) {
    SCOPED_TRACE(slope);
    TestGrid g(1, cells, 10.0);
    g.set_elevation([&](int, int c) { return slope * 10.0 * (cells - c); });
    g.set_rough(n);
    const double r = mm_h / 3600000.0, length = cells * 10.0;
    const double a = std::sqrt(slope) / n, m = 5.0 / 3.0;
    const double t_e = std::pow(length / (a * std::pow(r, m - 1.0)), 1.0 / m);
    double q = 0.0, worst = 0.0;
    StepResult result;
    for (int k = 0; k < static_cast<int>(3.0 * t_e / dt); ++k) {
      for (int c = 1; c <= cells; ++c) g.h[c] += r * dt;
      q = route_ade(g.view(), g.arrays(), dt, 1 + k % 2, {true, cells, slope}, result) / (dt * 10);
      const double t = (k + 0.5) * dt;
      worst = std::max(worst, std::fabs(q - (t < t_e ? a * std::pow(r * t, m) : r * length)));
    }
    EXPECT_NEAR(q / (r * length), 1.0, 0.005);
    EXPECT_LT(worst / (r * length), rising);
  }
}

// Broad-crested weir Q = 1.48 w dx H^1.5 from the higher surface (either side may hold the
// spot), nothing under 1 mm or below the crest, never more than the higher cell holds.
TEST(LowSpotFlow, WeirMovesWaterFromTheHigherToTheLowerCell) {
  const double q = 1.48 * 15.0 * std::pow(0.2, 1.5), dh = q / 900.0;
  using Row = std::tuple<LowSpotLink, double, double, V, V, double, V>;  // q NaN: just > 0
  const Row rows[] = {
      {{1, 2, 0.5, 100.0}, 30, 1, {99.9, 99.95}, {0.3, 0.15}, q, {0.3 - dh, 0.15 + dh}},
      {{2, 1, 0.5, 100.0}, 30, 1, {99.9, 99.95}, {0.3, 0.15}, q, {0.3 - dh, 0.15 + dh}},
      {{1, 2, 0.5, 100.0}, 30, 30, {100, 100}, {0.1005, 0.1}, 0.0, {0.1005, 0.1}},
      {{1, 2, 0.5, 100.0}, 30, 30, {99, 99.5}, {0, 0}, 0.0, {0, 0}},
      {{1, 2, 1.0, 100.0}, 10, 3600, {101.9, 95}, {0.1, 0}, NAN, {0, 0.1}},
  };
  for (const auto& [spot, dx, dt, z, h, expect, after] : rows) {
    V zz = {0, z[0], z[1]}, hh = {0, h[0], h[1]}, out(1, 9.0);
    low_spot_flow(std::vector<LowSpotLink>{spot}, dx, dt, zz, hh, out);
    EXPECT_TRUE(std::isnan(expect) ? out[0] > 0 : std::fabs(out[0] - expect) < 1e-13) << out[0];
    EXPECT_NEAR(hh[1], after[0], 1e-15);
    EXPECT_NEAR(hh[2], after[1], 1e-15);
  }
  EXPECT_NEAR(q, 1.986, 5e-4);
}

TEST(OverlandBoundary, HeadSlopeAndFlowCells) {
  std::vector<int> type = {0, kHead, kHead, kSlope, kFlowSeries, kFlowSeries, 0};
  V value = {0.0, 10.5, 10.05, 0.01, 0.2, -1.0, 5.0};
  V z(7, 10.0), inv_n(7, 20.0), h = {0.0, 0.1, 0.2, 0.3, 0.0, 0.01, 0.4};
  const BoundaryVolumes v = apply_overland_boundary(type, value, z, inv_n, 10.0, 5.0, h);
  const double slope = manning_q(0.3, 0.01, 0.05, 10.0) * 5.0;
  // Heads set the depth, the slope drains by Manning, a withdrawal takes only what is there.
  const V after = {0.0, 0.5, 0.05, 0.3 - slope / 100.0, 0.2 * 5.0 / 100.0, 0.0, 0.4};
  for (int k = 1; k <= 6; ++k) EXPECT_NEAR(h[k], after[k], 1e-14) << k;
  EXPECT_NEAR(v.head_gain, 0.4 * 100.0, 1e-12);
  EXPECT_NEAR(v.head_loss, 0.15 * 100.0, 1e-12);
  EXPECT_NEAR(v.slope_loss, slope, 1e-12 * slope);
  EXPECT_NEAR(v.flow_in, 1.0 - 1.0, 1e-15);
}

}  // namespace
}  // namespace torva
