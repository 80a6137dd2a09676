#pragma once
// Writers of the raster text formats, beside their reader: the header-and-grid format that
// maps are read in (hotstarts, the renumbered mask) and the column-count format.
#include <cstdio>
#include <span>

#include "frame/arrays.hpp"

namespace torva {

// A cell's value, 0 for a cell beyond the given slots.
inline double cell_value(std::span<const double> values, int cell) {
  return static_cast<std::size_t>(cell) < values.size() ? values[cell] : 0.0;
}

struct MapFrame {
  double north = 0.0, south = 0.0, east = 0.0, west = 0.0;
  int rows = 0;
  int cols = 0;
};

// Header-and-grid: "north: %9.2lf" ... then each value "%lf " (0 outside the mask).
// `values` are per-cell slots 0..N.
void write_grid_grass(std::FILE* fp, const Array2<int>& mask, const MapFrame& f,
                      std::span<const double> values);
// The same header with the mask's own integers "%d " (the renumbered mask map).
void write_mask_grass(std::FILE* fp, const Array2<int>& mask, const MapFrame& f);
// Column-count: "ncols \t%d" ... then each value "%6.4lf " (-9999.9999 outside).
void write_grid_arc(std::FILE* fp, const Array2<int>& mask, const MapFrame& f,
                    std::span<const double> values, double cellsize);

}  // namespace torva
