#include "frame/model_state.hpp"
#include "overland/overland_stages.hpp"

namespace torva {

void stage_allocate_overland(ModelState&) {}
void stage_depth_check(ModelState&) {}
void stage_overland(ModelState&) {}

}  // namespace torva
