#include "model/model_state.hpp"
#include "subsurface/subsurface_stages.hpp"

namespace torva {

// Long-term weather and groundwater are not simulated by this version; the reader ignores
// LONG_TERM and GW_SIMULATION (with a warning) and these slots do nothing.
void stage_long_term(ModelState&) {}
void stage_groundwater(ModelState&) {}

}  // namespace torva
