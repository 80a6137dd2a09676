// The grid as the start-up builds it (neighbours, slopes, dikes and their low spots) and the
// overland stage as the time loop drives it: scheduling, the ledger, boundaries, messages.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <tuple>

#include "grids.hpp"
#include "input/mapping_table.hpp"
#include "input/series.hpp"
#include "overland/dikes.hpp"
#include "overland/low_spots.hpp"
#include "overland/overland_boundary.hpp"
#include "overland/overland_stages.hpp"
#include "support/project_run.hpp"

namespace torva {
namespace {

using support::has;
using testing::make_grid;

template <class T>
std::vector<T> cells(const Array1<T>& a) {
  return {a.slots().begin() + 1, a.slots().end()};
}

// Neighbours east, west, north and south of each cell in turn, then slope_x and slope_y: a
// cell without an east neighbour copies slope_x of the cell numbered before it (cell 1 the
// empty slot 0), the last cell of a column takes slope_y from the cell above.
TEST(Connectivity, NeighboursAndSlopesFollowTheMaskAndGridEdges) {
  using Row = std::tuple<std::vector<std::string>, std::vector<double>, std::vector<int>,
                         std::vector<double>>;
  const Row rows[] = {
      {{"000", "010", "000"}, {7}, {0, 0, 0, 0}, {0, 0}},
      {{"110", "111", "010"},
       {},
       {2, 0, 0, 3, 0, 1, 0, 4, 4, 0, 1, 0, 5, 3, 2, 6, 0, 4, 0, 0, 0, 0, 4, 0},
       {}},
      {{"11", "11"},
       {10, 9, 8, 6},
       {2, 0, 0, 3, 0, 1, 0, 4, 4, 0, 1, 0, 0, 3, 2, 0},
       {0.1, 0.2, 0.1, 0.3, 0.2, 0.2, 0.2, 0.3}},
      {{"110", "011"},
       {5, 4, 3, 1},
       {2, 0, 0, 0, 0, 1, 0, 3, 4, 0, 2, 0, 0, 3, 0, 0},
       {0.1, 0, 0.1, 0.1, 0.2, 0.1, 0.2, 0}},
      {{"1", "1", "1"}, {9, 7, 4}, {0, 0, 0, 2, 0, 0, 1, 3, 0, 0, 2, 0}, {0, 0.2, 0, 0.3, 0, 0.3}},
  };
  for (const auto& [mask, elev, neighbours, slopes] : rows) {
    SCOPED_TRACE(mask[0] + "/" + mask[1]);
    ModelState s;
    make_grid(s, mask, 10.0, elev);
    EXPECT_EQ(error_code().code, 0);
    std::vector<int> n;
    std::vector<double> sl;
    for (int k = 1; k <= s.grid.ncells; ++k) {
      const GridState& g = s.grid;
      n.insert(n.end(), {g.east_cell[k], g.west_cell[k], g.north_cell[k], g.south_cell[k]});
      sl.insert(sl.end(), {s.connect.slope_x[k], s.connect.slope_y[k]});
    }
    EXPECT_EQ(n, neighbours);
    EXPECT_TRUE(slopes.empty() || sl == slopes) << ::testing::PrintToString(sl);
  }
}

TEST(Connectivity, AnnouncesItselfAndStopsWithoutAMask) {
  ModelState s;
  make_grid(s, {"1"}, 10.0);
  ::testing::internal::CaptureStdout();
  build_connectivity(s);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "building cell to cell connectivity information\n");
  ModelState none;
  none.run.quiet = true;
  ::testing::internal::CaptureStdout();
  build_connectivity(none);
  ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(error_code().code, 4000);
}

// 2 x 2 grid, cells 1 2 / 3 4 at 1, 2, 3, 4 m, with the given dike side codes.
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
      {{{1, 1, R, 1.5, 5.0}}, dikes, ""},
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
      {{{1, 1, R, 0.5, 2.0}}, dikes, ""},  // level with the higher cell is allowed
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
    rows.push_back({{{r, c, R, 0.5, 9.0}}, dikes, "...is not inside the watershed"});
  for (const auto& [spots, codes, message] : rows) {
    SCOPED_TRACE(::testing::Message() << "row " << spots.back().row << " col " << spots.back().col
                                      << " side " << spots.back().side);
    error_code() = ErrorCode{};
    ModelState s;
    make_grid(s, {"11", "11"}, 10.0, {1.0, 2.0, 3.0, 4.0});
    s.run.quiet = true;
    s.settings.overland.lowspot_file = "spots.txt";
    s.connect.has_dikes = true;
    s.connect.low_spots = spots;
    s.connect.dike_code.allocate(4);
    for (int k = 1; k <= 4; ++k) s.connect.dike_code[k] = codes[k - 1];
    ::testing::internal::CaptureStdout();
    build_connectivity(s);
    testing::expect_said(::testing::internal::GetCapturedStdout(), message);
    EXPECT_EQ(error_code().code, message.empty() ? 0 : 4000);
  }
}

using DikeFiles = support::ScratchTest<>;

TEST_F(DikeFiles, LowSpotFileAndDikeMapAreRead) {
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
  EXPECT_EQ(error_code().code, 0);
}

// Low-spot files (first rows) tell on the error stream, dike maps on the console; both 4000.
TEST_F(DikeFiles, BadFilesStopWithTheirMessages) {
  const std::pair<std::string, std::string> rows[] = {
      {"SPOT 1 1 2 0.5 3\n",
       "does not start with the LOWSPOT card.\nThe file format is invalid.  Program terminated.\n"},
      {"", "does not start with the LOWSPOT card.\n"},
      {"LOWSPOT\n\nnothing here\n",
       "Premature end-of-file in the lowspot input file.\n"
       "No SPOT cards encountered before end of file.\nProgram terminated.\n"},
      {"LOWSPOT\nSPOT 1 1 2\n", "needs row, column, side code, width fraction"},
      {"LOWSPOT\nSPOT 1 x 2 0.5 3\n", "needs row, column"},
      {"\x01\x02\xff garbage\n\n", "does not start with the LOWSPOT card"},
      {support::raster(2, 2, 10.0, "1 1\n1 1\n"), "Incorrect number of rows in map: "},
      {support::raster(1, 2, 10.0, "1\n"), "Unexpected end of file"},
      {support::raster(1, 2, 10.0, "1 20000\n"), "outside 0..10000"},
      {"none", "Can't open input dike mask file named: " + path("none") + "\n"},
  };
  ModelState s;
  make_grid(s, {"11"}, 10.0);
  for (const auto& [text, message] : rows) {
    SCOPED_TRACE(message);
    error_code() = ErrorCode{};
    const bool dike = has(text, "north:") || text == "none";
    if (text != "none") write("f.txt", text);
    std::vector<LowSpot> spots;
    std::vector<int> codes(3, 0);
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
  static void next_step(ModelState& s, double rain_m) {
    for (int k = 1; k <= s.grid.ncells; ++k) s.overland.ov_depth[k] += rain_m;
    s.ledger.precip += rain_m * s.grid.ncells * s.grid.dx * s.grid.dx;
    stage_overland(s);
    s.clock.current_time += s.clock.dt_days;
  }
  static double storage(const ModelState& s) {
    double v = 0.0;
    for (int k = 1; k <= s.grid.ncells; ++k) v += s.overland.ov_depth[k] * s.grid.dx * s.grid.dx;
    return v;
  }
  std::string said_;
};

TEST_F(OverlandStage, DryLandRoutesNothingAndWetStepsAlternateTheSweepOrder) {
  auto s = state(2);
  s->overland.face_q_x[3] = 0.5;
  next_step(*s, 0.0);
  EXPECT_EQ(s->overland.face_q_x[3], 0.0);
  EXPECT_FALSE(s->overland.wet);
  std::vector<int> orders;
  for (int t = 0; t < 5; ++t) {
    orders.push_back(s->overland.sweep_order);
    next_step(*s, 0.001);
  }
  EXPECT_EQ(orders, (std::vector<int>{1, 2, 1, 2, 1}));
  // Halfway to the next overland time nothing moves.
  s->clock.current_time -= 0.5 * s->clock.dt_days;
  const std::vector<double> before = cells(s->overland.ov_depth);
  stage_overland(*s);
  EXPECT_EQ(cells(s->overland.ov_depth), before);
  EXPECT_EQ(s->overland.sweep_order, 2);
}

// Every volume the stage moves reaches the ledger: rain and the boundary cells' gains against
// storage, the outlet and the boundary cells' losses.
class StageBalance : public OverlandStage, public ::testing::WithParamInterface<int> {};

TEST_P(StageBalance, OutletBoundariesAndLedgerCloseTheBalance) {
  const bool bounds = GetParam() == 2;  // ADE-PC diverges at the head cell at 10 s steps
  auto s = state(GetParam(), bounds);
  ASSERT_EQ(error_code().code, 0) << said_;
  EXPECT_EQ(s->overland.boundaries, bounds);
  for (int t = 0; t < 80; ++t) next_step(*s, t < 40 ? 2e-4 : 0.0);
  const WaterLedger& l = s->ledger;
  EXPECT_GT(l.discharge, 0.0);
  EXPECT_EQ(l.head_boundary_gain > 0.0 && l.slope_boundary_loss > 0.0, bounds);
  EXPECT_NEAR(l.overland_point_sources, bounds ? 80 * 10.0 * 0.01 : 0.0, 1e-12);
  EXPECT_NEAR(l.precip + l.overland_clipped + l.head_boundary_gain + l.overland_point_sources,
              storage(*s) + l.discharge + l.head_boundary_loss + l.slope_boundary_loss,
              1e-10 * l.precip);
  EXPECT_DOUBLE_EQ(s->overland.outlet_total_volume, l.discharge);
  EXPECT_DOUBLE_EQ(s->event.outlet_q, s->overland.outlet_step_volume / 10.0);
  EXPECT_GT(s->event.outlet_q, 0.0);
}

INSTANTIATE_TEST_SUITE_P(Schemes, StageBalance, ::testing::Values(1, 2, 3));

TEST_F(OverlandStage, ChannelNetworkTakesTheOutletAndEndsRunoffOnDryLand) {
  auto s = state(2);
  s->run.channel_method = ChannelMethod::diffusive_wave;
  s->event.outlet_q = 7.0;  // set by channel routing
  for (int t = 0; t < 20; ++t) next_step(*s, 1e-3);
  EXPECT_EQ(s->ledger.discharge, 0.0);
  EXPECT_EQ(s->event.outlet_q, 7.0);
  EXPECT_NEAR(storage(*s), s->ledger.precip + s->ledger.overland_clipped, 1e-10 * s->ledger.precip);
  s->event.precip_state = kRainEnded;
  next_step(*s, 0.0);
  EXPECT_TRUE(s->event.event_running);  // still wet
  s->overland.ov_depth.fill(0.0);
  ::testing::internal::CaptureStdout();
  next_step(*s, 0.0);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Rainfall for this event has ended.\n");
  EXPECT_TRUE(s->event.end_of_event_due);
  EXPECT_FALSE(s->event.event_running);
  EXPECT_FALSE(s->event.simulation_continues);
  // Without channels the event runs to its end time instead.
  auto q = state(2);
  q->event.precip_state = kRainEnded;
  next_step(*q, 0.0);
  EXPECT_TRUE(q->event.event_running);
}

// What the stage says to a state changed by each row (a leading "..." marks a part of it) and
// its code.  One metre of water in an inner cell moves far more than 0.06 m over 10 s across
// both east-west faces, the west one first, q = 20 sqrt(0.002 +- 0.1) m^2/s: the explicit
// scheme tells each failing face and each new sub-step, and goes on.
TEST_F(OverlandStage, FaultsAndStepChangesAreToldInTheirOwnWords) {
  using Row = std::tuple<int, void (*)(ModelState&), void (*)(ModelState&), std::string, int>;
  const Row rows[] = {
      {2, [](ModelState& s) { s.overland.ov_depth[7] = NAN; }, stage_depth_check,
       "A non-real number for water depth has been detected for overland cell 7\n", 4000},
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
      {1, [](ModelState& s) { s.overland.ov_depth[8] = 1.0; }, stage_overland,
       "... *Changing overland time step to 0.04 seconds...\n", 0},
  };
  for (const auto& [overtype, change, stage, said, code] : rows) {
    SCOPED_TRACE(said);
    error_code() = ErrorCode{};
    auto s = state(overtype);
    change(*s);
    ::testing::internal::CaptureStdout();
    stage(*s);
    testing::expect_said(::testing::internal::GetCapturedStdout(), said);
    EXPECT_EQ(error_code().code, code);
  }
  error_code() = ErrorCode{};
  state(2, true, 7);
  EXPECT_TRUE(
      has(said_, "Invalid overland boundary type 7 in grid cell 16; the types are 0 to 5.\n"))
      << said_;
  EXPECT_EQ(error_code().code, 4000);
}

}  // namespace
}  // namespace torva
