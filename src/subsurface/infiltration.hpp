#pragma once
// Infiltration of the Green and Ampt family: method selection and checks, start-up, the
// scheduled step and its bookkeeping (run volume, event depth, soil store, ledger).
#include <span>
#include <string_view>
#include <vector>

#include "subsurface/infil_cards.hpp"

namespace torva {

struct ModelState;

// Code of a conflicting combination of infiltration cards (26-31, 33), or 0.
int infiltration_conflict_code(const InfilCards& cards);

// Start-up, after the maps: method flags, the soil layer input, allocation and parameter
// checks.  Faults set the ErrorCode and return.
void infiltration_init(ModelState& s);

// Method 2 start-up before its first step of a simulation (state cleared, initial water
// content checked against [residual, porosity] and corrected by 0.01).
void infiltration_redist_start(ModelState& s);

// One model step: acts when the clock reaches the next infiltration time.  `ov_depth` is
// the ponded depth per cell (m, 1-based, slot 0 unused).
void infiltration_step(ModelState& s, std::span<double> ov_depth);

// Per-cell values (slots 0..N) of the infiltration map outputs: "infdep" (depth infiltrated
// this event, m), "infrate" (rate of the last step, cm/h), "surf" (surface water content).
// Empty for another name or when infiltration does not keep the array.
std::span<const double> infiltration_map(const ModelState& s, std::string_view result);

// The per-cell water content (slots 0..N) a later run may start from as its initial
// moisture: the upper-zone content where the method tracks one (redistribution, Richards),
// else the initial content, which the other methods leave unchanged.  Empty without one.
std::vector<double> restart_moisture(const ModelState& s);

}  // namespace torva
