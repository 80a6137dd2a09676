// Long-term runs through the real driver: storms one after another from the gage file, each
// ending below EVENT_MIN_Q, overland routing resting between them, and the ways a run ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "input/input_stages.hpp"
#include "model/model_state.hpp"
#include "subsurface/hmet.hpp"
#include "subsurface/snow.hpp"
#include "support/project_run.hpp"

namespace torva {
namespace {

using support::has;
using support::ProjectRunTest;
using support::raster_uniform;
using support::value_after;

// The hourly evapotranspiration a test supplies: no demand.
void no_et(ModelState& s) {
  s.hmet.pet_rate.fill(0.0);
}

// `days` of hourly ZEB weather from 1 June 2024 01:00 at `temp_f` deg F, from `warm_day` on
// (counted from 1) at `warm_f`.
std::string zeb_weather(int days, int temp_f = 68, int warm_day = 99, int warm_f = 68) {
  std::string out;
  for (int k = 1; k <= 24 * days; ++k) {
    const int temp = (k - 1) / 24 + 1 >= warm_day ? warm_f : temp_f;
    const CalendarTime t = calendar_time(julian_date(2024, 6, 1, 0, 0, 0.0) + k / 24.0);
    char b[128];
    std::snprintf(b, sizeof b, "%d %d %d %d 29.92 50 3 5 %d 100 200\n", t.year, t.month, t.day,
                  t.hour, temp);
    out += b;
  }
  return out;
}

// One hour of `mm_h` at one gage from `hour`:00 of June `day` (May 31 for day 0).
std::string storm(int day, int hour, double mm_h) {
  const int month = day == 0 ? 5 : 6, d = day == 0 ? 31 : day;
  char b[256];
  std::snprintf(b, sizeof b,
                "EVENT storm %d\nNRGAG 1\nNRPDS 2\nCOORD 15 15 g\n"
                "RATES 2024 %d %d %d 0 %.1f\nRATES 2024 %d %d %d 0 0\n",
                day, month, d, hour, mm_h, month, d, hour + 1);
  return b;
}

const std::string kStorms = storm(1, 6, 60.0) + storm(2, 12, 40.0) + storm(4, 3, 80.0);

class LongTerm : public ProjectRunTest<> {
 protected:
  LongTerm() { hooks.hourly_et = no_et; }

  // An n x n basin of 30 m cells with redistribution: `storms` in `days` of weather.
  std::string cards(const std::string& extra = "", int days = 5,
                    const std::string& storms = kStorms, int temp_f = 68, int n = 6) {
    std::string c = basin(n, n, 30.0, 60, 1);
    c.erase(c.find("PRECIP_UNIF"));
    const char* maps[] = {"ksat", "cap", "por", "moist", "pore", "resid"};
    const double value[] = {0.05, 11.0, 0.45, 0.2, 0.5, 0.05};
    for (int k = 0; k < 6; ++k)
      write(std::string(maps[k]) + ".asc", raster_uniform(n, n, 30.0, value[k]));
    write("weather.zeb", zeb_weather(days, temp_f));
    write("rain.gag", storms);
    return c + "INF_REDIST\nCONDUCTIVITY ksat.asc\nCAPILLARY cap.asc\nPOROSITY por.asc\n" +
           "MOISTURE moist.asc\nPORE_INDEX pore.asc\nRESIDUAL_SAT resid.asc\nLONG_TERM\n" +
           "LATITUDE 40\nLONGITUDE 105\nGMT -7\nHMET_ZEB weather.zeb\nPRECIP_FILE rain.gag\n" +
           "HYD_FREQ 60\nEVENT_MIN_Q 0.001\n" + extra;
  }
  std::string loud(const std::string& c) {
    quiet = false;
    std::string t = c;
    t.erase(t.find("SUPER_QUIET\n"), 12);
    return t;
  }
  // The summary's heading lines of each event, in order.
  std::vector<int> events() const {
    std::vector<int> out;
    const std::string sum = summary(), head = "SIMULATION SUMMARY- EVENT ";
    for (std::size_t at = sum.find(head); at != std::string::npos; at = sum.find(head, at + 1))
      out.push_back(std::atoi(sum.c_str() + at + head.size()));
    return out;
  }
};

TEST_F(LongTerm, StormsRunOneAfterAnotherEachWithItsSummary) {
  ASSERT_EQ(run(cards()), 0) << console;
  const std::string sum = summary();
  EXPECT_EQ(events(), (std::vector<int>{1, 2, 3}));
  const std::string rule = "\n\n" + std::string(78, '-') + "\n";
  EXPECT_TRUE(has(sum, rule + "       TORVA LONG-TERM RUNOFF SIMULATION SUMMARY- EVENT 3\n"));
  EXPECT_FALSE(has(sum, rule + "       TORVA LONG-TERM RUNOFF SIMULATION SUMMARY- EVENT 1\n"));
  EXPECT_TRUE(has(sum,
                  "Event began on strict Julian date:                    2460462.54166667\n"
                  "Event ended on strict Julian date:                    "));
  EXPECT_TRUE(has(sum,
                  "Event began on 06/01/2024 at 01:00  GMT -7.0 hours.\n\n"
                  "Hydrometeorology data began on: 06/01/2024 at  1:00\n"
                  "and ended on:                   06/06/2024 at  0:00\n"
                  "The following number of hydromet. data points were repaired:0\n\n"));
  EXPECT_TRUE(has(sum,
                  "timestep                                    30.0 seconds\n"
                  "initial basin-averaged soil water content: 20.00 percent\n"));
  EXPECT_TRUE(has(sum, "\nfinal basin-averaged soil water content: "));
  // Each event's storm falls on the grid for its 120 steps of rain; every event balances.
  EXPECT_EQ(value_after(sum, "number of timesteps with rain:"), 120);
  for (std::size_t at = sum.find("mass conservation error:"); at != std::string::npos;
       at = sum.find("mass conservation error:", at + 1))
    EXPECT_EQ(sum.substr(at + 37, 9), " 0.000000");
  EXPECT_NEAR(value_after(sum, "Overall mass balance error ="), 0.0, 1e-6);
  // One Julian-dated hydrograph line an hour, dry spells included.
  const std::string hyd = hydrograph();
  char first[64];
  std::snprintf(first, sizeof first, "%16.8lf %11.4lf\n", julian_date(2024, 6, 1, 1, 0, 0.0), 0.0);
  EXPECT_EQ(hyd.substr(0, 29), first);
  const double ended =
      value_after(sum.substr(sum.rfind("EVENT 3")), "Event ended on strict Julian date:");
  EXPECT_EQ(std::count(hyd.begin(), hyd.end(), '\n'),
            static_cast<long>((ended - julian_date(2024, 6, 1, 1, 0, 0.0)) * 24.0 + 1e-6) + 1);
}

struct EndCase {
  const char* name;
  std::string extra, storms;
  int days;
  std::vector<int> events;
  const char* message;  // how the console says the run ended
};

TEST_F(LongTerm, RunsEndNormallyInFourWays) {
  const EndCase cases[] = {
      {"last event",
       "",
       kStorms,
       5,
       {1, 2, 3},
       "\nsimulation ended normally; end of data for last event reached\nfinished event \n"},
      {"small last storm",
       "EVENT_MIN_Q 5\n",
       kStorms,
       5,
       {1, 2, 3},
       "\nsimulation ended normally; peak flow after last event fell below cutoff value.\n"
       "finished event \n"},
      {"END_TIME", "END_TIME 2024 6 3 0 0\n", kStorms, 5, {1, 2, 3}, "\nfinished event \n"},
      {"end of weather",
       "",
       storm(1, 6, 60.0) + storm(3, 23, 80.0) + storm(4, 3, 80.0),
       3,
       {1, 2},
       "\nEnd of meteorology data reached.  TORVA terminated\n"},
  };
  for (const EndCase& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(run(loud(cards(c.extra, c.days, c.storms))), 0) << console;
    EXPECT_EQ(events(), c.events);
    const std::string tail = console.substr(0, console.find("Run time"));
    EXPECT_TRUE(has(tail, c.message)) << tail;
    EXPECT_EQ(tail.substr(tail.size() - 16), "finished event \n");
  }
}

TEST_F(LongTerm, HourlyLinesReportTheSoilWater) {
  ASSERT_EQ(run(loud(cards())), 0) << console;
  // One line an hour from the first weather hour, as many as hydrograph lines.
  EXPECT_TRUE(has(console, "\nlongterm 2024/6/1   1:00 Avg. Soil Moisture:   20.00  \n"));
  std::size_t lines = 0;
  for (std::size_t at = console.find("\nlongterm "); at != std::string::npos;
       at = console.find("\nlongterm ", at + 1))
    ++lines;
  const std::string hyd = hydrograph();
  EXPECT_EQ(lines, static_cast<std::size_t>(std::count(hyd.begin(), hyd.end(), '\n')));
}

// With Richards infiltration the hour's line gives PET, AET, infiltration and theta, and
// "evap_out" gets a line an hour under its header.
TEST_F(LongTerm, RichardsRunsReportEvaporationHourly) {
  std::string c = loud(cards("", 1, storm(1, 6, 30.0)));
  c.replace(c.find("INF_REDIST"), 10, "INF_RICHARDS");
  write("soiltype.asc", raster_uniform(6, 6, 30.0, 1));
  write("rlayers.txt",
        "COLUMNS thickness node_dz ksat cap_head porosity theta_init residual pore_index "
        "bubbling wilting_point\nSOIL 1 2\n 10 1.0 1.3 11 0.43 0.20 0.027 0.25 -11.1 0.05\n"
        " 20 2.0 0.6 20 0.40 0.25 0.030 0.30 -20.0 0.05\n");
  ASSERT_EQ(run(c + "SOIL_TYPE_MAP soiltype.asc\nSOIL_LAYER_INPUT_FILE rlayers.txt\n"), 0)
      << console;
  EXPECT_TRUE(has(console, "\n2024/6/1  1:00 PET cm/h 0.0000 AET cm/h 0.0000 Infil cm/h "));
  const std::string evap = read("evap_out");
  const std::string header =
      "yr/mo/day  hour     avg_theta    avg_pot      avgetrate    avgfav      avgbottomfav  "
      "CFGI         temp(C)  \n";
  ASSERT_EQ(evap.substr(0, header.size()), header);
  EXPECT_EQ(evap.substr(header.size(), 16), "2024/6/1   1:00 ");
  std::size_t hours = 0;
  for (std::size_t at = console.find(" PET cm/h "); at != std::string::npos;
       at = console.find(" PET cm/h ", at + 1))
    ++hours;
  EXPECT_EQ(static_cast<std::size_t>(std::count(evap.begin(), evap.end(), '\n')), hours + 1);
  EXPECT_TRUE(has(evap, "    20.000000\n"));  // the hour's temperature, 68 F
}

TEST_F(LongTerm, RainOutsideTheWeatherFailsTheDateCheckOfItsEvent) {
  const struct {
    std::string storms;
    std::string message;
  } cases[] = {
      {storm(0, 6, 60.0),
       "\nRaingage Data starts in month 5 of 2024 while hmet data starts in\nmonth 6 of 2024\n"
       "Program terminating.  Check your dates.\n"
       "Error: TORVA failed on date check for precip event 1\n"},
      {storm(1, 6, 60.0) + storm(9, 6, 60.0),
       "\nRaingage data starts on day 9 of month 6 in year 2024\nwhile the hmet data ends on "
       "day 6 of month 6 in year 2024\nProgram terminating.  Check your dates.\n"
       "Error: TORVA failed on date check for precip event 2\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(run(cards("", 5, c.storms)), 4000);
    EXPECT_TRUE(has(summary(), c.message)) << summary();
  }
}

TEST_F(LongTerm, WithoutEvapotranspirationTheRunStopsWithCode9) {
  hooks.hourly_et = nullptr;
  EXPECT_EQ(run(cards()), 9);
  EXPECT_TRUE(events().empty());
}

// Weeks of frost freeze the ground: the storm of day 5 then runs off whole.
TEST_F(LongTerm, FrozenGroundTakesNoWater) {
  const std::string late = storm(5, 12, 30.0);
  ASSERT_EQ(run(cards("", 6, late, -20)), 0) << console;
  EXPECT_EQ(value_after(summary(), "volume of infiltrated water:"), 0.0);
  ASSERT_EQ(run(cards("", 6, late, 50)), 0) << console;
  EXPECT_GT(value_after(summary(), "volume of infiltrated water:"), 100.0);
}

// Each card of the long-term group shows in the run: without it (or beside it) the run stops
// with its code, becomes an event run, or ends its events elsewhere.
TEST_F(LongTerm, EachLongTermCardChangesTheRun) {
  const struct {
    const char* drop;  // a line taken out of the cards
    const char* add;   // a line put in
    int code;
    const char* shows;  // in the summary
  } cases[] = {
      {"LONG_TERM\n", "", 0, "TORVA EVENT RUNOFF SIMULATION SUMMARY"},
      {"LATITUDE 40\n", "", 57, ""},
      {"LONGITUDE 105\n", "", 57, ""},
      {"GMT -7\n", "", 58, ""},
      {"HMET_ZEB weather.zeb\n", "", 4000, "Error: a long-term run needs its hourly weather"},
      {"", "HMET_SAMSON weather.zeb\n", 8, ""},
      {"EVENT_MIN_Q 0.001\n", "", 0,
       "Event ended on strict Julian date:                    2460462.81"},
      {"", "", 0, "Event ended on strict Julian date:                    2460462.86"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.drop) + c.add);
    std::string text = cards() + c.add;
    if (*c.drop) text.erase(text.find(c.drop), std::string(c.drop).size());
    EXPECT_EQ(run(text), c.code);
    EXPECT_TRUE(has(summary(), c.shows)) << summary();
  }
}

// The same run on one and on two threads writes the same files, bit for bit.
TEST_F(LongTerm, OneAndTwoThreadsAgree) {
  std::string files[2];
  for (int threads = 1; threads <= 2; ++threads) {
    const std::string c = cards("NUM_THREADS " + std::to_string(threads) +
                                    "\nEVENT_MIN_Q 0.02\nEND_TIME 2024 6 1 8 0\nTIMESTEP 60\n",
                                1, storm(1, 2, 60.0), 68, 46);
    ASSERT_EQ(run(c), 0) << console;
    EXPECT_EQ(events(), std::vector<int>{1});
    const std::string sum = summary();
    files[threads - 1] = sum.substr(sum.find("finished reading")) + hydrograph();
  }
  EXPECT_EQ(files[0], files[1]);
}

TEST(Snow, DegreeDayMeltByHand) {
  const struct {
    double swe, temp, hours, melt;  // m, deg C, h, m
  } cases[] = {
      {0.01, 8.0, 1.0, 0.001},                               // 3 mm/(C day) x 8 C x 1/24 day
      {0.0005, 8.0, 1.0, 0.0005},                            // no more than the pack
      {0.01, 0.0, 1.0, 0.0},                                 // no melt at 0 C
      {0.01, -5.0, 1.0, 0.0},     {0.01, 24.0, 24.0, 0.01},  // a warm day takes the whole pack
  };
  for (const auto& c : cases) {
    std::vector<double> swe{0.0, c.swe, c.swe}, depth{0.0, 0.002, 0.0};
    EXPECT_NEAR(degree_day_melt(swe, depth, c.temp, c.hours), 2 * c.melt, 1e-15);
    EXPECT_NEAR(swe[1], c.swe - c.melt, 1e-15);
    EXPECT_NEAR(depth[1], 0.002 + c.melt, 1e-15);
  }
}

// A storm in frost lies as snow (60 mm on 36 cells of 900 m^2), melts in the thaw of day 3
// and runs off with the next storm's event; every balance closes.
TEST_F(LongTerm, SnowLiesInFrostAndMeltsInTheThaw) {
  std::string c = cards("", 5, storm(1, 6, 60.0) + storm(5, 6, 10.0));
  write("weather.zeb", zeb_weather(5, 14, 3, 59));
  ASSERT_EQ(run(c), 0) << console;
  const std::string sum = summary();
  const std::size_t second = sum.find("SUMMARY- EVENT 2");
  ASSERT_NE(second, std::string::npos);
  const std::string one = sum.substr(0, second), two = sum.substr(second);
  EXPECT_EQ(value_after(one, "final volume of snow (cu. m):"), 1944.0);
  EXPECT_TRUE(has(one, "********WARNING - YOU HAVE SNOW ACCUMULATION !!!!!!!!!!!!!!!!\n"));
  EXPECT_EQ(value_after(one, "volume of infiltrated water:"), 0.0);
  EXPECT_EQ(value_after(two, "initial liquid-equiv. volume of snow:"), 1944.0);
  EXPECT_EQ(value_after(two, "final volume of snow (cu. m):"), 0.0);
  EXPECT_FALSE(has(two, "SNOW ACCUMULATION"));
  for (const std::string& part : {one, two})
    EXPECT_NEAR(value_after(part, "mass conservation error:"), 0.0, 1e-6);
  EXPECT_NEAR(value_after(sum, "Overall mass balance error ="), 0.0, 1e-6);
}

TEST_F(LongTerm, InitialSnowComesFromItsCard) {
  ASSERT_EQ(run(cards("INIT_SWE_DEPTH 0.1\n", 1, storm(1, 6, 10.0), 14)), 0) << console;
  EXPECT_TRUE(has(summary(), "initial liquid-equiv. volume of snow:    3240.0\n"));
  EXPECT_NEAR(value_after(summary(), "Overall mass balance error ="), 0.0, 1e-6);
  EXPECT_EQ(run(cards("INIT_SWE_DEPTH deep\n")), 4000);
  EXPECT_TRUE(has(summary(),
                  "\nError: INIT_SWE_DEPTH must give the initial snow water equivalent in "
                  "metres (0 to 100); it gives \"deep\".\n"));
}

TEST(FrozenGroundIndex, GrowsWithFrostDecaysAndStaysPositive) {
  const struct {
    double cfgi, temp, snow, want;
  } cases[] = {
      {0.0, -24.0, 0.0, 1.0},                                // one frost hour at -24 C
      {10.0, -24.0, 0.0, 0.99875 * 10.0 + 1.0},              // decay, then growth
      {1.0, 24.0, 0.0, 0.0},                                 // a thaw never goes below zero
      {10.0, 12.0, 0.0, 9.9875 - 0.5},                       // thawing
      {0.0, -24.0, 0.1, std::exp(-0.4 * 0.08 * 100 * 0.1)},  // snow insulates
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(frozen_ground_index(c.cfgi, c.temp, c.snow), c.want);
}

// EVENT_MIN_Q: 0.1 is the card's (event-mode) default, a long-term run without the card
// ends its events below 0.05, and any value below 1e-5 becomes 0.05.
TEST_F(LongTerm, EventMinQDependsOnTheRunKind) {
  const struct {
    bool long_term;
    const char* card;
    double want;
  } cases[] = {{true, "", 0.05},
               {true, "EVENT_MIN_Q 0.2\n", 0.2},
               {true, "EVENT_MIN_Q 1e-6\n", 0.05},
               {false, "", 0.1},
               {false, "EVENT_MIN_Q 1e-6\n", 0.05}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.card);
    write("p.prj", std::string("TORVAPROJECT\n") + (c.long_term ? "LONG_TERM\n" : "") + c.card);
    ModelState s;
    s.project_file = path("p.prj");
    error_code() = ErrorCode{};
    ::testing::internal::CaptureStdout();
    stage_read_project(s);
    ::testing::internal::GetCapturedStdout();
    EXPECT_DOUBLE_EQ(s.event.min_q, c.want);
  }
}

}  // namespace
}  // namespace torva
