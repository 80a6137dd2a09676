#include "frame/model_state.hpp"
#include "overland/overland_stages.hpp"

namespace torva {

void stage_connectivity(ModelState&) {}
void stage_initial_slopes(ModelState&) {}
void stage_first_event_setup(ModelState&) {}
void stage_precipitation(ModelState&) {}
void stage_event_start(ModelState&) {}
void stage_radar(ModelState&) {}

}  // namespace torva
