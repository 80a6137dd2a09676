#include "overland/low_spot_flow.hpp"

#include <algorithm>
#include <cmath>

namespace torva {

void low_spot_flow(std::span<const LowSpotLink> spots, double dx, double dt,
                   std::span<const double> elevation, std::span<double> depth,
                   std::span<double> q) {
  const double area = dx * dx;
  for (std::size_t k = 0; k < spots.size(); ++k) {
    const LowSpotLink& sp = spots[k];
    q[k] = 0.0;
    if (sp.cell == 0 || sp.neighbour == 0) continue;
    const double wk = depth[sp.cell] + elevation[sp.cell];
    const double wm = depth[sp.neighbour] + elevation[sp.neighbour];
    if (std::fabs(wk - wm) <= 0.001) continue;
    if (wk <= sp.crest && wm <= sp.crest) continue;
    const bool k_high = wk > wm;
    const double head = (k_high ? wk : wm) - sp.crest;
    const double flow = 1.48 * (sp.width_fraction * dx) * std::pow(head, 1.5);
    q[k] = flow;
    const int from = k_high ? sp.cell : sp.neighbour;
    const int to = k_high ? sp.neighbour : sp.cell;
    // A long step could otherwise draw the higher cell below zero.
    const double moved = std::min(flow * dt / area, std::max(depth[from], 0.0));
    depth[from] -= moved;
    depth[to] += moved;
  }
}

}  // namespace torva
