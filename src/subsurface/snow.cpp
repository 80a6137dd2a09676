#include "subsurface/snow.hpp"

#include <algorithm>

namespace torva {

double degree_day_melt(std::span<double> swe, std::span<double> depth, double temperature,
                       double hours) {
  if (!(temperature > 0.0)) return 0.0;
  const double potential = kDegreeDayFactor * temperature * hours / 24.0 / 1000.0;  // m
  double sum = 0.0;
  const std::size_t n = std::min(swe.size(), depth.size());
  // Summed in cell order, so the total does not depend on any thread count.
  for (std::size_t i = 1; i < n; ++i) {
    const double melt = std::min(swe[i], potential);
    swe[i] -= melt;
    depth[i] += melt;
    sum += melt;
  }
  return sum;
}

}  // namespace torva
