#pragma once
// Stages of infiltration.
namespace torva {
struct ModelState;

void stage_load_soils(ModelState& s);          // soil parameters and soil layer input
void stage_infil_redist_start(ModelState& s);  // start-of-step state of redistribution
void stage_infiltration(ModelState& s);

// Long-term runs.
void stage_longterm_start(ModelState& s);  // weather scan and the run's calendar (start-up 17)
void stage_longterm_step(ModelState& s);   // the hourly weather step (loop step 8)
// Basin-averaged soil water content (fraction): the simple soil store over its depth, or the
// surface water content with Richards infiltration.
double basin_soil_water(const ModelState& s);

}  // namespace torva
