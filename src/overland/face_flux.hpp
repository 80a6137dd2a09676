#pragma once
// Manning face discharges of the ADE schemes, computed once per face from a depth array.
#include <bit>
#include <cmath>
#include <cstdint>
#include <span>

namespace torva {

// Grids smaller than this run their cell loops on one thread: forking costs more than the
// loop itself, and owner-writes loops give the same results either way.
constexpr int kParallelMinCells = 2048;

// The fixed per-cell data every overland kernel reads (1-based spans, slot 0 unused).
struct SurfaceView {
  int ncells = 0;
  double dx = 0.0;                    // cell side, m
  std::span<const double> elevation;  // m
  std::span<const double> inv_rough;  // 1 / Manning n
  std::span<const double> retention;  // m
  std::span<const int> east_cell, west_cell, north_cell, south_cell;
  std::span<const int> dike_code;  // side-code sums; empty when dikes are not simulated
};

// d^(2/3) for d > 0, the costly part of Manning's law, without pow() or cbrt(): the
// inverse cube root r = d^(-1/3) from a bit-level estimate (3.5 percent off at worst) and
// four Newton steps, which need no division; then d^(2/3) = d r.  Within 3e-15 of
// pow(d, 2/3) for 1e-30 <= d <= 1e6 m; plain arithmetic, so every thread rounds alike.  The
// estimate is taken at no less than 1e-30 m, where the flow is nil anyway, so that it
// always converges.
inline double two_thirds_power(double d) {
  const double x = d < 1e-30 ? 1e-30 : d;
  double r = std::bit_cast<double>(0x553ef0ff289dd796ull - std::bit_cast<std::uint64_t>(x) / 3u);
  constexpr double third = 1.0 / 3.0;
  for (int k = 0; k < 3; ++k) r = (r * third) * (4.0 - (x * r) * (r * r));
  r = r + (r * third) * (1.0 - (x * r) * (r * r));  // last step in correction form
  return d * r;
}

// d^(5/3) for d > 0, as d^(2/3) * d.
inline double pow_five_thirds(double d) {
  return two_thirds_power(d) * d;
}

// Manning discharge through one face (Manning 1891), m^3/s, positive from i toward j:
// Q = d^(5/3) sqrt|S| dx / n over the upwind cell's depth above retention.
inline double manning_face_q(double hi, double hj, double zi, double zj, double inv_n_i,
                             double inv_n_j, double ret_i, double ret_j, double dx, double inv_dx) {
  const double s = ((hi + zi) - (hj + zj)) * inv_dx;
  if (s == 0.0) return 0.0;
  const bool from_i = s > 0.0;
  const double d = from_i ? hi - ret_i : hj - ret_j;
  if (d <= 0.0) return 0.0;
  const double q =
      (from_i ? inv_n_i : inv_n_j) * two_thirds_power(d) * std::sqrt(std::fabs(s)) * d * dx;
  return from_i ? q : -q;
}

// face_q_x[i]: discharge through the east face of every cell; 0 without a neighbour or
// behind a dike (code 2 on the cell, or 8 on its east neighbour).
void face_flux_x(const SurfaceView& g, std::span<const double> depth, std::span<double> q);
// face_q_y[i]: the same for the south face (codes 4 and 1).
void face_flux_y(const SurfaceView& g, std::span<const double> depth, std::span<double> q);

// Map output of the overland discharge: width * sqrt(qx^2 + qy^2) per cell.
void discharge_magnitude(double width, std::span<const double> qx, std::span<const double> qy,
                         std::span<double> out);

}  // namespace torva
