#pragma once
// Ground slopes between a cell and its east and south neighbours.
#include <span>

namespace torva {

struct ModelState;

// Two passes over cells 1..n in number order.  A cell without an east neighbour copies
// slope_x of the cell numbered just before it (cell 1 takes slot 0, which is 0); a cell
// whose south neighbour is the last of its column hands that neighbour its own slope_y.
void ground_slopes(std::span<const double> elevation, std::span<const int> east,
                   std::span<const int> south, double gridsize, std::span<double> slope_x,
                   std::span<double> slope_y);

void compute_ground_slopes(ModelState& s);

}  // namespace torva
