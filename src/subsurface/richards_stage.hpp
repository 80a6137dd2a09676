#pragma once
// Wiring of the Richards columns to the model state: start-up from the soil records, the
// scheduled step over all cells, and the volumes the summary reports.
#include <span>

#include "subsurface/richards_solver.hpp"

namespace torva {

struct ModelState;
struct RichardsState;

// Start-up: options from the cards, the columns of every cell and their initial volumes.
// Faults set the ErrorCode and return false.
bool richards_init(ModelState& s);

// One infiltration interval of `dt` seconds over every cell; `depth` is `ov_depth` (m).
void richards_step(ModelState& s, std::span<double> depth, double dt);

// Water held by the columns, m^3.
double richards_soil_volume(const ModelState& s);
// Water held by the nodes of layer 1, m^3.
double richards_root_zone_volume(const ModelState& s);

// The column of `cell` in the state's node arrays.
ColumnView richards_column(RichardsState& r, int cell);

}  // namespace torva
