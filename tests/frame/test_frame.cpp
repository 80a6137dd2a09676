#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "frame/arrays.hpp"
#include "frame/clock.hpp"
#include "frame/file_handle.hpp"
#include "frame/report.hpp"
#include "frame/run_context.hpp"

namespace torva {
namespace {

using Fields = std::array<int, 6>;
Fields fields(const CalendarTime& t) {
  return {t.year, t.month, t.day, t.hour, t.minute, t.second};
}

// Julian dates from the almanac: the epoch is noon, so midnight ends in .5.
TEST(JulianDate, KnownDatesBothWays) {
  const std::pair<Fields, double> rows[] = {{{2000, 1, 1, 12, 0, 0}, 2451545.0},
                                            {{2000, 1, 1, 0, 0, 0}, 2451544.5},
                                            {{1858, 11, 17, 0, 0, 0}, 2400000.5},  // MJD zero
                                            {{1999, 12, 31, 18, 0, 0}, 2451544.25}};
  for (const auto& [t, jd] : rows) {
    SCOPED_TRACE(std::to_string(jd));
    EXPECT_DOUBLE_EQ(julian_date(t[0], t[1], t[2], t[3], t[4], t[5]), jd);
    EXPECT_EQ(fields(calendar_time(jd)), t);
  }
}

TEST(JulianDate, EveryMinuteOfALeapDayRoundTripsIntoMarch) {
  for (int m = 0; m < 24 * 60; ++m)
    ASSERT_EQ(fields(calendar_time(julian_date(2024, 2, 29, m / 60, m % 60, 0))),
              (Fields{2024, 2, 29, m / 60, m % 60, 0}));
  EXPECT_EQ(fields(calendar_time(julian_date(2024, 2, 29, 23, 59, 0) + 60.0 / 86400.0)),
            (Fields{2024, 3, 1, 0, 0, 0}));
}

// A time built from step counts may fall short of its minute by less than 0.01 s.
TEST(JulianDate, HundredthOfASecondRule) {
  const double minute = julian_date(2010, 6, 1, 0, 1, 0), s = 1.0 / 86400.0;
  EXPECT_EQ(fields(calendar_time(minute - 0.005 * s)), (Fields{2010, 6, 1, 0, 1, 0}));
  EXPECT_EQ(fields(calendar_time(minute - 0.02 * s)), (Fields{2010, 6, 1, 0, 0, 59}));
  EXPECT_TRUE(same_time(minute, minute + 0.009 * s));
  EXPECT_FALSE(same_time(minute, minute + 0.011 * s));
}

// February has 29 days whenever (year - 1900) is divisible by 4, 2100 included.
TEST(DayOfYear, MonthsAndTheFebruaryRule) {
  const int rows[][4] = {{2001, 1, 1, 1},  {2001, 3, 1, 60}, {2004, 3, 1, 61}, {2000, 12, 31, 366},
                         {1900, 3, 1, 61}, {2100, 3, 1, 61}, {2101, 3, 1, 60}};
  for (const auto& r : rows) {
    SCOPED_TRACE(std::to_string(r[0]) + "-" + std::to_string(r[1]) + "-" + std::to_string(r[2]));
    EXPECT_EQ(day_of_year(r[0], r[1], r[2]), r[3]);
  }
}

TEST(Clock, FirstPassKeepsTheStartTime) {
  ClockState c;
  c.dt = 30.0;
  c.dt_days = 30.0 / 86400.0;
  c.start_time = c.current_time = julian_date(2020, 7, 4, 6, 0, 0);
  const double elapsed[] = {0.0, 0.5, 1.0};
  for (long pass = 1; pass <= 3; ++pass) {
    SCOPED_TRACE(pass);
    advance_clock(c);
    EXPECT_EQ(c.pass, pass);
    EXPECT_EQ(c.step, pass - 1);
    EXPECT_DOUBLE_EQ(c.elapsed_minutes, elapsed[pass - 1]);
    EXPECT_EQ(fields(c.now), (Fields{2020, 7, 4, 6, pass == 3, pass == 2 ? 30 : 0}));
    EXPECT_EQ(c.day_of_year, 186);
    EXPECT_EQ(c.current_time == c.start_time, pass == 1);
  }
}

std::string printed(const std::function<void()>& f) {
  testing::internal::CaptureStdout();
  f();
  return testing::internal::GetCapturedStdout();
}

ErrorCode err(int c, const char* what = "", const char* file = "", int n1 = 0, int n2 = 0,
              int stopping_code = 0) {
  return {c, 0, n1, n2, what, file, nullptr, stopping_code};
}

// Each row reports one code; a stopping code already standing in the record is kept.
TEST(Report, PrintsDecidesAndClears) {
  struct Row {
    ErrorCode e;
    const char* out;  // nullptr: some warning text of its own
    int stop, stopping_code;
  };
  std::vector<Row> rows = {
      {err(55), "\nWarning: Write hydrograph time step not specified, defaulting to 1 hour.\n", 0,
       0},
      {err(129), "\n", 1, 129},  // no message: the run stops after the newline
      {err(136), "\n", 1, 136},
      {err(4000), "\n", 1, 4000},
      {err(0), "", 0, 0},
      {err(-3), "", 0, 0},
      {err(3), "\nError: The specified project file was not found.\n", 1, 3},
      {err(4, "watershed mask", "mask.asc"),
       "\nError: Unable to open watershed mask file.\n  (File: mask.asc)\n", 1, 4},
      {err(71, "", "soil.idx", 3, 7, 4),
       "\nIndex ID exceeds table limit, file: soil.idx [row 3:col 7]\n", 1, 4},
      {err(54, "", "", 7), "\nError: The time step (7) must be evenly divisible into 60 seconds.\n",
       1, 54}};
  for (int w : {14, 16, 17, 39, 41, 95, 96}) rows.push_back({err(w), nullptr, 0, 0});
  for (Row& r : rows) {
    SCOPED_TRACE(r.e.code);
    const std::string out = printed([&] { report(r.e); });
    EXPECT_EQ(out, r.out ? r.out : out);
    EXPECT_TRUE(r.out || (out.size() > 1 && out[0] == '\n')) << out;
    EXPECT_EQ(r.e.code, 0);
    EXPECT_EQ(r.e.stop, r.stop);
    EXPECT_EQ(r.e.stopping_code, r.stopping_code);
  }
}

TEST(Report, OnlyCode129BelowCode136HasNoMessage) {
  for (int code = 1; code <= 135; ++code) {
    SCOPED_TRACE(code);
    EXPECT_EQ(error_message(code, ErrorCode{}).empty(), code == 129);
  }
}

TEST(OutputName, FoldersRunNumberAndQuotes) {
  const struct {
    bool numbered;
    const char *project, *output, *name, *mode, *want;
  } rows[] = {{false, "", "", "\"sum.out\"", "w", "sum.out"},
              {true, "", "", "out_time.out", "a", "0003_out_time.out"},
              {true, "", "", "input.prj", "r", "input.prj"},  // inputs keep their names
              {true, "proj", "", "q.out", "w", "proj\\0003_q.out"},
              {true, "proj", "res\\", "q.out", "w", "proj\\res\\0003_q.out"},
              {false, "proj", "res", "q.out", "w+", "proj\\res\\q.out"},
              {false, "proj", "res", "q.out", "x", "q.out"}};
  for (const auto& r : rows) {
    SCOPED_TRACE(r.want);
    RunContext& p = run_context();
    p.numbered_output = r.numbered;
    p.output_run_number = 3;
    p.project_folder = folder_with_separator(r.project);
    p.output_folder = folder_with_separator(r.output);
    EXPECT_EQ(output_name(r.name, r.mode), r.want);
  }
}

TEST(FileHandle, OpenAndCloseGuards) {
  const std::string path = testing::TempDir() + "torva_fh_test.txt";
  FileHandle h;
  EXPECT_FALSE(h.open("", "w"));
  EXPECT_FALSE(h.open(path, "x"));
  ASSERT_TRUE(h.open(path, "w"));
  EXPECT_EQ(h.name + "|" + h.mode, path + "|w");
  EXPECT_EQ(printed([&] { EXPECT_TRUE(h.open(path, "a")); }),
            "\n\nError!!!!!!! opening a file when the previous file was not closed.\n"
            "Original file: " +
                path + "\nNew file: " + path + "\n\n\n");
  h.fp_check = nullptr;  // a damaged handle is still closed
  EXPECT_EQ(printed([&] { h.close(); }),
            "\n\n\nError with the file " + path + ". The file pointer is corrupt.\n\n\n\n");
  EXPECT_EQ(h.fp, nullptr);
  EXPECT_EQ(h.name, "");
  const std::string long_name = testing::TempDir() + std::string(1100, 'n');
  EXPECT_EQ(printed([&] { EXPECT_FALSE(h.open(long_name, "w")); }),
            "Error.... name too long!!!\n\n\n");  // and too long for the file system
  std::filesystem::remove(path);
}

TEST(Arrays, OneBasedZeroFilledRowsOverOneBlock) {
  Array1<double> a("area_old");
  ASSERT_TRUE(a.allocate(5));
  EXPECT_EQ(a.size(), 5u);
  for (int i = 0; i <= 5; ++i) EXPECT_EQ(a[i], 0.0);
  Array2<int> g("mask");
  ASSERT_TRUE(g.allocate(3, 4));
  g(2, 3) = 7;
  EXPECT_EQ(g[2][3], 7);
  EXPECT_EQ(&g(2, 0) - g.data(), 2 * 5);  // row r starts (cols+1)*r into the block
  Array3<double> c("con");
  ASSERT_TRUE(c.allocate(2, 2, 2));
  c(2, 2, 2) = 1.5;
  EXPECT_EQ(c(2, 2, 2), 1.5);
}

TEST(Arrays, FailedRequestsNameTheirArray) {
  const std::string empty = "Error: Attempting to allocate array of size 0\n";
  Array1<double> a("elevgw"), huge("huge_array");
  Array2<double> b("q_node_mass"), s("stream_pointsource");
  Array3<double> c("c3");
  const std::pair<std::function<bool()>, std::string> rows[] = {
      {[&] { return a.allocate(0); }, ""},
      {[&] { return a.allocate(-1); }, empty},
      {[&] { return b.allocate(0, 4); }, empty},
      {[&] { return s.allocate(3, 0, true); },
       empty + "Error allocating memory for variable stream_pointsource\n"},
      {[&] { return c.allocate(1, 0, 1); }, empty},
      {[&] { return huge.allocate(1L << 61); },
       "Error allocating memory for variable huge_array\n"}};
  for (int k = 0; k < 6; ++k) {
    SCOPED_TRACE("row " + std::to_string(k));
    EXPECT_EQ(printed([&] { EXPECT_FALSE(rows[k].first()); }), rows[k].second);
  }
  EXPECT_TRUE(huge.empty());
}

}  // namespace
}  // namespace torva
