// Overland flow and precipitation: kernels against hand-computed values, the grid and stage as
// the start-up and time loop drive them, whole runs of every rain source, the gage and radar files.
#include <gtest/gtest.h>
#include <omp.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <tuple>

#include "input/mapping_table.hpp"
#include "input/series.hpp"
#include "model/model_state.hpp"
#include "overland/ade_scheme.hpp"
#include "overland/connectivity.hpp"
#include "overland/dikes.hpp"
#include "overland/explicit_scheme.hpp"
#include "overland/low_spot_flow.hpp"
#include "overland/low_spots.hpp"
#include "overland/overland_boundary.hpp"
#include "overland/overland_stages.hpp"
#include "overland/precip_gage.hpp"
#include "overland/precip_radar.hpp"
#include "overland/rain.hpp"
#include "overland/slopes.hpp"
#include "support/project_run.hpp"
#include "support/reader_sweep.hpp"

namespace torva {
namespace {

using support::has;
using V = std::vector<double>;

const char* const kThreeGages =
    "EVENT \"storm of the day\"\nNRGAG 1\nNRPDS 3\nCOORD 5.0 25.0 \"the one gage\"\n"
    "GAGES 2026 6 1 12 0 0\nGAGES 2026 6 1 12 30 10\nGAGES 2026 6 1 13 30 5\n";
const char* const kHeader =
    "ncols 3\nnrows 2\nxllcorner 0\nyllcorner 0\ncellsize 10\nNODATA_value -9999\n";

// A small hand-made grid, cells numbered row by row, with loose arrays for the kernels.
struct TestGrid {
  int cols = 0, n = 0;
  double dx = 1.0;
  std::vector<int> east, west, north, south, dike;
  std::vector<double> z, inv_n, ret, slope_x, slope_y, h, saved, qx, qy, vx, vy;

  TestGrid(int rows, int cols_, double dx_)
      : cols(cols_), n(rows * cols_), dx(dx_), east(n + 1, 0) {
    west = north = south = dike = east;
    z.assign(n + 1, 0.0);
    inv_n.assign(n + 1, 10.0);
    ret = slope_x = slope_y = h = saved = qx = qy = vx = vy = z;
    for (int k = 1; k <= n; ++k) {
      const int c = (k - 1) % cols + 1;
      east[k] = c < cols ? k + 1 : 0;
      west[k] = c > 1 ? k - 1 : 0;
      north[k] = k > cols ? k - cols : 0;
      south[k] = k + cols <= n ? k + cols : 0;
    }
  }
  int at(int r, int c) const { return (r - 1) * cols + c; }
  void set_elevation(const std::function<double(int, int)>& f) {
    for (int k = 1; k <= n; ++k) z[k] = f((k - 1) / cols + 1, (k - 1) % cols + 1);
    ground_slopes(z, east, south, dx, slope_x, slope_y);
  }
  void set_rough(double manning_n) { inv_n.assign(n + 1, 1.0 / manning_n); }
  SurfaceView view(bool dikes = false) const {
    return {n,    dx,   z,     inv_n, ret,
            east, west, north, south, dikes ? std::span<const int>(dike) : std::span<const int>()};
  }
  OverlandArrays arrays() { return {h, saved, qx, qy, vx, vy}; }
  double volume() const {
    double v = 0.0;
    for (int k = 1; k <= n; ++k) v += h[k] * dx * dx;
    return v;
  }
};

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
  }
  EXPECT_NEAR(manning_q(0.1, 0.01, 0.1, 30), 0.6463, 5e-5);
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
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(first.value[i], (V{dh, dh, 1.0 - dh})[i], 1e-9);
  EXPECT_DOUBLE_EQ(ctl.reduced_dt, 30.0 / 243.0);
  EXPECT_EQ(ctl.hold, 4);
  EXPECT_NEAR(g.volume(), 1.0, 1e-13);
}

// Two cells where a 30 s and a 15 s sub-step raise the lower, wet cell by more than half its
// depth and 7.5 s does not; a depth no sub-step can mend stops below 0.001 s (the stage's
// message table holds what it says).
TEST(Ade, FailingSubStepsHalveUntilTheStepPassesOrFallsBelowOneMillisecond) {
  TestGrid g = pair(true, 1.0, {1, 0}, {1, 0.002}, {0, 0}, {1 / 7e-5, 1 / 7e-5});
  StepResult r;
  EXPECT_EQ(route_ade(g.view(), g.arrays(), 30.0, 1, {}, r), 0.0);
  EXPECT_EQ(r.last_delta, 7.5);
  EXPECT_NEAR(g.volume(), 1.002, 1e-15);
  EXPECT_NEAR(g.vx[1], 30.0 * g.qx[1], 1e-15);
  TestGrid bad = pair(true, 1.0, {0, 0}, {-0.5, 0.2}, {0, 0}, {0.1, 0.1});
  StepResult s;
  EXPECT_EQ(route_ade(bad.view(), bad.arrays(), 30.0, 1, {}, s), -1.0);
  EXPECT_EQ(s.restarts, 14);              // 30 / 2^14 = 0.0018 s was the last tried
  EXPECT_EQ(bad.h, (V{0.0, -0.5, 0.2}));  // the step's start depths
}

enum class Scheme { kAde, kAdePc, kExplicit };

class Conservation : public ::testing::TestWithParam<Scheme> {
 protected:
  // One step of the scheme; returns the outlet volume.
  double step(TestGrid& g, int t, const OutletDrain& out) {
    StepResult r;
    double v = 0.0;
    const int order = 1 + t % 2;
    if (GetParam() == Scheme::kAde) v = route_ade(g.view(), g.arrays(), 5.0, order, out, r);
    if (GetParam() == Scheme::kAdePc) v = route_ade_pc(g.view(), g.arrays(), 5.0, order, out);
    if (GetParam() == Scheme::kExplicit)
      v = route_explicit(g.view(), g.slope_x, g.slope_y, g.arrays(), 5.0, order, out, ctl_, r);
    return v;
  }
  ExplicitControl ctl_;
};

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
    for (int t = 0; t < 64; ++t) {
      for (int k = 1; k <= g.n; ++k) g.h[k] += 1e-5 * (1 + k % 3);
      step(g, t, {true, g.at(96, 48), 0.02});
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

// Lays rows of '1' (inside) and '0' into s.grid, elevations in cell order, and builds the neighbour
// tables and ground slopes as the start-up does.
inline void make_grid(ModelState& s, const std::vector<std::string>& rows, double dx,
                      const std::vector<double>& elev = {}) {
  GridState& g = s.grid;
  g.rows = static_cast<int>(rows.size());
  g.cols = static_cast<int>(rows.front().size());
  g.dx = dx;
  g.mask.allocate(g.rows + 1, g.cols + 1);
  for (const std::string& r : rows)
    g.ncells += static_cast<int>(std::count(r.begin(), r.end(), '1'));
  g.cell_row.allocate(g.ncells);
  g.cell_col.allocate(g.ncells);
  g.elevation.allocate(g.ncells);
  for (int r = 1, k = 0; r <= g.rows; ++r)
    for (int c = 1; c <= g.cols; ++c)
      if (rows[r - 1][c - 1] == '1') {
        g.mask(r, c) = ++k;
        g.cell_row[k] = r;
        g.cell_col[k] = c;
        if (static_cast<std::size_t>(k) <= elev.size()) g.elevation[k] = elev[k - 1];
      }
  s.run.quiet = true;
  build_connectivity(s);
  compute_ground_slopes(s);
}

// What a stage or reader said: exactly `expected`, or, when that starts with "...", a text
// that contains the rest.
inline void expect_said(const std::string& said, const std::string& expected) {
  if (expected.starts_with("...")) {
    EXPECT_NE(said.find(expected.substr(3)), std::string::npos) << said;
  } else {
    EXPECT_EQ(said, expected);
  }
}

// Neighbours east, west, north and south of each cell in turn, then slope_x and slope_y: a
// cell without an east neighbour copies slope_x of the cell numbered before it (cell 1 the
// empty slot 0), the last cell of a column takes slope_y from the cell above.
TEST(Connectivity, NeighboursAndSlopesFollowTheMaskAndGridEdges) {
  ModelState s;
  make_grid(s, {"110", "011"}, 10.0, {5, 4, 3, 1});
  const GridState& g = s.grid;
  std::vector<int> n;
  std::vector<double> sl;
  for (int k = 1; k <= g.ncells; ++k) {
    n.insert(n.end(), {g.east_cell[k], g.west_cell[k], g.north_cell[k], g.south_cell[k]});
    sl.insert(sl.end(), {s.connect.slope_x[k], s.connect.slope_y[k]});
  }
  EXPECT_EQ(n, (std::vector<int>{2, 0, 0, 0, 0, 1, 0, 3, 4, 0, 2, 0, 0, 3, 0, 0}));
  EXPECT_EQ(sl, (std::vector<double>{0.1, 0, 0.1, 0.1, 0.2, 0.1, 0.2, 0}));
}

// A low spot that runs along its dike rather than across it.
std::string along_message(int row, int col, const std::string& across, const std::string& along) {
  return "\nThe low spot you have specified in the grid at row " + std::to_string(row) + "  col " +
         std::to_string(col) +
         " does not\ncross the dike.  Rather, it runs _along_ the dike.  You specified flow\n"
         "at this low spot across the " +
         across + " boundary of the cell, while the dike\nis running in a different direction " +
         "than along the " + along + " of the cell.\nProgram terminated.\n";
}

// Low spots on a 2 x 2 grid, cells 1 2 / 3 4 at 1, 2, 3, 4 m, with the given dike side codes,
// checked by the connectivity stage in file order: what it prints (a leading "..." marks the
// telling part of a message) and code 4000 at the first fault; nothing for sound spots.
TEST(LowSpotCheck, FaultsAreNamedInTheirOwnWords) {
  constexpr int R = kSideRight, L = kSideLeft, T = kSideTop, B = kSideBottom;
  using Row = std::tuple<std::vector<LowSpot>, std::array<int, 4>, std::string>;
  const std::array<int, 4> dikes = {R, L, R, L};
  std::vector<Row> rows = {
      {{{1, 1, R, 1.5, 2.0}}, dikes, ""},  // widest, and level with the higher cell
      {{{1, 1, R, 1.50001, 5.0}},
       dikes,
       "\nThe fraction of the grid-size specified for the lowspot in the grid at\n"
       "row 1 col 1 is unreasonable, with a value of 1.500010.  Acceptable\n"
       " values range from 0.0 to 1.5.  Change the value.  Program terminated.\n"},
      {{{1, 1, R, -0.1, 5.0}}, dikes, "...is unreasonable, with a value of -0.100000."},
      {{{1, 1, R, 0.5, 9.0}, {1, 1, 3, 0.5, 5.0}},
       dikes,
       "\nThe low spot flow direction specified in row 1 col 1 in the file spots.txt\n"
       "is not valid.  The only possible directions are: 1- top boundary, 2- right\n"
       "boundary, 4- bottom boundary, or 8- left boundary.\n"
       "Edit your lowspot file and try again.  Program terminated.\n"},
      {{{1, 1, R, 0.5, 5.0}},
       {0, L, R, L},
       "\nYou have specified an overland flow dike in row 1 col 1\n"
       "There is no dike adjacent to this grid cell.  Program stopped.\n"},
      {{{1, 1, T, 0.5, 5.0}},
       dikes,
       "\nYou have specified a low spot on the top boundary of the grid\n"
       "cell at row 1 col 1.  Either the side you have specified is not on\n"
       "an overland flow dike, or the cell on the other side is out of the\n"
       "watershed.  Check your low spot file.  Program terminated.\n"},
      {{{1, 1, R, 0.5, 5.0}}, {R, 0, R, L}, "...on the right boundary of the grid\n"},
      {{{1, 2, L, 0.5, 1.5}},
       dikes,
       "\nThe elevation of the overland flow dike low spot you specified in the grid\n"
       "cell located at row 1 col 2 is 1.500000 m.  This elevation is lower than the\n"
       "elevation of the grid cell, which is 2.000000 m.  This situation is impossible.\n"
       "Please raise the low spot elevation to be greater than the grid cell elevation.\n"
       "Dike / low spot on left side of cell\nProgram terminated\n"},
      {{{1, 1, R, 0.5, 1.5}},
       dikes,
       "\nThe elevation of the overland flow dike low spot you specified in the grid\n"
       "cell located at row 1 col 1 is 1.500000 m.  This elevation is lower than the\n"
       "elevation of the grid cell on the other side of the dike, which is 2.000000 m.\n"
       "This situation is impossible.  Please raise the low spot elevation to be\n"
       "greater than the grid cell elevation.\nDike / low spot on right side of cell\n"
       "Program terminated\n"},
  };
  // Across each side the neighbour's code must hold the opposite side.
  using Side = std::tuple<int, int, int, int, int, const char*, const char*>;
  for (auto [row, col, side, neighbour, opposite, across, along] :
       {Side{2, 1, T, 1, B, "top", "top"}, Side{1, 1, R, 2, L, "right", "right side"},
        Side{1, 1, B, 3, T, "bottom", "bottom"}, Side{1, 2, L, 1, R, "left", "left side"}}) {
    std::array<int, 4> codes = dikes;
    codes[(row - 1) * 2 + col - 1] = 15;
    codes[neighbour - 1] = opposite;
    rows.push_back({{{row, col, side, 1.0, 9.0}}, codes, ""});
    codes[neighbour - 1] = 15 & ~opposite;
    rows.push_back({{{row, col, side, 1.0, 9.0}}, codes, along_message(row, col, across, along)});
  }
  for (auto [r, c] : {std::pair{0, 1}, {3, 1}, {1, -4}, {1, 99}})
    rows.push_back({{{r, c, R, 0.5, 9.0}},
                    dikes,
                    "\nThe low spot in row " + std::to_string(r) + " col " + std::to_string(c) +
                        " of the file spots.txt\nis not inside the watershed.  Edit your lowspot "
                        "file.  Program terminated.\n"});
  for (const auto& [spots, codes, message] : rows) {
    SCOPED_TRACE(::testing::PrintToString(codes) + message);
    error_code() = ErrorCode{};
    ModelState s;
    make_grid(s, {"11", "11"}, 10.0, {1.0, 2.0, 3.0, 4.0});
    s.settings.overland.lowspot_file = "spots.txt";
    s.connect.has_dikes = true;
    s.connect.low_spots = spots;
    s.connect.dike_code.allocate(4);
    for (int k = 1; k <= 4; ++k) s.connect.dike_code[k] = codes[k - 1];
    ::testing::internal::CaptureStdout();
    build_connectivity(s);
    expect_said(::testing::internal::GetCapturedStdout(), message);
    EXPECT_EQ(error_code().code, message.empty() ? 0 : 4000);
  }
}

using DikeFiles = support::ScratchTest<>;

TEST_F(DikeFiles, FilesAreReadOrTheirFaultNamed) {
  write("ls.txt", "lowspot\n# comment line\nSPOT 3 4 2 0.75 101.5\nspot,5,6,8,1.5,99\n");
  std::vector<LowSpot> spots;
  ASSERT_TRUE(read_lowspot_file(path("ls.txt"), spots));
  ASSERT_EQ(spots.size(), 2u);
  const LowSpot& a = spots[0];
  EXPECT_EQ(std::make_tuple(a.row, a.col, a.side, a.width, a.crest, a.working),
            std::make_tuple(3, 4, 2, 0.75, 101.5, 0.0));
  EXPECT_EQ(spots[1].side, 8);
  // Codes by cell; the categories are counted inside the mask only.
  ModelState s;
  make_grid(s, {"110", "011"}, 10.0);
  write("dike.map", support::raster(2, 3, 10.0, "2 8 5\n7\n2 2\n"));
  std::vector<int> codes(5, -1);
  ::testing::internal::CaptureStdout();
  ASSERT_TRUE(read_dike_codes(path("dike.map"), s.grid.mask, 2, 3, codes));
  const std::string map = path("dike.map");
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "reading dike map from file: " + map + "\nIn map " + map +
                " category 2 has 3 values\nIn map " + map + " category 8 has 1 values\n");
  EXPECT_EQ(codes, (std::vector<int>{-1, 2, 8, 2, 2}));
  // Faulty low-spot files (first rows) tell on the error stream, dike maps on the console.
  const std::pair<std::string, std::string> rows[] = {
      {"SPOT 1 1 2 0.5 3\n",
       "does not start with the LOWSPOT card.\nThe file format is invalid.  Program terminated.\n"},
      {"LOWSPOT\n\nnothing here\n",
       "Premature end-of-file in the lowspot input file.\n"
       "No SPOT cards encountered before end of file.\nProgram terminated.\n"},
      {"LOWSPOT\nSPOT 1 1 2\n", "needs row, column, side code, width fraction"},
      {support::raster(1, 2, 10.0, "1\n"), "Unexpected end of file"},  // the raster reader's
      {"none", "Can't open input dike mask file named: " + path("none") + "\n"},
  };
  for (const auto& [text, message] : rows) {
    SCOPED_TRACE(message);
    error_code() = ErrorCode{};
    const bool dike = has(text, "north:") || text == "none";
    if (text != "none") write("f.txt", text);
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(
        dike ? read_dike_codes(path(text == "none" ? "none" : "f.txt"), s.grid.mask, 1, 2, codes)
             : read_lowspot_file(path("f.txt"), spots));
    const std::string err = ::testing::internal::GetCapturedStderr();
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_TRUE(has(dike ? out : err, message)) << out << err;
    EXPECT_EQ(error_code().code, 4000);
  }
}

// A 4 x 5 basin of 10 m cells rising to the south-east, its outlet at the north-west corner,
// as the start-up stages leave it; with `bounds` the mapping table gives cell (4,1) a head of
// type `head_type`, cell (4,5) a friction slope and cell (1,5) an inflow series.
class OverlandStage : public support::ScratchTest<> {
 protected:
  std::unique_ptr<ModelState> state(int overtype, bool bounds = false, int head_type = 1) {
    write("bnd.idx", support::raster(4, 5, 10.0, "1 1 1 1 4\n1 1 1 1 1\n1 1 1 1 1\n2 1 1 1 3\n"));
    auto row = [](int id, const std::string& values) {
      std::string r = std::to_string(id);
      r.resize(86, ' ');  // ID in columns 1-6, description in 7-86
      return r + values + "\n";
    };
    write("tables.cmt",
          "TORVA_INDEX_MAP_TABLES\nINDEX_MAP bnd.idx Bounds\nOVERLAND_BOUNDARY Bounds\n"
          "NUM_IDS 4\nID  DESC  TYPE  VALUE\n" +
              row(1, "0 0") + row(2, std::to_string(head_type) + " 0.30") + row(3, "2 0.02") +
              row(4, "5 7"));
    auto s = std::make_unique<ModelState>();
    std::vector<double> elev;
    for (int r = 1; r <= 4; ++r)
      for (int c = 1; c <= 5; ++c) elev.push_back(0.03 * r + 0.02 * c);
    make_grid(*s, {"11111", "11111", "11111", "11111"}, 10.0, elev);
    s->grid.outlet_cell = 1;
    s->settings.overland.manning_n = 0.05;
    s->run.overland_scheme = overland_scheme(overtype);
    s->settings.site.outslope = 0.03;
    s->clock.dt = 10.0;
    s->clock.dt_days = 10.0 / kSecondsPerDay;
    s->clock.start_time = s->clock.current_time = 2451545.0;
    s->settings.maps.mapping_table = "tables.cmt";
    s->settings.maps.mapping_table_given = s->params.mapping_tables[kTableOverlandBoundary] =
        bounds;
    TimeSeries& ts = s->series.time_series.emplace_back();
    ts.name = "inflow";
    ts.times = {2451545.0, 2451546.0};
    ts.values = {0.01, 0.01};
    add_time_series_index(s->series, 7, &ts);
    ::testing::internal::CaptureStdout();
    stage_allocate_overland(*s);
    said_ = ::testing::internal::GetCapturedStdout();
    return s;
  }
  std::string said_;
};

// Every volume the stage moves reaches the ledger: rain and the boundary cells' gains against
// storage, the outlet and the boundary cells' losses.
class StageBalance : public OverlandStage, public ::testing::WithParamInterface<int> {};

TEST_P(StageBalance, OutletBoundariesAndLedgerCloseTheBalance) {
  const bool bounds = GetParam() == 2;  // ADE-PC diverges at the head cell at 10 s steps
  auto s = state(GetParam(), bounds);
  ASSERT_EQ(error_code().code, 0) << said_;
  for (int t = 0; t < 80; ++t) {
    for (int k = 1; k <= 20; ++k) s->overland.ov_depth[k] += t < 40 ? 2e-4 : 0.0;
    stage_overland(*s);
    s->clock.current_time += s->clock.dt_days;
  }
  const double rain = 40 * 2e-4 * 20 * 100.0;
  double storage = 0.0;
  for (int k = 1; k <= 20; ++k) storage += s->overland.ov_depth[k] * 100.0;
  const WaterLedger& l = s->ledger;
  EXPECT_GT(l.discharge, 0.0);
  EXPECT_EQ(l.head_boundary_gain > 0.0 && l.slope_boundary_loss > 0.0, bounds);
  EXPECT_NEAR(l.overland_point_sources, bounds ? 80 * 10.0 * 0.01 : 0.0, 1e-12);
  EXPECT_NEAR(rain + l.overland_clipped + l.head_boundary_gain + l.overland_point_sources,
              storage + l.discharge + l.head_boundary_loss + l.slope_boundary_loss, 1e-10 * rain);
  EXPECT_DOUBLE_EQ(s->event.outlet_q, s->overland.outlet_step_volume / 10.0);
}

INSTANTIATE_TEST_SUITE_P(Schemes, StageBalance, ::testing::Values(1, 2, 3));

// What a stage of the start-up or time loop says to a state changed by each row (a leading
// "..." marks a part of it) and its code.  One metre of water in an inner cell moves far more than
// 0.06 m over 10 s across both east-west faces, the west one first, q = 20 sqrt(0.002 +- 0.1)
// m^2/s: the explicit scheme tells each failing face and each new sub-step, and goes on.
TEST_F(OverlandStage, FaultsAndStepChangesAreToldInTheirOwnWords) {
  using Row = std::tuple<int, void (*)(ModelState&), void (*)(ModelState&), std::string, int>;
  write("one.gag", "");  // read to its end: no event 2
  const Row rows[] = {
      {2,
       [](ModelState& s) {
         s.grid.ncells = 0;
         s.run.quiet = false;
       },
       build_connectivity,
       "building cell to cell connectivity information\n\nError: the watershed mask must be read "
       "before the cell connectivity is built.\n",
       4000},
      {2, [](ModelState& s) { s.overland.ov_depth[7] = NAN; }, stage_depth_check,
       "A non-real number for water depth has been detected for overland cell 7\n", 4000},
      {2,
       [](ModelState& s) {
         s.event.precip_state = kRainRunning;
         s.run.rain_source = RainSource::gages;
         s.rain.rain_rate.allocate(20);
         s.overland.ov_depth[7] = NAN;
       },
       [](ModelState& s) { apply_rain(s, s.overland.ov_depth.slots()); },
       "A non-real number for water depth has been detected for overland cell 7 after applying "
       "rainfall\n",
       4000},
      {2,
       [](ModelState& s) {  // dry land, rain over, empty channels
         s.run.channel_method = ChannelMethod::diffusive_wave;
         s.event.precip_state = kRainEnded;
         s.ledger.precip = 1.0;
       },
       stage_overland, "Rainfall for this event has ended.\n", 0},
      {2,
       [](ModelState& s) {
         s.run.long_term = true;
         s.run.rain_source = RainSource::gages;
         s.rain.file.open("one.gag");
         s.event.event = 2;
       },
       stage_event_start,
       "Precip data for event 2 was not found in file: one.gag\nTORVA assumes this means all "
       "events have been simulated.\nProgram terminating normally.\n",
       0},
      {2, [](ModelState& s) { s.overland.ov_depth[7] = NAN; }, stage_overland,
       "A non-real overland flow water depth has been detected in cell 7 after applying "
       "overland boundary conditions and overland pumping.\n",
       4000},
      {2,
       [](ModelState& s) {
         s.overland.ov_depth.fill(0.01);
         s.overland.ov_depth[5] = -0.5;  // no sub-step makes this depth acceptable
       },
       stage_overland,
       "The ADE overland routing time step is getting really small\nless than 1/100 of a second\n"
       "Reduce the model time step by a factor of 2 and try again.\nProgram stopped.\n",
       4000},
      {2,
       [](ModelState& s) {
         s.params.rough.allocate(s.grid.ncells);
         s.params.rough.fill(0.05);
         s.params.rough[4] = 0.0;
       },
       stage_overland, "Overland Manning n=0 at grid cell 4.  Program terminating.\n", 4000},
      {1, [](ModelState& s) { s.overland.ov_depth[8] = 1.0; }, stage_overland,
       "...need to split...(x-dir) curr_du=6.387488, dhh=-6.387488, h[j]+dhh=-5.387488\n"
       "need to split...(x-dir) curr_du=6.260990, dhh=6.260990, h[j]+dhh=-5.260990\n"
       " *Changing overland time step to 3.33 seconds...\n",
       0},
  };
  for (const auto& [overtype, change, stage, said, code] : rows) {
    SCOPED_TRACE(said);
    error_code() = ErrorCode{};
    auto s = state(overtype);
    change(*s);
    ::testing::internal::CaptureStdout();
    stage(*s);
    expect_said(::testing::internal::GetCapturedStdout(), said);
    EXPECT_EQ(error_code().code, code);
  }
  error_code() = ErrorCode{};
  state(2, true, 7);
  EXPECT_TRUE(
      has(said_, "Invalid overland boundary type 7 in grid cell 16; the types are 0 to 5.\n"))
      << said_;
  EXPECT_EQ(error_code().code, 4000);
}

// Cell centres of a rows x cols grid of 10 m cells with its north-west corner at (0, 100).
struct Centres {
  std::vector<double> x{0.0}, y{0.0};
  Centres(int rows, int cols) {
    for (int r = 1; r <= rows; ++r)
      for (int c = 1; c <= cols; ++c) {
        x.push_back((c - 0.5) * 10.0);
        y.push_back(100.0 - (r - 0.5) * 10.0);
      }
  }
};

// Ties of nearest gages are left to the whole Thiessen run.
TEST(RainAssignment, InverseDistanceSquaredWeightsAndFarGagesFail) {
  // Cell 1 of a 2 x 2 grid is centred at (5, 95), cell 4 at (15, 85).
  const double w1 = 1.0 / 900.0, w2 = 1.0 / 1600.0;  // gages 30 m east and 40 m south
  const Centres c(2, 2);
  for (auto [gx, gy, v, cell, rate] : std::vector<std::tuple<V, V, V, int, double>>{
           {{0, 5000}, {0, -700}, {0, 7.25}, 3, 7.25},        // one gage: its value everywhere
           {{0, -300, 15}, {0, 900, 85}, {0, 1, 9}, 4, 9.0},  // a gage on the cell's centre
           {{0, 35, 5}, {0, 95, 55}, {0, 10, 20}, 1, (10 * w1 + 20 * w2) / (w1 + w2)}}) {
    V out(5, -1.0);
    assign_inverse_distance(c.x, c.y, gx, gy, v, 10.0, out);
    EXPECT_DOUBLE_EQ(out[cell], rate) << cell;
  }
  std::vector<int> nearest(5, 0);
  EXPECT_FALSE(find_nearest_gage(c.x, c.y, V{0, 1e6}, V{0, 0}, nearest));
}

// The cell loops run in parallel on large grids and their totals are summed in cell order,
// so one and two threads give the same bits.  Long loops make the two threads overlap.
TEST(RainKernels, BitIdenticalForOneAndTwoThreads) {
  const std::size_t n = 1 << 17;
  std::vector<double> rate(n + 1), storage(n + 1), coeff(n + 1), gx{0}, gy{0}, v{0};
  for (std::size_t k = 1; k <= n; ++k) {
    rate[k] = 3.0 + std::fmod(k * 0.37, 40.0);
    storage[k] = std::fmod(k * 0.011, 1.3);
    coeff[k] = std::fmod(k * 0.003, 1.0);
  }
  for (int g = 1; g <= 7; ++g) {
    gx.push_back(37.0 * g);
    gy.push_back(100.0 - 53.0 * g);
    v.push_back(1.5 * g);
  }
  const Centres c(40, 60);
  auto run = [&](int threads) {
    omp_set_num_threads(threads);
    std::vector<double> used(n + 1, 0.0), net(used), caught(used), depth(used), idw(c.x.size());
    std::vector<int> near(c.x.size());
    depth[7777] = std::nan("");
    depth[9000] = std::numeric_limits<double>::infinity();
    int bad = -1;
    std::vector<double> totals;
    for (int step = 0; step < 8; ++step) {
      totals.push_back(intercept(rate, storage, coeff, 1.0, 30.0, used, net, caught));
      totals.push_back(add_rain(net, 30.0, depth, bad));
    }
    EXPECT_EQ(bad, 7777);  // the lowest cell that is not a number
    assign_inverse_distance(c.x, c.y, gx, gy, v, 10.0, idw);
    find_nearest_gage(c.x, c.y, gx, gy, near);
    return std::make_tuple(totals, used, net, idw, near);
  };
  const int saved = omp_get_max_threads();
  const auto one = run(1), two = run(2);
  omp_set_num_threads(saved);
  EXPECT_TRUE(one == two);  // totals, storage used, net rates, interpolated rates, nearest gages
}

TEST(Interception, SeasonalDivisorByMonthAndLatitude) {
  EXPECT_EQ(interception_divisor(false, 1, 50.0), 1.0);
  const double low[] = {0, 4, 4, 4, 2.5, 1, 1, 1, 1, 1, 2.5, 4, 4};
  const double high[] = {0, 4, 4, 4, 4, 3, 2, 1, 1, 1, 2.5, 4, 4};
  for (int m = 1; m <= 12; ++m) {
    EXPECT_EQ(interception_divisor(true, m, 36.9), low[m]) << m;
    EXPECT_EQ(interception_divisor(true, m, 37.0), high[m]) << m;
  }
}

// Whole runs on a basin of 10 m cells starting 2026-06-01 12:00; rates are mm/h.
using PrecipRuns = support::ProjectRunTest<>;

// The total rain of each run by hand: uniform 50 mm/h for 20 min; the gage's 10 mm in half
// an hour then 5 mm in an hour, as depths or accumulated; cards match on four letters in any
// case and counts come in either order; of records within one 5 min step the latest holds (1 mm/h
// for 5 min, 3 for 25); Thiessen: the three cells nearer the south-east gage (8 mm/h) and
// the diagonal's ties to the lower gage number (3 mm/h); radar: 1 in/h over 6 cells for
// 10 min, then 0.5 in/h over five and 2 in/h over one.  Interception catches the 2 mm of its
// storage, then 0.2 of the rest; the ledger's precipitation is what passes.
TEST_F(PrecipRuns, TotalRainOfEachSourceByHand) {
  write("ra.asc", std::string(kHeader) + "1 1 1\n1 1 1\n");
  write("rb.asc", std::string(kHeader) + "0.5 0.5 0.5\n0.5 0.5 2\n");
  write("store.map", support::raster_uniform(3, 3, 10.0, 2.0));
  write("coeff.map", support::raster_uniform(3, 3, 10.0, 0.2));
  const double caught = (2.0 + 0.2 * (50.0 / 3 - 2.0)) * 0.9;
  // rows, columns, minutes, gage file, more cards, rain that passes and rain caught (m^3)
  const std::tuple<int, int, int, std::string, std::string, double, double> rows[] = {
      {3, 3, 60, "", "", 50.0 * 20 / 60 * 0.9, 0.0},
      {3, 3, 60, "",
       "INTERCEPTION\nSTORAGE_CAPACITY " + path("store.map") + "\nINTERCEPTION_COEFF " +
           path("coeff.map") + "\n",
       50.0 * 20 / 60 * 0.9 - caught, caught},
      {3, 3, 120, kThreeGages, "", (10.0 + 5.0) * 0.9, 0.0},
      {3, 3, 120,
       "EVENT a\nNRGAG 1 NRPDS 3\nCOORD 0 0 g\nACCUM 2026 6 1 12 0 0\nACCUM 2026 6 1 12 30 10\n"
       "ACCUM 2026 6 1 13 30 15\n",
       "", (10.0 + 5.0) * 0.9, 0.0},
      {3, 3, 60,
       "junk words first\nevents: e\nnrpd 4 nrgages 1\ncoordinates 0 0 g\nrates 2026 6 1 12 0 1\n"
       "RATEs 2026 6 1 12 2 2\nrates 2026 6 1 12 4 3\nrates 2026 6 1 12 30 0\n",
       "TIMESTEP 300\n", (1.0 * 5 + 3.0 * 25) / 60 * 0.9, 0.0},
      {3, 3, 120,
       "EVENT t\nNRGAG 2 NRPDS 2\nCOORD 0 30 nw\nCOORD 30 0 se\n"
       "RATES 2026 6 1 12 0 3 8\nRATES 2026 6 1 13 0 0 0\n",
       "RAIN_THIESSEN\n", (6 * 3.0 + 3 * 8.0) * 0.1, 0.0},
      {2, 3, 60,
       "EVENT radar\nNRGAG files\nNRPDS 3\nRADAR 2026 6 1 12 0 " + path("ra.asc") +
           "\nRADAR 2026 6 1 12 10 " + path("ra.asc") + "\nRADAR 2026 6 1 12 20 " + path("rb.asc") +
           "\n",
       "", (6 * 25.4 + 5 * 12.7 + 50.8) / 6 * 0.1, 0.0},
  };
  const std::string said = "Reading radar precip file " + path("rb.asc") +
                           ".\nPeak rainfall rate read: 50.800000 mm/hr\n"
                           "Peak rainfall applied to watershed: 50.800000 mm/hr\n";
  for (const auto& [rows_, cols, minutes, gage_file, more, m3, intercepted] : rows) {
    SCOPED_TRACE(gage_file.substr(0, 12) + more);
    std::string cards = basin(rows_, cols, 10.0, minutes, 20);
    if (!gage_file.empty()) {  // the gage file instead of uniform rain
      write("rain.gag", gage_file);
      cards = cards.substr(0, cards.find("PRECIP_UNIF")) + "PRECIP_FILE " + path("rain.gag") + "\n";
    }
    ASSERT_EQ(run(cards + more), 0) << summary();
    EXPECT_NEAR(support::value_after(summary(), "Total amount of precip="), m3, 0.006);
    EXPECT_NEAR(support::value_after(summary(), "Total amount of interception="), intercepted,
                0.006);
    EXPECT_EQ(has(summary(), said), rows_ == 2) << summary();
    EXPECT_TRUE(has(summary(), "simulation duration " + std::to_string(minutes) + " minutes\n"));
  }
}

using GageFileTest = support::ScratchTest<>;

TEST_F(GageFileTest, FaultsAreNamedInTheirOwnWords) {
  using Row = std::pair<std::string, std::string>;  // "...": the telling part of the message
  std::string words;
  for (int i = 0; i < 10001; ++i) words += i % 10 == 9 ? "word\n" : "word ";
  std::vector<Row> rows = {
      {"EVENT accumulating\nNRGAG 1 NRPDS 3\nCOORD 0 0 g\n"
       "ACCUM 2000 1 1 0 0 1\nACCUM 2000 1 1 1 0 3\nACCUM 2000 1 1 2 0 2.5\n",
       "\nERROR:\nThere is a data error in the precipitation file.  This error occurred in the\n"
       "EVENT titled:\n accumulating\n"
       "On line no. 6, the accumulated precip. for gage number 1 is:  2.50000 mm\n"
       "Which is less than the accumulated precip. on the previous line:  3.00000 mm\n"
       "This error in your precipitation input file must be corrected before TORVA\n"
       "can continue.  Accumulated precip is CUMULATIVE.  The values should increase\n"
       "monotonically.  Program exiting on error.\n\n"},
      {"EVENT backwards\nNRGAG 1\nNRPDS 3\nCOORD 0 0 g\n"
       "GAGES 2001 7 4 10 0 0\nGAGES 2001 7 4 10 0 1\n\nGAGES 2001 7 4 9 5 1\n",
       "\nERROR:\nThere is a data error in the precipitation file.  This error occurred in the\n"
       "EVENT titled:\n backwards\n"
       "On line no. 8, the given time of the recorded data is:    7/4/2001 9:05\n"
       "Which is earlier than the date/time on the previous line:  7/4/2001 10:00\n"
       "This error in your precipitation input file must be corrected before TORVA\n"
       "can continue.  Program exiting on error.\n\n"},
      {"EVENT m\nNRGAG 1 NRPDS 2\nCOORD 0 0 g\nGAGES 2001 1 1 0 0 0\nRATES 2001 1 1 1 0 1\n",
       "\nERROR:\n\nThere is a problem in the precipitation input file.\n"
       "More than one precipitation data card type has been specified.\n"
       "There may only be one of the following card types per event:\n\n"
       "     1) RADAR\n     2) GAGES\n     3) RATES\n\n"
       "Check the precipitation input file.  TORVA exiting\n"},
      {"EVENT m\nNRGAG 1 NRPDS 1\nCOORD 0 0 g\nRAIN 2001 1 1 0 0 0\n",
       "...At least one precipitation data card type must be specified.\n"
       "There may only be one of the following card types per event:\n\n"
       "     1) RADAR\n     2) GAGES\n     3) RATES    4) ACCUM\n\n"},
      {"EVENT short\nNRGAG 2 NRPDS 2\nCOORD 0 0 a\nCOORD 5 5 b\n"
       "GAGES 2001 1 1 0 0 0 0\nGAGES 2001 1 1 1 0 3\n",
       "\n ERROR: \n\n check out gage input for precip record 2\n look at gage 2 \n"
       "Unexpected end of file in rain gauge data file.\n"
       "Check the format of the data file.\nProgram terminated."},
      {"EVENT nc\nNRGAG 2 NRPDS 1\nCOORD 0 0 a\nGAGES 2001 1 1 0 0 0 0\n",
       "\nCannot find gage coordinate card in rainfall input file for event entitled:\n"
       "       nc\n\nCheck rainfall input file format.\n"},
      {words + "\nEVENT late\n",
       "There is a problem with your rainfall input file.  TORVA cannot\n"
       "find the first event card.  Check the format of the rainfall input for event 1\n"
       "file.\n\n"},
      {"EVENT lost\n" + words + "NRGAG 1 NRPDS 1\n",
       "\nThere is a problem with your rainfall input file.  TORVA cannot\n"
       "find the NRPDS or NRGAG card for the event entitled:\n   lost\n\n"
       "Check the format of the rainfall input file.\n"},
  };
  // Counts are checked before anything is allocated.
  for (const char* counts : {"NRGAG 0 NRPDS 3", "NRGAG 2 NRPDS -1", "NRGAG 999999999 NRPDS 9",
                             "NRGAG 50000 NRPDS 50000", "NRGAG x NRPDS 2"})
    rows.push_back(
        {std::string("EVENT big\n") + counts + "\n", "...Check the NRGAG and NRPDS cards."});
  for (const auto& [text, said] : rows) {
    SCOPED_TRACE(text.substr(0, 40));
    error_code() = ErrorCode{};
    write("rain.gag", text);
    GageFile file;
    PrecipEvent ev;
    ASSERT_TRUE(file.open(path("rain.gag")));
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(file.read_event(ev, 1), GageFile::Result::error);
    expect_said(::testing::internal::GetCapturedStdout(), said);
    EXPECT_EQ(error_code().code, 4000);
  }
}

TEST_F(GageFileTest, DamagedFilesAreReadOrRefused) {
  const std::string valid = std::string(kThreeGages) +
                            "EVENT b\nNRGAG 2 NRPDS 2\nCOORD 0 0 a\nCOORD 1 1 b\n"
                            "ACCUM 99 1 1 0 0 1 2\nACCUM 99 1 1 0 10 2 3\n";
  support::reader_sweep(*this, valid, [](const std::string& p) {
    GageFile file;
    PrecipEvent ev;
    if (!file.open(p)) return false;
    ::testing::internal::CaptureStdout();
    GageFile::Result r = GageFile::Result::event;
    for (int e = 1; e <= 3 && r == GageFile::Result::event; ++e) r = file.read_event(ev, e);
    const std::string said = ::testing::internal::GetCapturedStdout();
    return r != GageFile::Result::error || (error_code().code == 4000 && !said.empty());
  });
}

TEST(Radar, CellsMapRowMajorFromTheNorthAndOutsideCellsFail) {
  // Model cells of 5 m whose centres fall in a 3 x 2 radar grid of 10 m cells.
  const std::vector<double> x = {0.0, 1002.5, 1027.5, 1012.5, 990.0};
  const std::vector<double> y = {0.0, 4997.5, 4982.5, 5010.0, 4990.0};
  const RadarHeader h{3, 2, 1000.0, 4980.0, 10.0, -9999.0};
  std::vector<long> index(5, -1);
  ASSERT_TRUE(map_radar_cells(h, x, y, index));
  // Above the top counts as row 0, west of the grid as column 0.
  EXPECT_EQ(index, (std::vector<long>{-1, 0, 5, 1, 3}));
  const std::vector<double> fx = {0.0, 1035.0}, fy = {0.0, 4990.0};
  ::testing::internal::CaptureStdout();
  EXPECT_FALSE(map_radar_cells(h, fx, fy, index));
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Error!! p_I=1, p_J=3\n");
  // An index outside the values stops; assignment itself is left to the whole radar run.
  std::vector<double> rate(3, 9.0);
  double peak = 0.0;
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(
      assign_radar(std::vector<long>{0, 1, 7}, std::vector<double>{1.0, 2.0, -3.0}, rate, peak), 2);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Error: cellnum=7, totcells=3\n");
}

// Header and values of a radar file; false when either is refused.  `said` gets the console.
bool read_radar(const std::string& path, std::vector<double>& v, double& peak, std::string& said) {
  RadarHeader h;
  ::testing::internal::CaptureStdout();
  bool ok = read_radar_header(path, h);
  if (ok) v.assign(static_cast<std::size_t>(h.cells()), -1.0);
  if (ok) ok = read_radar_values(path, h, v, peak);
  said = ::testing::internal::GetCapturedStdout();
  return ok;
}

using RadarFiles = support::ScratchTest<>;

// Inches per hour become mm/h, capped at 100 with a warning; faulty files are named.
TEST_F(RadarFiles, FilesAreReadOrTheirFaultNamed) {
  const std::string file = path("r.asc"), header = kHeader;
  const std::tuple<std::string, bool, std::string> rows[] = {
      {"ncols 3\nnrows\n", false, "Error: unable to read radar header in file " + file + "\n"},
      {header + "0.1 0.2 0.3\n0.4 0.5\n", false,
       "Error in reading radar precip file " + file + "\n"},
      {"ncols 99999\nnrows 99999\nx 0\ny 0\ncs 1\nnd -1\n", false,  // too large to hold
       "Error: unable to read radar header in file " + file + "\n"},
      {header + "5 0.1 -9999\n0 0.2 3.937\n", true,
       "Warning: really big precip value (127.000000) in cell (0,0) from radar rainfall.\n"
       " resetting value to 100.0\n"},
  };
  std::vector<double> v;
  double peak = 0.0;
  std::string said;
  for (const auto& [text, ok, message] : rows) {
    write("r.asc", text);
    EXPECT_EQ(read_radar(file, v, peak, said), ok);
    EXPECT_EQ(said, message);
  }
  // The values of the last, sound file.
  EXPECT_EQ(v, (std::vector<double>{100.0, 0.1 * 25.4, 0.0, 0.0, 0.2 * 25.4, 3.937 * 25.4}));
  support::reader_sweep(*this, std::get<0>(rows[3]), [&](const std::string& p) {
    return read_radar(p, v, peak, said) || !said.empty();
  });
}

}  // namespace
}  // namespace torva
