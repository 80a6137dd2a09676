#pragma once
// Stages of infiltration.
namespace torva {
struct ModelState;

void stage_load_soils(ModelState& s);          // soil parameters and soil layer input
void stage_infil_redist_start(ModelState& s);  // start-of-step state of redistribution
void stage_infiltration(ModelState& s);

}  // namespace torva
