#pragma once
// Stages of infiltration and the long-term soil, weather and groundwater processes.
namespace torva {
struct ModelState;

void stage_load_soils(ModelState& s);          // soil parameters and soil layer input
void stage_infil_redist_start(ModelState& s);  // start-of-step state of redistribution
void stage_soil_column(ModelState& s);         // soil-column update at its own interval
void stage_infiltration(ModelState& s);
void stage_long_term(ModelState& s);           // hydrometeorology, ET, soil moisture
void stage_groundwater(ModelState& s);

}  // namespace torva
