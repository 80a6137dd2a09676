#pragma once
// Hourly weather of long-term runs: one reader for the ZEB, SAMSON and Surface Airways
// (NCDC) files, with the repair of missing values, and the check that a rainfall event lies
// inside the weather record.
#include <array>
#include <compare>
#include <deque>
#include <string>

#include "input/line_reader.hpp"

namespace torva {

enum class HmetFormat { none = 0, zeb, samson, surface_airways };

struct HmetDate {
  int year = 0, month = 0, day = 0, hour = 0;
  auto operator<=>(const HmetDate&) const = default;
};

// One hour of weather in the model's units.
struct HmetRecord {
  int year = 0, month = 0, day = 0, hour = 0;  // hour 0 to 23
  double direct_rad = 0.0;                     // as in the file
  double global_rad = 0.0;                     // as in the file
  double sky_cover = 0.0;                      // tenths
  double temperature = 0.0;                    // deg C
  double rel_humidity = 0.0;                   // percent
  double pressure = 0.0;                       // mbar
  double wind_speed = 0.0;                     // m/s
  HmetDate date() const { return {year, month, day, hour}; }
  void set_date(const HmetDate& d) { year = d.year, month = d.month, day = d.day, hour = d.hour; }
};

// Days of `month`; February has 29 when (year - 1900) is divisible by 4.
int hmet_days_in_month(int year, int month);
// Hour 24 becomes hour 0 of the next day, rolling the month and the year.
void hmet_roll_hour_24(HmetDate& d);

// Values a missing field falls back on: per hour of the day for the radiations, humidity
// and temperature, a single last value for the rest.
struct HmetLastGood {
  std::array<double, 24> direct_rad{}, global_rad{}, rel_humidity{}, temperature{};
  double pressure = 0.0, sky_cover = 0.0, wind_speed = 0.0;  // file units
};

class HmetReader {
 public:
  // Opens `path` in `format`; false (nothing printed) when it cannot be opened.
  bool open(HmetFormat format, const std::string& path);
  // Reads the whole file once: first and last dates, record count, the format checks.
  // 0 on success (the file rewound and the repair state reset), -1 after a fault (its
  // message printed, ErrorCode 4000).
  int scan();
  // The next hourly record: a positive number when delivered (for ZEB the count of fields
  // read), -1 at the end of the data, 0 after a fault (message printed, ErrorCode 4000).
  int read(HmetRecord& rec);

  HmetFormat format() const { return format_; }
  const std::string& path() const { return in_.path(); }
  HmetDate first, last;   // dates of the first and last records (after the scan)
  long records = 0;       // hourly records in the file
  int missing_count = 0;  // values repaired since the scan
  std::string station;    // SAMSON station name
  double station_latitude = 0.0, station_longitude = 0.0;  // SAMSON, decimal degrees

 private:
  bool rewind();
  int read_zeb(HmetRecord& rec);
  int read_samson(HmetRecord& rec);
  int read_ncdc(HmetRecord& rec);
  bool samson_header();
  int ncdc_day();  // the next day's hours into pending_: 1, -1 at the end, 0 on a fault
  bool next_line(std::string& line);
  int fail();

  HmetFormat format_ = HmetFormat::none;
  std::string name_;
  LineReader in_;
  HmetLastGood last_good_;
  bool headers_read_ = false;
  std::deque<HmetRecord> pending_;  // Surface Airways: the hours of the day being read
  std::string held_;                // Surface Airways: the first line of the next day
  bool have_held_ = false;
  long ncdc_lines_ = 0;
  std::array<long, 7> ncdc_days_{};  // days present per element, DRAD..WIND
};

// The continuous frozen-ground index after one hour at `temperature` (deg C) under
// `snow_depth` (m) of snow: it grows with the cold degree-hours, snow insulates, and it never
// falls below 0.
double frozen_ground_index(double cfgi, double temperature, double snow_depth);

// The call protocol of the readers: call 1 is the scan pass (0 on success), any other call
// reads the next record (positive when delivered, -1 at the end of the data).
int hmet_read(HmetReader& reader, int call, HmetRecord& rec);

// Whether rainfall starting at `rain` lies inside the weather record [first, last]; prints
// why not.  Whole dates are compared, so a span of several years checks both ends.
bool hmet_date_check(const HmetDate& first, const HmetDate& last, const HmetDate& rain);

}  // namespace torva
