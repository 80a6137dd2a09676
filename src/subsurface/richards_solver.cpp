#include "subsurface/richards_solver.hpp"

#include <algorithm>
#include <cmath>

namespace torva {
namespace {

// A small storage floor keeps the system solvable when every node is saturated under a
// flux top and free drainage (the heads would otherwise be defined only up to a constant).
constexpr double kMinCapacity = 1e-6;  // 1/cm

double interface_kr(int k_option, double w, double upper, double lower) {
  if (k_option == 1) return w * upper + (1.0 - w) * lower;
  return std::sqrt(upper * lower);
}

}  // namespace

RichardsWork richards_work(std::span<double> block, int max_n) {
  const std::size_t m = static_cast<std::size_t>(max_n) + 2;
  RichardsWork w;
  w.lower = block.subspan(0, m);
  w.diag = block.subspan(m, m);
  w.upper = block.subspan(2 * m, m);
  w.rhs = block.subspan(3 * m, m);
  w.kint = block.subspan(4 * m, m);
  w.h_iter = block.subspan(5 * m, m);
  w.theta_old = block.subspan(6 * m, m);
  return w;
}

void richards_properties(const ColumnView& c, Retention r) {
  for (int k = 0; k <= c.n; ++k) {
    const KrCap kc = conductivity_capacity(r, *c.soil[k], c.PHEAD[k]);
    c.KHEAD[k] = kc.kr;
    c.WATCAP[k] = kc.cap;
  }
}

double column_water(const ColumnView& c) {
  double sum = 0.0;
  for (int k = 1; k < c.n; ++k) sum += c.THETA[k] * c.DZ[k];
  return sum;
}

SubstepResult richards_substep(const ColumnView& c, const RichardsWork& w, const RichardsOptions& o,
                               const TopBoundary& top, const BottomBoundary& bottom, double dt,
                               int iter_max) {
  const int n = c.n;
  const bool head_top = top.kind == TopKind::head;
  // w.h_iter keeps the heads at the start of the sub-step (the Picard iterate is PHEAD).
  for (int k = 0; k <= n; ++k) {
    w.h_iter[k] = c.PHEAD[k];
    w.theta_old[k] = c.THETA[k];
  }
  if (head_top) c.PHEAD[0] = top.value;
  if (bottom.water_table) c.PHEAD[n] = bottom.head;

  SubstepResult res;
  const int iters = std::max(1, iter_max);
  for (int it = 1; it <= iters; ++it) {
    if (!bottom.water_table) c.PHEAD[n] = c.PHEAD[n - 1];
    if (it == 1) {
      // Soil nodes are current from the end of the last sub-step; the boundaries may not be.
      for (int k : {0, n}) {
        const KrCap kc = conductivity_capacity(o.retention, *c.soil[k], c.PHEAD[k]);
        c.KHEAD[k] = kc.kr;
        c.WATCAP[k] = kc.cap;
      }
    } else {
      richards_properties(c, o.retention);
    }
    // Interface conductivities (cm/h): kint[k] lies between nodes k-1 and k.
    for (int k = 2; k <= n; ++k)
      w.kint[k] = c.soil[k]->KS * interface_kr(o.k_option, o.weight, c.KHEAD[k - 1], c.KHEAD[k]);
    double kr_surface = c.KHEAD[1];
    if (head_top && top.ponded_k && o.upper_option == 3) kr_surface = 1.0;
    w.kint[1] = c.soil[1]->KS * ((head_top && top.ponded_k && o.upper_option == 2)
                                     ? 1.0
                                     : interface_kr(o.k_option, o.weight, kr_surface, c.KHEAD[1]));

    for (int k = 1; k < n; ++k) {
      const double dz = c.DZ[k];
      const double dzl = 0.5 * (c.DZ[k - 1] + dz);
      const double dzu = 0.5 * (dz + c.DZ[k + 1]);
      const double kup = w.kint[k], kdn = w.kint[k + 1];
      const double cap = std::max(c.WATCAP[k], kMinCapacity);
      w.lower[k] = -kup / (dz * dzl);
      w.upper[k] = -kdn / (dz * dzu);
      w.diag[k] = kdn / (dz * dzu) + cap / dt + kup / (dz * dzl);
      w.rhs[k] = cap * w.h_iter[k] / dt - kdn / dz + kup / dz + c.SOURCE[k];
    }
    if (head_top) {
      w.rhs[1] -= w.lower[1] * top.value;
    } else {
      // Given flux: the top interface carries exactly top.value.
      w.diag[1] += w.lower[1];
      w.rhs[1] += -w.kint[1] / c.DZ[1] + top.value / c.DZ[1];
    }
    w.lower[1] = 0.0;
    if (bottom.water_table) {
      w.rhs[n - 1] -= w.upper[n - 1] * bottom.head;
    } else {
      w.diag[n - 1] += w.upper[n - 1];
    }
    w.upper[n - 1] = 0.0;

    // Thomas algorithm.
    for (int k = 2; k < n; ++k) {
      const double m = w.lower[k] / w.diag[k - 1];
      w.diag[k] -= m * w.upper[k - 1];
      w.rhs[k] -= m * w.rhs[k - 1];
    }
    double largest = 0.0;
    double next = w.rhs[n - 1] / w.diag[n - 1];
    for (int k = n - 1; k >= 1; --k) {
      if (k < n - 1) next = (w.rhs[k] - w.upper[k] * c.PHEAD[k + 1]) / w.diag[k];
      const double prev = c.PHEAD[k];
      if (!std::isfinite(next)) continue;  // keep the node's old head
      c.PHEAD[k] = next;
      const double change =
          next != 0.0 ? std::fabs((next - prev) / next) * 100.0 : (next == prev ? 0.0 : 100.0);
      largest = std::max(largest, change);
    }
    if (!bottom.water_table) c.PHEAD[n] = c.PHEAD[n - 1];
    res.iterations = it;
    if (largest <= 0.1) break;
  }

  // Fluxes with the conductivities of the last solve, so that the update of the water
  // contents below is the discrete equation itself.
  for (int k = 1; k <= n; ++k)
    c.WATFLUX[k] =
        w.kint[k] * (1.0 - (c.PHEAD[k] - c.PHEAD[k - 1]) / (0.5 * (c.DZ[k - 1] + c.DZ[k])));
  if (!head_top) c.WATFLUX[1] = top.value;
  if (!bottom.water_table) c.WATFLUX[n] = w.kint[n];
  c.WATFLUX[0] = c.WATFLUX[1];

  for (int k = 1; k < n; ++k) {
    const SoilHydraulics& p = *c.soil[k];
    double th = w.theta_old[k] + dt * ((c.WATFLUX[k] - c.WATFLUX[k + 1]) / c.DZ[k] + c.SOURCE[k]);
    if (c.PHEAD[k] >= 0.0 || th >= p.THETAS) {
      // Saturated: the content follows the head; the difference is the scheme's error.
      res.mass_error += (p.THETAS - th) * c.DZ[k];
      th = p.THETAS;
      if (c.PHEAD[k] < 0.0) c.PHEAD[k] = 0.0;
    } else if (th <= p.THETAR) {
      res.mass_error += (p.THETAR - th) * c.DZ[k];
      th = p.THETAR;
    } else {
      c.PHEAD[k] = head_from_theta(o.retention, p, th, c.PHEAD[k]);
    }
    res.max_dtheta = std::max(res.max_dtheta, std::fabs(th - w.theta_old[k]));
    c.THETA[k] = th;
  }
  if (!bottom.water_table) {
    c.PHEAD[n] = c.PHEAD[n - 1];
    c.THETA[n] = c.THETA[n - 1];
  } else {
    c.THETA[n] = theta_from_head(o.retention, *c.soil[n], c.PHEAD[n]);
  }
  if (!head_top) c.PHEAD[0] = c.PHEAD[1];
  c.THETA[0] = theta_from_head(o.retention, *c.soil[0], c.PHEAD[0]);
  richards_properties(c, o.retention);
  res.top_flux = c.WATFLUX[1];
  res.bottom_flux = c.WATFLUX[n];
  return res;
}

}  // namespace torva
