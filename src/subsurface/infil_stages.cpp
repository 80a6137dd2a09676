#include "model/model_state.hpp"
#include "subsurface/infiltration.hpp"
#include "subsurface/subsurface_stages.hpp"

namespace torva {

void stage_load_soils(ModelState& s) {
  infiltration_init(s);
}

void stage_infil_redist_start(ModelState& s) {
  infiltration_redist_start(s);
}

// The between-storm soil-column update belongs to the long-term soil-moisture accounting,
// which event runs do not perform.
void stage_soil_column(ModelState&) {}

void stage_infiltration(ModelState& s) {
  infiltration_step(s, s.overland.ov_depth.slots());
}

}  // namespace torva
