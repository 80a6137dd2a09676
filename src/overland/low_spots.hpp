#pragma once
// Low spots of overland dikes: the low-spot file and its checks against the grid.
#include <span>
#include <string>
#include <vector>

#include "frame/arrays.hpp"
#include "overland/connectivity_state.hpp"

namespace torva {

// Read-only views of the grid that the checks need.
struct LowSpotGrid {
  const Array2<int>* mask;
  int rows;
  int cols;
  std::span<const int> east, west, north, south;
  std::span<const int> dike_code;
  std::span<const double> elevation;
};

// Reads a file whose first word is LOWSPOT and whose SPOT lines each hold row, column,
// side code, width fraction and crest elevation.  Messages go to the error stream;
// false (ErrorCode 4000 set) on a fault.
bool read_lowspot_file(const std::string& path, std::vector<LowSpot>& spots);

// Checks every low spot in file order and stops at the first fault with its message;
// false on a fault (the caller sets ErrorCode 4000).
bool validate_low_spots(const std::vector<LowSpot>& spots, const LowSpotGrid& g,
                        const std::string& path);

}  // namespace torva
