#include "frame/model_state.hpp"
#include "output/output_stages.hpp"

namespace torva {

void stage_open_outputs(ModelState&) {}
void stage_linknode_header(ModelState&) {}
void stage_initial_storage(ModelState&) {}
void write_event_summary(ModelState&) {}
void stage_hydrograph_output(ModelState&) {}
void stage_totals(ModelState&) {}

}  // namespace torva
