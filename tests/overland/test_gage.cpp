#include <gtest/gtest.h>

#include <random>

#include "model/model_state.hpp"
#include "overland/overland_stages.hpp"
#include "overland/precip_gage.hpp"
#include "overland/rain.hpp"
#include "test_connectivity_helpers.hpp"

namespace torva {
namespace {

using testing_grid::clear_error;
using testing_grid::make_grid;
using testing_grid::TempFile;

struct Read {
  GageFile::Result result;
  PrecipEvent ev;
  std::string out;
};

Read read_first(const std::string& text, const std::string& name = "g") {
  clear_error();
  TempFile f(name, text);
  GageFile file;
  EXPECT_TRUE(file.open(f.path()));
  Read r;
  testing::internal::CaptureStdout();
  r.result = file.read_event(r.ev, 1);
  r.out = testing::internal::GetCapturedStdout();
  return r;
}

const char* const kThreeGages =
    "EVENT \"storm of the day\"\n"
    "NRGAG 1\nNRPDS 3\n"
    "COORD 1005.0 4995.0 \"the one gage\"\n"
    "GAGES 2004 6 1 0 0 0\n"
    "GAGES 2004 6 1 0 30 10\n"
    "GAGES 2004 6 1 1 30 5\n";

TEST(GageFile, GagesDepthsBecomeIntensitiesOfTheIntervalThatFollows) {
  Read r = read_first(kThreeGages);
  ASSERT_EQ(r.result, GageFile::Result::event) << r.out;
  EXPECT_EQ(r.ev.title, "\"storm of the day\"");
  EXPECT_EQ(r.ev.kind, RecordKind::gages);
  EXPECT_EQ(r.ev.ngages, 1);
  EXPECT_EQ(r.ev.nrecords, 3);
  EXPECT_DOUBLE_EQ(r.ev.gage_x[1], 1005.0);
  EXPECT_EQ(r.ev.gage_text[1], "\"the one gage\"");
  EXPECT_DOUBLE_EQ(r.ev.value(1, 1), 20.0);
  EXPECT_DOUBLE_EQ(r.ev.value(2, 1), 5.0);
  EXPECT_DOUBLE_EQ(r.ev.start_time(), julian_date(2004, 6, 1, 0, 0, 0.0));
  EXPECT_DOUBLE_EQ(r.ev.end_time(), julian_date(2004, 6, 1, 1, 30, 0.0));
  EXPECT_EQ(error_code().code, 0);
}

TEST(GageFile, CardsMatchOnFourLettersAnyCaseAndCountsInEitherOrder) {
  Read r = read_first(
      "junk words first\nevents: one\n"
      "nrpd 2 nrgages 2\n"
      "coordinates 0 0 a\ncoor 10 0 b\n"
      "rates 98 1 2 3 4 1.5 2.5\nRATEs 98 1 2 3 5 0 0\n");
  ASSERT_EQ(r.result, GageFile::Result::event) << r.out;
  EXPECT_EQ(r.ev.title, "one");
  EXPECT_EQ(r.ev.ngages, 2);
  EXPECT_EQ(r.ev.nrecords, 2);
  EXPECT_EQ(r.ev.date[1].year, 1998);       // two-digit years are of the 1900s
  EXPECT_DOUBLE_EQ(r.ev.value(1, 1), 1.5);  // rates are unchanged
  EXPECT_DOUBLE_EQ(r.ev.value(1, 2), 2.5);
}

TEST(GageFile, AccumMayDropOnItsSecondRecordButNotLater) {
  Read ok = read_first(
      "EVENT a\nNRGAG 1 NRPDS 3\nCOORD 0 0 g\n"
      "ACCUM 2000 1 1 0 0 4\nACCUM 2000 1 1 1 0 3\nACCUM 2000 1 1 2 0 5\n");
  ASSERT_EQ(ok.result, GageFile::Result::event) << ok.out;
  EXPECT_DOUBLE_EQ(ok.ev.value(1, 1), -1.0);
  EXPECT_DOUBLE_EQ(ok.ev.value(2, 1), 2.0);

  Read bad = read_first(
      "EVENT accumulating\nNRGAG 1 NRPDS 3\nCOORD 0 0 g\n"
      "ACCUM 2000 1 1 0 0 1\nACCUM 2000 1 1 1 0 3\nACCUM 2000 1 1 2 0 2.5\n");
  EXPECT_EQ(bad.result, GageFile::Result::error);
  EXPECT_EQ(error_code().code, 4000);
  EXPECT_EQ(bad.out,
            "\nERROR:\n"
            "There is a data error in the precipitation file.  This error occurred in the\n"
            "EVENT titled:\n accumulating\n"
            "On line no. 6, the accumulated precip. for gage number 1 is:  2.50000 mm\n"
            "Which is less than the accumulated precip. on the previous line:  3.00000 mm\n"
            "This error in your precipitation input file must be corrected before TORVA\n"
            "can continue.  Accumulated precip is CUMULATIVE.  The values should increase\n"
            "monotonically.  Program exiting on error.\n\n");
  clear_error();
}

TEST(GageFile, DecreasingTimeIsRejectedWithItsLineNumber) {
  Read r = read_first(
      "EVENT backwards\nNRGAG 1\nNRPDS 3\nCOORD 0 0 g\n"
      "GAGES 2001 7 4 10 0 0\nGAGES 2001 7 4 10 0 1\n\nGAGES 2001 7 4 9 5 1\n");
  EXPECT_EQ(r.result, GageFile::Result::error);
  EXPECT_EQ(error_code().code, 4000);
  EXPECT_EQ(r.out,
            "\nERROR:\n"
            "There is a data error in the precipitation file.  This error occurred in the\n"
            "EVENT titled:\n backwards\n"
            "On line no. 8, the given time of the recorded data is:    7/4/2001 9:05\n"
            "Which is earlier than the date/time on the previous line:  7/4/2001 10:00\n"
            "This error in your precipitation input file must be corrected before TORVA\n"
            "can continue.  Program exiting on error.\n\n");
  clear_error();
}

TEST(GageFile, EqualTimesAreAllowedAndCarryNoRate) {
  Read r = read_first(
      "EVENT same\nNRGAG 1 NRPDS 3\nCOORD 0 0 g\n"
      "GAGES 2001 7 4 10 0 0\nGAGES 2001 7 4 10 0 4\nGAGES 2001 7 4 11 0 6\n");
  ASSERT_EQ(r.result, GageFile::Result::event) << r.out;
  EXPECT_EQ(r.ev.value(1, 1), 0.0);  // not 4 / 0
  EXPECT_DOUBLE_EQ(r.ev.value(2, 1), 6.0);
}

TEST(GageFile, MixedOrMissingCardKindsAreRejected) {
  Read mixed = read_first(
      "EVENT m\nNRGAG 1 NRPDS 2\nCOORD 0 0 g\nGAGES 2001 1 1 0 0 0\nRATES 2001 1 1 1 0 1\n");
  EXPECT_EQ(mixed.result, GageFile::Result::error);
  EXPECT_EQ(mixed.out,
            "\nERROR:\n\nThere is a problem in the precipitation input file.\n"
            "More than one precipitation data card type has been specified.\n"
            "There may only be one of the following card types per event:\n\n"
            "     1) RADAR\n     2) GAGES\n     3) RATES\n\n"
            "Check the precipitation input file.  TORVA exiting\n");
  EXPECT_EQ(error_code().code, 4000);

  Read none = read_first("EVENT m\nNRGAG 1 NRPDS 1\nCOORD 0 0 g\nRAIN 2001 1 1 0 0 0\n");
  EXPECT_EQ(none.result, GageFile::Result::error);
  EXPECT_NE(none.out.find("At least one precipitation data card type must be specified.\n"
                          "There may only be one of the following card types per event:\n\n"
                          "     1) RADAR\n     2) GAGES\n     3) RATES    4) ACCUM\n\n"),
            std::string::npos);
  clear_error();
}

TEST(GageFile, MissingGageValueNamesRecordAndGage) {
  Read r = read_first(
      "EVENT short\nNRGAG 2 NRPDS 2\nCOORD 0 0 a\nCOORD 5 5 b\n"
      "GAGES 2001 1 1 0 0 0 0\nGAGES 2001 1 1 1 0 3\n");
  EXPECT_EQ(r.result, GageFile::Result::error);
  EXPECT_EQ(r.out,
            "\n ERROR: \n\n check out gage input for precip record 2\n look at gage 2 \n"
            "Unexpected end of file in rain gauge data file.\n"
            "Check the format of the data file.\nProgram terminated.");
  EXPECT_EQ(error_code().code, 4000);
  clear_error();
}

TEST(GageFile, MissingCoordinateCardIsRejected) {
  Read r = read_first("EVENT nc\nNRGAG 2 NRPDS 1\nCOORD 0 0 a\nGAGES 2001 1 1 0 0 0 0\n");
  EXPECT_EQ(r.result, GageFile::Result::error);
  EXPECT_EQ(r.out,
            "\nCannot find gage coordinate card in rainfall input file for event entitled:\n"
            "       nc\n\nCheck rainfall input file format.\n");
  clear_error();
}

TEST(GageFile, SearchLimitsOfTenThousandWordsHold) {
  std::string before_event;
  for (int i = 0; i < 10001; ++i) before_event += i % 10 == 9 ? "word\n" : "word ";
  Read a = read_first(before_event + "\nEVENT late\n");
  EXPECT_EQ(a.result, GageFile::Result::error);
  EXPECT_EQ(a.out,
            "There is a problem with your rainfall input file.  TORVA cannot\n"
            "find the first event card.  Check the format of the rainfall input for event 1\n"
            "file.\n\n");
  Read b = read_first("EVENT lost\n" + before_event + "NRGAG 1 NRPDS 1\n");
  EXPECT_EQ(b.result, GageFile::Result::error);
  EXPECT_EQ(b.out,
            "\nThere is a problem with your rainfall input file.  TORVA cannot\n"
            "find the NRPDS or NRGAG card for the event entitled:\n   lost\n\n"
            "Check the format of the rainfall input file.\n");
  EXPECT_EQ(error_code().code, 4000);
  clear_error();
}

TEST(GageFile, CountsAreCheckedBeforeAllocation) {
  for (const char* counts : {"NRGAG 0 NRPDS 3", "NRGAG 2 NRPDS -1", "NRGAG 999999999 NRPDS 9",
                             "NRGAG 50000 NRPDS 50000", "NRGAG x NRPDS 2"}) {
    Read r = read_first(std::string("EVENT big\n") + counts + "\n");
    EXPECT_EQ(r.result, GageFile::Result::error) << counts;
    EXPECT_NE(r.out.find("Check the NRGAG and NRPDS cards."), std::string::npos) << counts;
    EXPECT_EQ(error_code().code, 4000);
  }
  clear_error();
}

TEST(GageFile, EventsAreReadOneAtATimeUntilNoneIsLeft) {
  clear_error();
  TempFile f("multi", std::string(kThreeGages) +
                          "EVENT second\nNRGAG 1 NRPDS 2\nCOORD 0 0 g\n"
                          "RADAR 2004 6 2 0 0 7\nRADAR 2004 6 2 1 0 9\n");
  EXPECT_EQ(GageFile::count_events(f.path()), 2);
  GageFile file;
  ASSERT_TRUE(file.open(f.path()));
  PrecipEvent ev;
  ASSERT_EQ(file.read_event(ev, 1), GageFile::Result::event);
  ASSERT_EQ(file.read_event(ev, 2), GageFile::Result::event);
  EXPECT_EQ(ev.title, "second");
  EXPECT_EQ(ev.kind, RecordKind::radar);
  EXPECT_DOUBLE_EQ(ev.value(1, 1), 9.0);  // the period ending at record 2
  EXPECT_EQ(file.read_event(ev, 3), GageFile::Result::no_event);
  EXPECT_EQ(error_code().code, 0);
}

TEST(GageFile, RadarFileEventsTakeOnePathPerRecord) {
  Read r = read_first(
      "EVENT radar\nNRGAG files NRPDS 2\n"
      "RADAR 2004 6 2 0 0 \"first file.asc\"\nRADAR 2004 6 2 1 0 second.asc\n");
  ASSERT_EQ(r.result, GageFile::Result::event) << r.out;
  EXPECT_TRUE(r.ev.radar_files);
  EXPECT_EQ(r.ev.ngages, 1);
  EXPECT_EQ(r.ev.radar_file[1], "second.asc");  // the file of the period ending at record 2
}

// Every prefix of a valid file and a few garbage files end in an orderly way.
TEST(GageFile, TruncatedAndGarbageFilesNeverCrashOrHang) {
  const std::string full = std::string(kThreeGages) +
                           "EVENT b\nNRGAG 2 NRPDS 2\nCOORD 0 0 a\n"
                           "COORD 1 1 b\nACCUM 99 1 1 0 0 1 2\n"
                           "ACCUM 99 1 1 0 10 2 3\n";
  for (std::size_t cut = 0; cut < full.size(); ++cut) {
    clear_error();
    TempFile f("cut", full.substr(0, cut));
    GageFile file;
    ASSERT_TRUE(file.open(f.path()));
    PrecipEvent ev;
    testing::internal::CaptureStdout();
    for (int e = 1; e <= 3; ++e) {
      const GageFile::Result r = file.read_event(ev, e);
      if (r != GageFile::Result::event) {
        if (r == GageFile::Result::error) {
          EXPECT_EQ(error_code().code, 4000) << cut;
        }
        break;
      }
    }
    testing::internal::GetCapturedStdout();
  }
  std::mt19937 rng(7);
  const std::string alphabet = "EVNTRGAPDSCO0123456789 .,-\n\t\"files";
  for (int trial = 0; trial < 200; ++trial) {
    std::string text;
    for (int i = 0; i < 300; ++i) text.push_back(alphabet[rng() % alphabet.size()]);
    if (trial % 3 == 0) text = "EVENT x\nNRGAG 2 NRPDS 4\n" + text;
    clear_error();
    TempFile f("garbage", text);
    GageFile file;
    ASSERT_TRUE(file.open(f.path()));
    PrecipEvent ev;
    testing::internal::CaptureStdout();
    const GageFile::Result r = file.read_event(ev, 1);
    testing::internal::GetCapturedStdout();
    if (r == GageFile::Result::error) {
      EXPECT_EQ(error_code().code, 4000);
    }
  }
  clear_error();
}

// A small run: one gage over a 2 x 2 grid, one-minute steps.
struct GageRun {
  ModelState s;
  TempFile file;
  explicit GageRun(const std::string& text, double dt = 60.0) : file("run", text) {
    clear_error();
    s.run.quiet = true;
    make_grid(s.grid, {"11", "11"}, 10.0);
    s.settings.precip.precip_file = file.path();
    s.settings.precip.precip_file_given = true;
    s.run.rain_source = RainSource::gages;
    s.settings.site.tot_time = 120;
    s.clock.dt = dt;
    s.clock.dt_days = dt / kSecondsPerDay;
    testing::internal::CaptureStdout();
    stage_first_event_setup(s);
    testing::internal::GetCapturedStdout();
  }
  // Runs the clock and precipitation stages until `minutes` have elapsed (inclusive).
  void run_to(double minutes) {
    while (s.clock.pass == 0 || s.clock.elapsed_minutes + 1e-9 < minutes) {
      advance_clock(s.clock);
      stage_precipitation(s);
    }
  }
};

TEST(GageRain, IntensitiesChangeAtRecordTimesAndEndAtTheLastRecord) {
  GageRun r(kThreeGages);
  ASSERT_EQ(error_code().code, 0);
  EXPECT_DOUBLE_EQ(r.s.clock.start_time, julian_date(2004, 6, 1, 0, 0, 0.0));
  EXPECT_DOUBLE_EQ(r.s.clock.end_time, r.s.clock.start_time + 120.0 / 1440.0);
  r.run_to(0.0);
  EXPECT_DOUBLE_EQ(r.s.rain.rain_rate[4], 20.0);  // from 00:00
  r.run_to(29.0);
  EXPECT_DOUBLE_EQ(r.s.rain.rain_rate[1], 20.0);
  r.run_to(30.0);
  EXPECT_DOUBLE_EQ(r.s.rain.rain_rate[1], 5.0);  // from 00:30
  EXPECT_EQ(r.s.event.precip_state, kRainRunning);
  r.run_to(89.0);
  EXPECT_DOUBLE_EQ(r.s.rain.rain_rate[2], 5.0);
  r.run_to(90.0);
  EXPECT_EQ(r.s.rain.rain_rate[2], 0.0);  // ends at the last record, 01:30
  EXPECT_EQ(r.s.event.precip_state, kRainEnded);
}

TEST(GageRain, RecordsFallingWithinOneStepLeaveTheLatestInForce) {
  GageRun r(
      "EVENT e\nNRGAG 1 NRPDS 4\nCOORD 0 0 g\n"
      "RATES 2004 6 1 0 0 1\nRATES 2004 6 1 0 2 2\nRATES 2004 6 1 0 4 3\n"
      "RATES 2004 6 1 0 30 0\n",
      300.0);
  r.run_to(0.0);
  EXPECT_DOUBLE_EQ(r.s.rain.rain_rate[1], 1.0);
  r.run_to(5.0);
  EXPECT_DOUBLE_EQ(r.s.rain.rain_rate[1], 3.0);
  r.run_to(30.0);
  EXPECT_EQ(r.s.event.precip_state, kRainEnded);
}

TEST(GageRain, FileWithoutEventStopsTheRun) {
  clear_error();
  GageRun r("nothing but words\n");
  EXPECT_EQ(error_code().code, 4000);
  EXPECT_EQ(r.s.event.precip_state, kRainNoEvent);
  clear_error();
}

TEST(GageRain, UnopenableFileIsCode4) {
  clear_error();
  ModelState s;
  make_grid(s.grid, {"1"}, 10.0);
  s.settings.precip.precip_file = "no_such_rain_file.gag";
  s.settings.precip.precip_file_given = true;
  s.run.rain_source = RainSource::gages;
  stage_first_event_setup(s);
  EXPECT_EQ(error_code().code, 4);
  EXPECT_EQ(error_code().file, "no_such_rain_file.gag");
  clear_error();
}

TEST(GageRain, ThiessenUsesTheNearestGage) {
  clear_error();
  // Cell centres of the 2 x 2 grid: (1005, 4995), (1015, 4995), (1005, 4985), (1015, 4985).
  TempFile gage("thiessen",
                "EVENT t\nNRGAG 2 NRPDS 2\nCOORD 1000 5000 nw\nCOORD 1020 4980 se\n"
                "RATES 2004 6 1 0 0 3 8\nRATES 2004 6 1 1 0 0 0\n");
  ModelState s;
  s.run.quiet = true;
  make_grid(s.grid, {"11", "11"}, 10.0);
  s.settings.precip.precip_file = gage.path();
  s.settings.precip.precip_file_given = true;
  s.run.rain_source = RainSource::gages;
  s.settings.precip.rain_thiessen = 1;
  s.clock.dt = 60.0;
  s.clock.dt_days = 60.0 / kSecondsPerDay;
  testing::internal::CaptureStdout();
  stage_first_event_setup(s);
  advance_clock(s.clock);
  stage_precipitation(s);
  testing::internal::GetCapturedStdout();
  ASSERT_EQ(error_code().code, 0);
  EXPECT_EQ(s.rain.nearest_gage[1], 1);
  EXPECT_EQ(s.rain.nearest_gage[2], 1);  // equidistant: the lower gage number
  EXPECT_EQ(s.rain.nearest_gage[4], 2);
  EXPECT_EQ(s.rain.rain_rate[1], 3.0);
  EXPECT_EQ(s.rain.rain_rate[4], 8.0);
}

TEST(GageRain, LongTermRunsReadTheNextEventAtItsStartAndStopAfterTheLast) {
  TempFile f("two", std::string(kThreeGages) +
                        "EVENT later\nNRGAG 1 NRPDS 2\nCOORD 0 0 g\n"
                        "RATES 2004 6 3 0 0 4\nRATES 2004 6 3 1 0 0\n");
  clear_error();
  ModelState s;
  s.run.quiet = true;
  s.run.long_term = true;
  make_grid(s.grid, {"11"}, 10.0);
  s.settings.precip.precip_file = f.path();
  s.settings.precip.precip_file_given = true;
  s.run.rain_source = RainSource::gages;
  s.clock.dt = 60.0;
  testing::internal::CaptureStdout();
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
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(s.event.precip_state, kRainNoEvent);
  EXPECT_FALSE(s.event.simulation_continues);
  EXPECT_NE(out.find("Precip data for event 3 was not found in file: " + f.path() +
                     "\nTORVA assumes this means all events have been simulated.\n"
                     "Program terminating normally.\n"),
            std::string::npos);
  EXPECT_EQ(error_code().code, 0);
}

}  // namespace
}  // namespace torva
