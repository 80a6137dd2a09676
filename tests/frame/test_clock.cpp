#include <gtest/gtest.h>

#include <cmath>

#include "frame/clock.hpp"

namespace torva {
namespace {

TEST(JulianDate, KnownDates) {
  EXPECT_DOUBLE_EQ(julian_date(2000, 1, 1, 12, 0, 0), 2451545.0);
  EXPECT_DOUBLE_EQ(julian_date(2000, 1, 1, 0, 0, 0), 2451544.5);
  EXPECT_DOUBLE_EQ(julian_date(1858, 11, 17, 0, 0, 0), 2400000.5);  // modified Julian day zero
  EXPECT_DOUBLE_EQ(julian_date(1999, 12, 31, 18, 0, 0), 2451544.25);
  const CalendarTime t = calendar_time(2451545.0);
  EXPECT_EQ(t.year, 2000);
  EXPECT_EQ(t.month, 1);
  EXPECT_EQ(t.day, 1);
  EXPECT_EQ(t.hour, 12);
  EXPECT_EQ(t.minute, 0);
  EXPECT_EQ(t.second, 0);
}

TEST(JulianDate, EveryMinuteOfALeapDayRoundTrips) {
  for (int m = 0; m < 24 * 60; ++m) {
    const double jd = julian_date(2024, 2, 29, m / 60, m % 60, 0);
    const CalendarTime t = calendar_time(jd);
    ASSERT_EQ(t.year, 2024);
    ASSERT_EQ(t.month, 2);
    ASSERT_EQ(t.day, 29);
    ASSERT_EQ(t.hour, m / 60) << m;
    ASSERT_EQ(t.minute, m % 60) << m;
    ASSERT_EQ(t.second, 0) << m;
  }
  const CalendarTime next = calendar_time(julian_date(2024, 2, 29, 23, 59, 0) + 60.0 / 86400.0);
  EXPECT_EQ(next.month, 3);
  EXPECT_EQ(next.day, 1);
  EXPECT_EQ(next.hour, 0);
}

TEST(JulianDate, HundredthOfASecondRule) {
  const double minute = julian_date(2010, 6, 1, 0, 1, 0);
  // Built from step counts a time may fall a little short of the minute: still that minute.
  CalendarTime t = calendar_time(minute - 0.005 / 86400.0);
  EXPECT_EQ(t.minute, 1);
  EXPECT_EQ(t.second, 0);
  t = calendar_time(minute - 0.02 / 86400.0);
  EXPECT_EQ(t.minute, 0);
  EXPECT_EQ(t.second, 59);
  EXPECT_TRUE(same_time(minute, minute + 0.009 / 86400.0));
  EXPECT_FALSE(same_time(minute, minute + 0.011 / 86400.0));
}

TEST(DayOfYear, MonthsAndTheFebruaryRule) {
  EXPECT_EQ(day_of_year(2001, 1, 1), 1);
  EXPECT_EQ(day_of_year(2001, 3, 1), 60);
  EXPECT_EQ(day_of_year(2004, 3, 1), 61);
  EXPECT_EQ(day_of_year(2000, 12, 31), 366);
  EXPECT_EQ(day_of_year(1900, 3, 1), 61);  // (year - 1900) divisible by 4
  EXPECT_EQ(day_of_year(2100, 3, 1), 61);  // the same rule, not the Gregorian one
  EXPECT_EQ(day_of_year(2101, 3, 1), 60);
}

TEST(Clock, FirstPassKeepsTheStartTime) {
  ClockState c;
  c.dt = 30.0;
  c.dt_days = 30.0 / 86400.0;
  c.start_time = julian_date(2020, 7, 4, 6, 0, 0);
  c.current_time = c.start_time;
  advance_clock(c);
  EXPECT_EQ(c.step, 0);
  EXPECT_EQ(c.pass, 1);
  EXPECT_EQ(c.current_time, c.start_time);
  EXPECT_EQ(c.now.hour, 6);
  EXPECT_EQ(c.day_of_year, 186);
  advance_clock(c);
  EXPECT_DOUBLE_EQ(c.elapsed_minutes, 0.5);
  advance_clock(c);
  EXPECT_DOUBLE_EQ(c.elapsed_minutes, 1.0);
  EXPECT_EQ(c.now.minute, 1);
  EXPECT_EQ(c.now.second, 0);
}

}  // namespace
}  // namespace torva
