#include <gtest/gtest.h>

#include <array>
#include <string>

#include "frame/clock.hpp"

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

}  // namespace
}  // namespace torva
