#include "frame/model_state.hpp"
#include "subsurface/subsurface_stages.hpp"

namespace torva {

void stage_load_soils(ModelState&) {}
void stage_infil_redist_start(ModelState&) {}
void stage_soil_column(ModelState&) {}
void stage_infiltration(ModelState&) {}

}  // namespace torva
