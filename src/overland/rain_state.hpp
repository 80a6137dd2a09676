#pragma once
// Precipitation input: gages, radar, per-cell intensities and the rain state machine.
#include <vector>

#include "frame/arrays.hpp"
#include "overland/precip_gage.hpp"
#include "overland/precip_radar.hpp"

namespace torva {

// Values of EventControl::precip_state.
constexpr int kRainRunning = 1;
constexpr int kRainEnded = 0;         // the records of a gage or radar event are used up
constexpr int kRainNoEvent = 2;       // no further event in the gage file
constexpr int kRainUniformEnded = 3;  // the uniform duration is used up

struct RainState {
  // Per cell (1..N)
  Array1<double> rain_rate{"rain_rate"};          // gross intensity, mm/h
  Array1<double> net_rain_rate{"net_rain_rate"};  // after interception, mm/h
  Array1<double> int_used{"int_used"};            // interception filled in the event, mm
  Array1<double> int_caught{"int_caught"};        // interception of the step, mm
  Array1<int> nearest_gage{"nearest_gage"};
  Array1<double> cell_x{"cell_x"};  // cell centres, map units
  Array1<double> cell_y{"cell_y"};
  Array1<long> radar_index{"radar_index"};

  bool thiessen = false;  // nearest gage, else inverse distance squared
  bool interception = false;
  // Uniform rain: steps of rain and the count of applications so far.
  long uniform_steps = 0;
  long uniform_count = 0;
  double uniform_intensity = 0.0;  // mm/h

  GageFile file;
  PrecipEvent event;
  int events_read = 0;
  int event_started = 0;   // event whose start-of-event set-up has run
  int record = 1;          // next record to assign
  double next_time = 0.0;  // Julian date of that record

  RadarHeader radar;
  std::vector<double> radar_values;  // sized once per event from the first header, mm/h
};

}  // namespace torva
