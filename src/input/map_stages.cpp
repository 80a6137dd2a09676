#include "frame/model_state.hpp"
#include "input/input_stages.hpp"

namespace torva {

void stage_load_maps(ModelState&) {}

}  // namespace torva
