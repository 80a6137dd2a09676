#include "frame/model_state.hpp"
#include "output/output_stages.hpp"

namespace torva {

void stage_map_output(ModelState&) {}

}  // namespace torva
