#pragma once
// The end-of-event summary: its text is built from plain facts and the ledger, so that the
// writer can be checked line by line without a run.
#include <string>

#include "frame/clock.hpp"
#include "frame/console.hpp"
#include "output/ledger.hpp"
#include "overland/precip_cards.hpp"
#include "subsurface/hmet.hpp"
#include "subsurface/infil_cards.hpp"
#include "subsurface/richards_summary.hpp"

namespace torva {

// What the summary of a long-term event adds: its heading and the weather it ran on.
struct LongTermFacts {
  bool on = false;
  long event = 0;
  double began = 0.0, ended = 0.0;  // Julian dates of the event
  CalendarTime start;
  double gmt = 0.0;  // hours
  HmetFormat format = HmetFormat::none;
  std::string station;   // SAMSON station name
  HmetDate first, last;  // the weather record
  int repaired = 0;
  double soil_initial = 0.0, soil_final = 0.0;  // basin-averaged soil water content, fraction
};

// What the summary reports besides the ledger's volumes.
struct SummaryFacts {
  CalendarTime start;  // event start
  RainSource rain = RainSource::uniform;
  double rain_intensity = 0.0;   // mm/h, uniform rain
  double rain_duration = 0.0;    // minutes, uniform rain
  bool inverse_distance = true;  // else Thiessen polygons
  double dt = 0.0;               // model time step, s
  double peak_q = 0.0;           // m^3/s
  double peak_julian = 0.0;
  CalendarTime peak_time;
  bool channels = false;       // explicit channel routing
  bool beyond_table = false;   // a channel depth went beyond its break-point table
  bool hyd_locations = false;  // OUT_HYD_LOCATION given
  int hyd_steps = 0;           // N
  int map_steps = 0;
  // Processes simulated.
  bool trapezoid_sections = false;
  bool table_sections = false;
  bool interception = false;
  bool distributed_roughness = false;
  bool uniform_roughness = false;
  bool distributed_moisture = false;
  bool spatial_retention = false;
  bool uniform_retention = false;
  InfilMethod infil_method = InfilMethod::none;
  RichardsSummary richards;  // the Richards block, when that method runs
  LongTermFacts long_term;
  // Maps written (cards given), text or binary datasets.
  bool binary_maps = false;
  bool map_depth = false, map_discharge = false, map_rain = false, map_inf_depth = false,
       map_inf_rate = false, map_surf_moist = false, map_recharge_cum = false,
       map_recharge_inc = false, map_chan_depth = false, map_chan_discharge = false;
};

// Sets the event's "Mass input + original mass", "Mass output + final mass" and their
// fraction (I - O) / I; the fraction is -1 when no rain fell.  The final storages of the
// ledger must be current.
void close_event_balance(WaterLedger& w);

// True when the mass conservation error (percent) calls for the warning.
inline bool mass_error_warning(double percent) {
  return percent > 2.0 || percent < -2.0;
}

// The whole summary of one event run, in the order the summary file carries it.
void append_event_summary(std::string& out, const SummaryFacts& f, const WaterLedger& w);

}  // namespace torva
