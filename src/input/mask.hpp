#pragma once
// The watershed mask (cell numbering, cell count, area) and the elevation map with the
// outlet cell.
#include <string>

#include "frame/arrays.hpp"
#include "frame/file_handle.hpp"
#include "input/raster.hpp"

namespace torva {

struct ModelState;

// Largest (ROWS+2) x (COLS+2) rectangle the mask may claim; beyond it the project's sizes
// are taken as a mistake rather than an allocation to attempt.
constexpr long long kMaxGridPositions = 500000000LL;

// The mask header's cell size against GRIDSIZE, compared after trunc((x + 0.001) * 10):
// 0 agrees, 1 north-south differs (tested first), 2 east-west differs.
int grid_size_check(double gridsize, const GridHeader& h);

// Numbers every non-zero entry (any sign) 1..N in row-major order; returns N.
int renumber_mask(Array2<int>& mask);

// Reads WATERSHED_MASK from the open handle: mask, grid-size check, renumbering, the
// "maskmap" file, cell count, cell positions and area.  Closes the handle.
void read_watershed_mask(ModelState& s, FileHandle& file);

// Reads ELEVATION into grid.elevation and locates the outlet cell.  Closes the handle.
void read_elevation(ModelState& s, FileHandle& file);

// Prints a map-reader announcement: console unless quiet, summary file always.
void announce(const ModelState& s, const char* what, const std::string& path);

}  // namespace torva
