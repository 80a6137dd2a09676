#pragma once
// Start-up stages of the project file and the input maps.
namespace torva {
struct ModelState;

void stage_read_project(ModelState& s);           // read the cards, then the transfer step
void stage_option_checks(ModelState& s);          // conflicting or missing options (codes 6-46)
void stage_load_maps(ModelState& s);              // mask, elevation, parameter maps, mapping tables
void stage_time_settings(ModelState& s);          // time step, output intervals (codes 52-58)
void stage_shift_relative_series(ModelState& s);  // relative series times to Julian dates

}  // namespace torva
