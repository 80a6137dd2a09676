#pragma once
// Stages of the channel network.
namespace torva {
struct ModelState;

void stage_load_channels(ModelState& s);         // channel file, hot start, initial areas
void stage_channel_point_setup(ModelState& s);   // channel point-source inputs
void stage_channel_routing(ModelState& s);       // routing with the land and aquifer exchanges
void stage_channel_point_inputs(ModelState& s);  // point inputs of the step
void stage_channel_hotstart(ModelState& s);      // end of run: the channel hotstart files
// Channel part of the outlet peak tracking: largest discharge of each output location in
// calibration runs.
void track_channel_peaks(ModelState& s);

}  // namespace torva
