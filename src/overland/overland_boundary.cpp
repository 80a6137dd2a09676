#include "overland/overland_boundary.hpp"

#include <algorithm>
#include <cmath>

#include "overland/outlet.hpp"

namespace torva {

BoundaryVolumes apply_overland_boundary(std::span<const int> type, std::span<const double> value,
                                        std::span<const double> elevation,
                                        std::span<const double> inv_rough, double dx, double dt,
                                        std::span<double> depth) {
  BoundaryVolumes v;
  const double area = dx * dx;
  const std::size_t n = depth.size();
  for (std::size_t i = 1; i < n; ++i) {
    switch (type[i]) {
      case kHead:
      case kHeadSeries: {
        const double target = std::max(value[i] - elevation[i], 0.0);
        const double change = (target - depth[i]) * area;
        if (change > 0.0)
          v.head_gain += change;
        else
          v.head_loss -= change;
        depth[i] = target;
        break;
      }
      case kSlope:
      case kSlopeSeries:
        if (value[i] > 0.0) v.slope_loss += drain_outlet(depth[i], inv_rough[i], value[i], dx, dt);
        break;
      case kFlowSeries: {
        // A withdrawal takes at most the water that is there.
        const double add = std::max(value[i] * dt, -std::max(depth[i], 0.0) * area);
        depth[i] += add / area;
        v.flow_in += add;
        break;
      }
      default:
        break;
    }
  }
  return v;
}

}  // namespace torva
