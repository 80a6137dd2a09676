#pragma once
// Infiltration state of the Green and Ampt family of methods (plain, with redistribution,
// multi-layer).  Depths are in metres and rates in cm/h unless noted.
#include <vector>

#include "frame/arrays.hpp"
#include "subsurface/soil_record.hpp"

namespace torva {

struct InfilState {
  // The method itself is the run's choice (RunControl::infil_method).
  bool area_reduction = false;  // multiply rates by `area_factor`
  bool lake_exclusion = false;  // cells under an overland lake take no water
  bool initialised = false;     // infiltration_init has run
  bool redist_started = false;  // method 2 start-up done for this simulation
  bool psi_ready = false;       // method 1 table computed
  bool scheduled = false;       // infiltration times set from the clock

  // Scheduling (Julian dates, days).
  double interval = 0.0;   // infiltration interval
  double prev_time = 0.0;  // previous infiltration time
  double next_time = 0.0;  // next scheduled infiltration time
  int infil_step = 0;      // method 2 step counter

  // Per-cell state shared by every method.
  Array1<double> infil_cum_depth{"infil_cum_depth"};      // m, since the event start
  Array1<double> infil_cum_prev{"infil_cum_prev"};        // m, at the previous step
  Array1<double> infil_event_depth{"infil_event_depth"};  // m, for output ("infdep")
  Array1<double> infil_rate{"infil_rate"};                // cm/h, last step ("infrate")
  Array1<double> surface_moisture{"surface_moisture"};    // water content ("surf")
  Array1<double> soil_store{"soil_store"};                // m of water over the simple soil depth
  // m infiltrated since the groundwater stage last took it (only with GW_SIMULATION).
  Array1<double> gw_recharge_depth{"gw_recharge_depth"};

  // Method 1: (porosity - theta_init) * capillary head, m; computed on the first call.
  Array1<double> psi_dtheta{"psi_dtheta"};

  // Method 2.
  Array1<double> front_moisture{"front_moisture"};    // theta0 of the first front
  Array1<double> front_ref_depth{"front_ref_depth"};  // m, F when redistribution began
  Array1<int> ponding_step{"ponding_step"};
  Array1<int> redist_step{"redist_step"};
  Array1<int> front_state{"front_state"};  // 0 one front, 1 new front deeper, 2 two fronts
  Array1<int> dry_step{"dry_step"};
  Array1<int> gw_saturated{"gw_saturated"};  // set by the groundwater coupling (> 0)
  Array1<double> theta_i{"theta_i"};         // initial water content, checked at start-up
  Array1<double> clipped{"clipped"};         // m created by clipping negative depths

  // Method 3: soil records by soil id (index = soil id) and per-cell layer state.
  std::vector<SoilRecord> soil_records;
  std::vector<bool> soil_record_given;
  Array1<double> front_depth{"front_depth"};    // cm
  Array1<double> layer_theta1{"layer_theta1"};  // initial water content of layer 1
  Array1<double> layer_theta2{"layer_theta2"};
  Array1<double> layer_theta3{"layer_theta3"};

  // Run totals, m^3.
  double infiltrated_volume = 0.0;
};

}  // namespace torva
