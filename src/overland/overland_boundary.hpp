#pragma once
// Overland boundary cells: fixed heads, fixed friction slopes and inflow series.
#include <span>

namespace torva {

// Boundary types of the OVERLAND_BOUNDARY table: 1 and 3 hold the water surface at a head
// (m; 3 from a series), 2 and 4 let water leave at normal depth over a friction slope (4 from
// a series), 5 adds a discharge (m^3/s, negative withdraws) from a series.
enum BoundaryType {
  kNoBoundary = 0,
  kHead = 1,
  kSlope = 2,
  kHeadSeries = 3,
  kSlopeSeries = 4,
  kFlowSeries = 5
};

// Volumes the boundary cells moved during one application (m^3, all >= 0).
struct BoundaryVolumes {
  double head_gain = 0.0;
  double head_loss = 0.0;
  double slope_loss = 0.0;
  double flow_in = 0.0;  // net discharge added by type 5 cells (negative when withdrawn)
};

// Applies every boundary cell for a step of dt seconds; `value` holds each cell's value now
// (the table value for types 1 and 2, the series value for 3 to 5).  Serial: boundary cells
// are few and the volumes are summed in cell order.
BoundaryVolumes apply_overland_boundary(std::span<const int> type, std::span<const double> value,
                                        std::span<const double> elevation,
                                        std::span<const double> inv_rough, double dx, double dt,
                                        std::span<double> depth);

}  // namespace torva
