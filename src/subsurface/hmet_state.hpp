#pragma once
// State of the hourly weather step of a long-term run.
#include "frame/arrays.hpp"
#include "frame/file_handle.hpp"
#include "subsurface/hmet.hpp"

namespace torva {

// Continuous frozen-ground index above which a cell takes no infiltration.
inline constexpr double kFrozenGroundIndex = 83.0;
inline constexpr double kHmetIntervalDays = 1.0 / 24.0;

struct HmetState {
  HmetReader reader;
  HmetRecord record;                    // the hour's weather
  double prev_time = 0.0;               // Julian date of the previous hourly step
  double next_time = 0.0;               // Julian date of the next hourly step
  long calls = 0;                       // hourly steps taken
  bool first_read = false;              // the first record of the run has been found
  int lines_since_flush = 0;            // "longterm" lines since standard output was last flushed
  double et_volume_before = 0.0;        // run's evapotranspiration volume at the last hour, m^3
  Array1<double> cfgi{"CFGI"};          // continuous frozen-ground index per cell
  Array1<int> frozen{"frozen"};         // 1 where CFGI is above kFrozenGroundIndex, else 0
  Array1<double> pet_rate{"pet_rate"};  // potential evapotranspiration of the hour, cm/s
  Array1<double> swe{"swe"};            // snow water equivalent on the ground, m
  FileHandle evap_out;                  // "evap_out" with Richards infiltration
};

}  // namespace torva
