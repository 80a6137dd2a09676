#pragma once
// Ground slopes, dikes and low spots between connected cells.
#include <vector>

#include "frame/arrays.hpp"

namespace torva {

// Side codes of a cell; a dike value is the sum of the sides that carry a dike.
constexpr int kSideTop = 1;
constexpr int kSideRight = 2;
constexpr int kSideBottom = 4;
constexpr int kSideLeft = 8;

// A gap in an overland dike through which water may cross.
struct LowSpot {
  int row = 0;
  int col = 0;
  int side = 0;          // side code of the cell the water crosses
  double width = 0.0;    // fraction of GRIDSIZE
  double crest = 0.0;    // crest elevation, m
  double working = 0.0;  // routing scratch, 0 at start
};

struct ConnectivityState {
  Array1<double> slope_x{"slope_x"};  // (z - z_east) / GRIDSIZE
  Array1<double> slope_y{"slope_y"};  // (z - z_south) / GRIDSIZE
  bool has_dikes = false;
  Array1<int> dike_code{"dike_code"};  // side-code sums per cell
  std::vector<LowSpot> low_spots;
};

}  // namespace torva
