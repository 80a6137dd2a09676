#pragma once
// Stages of the results: summary, hydrographs, link/node files, maps and totals.
namespace torva {
struct ModelState;

void stage_open_summary(ModelState& s);     // the summary file, with what was said before
void stage_open_outputs(ModelState& s);     // hydrograph, location and link/node files
void stage_linknode_header(ModelState& s);  // header of the link/node depth file
void stage_initial_storage(ModelState& s);  // initial storage totals
void write_event_summary(ModelState& s);
// Marks the start of an event of a long-term run: the ledger and soil water it starts from.
void mark_event_start(ModelState& s);         // event summary when an event closes
void stage_hydrograph_output(ModelState& s);  // hydrographs and time series
void stage_map_output(ModelState& s);         // map output
void stage_totals(ModelState& s);             // end-of-run totals and mass balance

}  // namespace torva
