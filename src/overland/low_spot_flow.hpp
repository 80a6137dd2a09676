#pragma once
// Weir flow through the low spots of overland dikes.
#include <span>

namespace torva {

// One low spot: the cell, its neighbour across the dike, the gap's width as a fraction of
// the cell side and its crest elevation (m).
struct LowSpotLink {
  int cell = 0;
  int neighbour = 0;
  double width_fraction = 0.0;
  double crest = 0.0;
};

// Broad-crested weir, Q = 1.48 (w dx) H^1.5 with H the higher surface above the crest, for
// each low spot in order; the depth Q dt / dx^2 moves from the higher cell to the lower, but
// never more than the higher cell holds.  q[k] receives each spot's discharge (m^3/s).
void low_spot_flow(std::span<const LowSpotLink> spots, double dx, double dt,
                   std::span<const double> elevation, std::span<double> depth, std::span<double> q);

}  // namespace torva
