#pragma once
// Snow on the ground of long-term runs: a temperature-index (degree-day) melt of the snow water
// equivalent, the least that lets snow that fell in frost come back as water (docs/snow.md).
#include <span>

namespace torva {

// Melt per degree above 0 deg C per day, mm/(deg C day); see docs/snow.md for the source.
inline constexpr double kDegreeDayFactor = 3.0;
// Density of the snow pack relative to water, for the snow depth the frozen-ground index uses.
inline constexpr double kSnowDensityRatio = 0.3;

// Melts `hours` at air `temperature` (deg C) from the snow water equivalent `swe` (m) of each
// cell into its surface `depth` (m); returns the melted depth summed over the cells (m).
double degree_day_melt(std::span<double> swe, std::span<double> depth, double temperature,
                       double hours);

}  // namespace torva
