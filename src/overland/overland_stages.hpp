#pragma once
#include <span>

// Stages of connectivity, precipitation and overland flow.
namespace torva {
struct ModelState;

void stage_connectivity(ModelState& s);       // neighbour tables, dikes, low spots
void stage_initial_slopes(ModelState& s);     // ground slopes between connected cells
void stage_first_event_setup(ModelState& s);  // first event and its precipitation, start time
void stage_precipitation(ModelState& s);      // rain of the step onto the cells
void stage_event_start(ModelState& s);        // first step of each event
void stage_radar(ModelState& s);              // radar precipitation
void stage_allocate_overland(ModelState& s);  // overland arrays over the mask
void stage_depth_check(ModelState& s);        // non-real depths after rain
void stage_overland(ModelState& s);           // overland flow routing
// When suspended overland routing of a long-term run resumes: the time of the next rain record
// while an event's rain is running, else never (the next event sets it when it is read).
double overland_wake_time(const ModelState& s);

// Per-cell overland discharge for the discharge map in m^3/s (slots 0..N; empty before the
// overland arrays exist): the explicit scheme's unit-width flows need GRIDSIZE, the ADE
// schemes' face discharges do not.
std::span<const double> overland_discharge_map(ModelState& s);

}  // namespace torva
