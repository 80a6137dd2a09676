#pragma once
// Overland flow: depths, face discharges, scheme control and outlet flow.
#include <vector>

#include "frame/arrays.hpp"
#include "overland/explicit_scheme.hpp"
#include "overland/low_spot_flow.hpp"

namespace torva {

struct OverlandState {
  // Per-cell water on the surface and the flows through the east and south faces.
  Array1<double> ov_depth{"ov_depth"};        // m
  Array1<double> saved_depth{"saved_depth"};  // m; start-of-step copy (ADE-PC: predicted depths)
  // Face discharges, stored at the cell west (x) or north (y) of the face, positive toward
  // the east or south neighbour.  They double as the reported flows `qx`, `qy` after a step:
  // m^3/s in the ADE schemes, m^2/s per unit width in the explicit scheme.
  Array1<double> face_q_x{"face_q_x"};
  Array1<double> face_q_y{"face_q_y"};
  Array1<double> face_vol_x{"face_vol_x"};  // m^3 through the face during the step (ADE)
  Array1<double> face_vol_y{"face_vol_y"};
  Array1<double> inv_rough{"inv_rough"};  // 1 / Manning n, so the sweeps do not divide
  Array1<double> retention{"retention"};  // m; the retention map, or the uniform value

  // Overland boundary cells: type 0 (none) to 5, the table value of each (for types 3 to 5
  // the index of a time series) and the value in force this step.
  Array1<int> bound_type{"bound_type"};
  Array1<double> bound_value{"bound_value"};
  Array1<double> bound_now{"bound_now"};
  bool boundaries = false;
  // GRIDSIZE x sqrt(qx^2 + qy^2) per cell for the discharge map, sized on first use.
  Array1<double> map_discharge{"map_discharge"};

  // Scheme control.
  int sweep_order = 1;               // 1: x then y; 2: y then x; flips every routed step
  bool started = false;              // first overland step seen
  double prev_time = 0.0;            // Julian date of the previous overland step
  double next_time = 0.0;            // Julian date of the next overland step
  ExplicitControl explicit_control;  // reduced explicit sub-step and its hold
  bool wet = false;                  // some cell held water at the last check
  bool moving = false;               // some face flow above 1e-16 at the last check
  // Long-term runs: routing rests while the land is dry between storms, until the wake time.
  bool suspended = false;

  // Outlet.
  double outlet_step_volume = 0.0;   // m^3 that left at the outlet in the last step
  double outlet_event_volume = 0.0;  // m^3 this event (no channel network)
  double outlet_total_volume = 0.0;  // m^3 this run (no channel network)
  double outlet_q = 0.0;             // m^3/s, outlet discharge of the last step
  // Event bookkeeping for the end-of-runoff rule.
  int event = 0;  // event the outlet event volume belongs to
  bool runoff_ended = false;
  // Low spots by cell number and their weir flow of the last step (m^3/s), in file order.
  std::vector<LowSpotLink> low_spots;
  std::vector<double> low_spot_q;
};

}  // namespace torva
