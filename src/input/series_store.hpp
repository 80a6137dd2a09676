#pragma once
// Named time series and elevation series of the run.  Each run owns its store (a member of
// ModelState), so every run sees only the series of its own project file.
#include <deque>
#include <string>
#include <utility>
#include <vector>

namespace torva {

struct TimeSeries {
  std::string name;
  std::vector<double> times;  // Julian dates (days); day offsets while relative and unshifted
  std::vector<double> values;
  bool relative = false;  // declared RELATIVE: times count from the run's start
  int last_interval = 0;  // where the next lookup starts its search
  int count() const { return static_cast<int>(times.size()); }
};

struct ElevationSeries {
  std::string name;
  std::vector<double> args;  // elevations or other arguments, ascending
  std::vector<double> values;
  int count() const { return static_cast<int>(args.size()); }
};

struct SeriesStore {
  // Deques: a pointer to a series stays valid while later files append to the store.
  std::deque<TimeSeries> time_series;
  std::deque<ElevationSeries> elevation_series;
  // Index -> series, from the TIME_SERIES_INDEX mapping table (overland boundary cells).
  std::vector<std::pair<int, TimeSeries*>> index_list;
  bool relative_shifted = false;  // relative times have had the start time added
};

}  // namespace torva
