// The hourly weather readers (ZEB, SAMSON, Surface Airways) and the date check.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "frame/run_context.hpp"
#include "hmet_files.hpp"
#include "subsurface/hmet.hpp"
#include "support/reader_sweep.hpp"
#include "support/scratch.hpp"

namespace torva {
namespace {

using namespace testing_hmet;
using support::Scratch;

struct Read {
  int scan = 0;
  std::vector<HmetRecord> rec;
  std::string out;
  int code = 0;
  HmetReader reader;
};

// Scans `text` as a file of `format`, then reads every record.
void read_all(const Scratch& dir, HmetFormat format, const std::string& text, Read& r) {
  dir.write("w.txt", text);
  error_code() = ErrorCode{};
  ::testing::internal::CaptureStdout();
  ASSERT_TRUE(r.reader.open(format, dir.path("w.txt")));
  r.scan = hmet_read(r.reader, 1, r.rec.emplace_back());
  r.rec.clear();
  HmetRecord rec;
  for (int call = 2; r.scan == 0; ++call) {
    const int got = hmet_read(r.reader, call, rec);
    if (got <= 0) break;
    EXPECT_EQ(got, format == HmetFormat::zeb ? 11 : 1);
    r.rec.push_back(rec);
  }
  r.out = ::testing::internal::GetCapturedStdout();
  r.code = error_code().code;
}

// A week from 26 February 1996 (SAMSON years have two digits), across the leap day, with
// every field varying by the hour.
std::vector<std::vector<Hour>> week() {
  std::vector<std::vector<Hour>> days;
  const int dates[7][2] = {{2, 26}, {2, 27}, {2, 28}, {2, 29}, {3, 1}, {3, 2}, {3, 3}};
  for (int d = 0; d < 7; ++d) {
    days.emplace_back();
    for (int h = 1; h <= 24; ++h)
      days.back().push_back({1996, dates[d][0], dates[d][1], h, 32 + 9 * ((d + h) % 5),
                             40 + (3 * d + h) % 50, (d + h) % 11, (d + 2 * h) % 20,
                             29.5 + 0.01 * ((d + h) % 40), 10 * ((d * h) % 50),
                             20 * ((d + h) % 30)});
  }
  return days;
}

TEST(Hmet, OneWeekInThreeFormatsReadsAlike) {
  Scratch dir;
  std::string zeb, samson = samson_header(), ncdc;
  for (const auto& day : week()) {
    for (const Hour& h : day) zeb += zeb_line(h), samson += samson_line(h);
    ncdc += ncdc_day(day);
  }
  Read r[3];
  read_all(dir, HmetFormat::zeb, zeb, r[0]);
  read_all(dir, HmetFormat::samson, samson, r[1]);
  read_all(dir, HmetFormat::surface_airways, ncdc, r[2]);
  const double start = julian_date(1996, 2, 26, 1, 0, 0.0);
  const auto days = week();
  for (int f = 0; f < 3; ++f) {
    SCOPED_TRACE(f);
    ASSERT_EQ(r[f].scan, 0) << r[f].out;
    ASSERT_EQ(r[f].rec.size(), 168u);
    EXPECT_EQ(r[f].reader.first, (HmetDate{1996, 2, 26, 1}));
    EXPECT_EQ(r[f].reader.last, (HmetDate{1996, 3, 4, 0}));
    EXPECT_EQ(r[f].reader.records, 168);
    EXPECT_EQ(r[f].reader.missing_count, 0);
    for (int k = 0; k < 168; ++k) {
      const HmetRecord& got = r[f].rec[k];
      const Hour& h = days[k / 24][k % 24];
      const CalendarTime t = calendar_time(start + k / 24.0);
      ASSERT_EQ(got.date(), (HmetDate{t.year, t.month, t.day, t.hour})) << k;
      // Within the printed precision of the coarsest format (SAMSON's 0.1 and whole mbar).
      EXPECT_NEAR(got.temperature, (h.temp_f - 32) / 1.8, 1e-9);
      EXPECT_EQ(got.rel_humidity, h.rh);
      EXPECT_EQ(got.sky_cover, h.sky);
      EXPECT_NEAR(got.wind_speed, h.wind_kt * 0.514444, 0.05);
      EXPECT_NEAR(got.pressure, h.p_inhg * 33.8653, 0.5);
      EXPECT_EQ(got.direct_rad, h.direct);
      EXPECT_EQ(got.global_rad, h.global);
    }
  }
}

struct RollCase {
  int year, month, day;
  HmetDate want;
};

// Two-digit years are of the 1900s, and (year - 1900) divisible by 4 makes February 29 days.
TEST(Hmet, SamsonHour24IsHourZeroOfTheNextDay) {
  const RollCase cases[] = {{96, 2, 28, {1996, 2, 29, 0}}, {97, 2, 28, {1997, 3, 1, 0}},
                            {0, 2, 28, {1900, 2, 29, 0}},  {99, 12, 31, {2000, 1, 1, 0}},
                            {96, 4, 30, {1996, 5, 1, 0}},  {96, 4, 29, {1996, 4, 30, 0}}};
  for (const RollCase& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.year << "/" << c.month << "/" << c.day);
    Scratch dir;
    Read r;
    const Hour h{c.year, c.month, c.day, 24, 50, 60, 5, 10, 30.0, 0, 0};
    read_all(dir, HmetFormat::samson, samson_header() + samson_line(h), r);
    ASSERT_EQ(r.rec.size(), 1u) << r.out;
    EXPECT_EQ(r.rec[0].date(), c.want);
  }
}

// A value marked missing takes the last good value: of the same hour of the day for
// humidity, temperature and the radiations, the single last one for the rest.
TEST(Hmet, MissingValuesAreRepairedAndCounted) {
  Scratch dir;
  Hour a{1996, 6, 1, 5, 50, 60, 5, 10, 30.0, 100, 200};
  Hour b{1996, 6, 1, 6, 59, 70, 7, 12, 29.9, 110, 210};
  Hour c = a;
  c.day = 2;
  std::string samson = samson_header() + samson_line(a) + samson_line(b) + samson_line(c);
  put(samson, samson.size() - 86 + 68, samson.size() - 86 + 70, "999");  // humidity of day 2
  put(samson, samson.size() - 86 + 50, samson.size() - 86 + 51, "99");   // sky cover of day 2
  Read s;
  read_all(dir, HmetFormat::samson, samson, s);
  ASSERT_EQ(s.rec.size(), 3u) << s.out;
  EXPECT_EQ(s.rec[2].rel_humidity, 60);  // hour 5 of day 1, not hour 6
  EXPECT_EQ(s.rec[2].sky_cover, 7);      // the last sky cover
  EXPECT_EQ(s.reader.missing_count, 2);

  Read z;
  read_all(dir, HmetFormat::zeb,
           "1996 6 1 5 29.9876 60 5 10 50 100 200\n1996 6 1 6 30 70 7 12 59 110 210\n"
           "1996 6 2 5 999.0 999 999 999 999 10000 10000\n",
           z);
  ASSERT_EQ(z.rec.size(), 3u) << z.out;
  EXPECT_DOUBLE_EQ(z.rec[2].pressure, 30.0 * 1013.25 / 29.92);
  EXPECT_EQ(z.rec[2].rel_humidity, 60);
  EXPECT_EQ(z.rec[2].sky_cover, 7);
  EXPECT_DOUBLE_EQ(z.rec[2].wind_speed, 12 * 0.514444);
  EXPECT_DOUBLE_EQ(z.rec[2].temperature, (50 - 32) * 0.5555555555555556);
  EXPECT_EQ(z.rec[2].direct_rad, 100);
  EXPECT_EQ(z.rec[2].global_rad, 200);
  EXPECT_EQ(z.reader.missing_count, 7);

  // Surface Airways: sky cover 999xx and wind speed xx999 are missing; hour 0500 of day 2
  // falls back on day 1.
  const std::vector<Hour> d1{a, b};
  std::string ncdc = ncdc_day(d1);
  Hour c2 = c;
  c2.rh = 0;
  ncdc += ncdc_day({c2});
  ncdc.replace(ncdc.rfind("RHUM") + 24, 5, "99999");
  ncdc.replace(ncdc.rfind("TSKC") + 24, 5, "99901");
  ncdc.replace(ncdc.rfind("WIND") + 24, 5, "27999");
  Read n;
  read_all(dir, HmetFormat::surface_airways, ncdc, n);
  ASSERT_EQ(n.rec.size(), 3u) << n.out;
  EXPECT_EQ(n.rec[2].rel_humidity, 60);
  EXPECT_EQ(n.rec[2].sky_cover, 7);
  EXPECT_DOUBLE_EQ(n.rec[2].wind_speed, 12 * 0.514444);
  EXPECT_EQ(n.reader.missing_count, 3);
}

const char* const kZebTable =
    "Make sure your file is in the correct format, including making sure\n"
    "all input data are listed as floats or ints as specified in the following\n"
    "format table:\n"
    " Format:\n1   2   3   4    5     6           7        8         9    10        11  \n"
    "Yr  Mo  Day Hr  Press. RelHumidity SkyCover WindSpeed Temp DirectRad GlobalRad\n"
    "int int int int float  int         int      int       int  float     float\n\n";

std::string zeb_error(int line, int parameter) {
  return "Error: Problem encountered in hmet_ZEB file, line " + std::to_string(line) +
         ", near parameter " + std::to_string(parameter) + "\n\n" + kZebTable;
}

std::string ncdc_counts(const char* counts) {
  return std::string("DRAD GRAD PRES RHUM TMPD TSKC WIND\n") + counts +
         "End of hmet_NCDC file encountered after 7 lines\n" +
         "There is an error in the Surface Airways hydrometeorology\n"
         "data file.  There appears to be a different number of \n";
}

struct MessageCase {
  const char* name;
  HmetFormat format;
  std::string text;
  std::string message;  // the whole console output of the scan, %s standing for the path
  int code;
};

TEST(Hmet, EveryFormatMessageWordForWord) {
  const Hour h{1996, 6, 1, 5, 50, 60, 5, 10, 30.0, 100, 200};
  const std::string day = ncdc_day({h});
  std::string long_line = day;
  long_line.insert(long_line.find('\n'), std::string(791 - long_line.find('\n'), ' '));
  const std::string bad_samson = samson_header() + samson_line(h).replace(57, 1, "x");
  const MessageCase cases[] = {
      {"zeb ten numbers", HmetFormat::zeb,
       "2004 6 1 5 30 60 5 10 50 100 200\n2004 6 1 6 30 60 5 10 50 100\n", zeb_error(2, 11), 4000},
      {"zeb real humidity", HmetFormat::zeb, "2004 6 1 5 30 60.5 5 10 50 100 200\n",
       zeb_error(1, 6), 4000},
      {"zeb word pressure", HmetFormat::zeb, "\n2004 6 1 5 high 60 5 10 50 100 200\n",
       zeb_error(2, 5), 4000},
      {"zeb month 13", HmetFormat::zeb, "2004 13 1 5 30 60 5 10 50 100 200\n", zeb_error(1, 2),
       4000},
      {"zeb hour 24", HmetFormat::zeb, "2004 6 1 24 30 60 5 10 50 100 200\n", zeb_error(1, 4),
       4000},
      {"zeb read", HmetFormat::zeb,
       "2004 6 1 5 30 60 5 10 50 100 200\n2004 6 1 6 30 60 5 10 50 1 2\n",
       "End of hmet_ZEB file encountered after 2 lines\n", 0},
      {"zeb backwards", HmetFormat::zeb,
       "2004 6 1 5 30 60 5 10 50 100 200\n2004 6 1 5 30 60 5 10 50 1 2\n",
       "\nError: hydrometeorological file %s, line 2: the record of 2004/6/1 5:00 is not later "
       "than the one before it.\n",
       4000},
      {"zeb empty", HmetFormat::zeb, "\n",
       "End of hmet_ZEB file encountered after 0 lines\n\nError: the hydrometeorological file %s "
       "holds no hourly records.\n",
       4000},
      {"ncdc read", HmetFormat::surface_airways, day,
       "DRAD GRAD PRES RHUM TMPD TSKC WIND\n 1  1  1  1  1  1  1\n"
       "End of hmet_NCDC file encountered after 7 lines\n",
       0},
      {"ncdc line too long", HmetFormat::surface_airways, long_line,
       "Line too long in hmet_NCDC input file.  Program exiting\n", 4000},
      {"samson bad temperature", HmetFormat::samson, bad_samson,
       "\nError: Problem encountered in hmet_SAMSON file %s, line 3, columns 56-60\n", 4000},
      {"samson no header", HmetFormat::samson, "",
       "\nError: Problem encountered in hmet_SAMSON file %s: the station header line (line 1) is "
       "missing.\n",
       4000},
  };
  for (const MessageCase& c : cases) {
    SCOPED_TRACE(c.name);
    Scratch dir;
    Read r;
    read_all(dir, c.format, c.text, r);
    std::string want = c.message;
    if (const auto at = want.find("%s"); at != std::string::npos)
      want.replace(at, 2, dir.path("w.txt"));
    EXPECT_EQ(r.out, want);
    EXPECT_EQ(r.scan, c.code ? -1 : 0);
    EXPECT_EQ(r.code, c.code);
  }
}

TEST(Hmet, SurfaceAirwaysElementDaysMustMatchTheTemperatureDays) {
  const Hour h{1996, 6, 1, 5, 50, 60, 5, 10, 30.0, 100, 200};
  const std::string day = ncdc_day({h});
  const struct {
    const char* code;
    const char* counts;
    const char* tail;
  } cases[] = {
      {"RHUM", " 1  1  1  0  1  1  1\n",
       "days of rel. humidity data than temperature data.  Rel. hum.\n"
       "data is required for each day.  Examine the file and supply\n"
       "the missing data.  Program terminating\n\n"},
      {"TSKC", " 1  1  1  1  1  0  1\n",
       "days of cloud cover data than temperature data.  Cloud cover\n"
       "data is required for each day.  Examine the file and supply the \n"
       "missing data.  Program terminating\n\n"},
      {"WIND", " 1  1  1  1  1  1  0\n",
       "days of wind data than temperature data.  Wind data is\n"
       "required for each day.  Examine the file and supply the \n"
       "missing data.  Program terminating\n\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    std::string text = day;
    const std::size_t at = text.find(c.code) - 11;
    text.replace(at + 11, 4, "CLHT");  // an element the model does not use, in its place
    Scratch dir;
    Read r;
    read_all(dir, HmetFormat::surface_airways, text, r);
    EXPECT_EQ(r.out, ncdc_counts(c.counts) + c.tail);
    EXPECT_EQ(r.code, 4000);
  }
}

struct DateCase {
  HmetDate first, last, rain;
  std::string message;  // empty when the rain lies inside the weather record
};

TEST(Hmet, DateCheckComparesWholeDates) {
  const HmetDate y1a{2004, 3, 10, 6}, y1b{2004, 11, 20, 18};  // one year
  const HmetDate y2a{2003, 6, 1, 1}, y2b{2004, 12, 31, 0};    // two years
  const std::string dates = "Program terminating.  Check your dates.\n";
  const DateCase cases[] = {
      {y1a,
       y1b,
       {2004, 2, 15, 0},
       "\nRaingage Data starts in month 2 of 2004 while hmet data starts in\nmonth 3 of 2004\n" +
           dates},
      {y2a,
       y2b,
       {2003, 3, 10, 0},  // before the first month of the first of two years
       "\nRaingage Data starts in month 3 of 2003 while hmet data starts in\nmonth 6 of 2003\n" +
           dates},
      {y2a, y2b, {2004, 3, 10, 0}, ""},  // in the last year, before the first month: inside
      {y2a, y2b, {2003, 12, 31, 23}, ""},
      {y2a,
       y2b,
       {2002, 7, 1, 0},
       "\nRaingage Data starts in 2002, hydromet data doesn't start until 2003.\n" + dates},
      {y2a,
       y2b,
       {2005, 1, 1, 0},
       "\nRaingage Data starts in 2005, hydromet data ends in 2004.\n" + dates},
      {y1a,
       y1b,
       {2004, 12, 1, 0},
       "\nRaingage Data starts in month 12 of 2004 while hmet data ends in\nmonth 11 of 2004\n" +
           dates},
      {y1a,
       y1b,
       {2004, 3, 9, 12},
       "\nRaingage data starts on day 9 of month 3 in year 2004\nwhile the hmet data begins on day "
       "10 of month 3 in year 2004\n" +
           dates},
      {y1a,
       y1b,
       {2004, 11, 21, 0},
       "\nRaingage data starts on day 21 of month 11 in year 2004\nwhile the hmet data ends on day "
       "20 of month 11 in year 2004\n" +
           dates},
      {y1a,
       y1b,
       {2004, 3, 10, 5},
       "\nRaingage data starts on hour 5 day 10 month 3 in year 2004\nwhile the hmet data begins "
       "on hour 6 day 10 of month 3 in year 2004\nProgram terminating.  Check your times and "
       "dates.\n"},
      {y1a,
       y1b,
       {2004, 11, 20, 19},
       "\nRaingage data starts on hour 19 day 20 month 11 in year 2004\nwhile the hmet data ends "
       "on hour 18 day 20 of month 11 in year 2004\nProgram terminating.  Check your times and "
       "dates.\n"},
      {y1a, y1b, y1a, ""},
      {y1a, y1b, y1b, ""},
  };
  for (const DateCase& c : cases) {
    SCOPED_TRACE(::testing::Message()
                 << c.rain.year << "/" << c.rain.month << "/" << c.rain.day << " " << c.rain.hour);
    ::testing::internal::CaptureStdout();
    const bool ok = hmet_date_check(c.first, c.last, c.rain);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), c.message);
    EXPECT_EQ(ok, c.message.empty());
  }
}

// Every cut and scrambled copy of a valid file of each format is read or refused with a
// message and code 4000; a file that reads gives as many records as its scan counted.
TEST(Hmet, DamagedFilesAreReadOrRefusedInOrder) {
  const Hour h1{1996, 6, 1, 23, 50, 60, 5, 10, 30.0, 100, 200};
  const Hour h2{1996, 6, 1, 24, 41, 70, 3, 12, 29.8, 0, 0};
  const std::pair<HmetFormat, std::string> files[] = {
      {HmetFormat::zeb, zeb_line(h1) + zeb_line(h2)},
      {HmetFormat::samson, samson_header() + samson_line(h1) + samson_line(h2)},
      {HmetFormat::surface_airways, ncdc_day({h1, h2})},
  };
  for (const auto& [format, text] : files) {
    SCOPED_TRACE(int(format));
    Scratch dir;
    support::reader_sweep(dir, text, [format = format](const std::string& path) {
      HmetReader r;
      if (!r.open(format, path)) return false;
      ::testing::internal::CaptureStdout();
      const int scan = r.scan();
      long n = 0;
      HmetRecord rec;
      int got = 0;
      while (scan == 0 && (got = r.read(rec)) > 0) ++n;
      const std::string out = ::testing::internal::GetCapturedStdout();
      if (scan == 0) return got == -1 && n == r.records && error_code().code == 0;
      return error_code().code == 4000 && !out.empty();
    });
  }
}

}  // namespace
}  // namespace torva
