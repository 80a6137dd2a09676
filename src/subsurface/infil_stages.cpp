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

void stage_infiltration(ModelState& s) {
  infiltration_step(s, s.overland.ov_depth.slots());
}

}  // namespace torva
