#pragma once
// Start-up time settings: model time step and output intervals (ErrorCodes 52 to 58).

namespace torva {

struct Settings;

struct TimeSettings {
  double dt = 0.0;    // s
  int hyd_steps = 0;  // steps between hydrograph writes
  int map_steps = 0;  // steps between map writes
};

// Derives the settings; may change the site record (ST_TIME_STEP, HYD_FREQ, MAP_FREQ
// defaults).  Faults set the ErrorCode record and end the derivation.
TimeSettings derive_time_settings(const Settings& settings, bool long_term);

}  // namespace torva
