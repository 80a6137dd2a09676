#pragma once
// Named time series (values against Julian dates) and elevation series (values against an
// elevation or other argument), read from the files of TIME_SERIES_FILE/ELEV_SERIES_FILE.
//
// Use: look a series up by name once at start-up and keep the pointer (it stays valid for
// the run), then ask it for values each step:
//   TimeSeries* q = find_time_series(s.series, "pump");
//   if (!q) { set_error(...); return; }
//   double v = time_series_value(q, s.clock.current_time);
#include <string>
#include <string_view>

#include "input/series_store.hpp"

namespace torva {

// Reads every series of the file into the store (appended in file order).
void read_time_series_file(const std::string& file_name, SeriesStore& store);
void read_elevation_series_file(const std::string& file_name, SeriesStore& store);

// First series whose name begins with `name` (case matters); null when none.
TimeSeries* find_time_series(SeriesStore& store, std::string_view name);
ElevationSeries* find_elevation_series(SeriesStore& store, std::string_view name);

// Linear interpolation in time; held constant before the first and after the last entry.
// A null or empty series prints its message, reports ErrorCode 4000 and gives 0.
double time_series_value(TimeSeries* series, double julian);
// The series registered under `index` in the store's index list.
double time_series_value_by_index(SeriesStore& store, int index, double julian);
void add_time_series_index(SeriesStore& store, int index, TimeSeries* series);

// Interpolated and stepped (value of the lower end of the interval) elevation lookups.
double elevation_series_value(const ElevationSeries* series, double x);
double elevation_series_step_value(const ElevationSeries* series, double x);

// The same lookups for kernels, which must not print: they give the value and set `fault` to
// what went wrong (a null or empty series gives 0, as does an argument in no interval of an
// unsorted series), leaving it alone otherwise.
enum SeriesFault : int {
  kSeriesTimeMissing = 501,
  kSeriesTimeEmpty = 502,
  kSeriesTimeUnordered = 503,
  kSeriesElevMissing = 504,
  kSeriesElevEmpty = 505,
  kSeriesElevUnordered = 506,
};
double time_series_lookup(TimeSeries* series, double julian, int& fault);
double elevation_series_lookup(const ElevationSeries* series, double x, int& fault);
double elevation_series_step_lookup(const ElevationSeries* series, double x, int& fault);

// The message of a lookup fault of the series named `name`.  A missing or empty series also
// reports ErrorCode 4000 at once, which stops the run after the stage and lets it finish.
void say_series_fault(int fault, const std::string& name);

// Adds the start time to every time of every relative series, once per store.
void shift_relative_series(SeriesStore& store, double start_time);

}  // namespace torva
