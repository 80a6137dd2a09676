#include "channel/channel_stages.hpp"
#include "frame/model_state.hpp"

namespace torva {

void stage_load_channels(ModelState&) {}

}  // namespace torva
