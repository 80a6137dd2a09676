#pragma once
// Building the Richards columns from the three-layer soil records.
#include <span>
#include <string>

#include "subsurface/richards_solver.hpp"
#include "subsurface/soil_record.hpp"

namespace torva {

constexpr int kMaxColumnNodes = 5000;

// Node counts of one soil: layer k holds round(thickness / node spacing) nodes.
struct ColumnLayout {
  int last[3] = {0, 0, 0};  // last node of layers 1, 2, 3
  int n = 0;                // bottom node index
};

// Parameters of layer k (1..3) of `rec`.  False, with `why` set, when they are unusable.
bool layer_hydraulics(const SoilRecord& rec, int k, Retention r, SoilHydraulics& p,
                      std::string& why);

// Node counts of `rec`, with `extra` nodes of spacing `extra_dz` below layer 3.
bool column_layout(const SoilRecord& rec, int extra, ColumnLayout& lay, std::string& why);

// Spacings `dz` (the storage behind `c.DZ`) and initial state of a column laid out by
// `lay`; `c.soil` must be set.  Heads follow from the initial water contents of the layers;
// nodes below layer 3 take `extra_dz` when it is positive.
void initial_column(const ColumnView& c, std::span<double> dz, const SoilRecord& rec,
                    const ColumnLayout& lay, double extra_dz, Retention r);

}  // namespace torva
