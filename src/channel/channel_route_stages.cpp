#include "channel/channel_stages.hpp"
#include "frame/model_state.hpp"

namespace torva {

void stage_channel_point_setup(ModelState&) {}
void stage_channel_routing(ModelState&) {}
void stage_channel_point_inputs(ModelState&) {}

}  // namespace torva
