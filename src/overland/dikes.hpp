#pragma once
// Overland flow dikes: the dike map (side-code sums per cell) and its low spots.
#include <span>
#include <string>

#include "frame/arrays.hpp"

namespace torva {

struct ModelState;

// Reads an integer category raster over the mask into `codes` (1-based, by cell number),
// checking its size against rows x cols and its values against 0..10000; prints the
// count of each category.  False (ErrorCode 4000) on a fault.
bool read_dike_codes(const std::string& path, const Array2<int>& mask, int rows, int cols,
                     std::span<int> codes);

// The dike map (EMBANKMENT) and, with it, the low-spot file (LOWSPOT_FILE).
void load_dikes(ModelState& s);

}  // namespace torva
