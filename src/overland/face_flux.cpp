#include "overland/face_flux.hpp"

namespace torva {
namespace {

// One kernel for both directions; the dike test is hoisted out of the loop.
template <bool kDikes>
void face_flux(const SurfaceView& g, std::span<const int> next, int side, int opposite,
               std::span<const double> depth, std::span<double> q) {
  const int n = g.ncells;
  const double dx = g.dx;
  const double inv_dx = 1.0 / dx;
  const double* h = depth.data();
  const double* z = g.elevation.data();
  const double* inv_n = g.inv_rough.data();
  const double* ret = g.retention.data();
  const int* nb = next.data();
  const int* dike = kDikes ? g.dike_code.data() : nullptr;
  double* out = q.data();
#pragma omp parallel for schedule(static) if (n >= kParallelMinCells) default(none) \
    shared(n, dx, inv_dx, h, z, inv_n, ret, nb, dike, out, side, opposite)
  for (int i = 1; i <= n; ++i) {
    const int j = nb[i];
    if (j == 0 || (kDikes && ((dike[i] & side) || (dike[j] & opposite)))) {
      out[i] = 0.0;
      continue;
    }
    out[i] = manning_face_q(h[i], h[j], z[i], z[j], inv_n[i], inv_n[j], ret[i], ret[j], dx, inv_dx);
  }
}

}  // namespace

void face_flux_x(const SurfaceView& g, std::span<const double> depth, std::span<double> q) {
  if (g.dike_code.empty())
    face_flux<false>(g, g.east_cell, 2, 8, depth, q);
  else
    face_flux<true>(g, g.east_cell, 2, 8, depth, q);
}

void face_flux_y(const SurfaceView& g, std::span<const double> depth, std::span<double> q) {
  if (g.dike_code.empty())
    face_flux<false>(g, g.south_cell, 4, 1, depth, q);
  else
    face_flux<true>(g, g.south_cell, 4, 1, depth, q);
}

void discharge_magnitude(double width, std::span<const double> qx, std::span<const double> qy,
                         std::span<double> out) {
  const long n = static_cast<long>(out.size());
#pragma omp parallel for schedule(static) if (n >= kParallelMinCells)
  for (long i = 1; i < n; ++i) out[i] = width * std::sqrt(qx[i] * qx[i] + qy[i] * qy[i]);
}

}  // namespace torva
