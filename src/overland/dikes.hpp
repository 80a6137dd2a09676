#pragma once
// Overland flow dikes: the dike map (side-code sums per cell) and its low spots.
#include <span>
#include <string>

#include "frame/arrays.hpp"

namespace torva {

struct ModelState;

// Reads the dike map as a category raster over the mask into `codes` (1-based, by cell
// number).  False (ErrorCode 4000, message printed) on a fault.
bool read_dike_codes(const std::string& path, Array2<int>& mask, int rows, int cols,
                     std::span<int> codes);

// The dike map (EMBANKMENT) and, with it, the low-spot file (LOWSPOT_FILE).
void load_dikes(ModelState& s);

}  // namespace torva
