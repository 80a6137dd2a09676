#pragma once
// Four neighbour tables of the compact cell list (no diagonals).
#include <span>

#include "frame/arrays.hpp"

namespace torva {

struct ModelState;

// Fills the tables (1-based, slot 0 unused) from a (rows+2) x (cols+2) mask with a zero
// border; a neighbour is 0 where the side leaves the watershed or the grid.
void build_neighbour_tables(const Array2<int>& mask, int rows, int cols, std::span<int> east,
                            std::span<int> west, std::span<int> north, std::span<int> south);

// Neighbour tables, then the low-spot checks when both a dike map and low spots exist.
void build_connectivity(ModelState& s);

}  // namespace torva
