#include "subsurface/hmet.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>
#include <vector>

#include "frame/console.hpp"
#include "frame/run_context.hpp"

namespace torva {
namespace {

constexpr double kInHgToMbar = 1013.25 / 29.92;
constexpr double kKnotsToMs = 0.514444;
constexpr double kFToC = 0.5555555555555556;
constexpr double kThousandthInHgToMbar = 33.86530748663101 / 1000.0;
constexpr std::size_t kNcdcMaxLine = 790;

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

// A whole token as an integer or a number (no trailing characters).
bool whole_int(std::string_view t, long& v) {
  if (!t.empty() && t.front() == '+') t.remove_prefix(1);
  const auto r = std::from_chars(t.data(), t.data() + t.size(), v);
  return !t.empty() && r.ec == std::errc() && r.ptr == t.data() + t.size();
}
bool whole_double(std::string_view t, double& v) {
  if (!t.empty() && t.front() == '+') t.remove_prefix(1);
  const auto r = std::from_chars(t.data(), t.data() + t.size(), v);
  return !t.empty() && r.ec == std::errc() && r.ptr == t.data() + t.size() && std::isfinite(v);
}

// Columns `from` to `to` of a line, counted from 1; empty when the line is shorter.
std::string_view columns(std::string_view line, std::size_t from, std::size_t to) {
  if (line.size() < from) return {};
  return line.substr(from - 1, std::min(to, line.size()) - from + 1);
}

// A calendar date a record may carry (hour 24 allowed before the roll-over).
bool valid_date(const HmetDate& d) {
  return d.year >= 1 && d.year <= 9999 && d.month >= 1 && d.month <= 12 && d.day >= 1 &&
         d.day <= hmet_days_in_month(d.year, d.month) && d.hour >= 0 && d.hour <= 24;
}

// Repair of one value: the stored fallback when missing (counted), else the value becomes
// the fallback.
double repaired(bool missing, double value, double& fallback, int& count) {
  if (missing) {
    ++count;
    return fallback;
  }
  fallback = value;
  return value;
}

// The single last values kept in hundredths (SAMSON) or thousandths (ZEB pressure).
double quantised(double v, double scale) {
  return std::trunc(v * scale) / scale;
}

void zeb_format_error(int line, int parameter) {
  say("Error: Problem encountered in hmet_ZEB file, line %d, near parameter %d\n\n", line,
      parameter);
  say("Make sure your file is in the correct format, including making sure\n"
      "all input data are listed as floats or ints as specified in the following\n"
      "format table:\n");
  say(" Format:\n1   2   3   4    5     6           7        8         9    10        11  \n"
      "Yr  Mo  Day Hr  Press. RelHumidity SkyCover WindSpeed Temp DirectRad GlobalRad\n"
      "int int int int float  int         int      int       int  float     float\n\n");
}

// Surface Airways element codes, compared on their first two letters, in report order.
constexpr std::array<std::string_view, 7> kNcdcCodes = {"DR", "GR", "PR", "RH", "TM", "TS", "WI"};
enum NcdcElement { kDrad, kGrad, kPres, kRhum, kTmpd, kTskc, kWind };
constexpr long kNcdcMissing = 99999;

}  // namespace

int hmet_days_in_month(int year, int month) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  if (month == 2 && (year - 1900) % 4 == 0) return 29;
  return kDays[month - 1];
}

void hmet_roll_hour_24(HmetDate& d) {
  if (d.hour != 24) return;
  d.hour = 0;
  if (++d.day > hmet_days_in_month(d.year, d.month)) {
    d.day = 1;
    if (++d.month > 12) {
      d.month = 1;
      ++d.year;
    }
  }
}

bool HmetReader::open(HmetFormat format, const std::string& path) {
  format_ = format;
  name_ = path;
  return rewind();
}

bool HmetReader::rewind() {
  in_.close();
  last_good_ = HmetLastGood{};
  missing_count = 0;
  headers_read_ = false;
  pending_.clear();
  have_held_ = false;
  ncdc_lines_ = 0;
  ncdc_days_ = {};
  return in_.open(name_);
}

int HmetReader::fail() {
  set_error(4000);
  return 0;
}

bool HmetReader::next_line(std::string& line) {
  if (!in_.next(line)) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

int HmetReader::scan() {
  if (!rewind()) {
    set_error(4, 0, 0, "hydrometeorological", name_);
    return -1;
  }
  records = 0;
  HmetRecord rec;
  HmetDate previous;
  int got;
  while ((got = read(rec)) > 0) {
    if (records == 0) first = rec.date();
    if (records > 0 && !(previous < rec.date())) {
      say("\nError: hydrometeorological file %s, line %d: the record of %d/%d/%d %d:00 is not "
          "later than the one before it.\n",
          name_.c_str(), in_.line_number(), rec.year, rec.month, rec.day, rec.hour);
      set_error(4000);
      return -1;
    }
    previous = last = rec.date();
    ++records;
  }
  if (got == 0) return -1;
  if (format_ == HmetFormat::zeb)
    say("End of hmet_ZEB file encountered after %ld lines\n", records);
  if (format_ == HmetFormat::surface_airways) {
    say("DRAD GRAD PRES RHUM TMPD TSKC WIND\n");
    say(" %ld  %ld  %ld  %ld  %ld  %ld  %ld\n", ncdc_days_[kDrad], ncdc_days_[kGrad],
        ncdc_days_[kPres], ncdc_days_[kRhum], ncdc_days_[kTmpd], ncdc_days_[kTskc],
        ncdc_days_[kWind]);
    say("End of hmet_NCDC file encountered after %ld lines\n", ncdc_lines_);
    const char* what[3] = {
        "days of rel. humidity data than temperature data.  Rel. hum.\n"
        "data is required for each day.  Examine the file and supply\n"
        "the missing data.  Program terminating\n\n",
        "days of cloud cover data than temperature data.  Cloud cover\n"
        "data is required for each day.  Examine the file and supply the \n"
        "missing data.  Program terminating\n\n",
        "days of wind data than temperature data.  Wind data is\n"
        "required for each day.  Examine the file and supply the \n"
        "missing data.  Program terminating\n\n"};
    const NcdcElement checked[3] = {kRhum, kTskc, kWind};
    for (int k = 0; k < 3; ++k) {
      if (ncdc_days_[checked[k]] == ncdc_days_[kTmpd]) continue;
      say("There is an error in the Surface Airways hydrometeorology\n");
      say("data file.  There appears to be a different number of \n");
      say("%s", what[k]);
      set_error(4000);
      return -1;
    }
  }
  if (records == 0) {
    say("\nError: the hydrometeorological file %s holds no hourly records.\n", name_.c_str());
    set_error(4000);
    return -1;
  }
  if (!rewind()) {
    set_error(4, 0, 0, "hydrometeorological", name_);
    return -1;
  }
  return 0;
}

int HmetReader::read(HmetRecord& rec) {
  switch (format_) {
    case HmetFormat::zeb:
      return read_zeb(rec);
    case HmetFormat::samson:
      return read_samson(rec);
    case HmetFormat::surface_airways:
      return read_ncdc(rec);
    case HmetFormat::none:
      break;
  }
  return -1;
}

int HmetReader::read_zeb(HmetRecord& rec) {
  std::string line;
  std::vector<std::string_view> tok;
  while (true) {
    if (!next_line(line)) return -1;
    tok.clear();
    std::string_view rest(line);
    while (true) {
      std::size_t b = rest.find_first_not_of(" \t");
      if (b == std::string_view::npos) break;
      rest.remove_prefix(b);
      const std::size_t e = std::min(rest.find_first_of(" \t"), rest.size());
      tok.push_back(rest.substr(0, e));
      rest.remove_prefix(e);
    }
    if (!tok.empty()) break;  // blank lines carry no record
  }
  // Fields 5, 10 and 11 are real numbers, the others integers ("%d %d %d %d %lf %d %d %d %d
  // %lf %lf").
  long iv[11] = {};
  double dv[11] = {};
  for (int k = 0; k < 11; ++k) {
    const bool real = k == 4 || k == 9 || k == 10;
    const bool ok = static_cast<std::size_t>(k) < tok.size() &&
                    (real ? whole_double(tok[k], dv[k]) : whole_int(tok[k], iv[k]));
    if (!ok || (!real && std::labs(iv[k]) > 1000000000L)) {
      zeb_format_error(in_.line_number(), k + 1);
      return fail();
    }
  }
  const HmetDate d{int(iv[0]), int(iv[1]), int(iv[2]), int(iv[3])};
  if (!valid_date(d) || d.hour > 23) {
    int bad = 4;  // the first field that makes the date impossible
    if (d.year < 1 || d.year > 9999)
      bad = 1;
    else if (d.month < 1 || d.month > 12)
      bad = 2;
    else if (d.day < 1 || d.day > hmet_days_in_month(d.year, d.month))
      bad = 3;
    zeb_format_error(in_.line_number(), bad);
    return fail();
  }
  rec.set_date(d);
  const int h = d.hour;
  HmetLastGood& g = last_good_;
  int& n = missing_count;
  double p = dv[4];
  if (p >= 999.0) {
    ++n;
    p = g.pressure;
  } else {
    g.pressure = quantised(p, 1000.0);
  }
  rec.pressure = p * kInHgToMbar;
  rec.rel_humidity = repaired(iv[5] >= 999, double(iv[5]), g.rel_humidity[h], n);
  rec.sky_cover = repaired(iv[6] >= 999, double(iv[6]), g.sky_cover, n);
  rec.wind_speed = repaired(iv[7] >= 999, double(iv[7]), g.wind_speed, n) * kKnotsToMs;
  rec.temperature = repaired(iv[8] >= 999, (double(iv[8]) - 32.0) * kFToC, g.temperature[h], n);
  rec.direct_rad = repaired(dv[9] > 9999.9, dv[9], g.direct_rad[h], n);
  rec.global_rad = repaired(dv[10] > 9999.9, dv[10], g.global_rad[h], n);
  return 11;
}

bool HmetReader::samson_header() {
  std::string line;
  if (!next_line(line)) {
    say("\nError: Problem encountered in hmet_SAMSON file %s: the station header line (line 1) "
        "is missing.\n",
        name_.c_str());
    return false;
  }
  const std::string_view l(line);
  long ld = 0, lm = 0, gd = 0, gm = 0;
  const bool ok =
      whole_int(trim(columns(l, 40, 41)), ld) && whole_int(trim(columns(l, 43, 44)), lm) &&
      whole_int(trim(columns(l, 48, 50)), gd) && whole_int(trim(columns(l, 52, 53)), gm);
  if (!ok) {
    say("\nError: Problem encountered in hmet_SAMSON file %s, line 1: the station header must "
        "give the latitude in columns 40-44 and the longitude in columns 48-53.\n",
        name_.c_str());
    return false;
  }
  station = std::string(trim(columns(l, 8, 29)));
  station_latitude = double(ld) + double(lm) / 60.0;
  station_longitude = double(gd) + double(gm) / 60.0;
  if (!next_line(line)) {
    say("\nError: Problem encountered in hmet_SAMSON file %s: the column header line (line 2) "
        "is missing.\n",
        name_.c_str());
    return false;
  }
  return true;
}

int HmetReader::read_samson(HmetRecord& rec) {
  if (!headers_read_) {
    if (!samson_header()) return fail();
    headers_read_ = true;
  }
  std::string line;
  do {
    if (!next_line(line)) return -1;
  } while (trim(line).empty());
  const std::string_view l(line);
  struct Field {
    std::size_t from, to;
    bool real;
  };
  static const Field kFields[11] = {{2, 3, false},   {5, 6, false},   {8, 9, false},
                                    {11, 12, false}, {34, 37, false}, {42, 45, false},
                                    {50, 51, false}, {56, 60, true},  {68, 70, false},
                                    {72, 75, false}, {80, 85, true}};
  double v[11] = {};
  for (int k = 0; k < 11; ++k) {
    const std::string_view t = trim(columns(l, kFields[k].from, kFields[k].to));
    long i = 0;
    const bool ok = kFields[k].real ? whole_double(t, v[k]) : whole_int(t, i);
    if (!kFields[k].real) v[k] = double(i);
    if (!ok) {
      say("\nError: Problem encountered in hmet_SAMSON file %s, line %d, columns %zu-%zu\n",
          name_.c_str(), in_.line_number(), kFields[k].from, kFields[k].to);
      return fail();
    }
  }
  HmetDate d{int(v[0]), int(v[1]), int(v[2]), int(v[3])};
  if (d.year >= 0 && d.year < 100) d.year += 1900;
  if (!valid_date(d) || d.hour < 1) {
    say("\nError: Problem encountered in hmet_SAMSON file %s, line %d: %d/%d/%d hour %d is not "
        "a date and hour (1 to 24) of the calendar.\n",
        name_.c_str(), in_.line_number(), d.year, d.month, d.day, d.hour);
    return fail();
  }
  hmet_roll_hour_24(d);
  rec.set_date(d);
  const int h = d.hour;
  HmetLastGood& g = last_good_;
  int& n = missing_count;
  rec.direct_rad = repaired(v[4] == 9999, v[4], g.direct_rad[h], n);
  rec.global_rad = repaired(v[5] == 9999, v[5], g.global_rad[h], n);
  rec.temperature = repaired(v[7] == 999.9, v[7], g.temperature[h], n);
  rec.rel_humidity = repaired(v[8] == 999, v[8], g.rel_humidity[h], n);
  auto single = [&n](bool missing, double value, double& kept) {
    if (missing) {
      ++n;
      return kept;
    }
    kept = quantised(value, 100.0);
    return value;
  };
  rec.sky_cover = single(v[6] == 99, v[6], g.sky_cover);
  rec.pressure = single(v[9] == 9999, v[9], g.pressure);
  rec.wind_speed = single(v[10] == 99 || v[10] == 9999, v[10], g.wind_speed);
  return 1;
}

// One day of Surface Airways element lines becomes the day's hourly records, in time order.
// Lines of the same date that follow each other form the day; an element given twice in a
// day fills its hours from both lines, the later line winning an hour given by both.
int HmetReader::ncdc_day() {
  struct Slot {
    bool given = false;
    long value = kNcdcMissing;
  };
  std::array<std::array<Slot, 25>, 7> slot{};  // element, hour 0..24
  std::array<bool, 25> hour_used{};
  std::array<bool, 7> present{};
  HmetDate day{};
  bool have_day = false;
  std::string line;
  while (true) {
    if (have_held_) {
      line = held_;
      have_held_ = false;
    } else {
      if (!next_line(line)) break;
      ++ncdc_lines_;
      if (line.size() > kNcdcMaxLine) {
        say("Line too long in hmet_NCDC input file.  Program exiting\n");
        set_error(4000);
        return 0;
      }
      if (trim(line).empty()) continue;
    }
    const std::string_view l(line);
    const std::string_view code = columns(l, 12, 15);
    const auto known = std::find(kNcdcCodes.begin(), kNcdcCodes.end(), code.substr(0, 2));
    if (code.size() < 2 || known == kNcdcCodes.end()) continue;  // elements the model does not use
    long y = 0, m = 0, dd = 0, count = 0;
    auto bad = [&](const char* what) {
      say("\nError: Problem encountered in hmet_NCDC file %s, line %d: %s\n", name_.c_str(),
          in_.line_number(), what);
      set_error(4000);
      return 0;
    };
    if (!whole_int(trim(columns(l, 18, 21)), y) || !whole_int(trim(columns(l, 22, 23)), m) ||
        !whole_int(trim(columns(l, 26, 27)), dd))
      return bad("the date in columns 18-27 cannot be read");
    const HmetDate date{int(y), int(m), int(dd), 0};
    if (!valid_date(date)) return bad("the date in columns 18-27 is not a date of the calendar");
    if (!whole_int(trim(columns(l, 28, 30)), count) || count < 0 ||
        count > long((kNcdcMaxLine - 30) / 12))
      return bad("the count of values in columns 28-30 cannot be read or is out of range");
    if (have_day && !(date.year == day.year && date.month == day.month && date.day == day.day)) {
      held_ = line;
      have_held_ = true;
      break;
    }
    if (!have_day) {
      day = date;
      have_day = true;
    }
    const int e = int(known - kNcdcCodes.begin());
    if (!present[e]) ++ncdc_days_[e];
    present[e] = true;
    for (long k = 0; k < count; ++k) {
      const std::size_t at = 31 + 12 * std::size_t(k);
      long hhmm = 0, value = 0;
      if (!whole_int(trim(columns(l, at, at + 3)), hhmm) ||
          !whole_int(trim(columns(l, at + 5, at + 9)), value))
        return bad(
            "an hourly value group (time in its characters 1-4, value in 6-10) cannot "
            "be read");
      const long hour = hhmm / 100;
      if (hhmm < 0 || hour > 24 || hhmm % 100 > 59 || value < 0)
        return bad("an hourly value group has a time outside 0000-2459 or a negative value");
      slot[e][hour] = {true, value};
      hour_used[hour] = true;
    }
  }
  if (!have_day) return -1;
  HmetLastGood& g = last_good_;
  int& n = missing_count;
  for (int hr = 0; hr <= 24; ++hr) {
    if (!hour_used[hr]) continue;
    HmetDate d{day.year, day.month, day.day, hr};
    hmet_roll_hour_24(d);
    const int h = d.hour;
    HmetRecord rec;
    rec.set_date(d);
    auto missing = [&](int e) { return !slot[e][hr].given || slot[e][hr].value == kNcdcMissing; };
    auto value = [&](int e) { return double(slot[e][hr].value); };
    // Radiation not reported for an hour (the night) is none.
    rec.direct_rad = slot[kDrad][hr].given
                         ? repaired(missing(kDrad), value(kDrad) / 10.0, g.direct_rad[h], n)
                         : 0.0;
    rec.global_rad = slot[kGrad][hr].given
                         ? repaired(missing(kGrad), value(kGrad) / 10.0, g.global_rad[h], n)
                         : 0.0;
    rec.pressure = repaired(missing(kPres), value(kPres) * kThousandthInHgToMbar, g.pressure, n);
    rec.rel_humidity = repaired(missing(kRhum), value(kRhum), g.rel_humidity[h], n);
    rec.temperature = repaired(missing(kTmpd), (value(kTmpd) - 32.0) * kFToC, g.temperature[h], n);
    const long sky = slot[kTskc][hr].value;
    rec.sky_cover =
        repaired(!slot[kTskc][hr].given || sky / 100 == 999, double(sky % 100), g.sky_cover, n);
    const long wind = slot[kWind][hr].value;
    rec.wind_speed = repaired(!slot[kWind][hr].given || wind % 1000 == 999,
                              double(wind % 1000) * kKnotsToMs, g.wind_speed, n);
    pending_.push_back(rec);
  }
  return 1;
}

int HmetReader::read_ncdc(HmetRecord& rec) {
  while (pending_.empty()) {
    const int got = ncdc_day();
    if (got <= 0) return got;
  }
  rec = pending_.front();
  pending_.pop_front();
  return 1;
}

double frozen_ground_index(double cfgi, double temperature, double snow_depth) {
  const double k = temperature >= 0.0 ? 0.5 : 0.08;
  const double v = 0.99875 * cfgi - std::exp(-0.4 * k * 100.0 * snow_depth) * temperature / 24.0;
  return v > 0.0 ? v : 0.0;
}

int hmet_read(HmetReader& reader, int call, HmetRecord& rec) {
  if (call == 1) return reader.scan();
  return reader.read(rec);
}

bool hmet_date_check(const HmetDate& first, const HmetDate& last, const HmetDate& rain) {
  const long y = rain.year, m = rain.month, d = rain.day, h = rain.hour;
  auto dates = [] { say("Program terminating.  Check your dates.\n"); };
  if (rain.year < first.year) {
    say("\nRaingage Data starts in %ld, hydromet data doesn't start until %ld.\n", y,
        long(first.year));
    dates();
    return false;
  }
  if (rain.year > last.year) {
    say("\nRaingage Data starts in %ld, hydromet data ends in %ld.\n", y, long(last.year));
    dates();
    return false;
  }
  // Within the span of years: only the first and the last year can fall outside.
  const bool before = rain < first, after = last < rain;
  if (!before && !after) return true;
  const HmetDate& w = before ? first : last;
  if (m != w.month) {
    say(before ? "\nRaingage Data starts in month %ld of %ld while hmet data starts in\n"
               : "\nRaingage Data starts in month %ld of %ld while hmet data ends in\n",
        m, y);
    say("month %ld of %ld\n", long(w.month), long(w.year));
    dates();
  } else if (d != w.day) {
    say("\nRaingage data starts on day %ld of month %ld in year %ld\n", d, m, y);
    say(before ? "while the hmet data begins on day %ld of month %ld in year %ld\n"
               : "while the hmet data ends on day %ld of month %ld in year %ld\n",
        long(w.day), long(w.month), long(w.year));
    dates();
  } else {
    say("\nRaingage data starts on hour %ld day %ld month %ld in year %ld\n", h, d, m, y);
    say(before ? "while the hmet data begins on hour %ld day %ld of month %ld in year %ld\n"
               : "while the hmet data ends on hour %ld day %ld of month %ld in year %ld\n",
        long(w.hour), long(w.day), long(w.month), long(w.year));
    say("Program terminating.  Check your times and dates.\n");
  }
  return false;
}

}  // namespace torva
