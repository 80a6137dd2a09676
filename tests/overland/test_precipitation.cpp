// Precipitation: gage interpolation and interception by hand, one against two threads, the
// rain total of every source over whole runs, the gage file (its records, messages and
// damaged copies), long-term event changes and radar grids.
#include <gtest/gtest.h>
#include <omp.h>

#include <cmath>
#include <limits>
#include <tuple>

#include "grids.hpp"
#include "overland/overland_stages.hpp"
#include "overland/precip_gage.hpp"
#include "overland/precip_radar.hpp"
#include "overland/rain.hpp"
#include "support/project_run.hpp"
#include "support/reader_sweep.hpp"

namespace torva {
namespace {

using support::has;
using testing::make_grid;

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

TEST(RainAssignment, InverseDistanceSquaredWeights) {
  // Cell 1 of a 2 x 2 grid is centred at (5, 95), cell 4 at (15, 85).
  const double w1 = 1.0 / 900.0, w2 = 1.0 / 1600.0;  // gages 30 m east and 40 m south
  using V = std::vector<double>;
  for (auto [gx, gy, v, cell, rate] : std::vector<std::tuple<V, V, V, int, double>>{
           {{0, 5000}, {0, -700}, {0, 7.25}, 3, 7.25},        // one gage: its value everywhere
           {{0, -300, 15}, {0, 900, 85}, {0, 1, 9}, 4, 9.0},  // a gage on the cell's centre
           {{0, 35, 5}, {0, 95, 55}, {0, 10, 20}, 1, (10 * w1 + 20 * w2) / (w1 + w2)}}) {
    Centres c(2, 2);
    V out(5, -1.0);
    assign_inverse_distance(c.x, c.y, gx, gy, v, 10.0, out);
    EXPECT_DOUBLE_EQ(out[cell], rate) << cell;
  }
}

TEST(RainAssignment, NearestGageTiesGoToTheLowerNumberAndFarGagesFail) {
  Centres c(2, 2);
  const std::vector<double> gx = {0.0, 15.0, -5.0, 15.0}, gy = {0.0, 95.0, 95.0, 85.0};
  std::vector<int> nearest(5, 0);
  ASSERT_TRUE(find_nearest_gage(c.x, c.y, gx, gy, nearest));
  EXPECT_EQ(nearest, (std::vector<int>{0, 1, 1, 3, 3}));  // cell 1 lies 10 m from 1 and 2
  std::vector<double> rate(5, 0.0);
  assign_nearest(nearest, std::vector<double>{0.0, 2.0, 4.0, 6.0}, rate);
  EXPECT_EQ(rate, (std::vector<double>{0.0, 2.0, 2.0, 6.0, 6.0}));
  const std::vector<double> fx = {0.0, 1.0e6, 2.0e6}, fy = {0.0, 0.0, 0.0};
  EXPECT_FALSE(find_nearest_gage(c.x, c.y, fx, fy, nearest));
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

TEST(Interception, StorageFillsFirstThenTheCoefficientActs) {
  // 10 mm/h over 360 s = 1 mm per step; storage 1.5 mm, coefficient 0.2.
  const std::vector<double> rate = {0.0, 10.0}, storage = {0.0, 1.5}, coeff = {0.0, 0.2};
  std::vector<double> used(2, 0.0), net(2, 0.0), caught(2, 0.0);
  EXPECT_DOUBLE_EQ(intercept(rate, storage, coeff, 1.0, 360.0, used, net, caught), 1.0);
  EXPECT_EQ(net[1], 0.0);
  // 0.5 mm of room left: it fills, 0.2 of the remaining 0.5 mm is caught too.
  EXPECT_DOUBLE_EQ(intercept(rate, storage, coeff, 1.0, 360.0, used, net, caught), 0.6);
  EXPECT_DOUBLE_EQ(net[1], 4.0);
  // Full storage: only the coefficient.
  intercept(rate, storage, coeff, 1.0, 360.0, used, net, caught);
  EXPECT_DOUBLE_EQ(caught[1], 0.2);
  EXPECT_DOUBLE_EQ(net[1], 8.0);
  EXPECT_DOUBLE_EQ(used[1], 1.8);
}

TEST(RainDepth, NetRateAddsDepthAndNonRealDepthStops) {
  ModelState s;
  make_grid(s, {"11"}, 10.0);
  s.clock.dt = 36.0;
  s.event.precip_state = kRainRunning;
  s.run.rain_source = RainSource::gages;
  s.rain.rain_rate.allocate(2);
  s.rain.rain_rate.fill(100.0);
  std::vector<double> depth = {0.0, 0.5, std::nan("")};
  ::testing::internal::CaptureStdout();
  apply_rain(s, depth);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "A non-real number for water depth has been detected for overland cell 2 after "
            "applying rainfall\n");
  EXPECT_DOUBLE_EQ(depth[1], 0.501);
  EXPECT_EQ(error_code().code, 4000);
}

const char* const kThreeGages =
    "EVENT \"storm of the day\"\nNRGAG 1\nNRPDS 3\nCOORD 5.0 25.0 \"the one gage\"\n"
    "GAGES 2026 6 1 12 0 0\nGAGES 2026 6 1 12 30 10\nGAGES 2026 6 1 13 30 5\n";
const char* const kHeader =
    "ncols 3\nnrows 2\nxllcorner 0\nyllcorner 0\ncellsize 10\nNODATA_value -9999\n";

// Whole runs on a basin of 10 m cells starting 2026-06-01 12:00; rates are mm/h.
class PrecipRuns : public support::ProjectRunTest<> {
 protected:
  // The basin's cards with the rain of `gage_file` (uniform rain when it is empty).
  std::string cards(int rows, int cols, int minutes, const std::string& gage_file) {
    std::string c = basin(rows, cols, 10.0, minutes, 20);
    if (!gage_file.empty()) c.erase(c.find("PRECIP_UNIF"));
    if (!gage_file.empty()) write("rain.gag", gage_file);
    return c + (gage_file.empty() ? "" : "PRECIP_FILE " + path("rain.gag") + "\n");
  }
};

// The total rain of each run by hand: uniform 50 mm/h for 20 min; the gage's 10 mm in half
// an hour then 5 mm in an hour; of records within one 5 min step the latest holds (1 mm/h
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
      {3, 3, 60,
       "EVENT e\nNRGAG 1 NRPDS 4\nCOORD 0 0 g\nRATES 2026 6 1 12 0 1\nRATES 2026 6 1 12 2 2\n"
       "RATES 2026 6 1 12 4 3\nRATES 2026 6 1 12 30 0\n",
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
    ASSERT_EQ(run(cards(rows_, cols, minutes, gage_file) + more), 0) << summary();
    EXPECT_NEAR(support::value_after(summary(), "Total amount of precip="), m3, 0.006);
    EXPECT_NEAR(support::value_after(summary(), "Total amount of interception="), intercepted,
                0.006);
    EXPECT_EQ(has(summary(), said), rows_ == 2) << summary();
    EXPECT_TRUE(has(summary(), "simulation duration " + std::to_string(minutes) + " minutes\n"));
  }
}

TEST_F(PrecipRuns, MissingOrConflictingRainCardsStop) {
  // gage file, a card text and what replaces it, the run's code
  const std::tuple<std::string, std::string, std::string, int> rows[] = {
      {"", "START_DATE", "X_START_DATE", 4000},
      {"", "RAIN_DURATION 20", "RAIN_DURATION 0", 11},
      {"", "PRECIP_UNIF", "X_PRECIP_UNIF", 11},
      {"", "PRECIP_UNIF", "PRECIP_FILE " + path("rain.gag") + "\nPRECIP_UNIF", 10},
      {"nothing but words\n", "", "", 4000},
      {"EVENT x\n", "rain.gag", "missing.gag", 4},
  };
  for (const auto& [gage_file, from, to, code] : rows) {
    SCOPED_TRACE(to);
    std::string c = cards(3, 3, 60, gage_file);
    if (!from.empty()) c.replace(c.find(from), from.size(), to);
    EXPECT_EQ(run(c), code) << summary();
    EXPECT_TRUE(code != 4 || has(summary(), path("missing.gag"))) << summary();
  }
}

class GageFileTest : public support::ScratchTest<> {
 protected:
  GageFile::Result read_first(const std::string& text) {
    write("rain.gag", text);
    GageFile file;
    EXPECT_TRUE(file.open(path("rain.gag")));
    ::testing::internal::CaptureStdout();
    const GageFile::Result r = file.read_event(ev_, 1);
    said_ = ::testing::internal::GetCapturedStdout();
    return r;
  }
  PrecipEvent ev_;
  std::string said_;
};

// Depths become intensities of the interval that follows.  Cards match on four letters in any case,
// counts come in either order, two-digit years are of the 1900s; RATES stay as they are, ACCUM may
// drop on its second record (a new start), equal times carry no rate.
TEST_F(GageFileTest, RecordsOfEveryKindBecomeIntensities) {
  const char* cards =
      "junk words first\nevents: one\nnrpd 2 nrgages 2\ncoordinates 0 0 a\ncoor 10 0 b\n"
      "rates 98 1 2 3 4 1.5 2.5\nRATEs 98 1 2 3 5 0 0\n";
  const char* accum =
      "EVENT a\nNRGAG 1 NRPDS 3\nCOORD 0 0 g\n"
      "ACCUM 2000 1 1 0 0 4\nACCUM 2000 1 1 1 0 3\nACCUM 2000 1 1 2 0 5\n";
  const char* same =
      "EVENT same\nNRGAG 1 NRPDS 3\nCOORD 0 0 g\n"
      "GAGES 2001 7 4 10 0 0\nGAGES 2001 7 4 10 0 4\nGAGES 2001 7 4 11 0 6\n";
  const std::tuple<const char*, int, int, double> rows[] = {
      {kThreeGages, 1, 1, 20.0}, {kThreeGages, 2, 1, 5.0}, {cards, 1, 1, 1.5}, {cards, 1, 2, 2.5},
      {accum, 1, 1, -1.0},       {accum, 2, 1, 2.0},       {same, 1, 1, 0.0},  {same, 2, 1, 6.0}};
  for (auto [text, period, gage, value] : rows) {
    SCOPED_TRACE(text);
    ASSERT_EQ(read_first(text), GageFile::Result::event) << said_;
    EXPECT_DOUBLE_EQ(ev_.value(period, gage), value);
  }
  read_first(cards);
  EXPECT_EQ(ev_.title, "one");
  EXPECT_EQ(ev_.date[1].year, 1998);
  read_first(kThreeGages);
  EXPECT_EQ(ev_.title + ev_.gage_text[1], "\"storm of the day\"\"the one gage\"");
  EXPECT_EQ(std::make_tuple(ev_.ngages, ev_.nrecords, ev_.gage_x[1]), std::make_tuple(1, 3, 5.0));
  EXPECT_EQ(ev_.end_time() - ev_.start_time(), 1.5 / 24);
}

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
    EXPECT_EQ(read_first(text), GageFile::Result::error);
    testing::expect_said(said_, said);
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

TEST(GageRain, LongTermRunsReadTheNextEventAtItsStartAndStopAfterTheLast) {
  ModelState s;
  s.run.quiet = true;
  s.run.long_term = true;
  make_grid(s, {"11"}, 10.0);
  support::Scratch dir;
  dir.write("two.gag", std::string(kThreeGages) +
                           "EVENT later\nNRGAG 1 NRPDS 2\nCOORD 0 0 g\n"
                           "RATES 2004 6 3 0 0 4\nRATES 2004 6 3 1 0 0\n");
  s.settings.precip.precip_file = dir.path("two.gag");
  s.settings.precip.precip_file_given = true;
  s.run.rain_source = RainSource::gages;
  s.clock.dt = 60.0;
  ::testing::internal::CaptureStdout();
  stage_first_event_setup(s);
  EXPECT_EQ(s.event.num_events, 2);
  stage_event_start(s);
  s.rain.int_used[1] = 3.0;
  s.event.precip_state = kRainEnded;
  s.event.event = 2;  // the end-of-event stage moved on
  stage_event_start(s);
  EXPECT_EQ(s.rain.event.title, "later");
  EXPECT_EQ(s.event.precip_state, kRainRunning);
  EXPECT_EQ(s.rain.int_used[1], 0.0);  // interception storage empties between events
  EXPECT_DOUBLE_EQ(s.rain.next_time, julian_date(2004, 6, 3, 0, 0, 0.0));
  s.event.event = 3;
  stage_event_start(s);
  const std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(s.event.precip_state, kRainNoEvent);
  EXPECT_FALSE(s.event.simulation_continues);
  EXPECT_TRUE(has(out, "Precip data for event 3 was not found in file: " + dir.path("two.gag") +
                           "\nTORVA assumes this means all events have been simulated.\n"
                           "Program terminating normally.\n"))
      << out;
  EXPECT_EQ(error_code().code, 0);
}

TEST(Radar, InchesBecomeMillimetresAndNoDataOrNonPositiveValuesZero) {
  for (auto [value, nodata, mm] :
       std::vector<std::tuple<double, double, double>>{{-9999.0, -9999.0, 0},
                                                       {-9999.005, -9999.0, 0},
                                                       {-9998.995, -9999.0, 0},
                                                       {1.5, 1.495, 0},  // within 0.01 of no-data
                                                       {-0.2, -9999.0, 0},
                                                       {0.5, -9999.0, 12.7}}) {
    bool capped = true;
    EXPECT_DOUBLE_EQ(radar_value_mm(value, nodata, capped), mm) << value;
    EXPECT_FALSE(capped);
  }
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
  // Assignment through the index; an index outside the values stops.
  const std::vector<double> v = {1.0, 2.0, -3.0};
  std::vector<double> rate(4, 9.0);
  double peak = 0.0;
  EXPECT_EQ(assign_radar(std::vector<long>{0, 1, 2, 0}, v, rate, peak), 0);
  EXPECT_EQ(rate, (std::vector<double>{9.0, 2.0, 0.0, 1.0}));
  EXPECT_EQ(peak, 2.0);
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(assign_radar(std::vector<long>{0, 1, 7}, v, rate, peak), 2);
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
      {header + "5 0.1 -9999\n0 0.2 3.937\n", true,
       "Warning: really big precip value (127.000000) in cell (0,0) from radar rainfall.\n"
       " resetting value to 100.0\n"},
      {"ncols 3\nnrows\n", false, "Error: unable to read radar header in file " + file + "\n"},
      {header + "0.1 0.2 0.3\n0.4 0.5\n", false,
       "Error in reading radar precip file " + file + "\n"},
      {"ncols 99999\nnrows 99999\nx 0\ny 0\ncs 1\nnd -1\n", false,  // too large to hold
       "Error: unable to read radar header in file " + file + "\n"},
  };
  for (const auto& [text, ok, message] : rows) {
    write("r.asc", text);
    std::vector<double> v;
    double peak = 0.0;
    std::string said;
    EXPECT_EQ(read_radar(file, v, peak, said), ok);
    EXPECT_EQ(said, message);
  }
  std::vector<double> v;
  double peak = 0.0;
  std::string said;
  write("r.asc", std::get<0>(rows[0]));
  read_radar(file, v, peak, said);
  EXPECT_EQ(v, (std::vector<double>{100.0, 0.1 * 25.4, 0.0, 0.0, 0.2 * 25.4, 3.937 * 25.4}));
  EXPECT_EQ(peak, 100.0);
  support::reader_sweep(*this, std::get<0>(rows[0]), [&](const std::string& p) {
    return read_radar(p, v, peak, said) || !said.empty();
  });
}

}  // namespace
}  // namespace torva
