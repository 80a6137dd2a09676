#pragma once
// Writers of the three hourly weather formats, for tests of the readers and of long-term runs.
#include <cmath>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "frame/clock.hpp"

namespace torva::testing_hmet {

// One hour of weather in the units of the files: deg F, percent, tenths, knots, inches of
// mercury and radiation in the units the model keeps.
struct Hour {
  int year, month, day, hour;  // hour 1 to 24 of the day (24 = midnight at its end)
  int temp_f, rh, sky, wind_kt;
  double p_inhg;
  int direct, global;
};

// `value` written right-aligned into columns from..to (counted from 1) of `line`.
inline void put(std::string& line, std::size_t from, std::size_t to, const std::string& value) {
  if (line.size() < to) line.resize(to, ' ');
  const std::size_t w = to - from + 1;
  const std::string v = value.size() > w ? value.substr(0, w) : value;
  line.replace(to - v.size(), v.size(), v);
}
inline std::string num(const char* fmt, double v) {
  char b[64];
  std::snprintf(b, sizeof b, fmt, v);
  return b;
}
inline std::string num(int v) {
  return std::to_string(v);
}

// ZEB counts hours 0 to 23, so the hour 24 of a day is written as hour 0 of the next.
inline std::string zeb_line(const Hour& h) {
  const CalendarTime t =
      calendar_time(julian_date(h.year, h.month, h.day, 0, 0, 0.0) + h.hour / 24.0);
  char b[256];
  std::snprintf(b, sizeof b, "%d %d %d %d %.2f %d %d %d %d %.1f %.1f\n", t.year, t.month, t.day,
                t.hour, h.p_inhg, h.rh, h.sky, h.wind_kt, h.temp_f, double(h.direct),
                double(h.global));
  return b;
}

inline std::string samson_header(const std::string& station = "BANGOR") {
  std::string l = "~ 14606";
  put(l, 8, 29, "");
  l.replace(7, station.size(), station);
  put(l, 30, 38, "ME  -5");
  put(l, 39, 41, "N44");
  put(l, 43, 44, "48");
  put(l, 47, 50, "W068");
  put(l, 52, 53, "49");
  return l + "\n~YR MO DA HR I    1    2       3       4       5     6     7     8     9\n";
}

inline std::string samson_line(const Hour& h) {
  std::string l;
  put(l, 2, 3, num(h.year % 100));
  put(l, 5, 6, num(h.month));
  put(l, 8, 9, num(h.day));
  put(l, 11, 12, num(h.hour));
  put(l, 34, 37, num(h.direct));
  put(l, 42, 45, num(h.global));
  put(l, 50, 51, num(h.sky));
  put(l, 56, 60, num("%.1f", (h.temp_f - 32) / 1.8));
  put(l, 68, 70, num(h.rh));
  put(l, 72, 75, num("%.0f", h.p_inhg * 33.86530748663101));
  put(l, 80, 85, num("%.1f", h.wind_kt * 0.514444));
  return l + "\n";
}

// One Surface Airways element line: `code` for one day with (HHMM, value) groups.
inline std::string ncdc_line(const std::string& code, int y, int m, int d,
                             const std::vector<std::pair<int, long>>& values) {
  std::string l = "9999914606";
  put(l, 12, 15, code);
  put(l, 18, 21, num(y));
  put(l, 22, 23, num("%02.0f", m));
  put(l, 26, 27, num("%02.0f", d));
  put(l, 28, 30, num("%03.0f", double(values.size())));
  for (std::size_t k = 0; k < values.size(); ++k) {
    const std::size_t at = 31 + 12 * k;
    put(l, at, at + 3, num("%04.0f", values[k].first));
    put(l, at + 5, at + 9, num("%05.0f", double(values[k].second)));
    put(l, at + 11, at + 11, " ");
  }
  return l + "\n";
}

// The seven element lines of one day of hours (each given with hour 1 to 24).
inline std::string ncdc_day(const std::vector<Hour>& day) {
  std::vector<std::pair<int, long>> v[7];
  for (const Hour& h : day) {
    const int t = h.hour * 100;
    v[0].push_back({t, h.direct * 10L});
    v[1].push_back({t, h.global * 10L});
    v[2].push_back({t, std::lround(h.p_inhg * 1000)});
    v[3].push_back({t, h.rh});
    v[4].push_back({t, h.temp_f});
    v[5].push_back({t, h.sky});
    v[6].push_back({t, 27000L + h.wind_kt});
  }
  const char* codes[7] = {"DRAD", "GRAD", "PRES", "RHUM", "TMPD", "TSKC", "WIND"};
  std::string out;
  for (int e = 0; e < 7; ++e)
    out += ncdc_line(codes[e], day[0].year, day[0].month, day[0].day, v[e]);
  return out;
}

}  // namespace torva::testing_hmet
