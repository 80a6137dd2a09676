#include "frame/clock.hpp"

#include <cmath>

namespace torva {

double julian_date(int year, int month, int day, int hour, int minute, double second) {
  // Day number of the Gregorian calendar, months counted from March (153-day rule).
  const long a = (14 - month) / 12;
  const long y = year + 4800L - a;
  const long m = month + 12L * a - 3;
  const long jdn = day + (153 * m + 2) / 5 + 365 * y + y / 4 - y / 100 + y / 400 - 32045;
  const double tod = (hour + (minute + second / 60.0) / 60.0) / 24.0;
  return static_cast<double>(jdn) + tod - 0.5;
}

CalendarTime calendar_time(double jd) {
  const double t = jd + kTimeTolerance + 0.5;
  const long z = static_cast<long>(std::floor(t));
  double frac = t - static_cast<double>(z);
  const long a = z + 32044;
  const long b = (4 * a + 3) / 146097;
  const long c = a - 146097 * b / 4;
  const long d = (4 * c + 3) / 1461;
  const long e = c - 1461 * d / 4;
  const long m = (5 * e + 2) / 153;
  CalendarTime out;
  out.day = static_cast<int>(e - (153 * m + 2) / 5 + 1);
  out.month = static_cast<int>(m + 3 - 12 * (m / 10));
  out.year = static_cast<int>(100 * b + d - 4800 + m / 10);
  frac *= 24.0;
  out.hour = static_cast<int>(frac);
  frac = (frac - out.hour) * 60.0;
  out.minute = static_cast<int>(frac);
  frac = (frac - out.minute) * 60.0;
  out.second = static_cast<int>(frac);
  return out;
}

int day_of_year(int year, int month, int day) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  int doy = day;
  for (int i = 1; i < month && i <= 12; ++i) {
    doy += kDays[i - 1];
    if (i == 2 && (year - 1900) % 4 == 0) doy += 1;
  }
  return doy;
}

void advance_clock(ClockState& c) {
  if (c.pass > 0) {
    c.step += c.stride;
    c.step_aux1 += c.stride;
    c.step_aux2 += c.stride;
    c.stride = 1;
    c.elapsed_minutes = static_cast<double>(c.step) * c.dt / 60.0;
    c.current_time = static_cast<double>(c.step) * c.dt_days + c.start_time;
  }
  ++c.pass;
  c.now = calendar_time(c.current_time);
  c.day_of_year = day_of_year(c.now.year, c.now.month, c.now.day);
}

}  // namespace torva
