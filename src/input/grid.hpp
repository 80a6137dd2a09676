#pragma once
// The watershed grid: mask, cell numbering, elevation and neighbour tables.
#include "frame/arrays.hpp"

namespace torva {

struct GridState {
  int rows = 0;
  int cols = 0;
  double dx = 0.0;         // cell size, m
  double cell_area = 0.0;  // m^2
  int ncells = 0;          // active cells, numbered 1..ncells row by row
  double north = 0.0, south = 0.0, east = 0.0, west = 0.0;  // mask header edges
  Array2<int> mask{"mask"};     // (rows+2) x (cols+2) with a zero border; cell number inside
  Array2<int> data{"data"};     // same shape, scratch for integer maps over the rectangle
  double watershed_area = 0.0;  // ncells x dx^2, m^2
  Array1<int> cell_row{"cell_row"};
  Array1<int> cell_col{"cell_col"};
  Array1<double> elevation{"elevation"};  // m
  int outlet_cell = 0;
  int outlet_row = 0;
  int outlet_col = 0;
  // Neighbour tables (0 = none), filled by the connectivity stage.
  Array1<int> east_cell{"east_cell"};
  Array1<int> west_cell{"west_cell"};
  Array1<int> north_cell{"north_cell"};
  Array1<int> south_cell{"south_cell"};
};

}  // namespace torva
