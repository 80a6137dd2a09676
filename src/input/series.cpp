#include "input/series.hpp"

#include <vector>

#include "frame/clock.hpp"
#include "frame/console.hpp"
#include "frame/report.hpp"
#include "frame/run_context.hpp"
#include "input/line_reader.hpp"

namespace torva {
namespace {

// Julian date of 0000-01-01 00:00 less the half day of the astronomical epoch: relative
// series write their offsets as dates counted from there.
constexpr double kRelativeEpoch = 1721028.5;

std::string clean_name(std::string s) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  std::size_t b = 0, e = s.size();
  while (b < e && blank(s[b])) ++b;
  while (e > b && blank(s[e - 1])) --e;
  s = s.substr(b, e - b);
  if (!s.empty() && s.front() == '"') s.erase(0, 1);
  if (!s.empty() && s.back() == '"') s.pop_back();
  return s;
}

bool starts(const std::string& line, std::string_view word) {
  return line.starts_with(word);
}

// Lines up to the end keyword; false when the file ended first.
bool block_lines(LineReader& in, std::string_view end, std::vector<std::string>& lines,
                 std::vector<int>& numbers) {
  lines.clear();
  numbers.clear();
  std::string line;
  while (in.next(line)) {
    if (starts(line, end)) return true;
    lines.push_back(line);
    numbers.push_back(in.line_number());
  }
  return false;
}

bool read_time_block(LineReader& in, TimeSeries& ts) {
  std::string line;
  if (!in.next(line)) return false;
  ts.name = clean_name(line);
  if (!in.next(line)) return false;
  ts.relative = starts(line, "RELATIVE");
  std::vector<std::string> lines;
  std::vector<int> numbers;
  const bool closed = block_lines(in, "END_TS", lines, numbers);
  ts.times.reserve(lines.size());
  ts.values.reserve(lines.size());
  for (std::size_t k = 0; k < lines.size(); ++k) {
    Tokens t(lines[k]);
    int y = 0, mo = 0, d = 0, h = 0, mi = 0;
    double v = 0.0;
    const bool ok = t.integer(y) && t.integer(mo) && t.integer(d) && t.integer(h) &&
                    t.integer(mi) && t.number(v);
    if (!ok)
      say("Warning: line %d of the time series file %s does not hold year, month, day, hour, "
          "minute and value\n",
          numbers[k], in.path().c_str());
    double jd = julian_date(y, mo, d, h, mi, 0.0);
    if (ts.relative) jd -= kRelativeEpoch;
    ts.times.push_back(jd);
    ts.values.push_back(v);
  }
  if (!closed)
    say("Warning: the time series [%s] in file %s has no END_TS line\n", ts.name.c_str(),
        in.path().c_str());
  return true;
}

bool read_elevation_block(LineReader& in, ElevationSeries& es) {
  std::string line;
  if (!in.next(line)) return false;
  es.name = clean_name(line);
  std::vector<std::string> lines;
  std::vector<int> numbers;
  const bool closed = block_lines(in, "END_ES", lines, numbers);
  for (std::size_t k = 0; k < lines.size(); ++k) {
    Tokens t(lines[k]);
    double a = 0.0, v = 0.0;
    if (!(t.number(a) && t.number(v)))
      say("Warning: line %d of the elevation series file %s does not hold an argument and a "
          "value\n",
          numbers[k], in.path().c_str());
    es.args.push_back(a);
    es.values.push_back(v);
  }
  if (!closed)
    say("Warning: the elevation series [%s] in file %s has no END_ES line\n", es.name.c_str(),
        in.path().c_str());
  return true;
}

// Skips to the next line that begins with `word`; false at the end of the file.
bool seek(LineReader& in, std::string_view word) {
  std::string line;
  while (in.next(line))
    if (starts(line, word)) return true;
  return false;
}

// Index of the interval [x_k, x_k+1) holding x, searching from `from`, then from 0.
int find_interval(const std::vector<double>& x, double v, int from) {
  const int last = static_cast<int>(x.size()) - 1;
  if (from < 0 || from >= last) from = 0;
  for (int pass = 0; pass < 2; ++pass) {
    for (int k = from; k < last; ++k)
      if (x[k] <= v && v < x[k + 1]) return k;
    if (from == 0) break;
    from = 0;
  }
  return -1;
}

// Shared checks and end rules; `interval` receives the interval index, or -1 when the
// result is already final.
double lookup(const std::vector<double>& x, const std::vector<double>& y, double v, int from,
              int& interval, int& fault, bool time) {
  interval = -1;
  if (x.empty()) {
    fault = time ? kSeriesTimeEmpty : kSeriesElevEmpty;
    return 0.0;
  }
  if (x.size() == 1 || v <= x.front()) return y.front();
  if (v >= x.back()) return y.back();
  interval = find_interval(x, v, from);
  if (interval < 0) fault = time ? kSeriesTimeUnordered : kSeriesElevUnordered;
  return 0.0;
}

double interpolate(const std::vector<double>& x, const std::vector<double>& y, int k, double v) {
  const double w = (v - x[k]) / (x[k + 1] - x[k]);
  return (1.0 - w) * y[k] + w * y[k + 1];
}

}  // namespace

void read_time_series_file(const std::string& file_name, SeriesStore& store) {
  LineReader in;
  if (!in.open(file_name)) {
    say("Error: Time series file not found [%s]\n", file_name.c_str());
    return;
  }
  int n = 0;
  while (seek(in, "TORVA_TS")) {
    TimeSeries ts;
    if (!read_time_block(in, ts)) break;
    say("Read time series %s\n", ts.name.c_str());
    store.time_series.push_back(std::move(ts));
    ++n;
  }
  in.close();
  say("%d time series read from file %s\n", n, file_name.c_str());
}

void read_elevation_series_file(const std::string& file_name, SeriesStore& store) {
  LineReader in;
  if (!in.open(file_name)) {
    say("Error: Elevation series file not found [%s]\n", file_name.c_str());
    return;
  }
  int n = 0;
  while (seek(in, "TORVA_ES")) {
    ElevationSeries es;
    if (!read_elevation_block(in, es)) break;
    store.elevation_series.push_back(std::move(es));
    ++n;
  }
  in.close();
  say("%d elevation series read from file %s\n", n, file_name.c_str());
}

TimeSeries* find_time_series(SeriesStore& store, std::string_view name) {
  for (TimeSeries& ts : store.time_series)
    if (std::string_view(ts.name).starts_with(name)) return &ts;
  return nullptr;
}

ElevationSeries* find_elevation_series(SeriesStore& store, std::string_view name) {
  for (ElevationSeries& es : store.elevation_series)
    if (std::string_view(es.name).starts_with(name)) return &es;
  return nullptr;
}

double time_series_lookup(TimeSeries* ts, double julian, int& fault) {
  if (!ts) {
    fault = kSeriesTimeMissing;
    return 0.0;
  }
  int k = -1;
  const double end = lookup(ts->times, ts->values, julian, ts->last_interval, k, fault, true);
  if (k < 0) return end;
  ts->last_interval = k;
  return interpolate(ts->times, ts->values, k, julian);
}

double elevation_series_lookup(const ElevationSeries* es, double x, int& fault) {
  if (!es) {
    fault = kSeriesElevMissing;
    return 0.0;
  }
  int k = -1;
  const double end = lookup(es->args, es->values, x, 0, k, fault, false);
  return k < 0 ? end : interpolate(es->args, es->values, k, x);
}

double elevation_series_step_lookup(const ElevationSeries* es, double x, int& fault) {
  if (!es) {
    fault = kSeriesElevMissing;
    return 0.0;
  }
  int k = -1;
  const double end = lookup(es->args, es->values, x, 0, k, fault, false);
  return k < 0 ? end : es->values[k];
}

void say_series_fault(int fault, const std::string& name) {
  switch (fault) {
    case kSeriesTimeMissing:
      say("Error: attempting to extract a value from a time series that does not exist.\n");
      break;
    case kSeriesTimeEmpty:
      say("Error: attempting to extract a value from a time series [%s] with no entries.\n",
          name.c_str());
      break;
    case kSeriesTimeUnordered:
      say("Error: something is really messed up with your time series [%s].\n", name.c_str());
      return;
    case kSeriesElevMissing:
      say("Error: attempting to extract a value from an elevation series that does not exist.\n");
      break;
    case kSeriesElevEmpty:
      say("Error: attempting to extract a value from an elevation series [%s] with no "
          "entries.\n",
          name.c_str());
      break;
    case kSeriesElevUnordered:
      say("Error: something is really messed up with your elevation series [%s].\n", name.c_str());
      return;
    default:
      return;
  }
  set_error(4000);
  report();
}

double time_series_value(TimeSeries* ts, double julian) {
  int fault = 0;
  const double v = time_series_lookup(ts, julian, fault);
  if (fault) say_series_fault(fault, ts ? ts->name : std::string());
  return v;
}

void add_time_series_index(SeriesStore& store, int index, TimeSeries* series) {
  store.index_list.emplace_back(index, series);
}

double time_series_value_by_index(SeriesStore& store, int index, double julian) {
  for (auto& [i, ts] : store.index_list)
    if (i == index) return time_series_value(ts, julian);
  say("Error: attempting to extract a value from an unknown time series in the time series "
      "table.    Check the mapping table file (.cmt). The specified time series index is %d, "
      "but the \nindex is not found in the time series index table.\n",
      index);
  set_error(4000);
  report();
  return 0.0;
}

double elevation_series_value(const ElevationSeries* es, double x) {
  int fault = 0;
  const double v = elevation_series_lookup(es, x, fault);
  if (fault) say_series_fault(fault, es ? es->name : std::string());
  return v;
}

double elevation_series_step_value(const ElevationSeries* es, double x) {
  int fault = 0;
  const double v = elevation_series_step_lookup(es, x, fault);
  if (fault) say_series_fault(fault, es ? es->name : std::string());
  return v;
}

void shift_relative_series(SeriesStore& store, double start_time) {
  if (store.relative_shifted) return;
  store.relative_shifted = true;
  for (TimeSeries& ts : store.time_series)
    if (ts.relative)
      for (double& t : ts.times) t += start_time;
}

}  // namespace torva
