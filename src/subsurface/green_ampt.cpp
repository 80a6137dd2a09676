#include "subsurface/green_ampt.hpp"

#include <climits>
#include <cmath>

namespace torva {

GreenAmptSolution green_ampt_solve(double f, double psi_dtheta, double k_dt, double x0,
                                   double tol) {
  GreenAmptSolution out;
  const double p = psi_dtheta;
  // Without capillary drive the equation is linear (and its logarithm undefined at F = 0).
  if (p <= 0.0) {
    out.x = f + k_dt;
    out.converged = std::isfinite(out.x);
    return out;
  }
  double x = x0;
  for (int it = 0; it < kGreenAmptMaxIterations; ++it) {
    const double r = k_dt - (x - f - p * std::log((x + p) / (f + p)));
    if (std::fabs(r) <= tol) {
      out.x = x;
      out.converged = true;
      return out;
    }
    x = x - r / (p / (p + x) - 1.0);
    if (!std::isfinite(x) || x + p <= 0.0) break;
  }
  out.x = x;
  return out;
}

double green_ampt_ponded_depth(double k, double psi_dtheta, double t) {
  const double target = k * t;
  if (psi_dtheta <= 0.0) return target;
  auto time_of = [&](double big_f) { return big_f - psi_dtheta * std::log1p(big_f / psi_dtheta); };
  double lo = 0.0;
  double hi = target + 2.0 * std::sqrt(2.0 * psi_dtheta * target) + psi_dtheta;
  while (time_of(hi) < target) hi *= 2.0;
  for (int i = 0; i < 200; ++i) {
    const double mid = 0.5 * (lo + hi);
    (time_of(mid) < target ? lo : hi) = mid;
  }
  return 0.5 * (lo + hi);
}

void green_ampt_psi_dtheta(std::span<const double> porosity, std::span<const double> theta_init,
                           std::span<const double> cap_head, std::span<double> psi_dtheta, int n) {
#pragma omp parallel for schedule(static) if (n >= kMinParallelCells)
  for (int i = 1; i <= n; ++i) psi_dtheta[i] = (porosity[i] - theta_init[i]) * cap_head[i];
}

Fault green_ampt_step(const GreenAmptCells& c, int n, double dt) {
  const bool reduce = !c.area_factor.empty();
  int failed = INT_MAX;
#pragma omp parallel for schedule(static) reduction(min : failed) if (n >= kMinParallelCells)
  for (int i = 1; i <= n; ++i) {
    const double h = c.depth[i];
    if (h < 1e-16) {
      c.rate[i] = 0.0;
      continue;
    }
    const double k = c.ksat[i];
    const double f_cum = c.cum[i];
    const double p = c.psi_dtheta[i];
    const GreenAmptSolution sol = green_ampt_solve(f_cum, p, k * dt, f_cum + 0.001, 1e-6);
    if (!sol.converged) {
      if (i < failed) failed = i;
      continue;
    }
    // The rate at the end of the interval, applied over the whole interval.
    double f = sol.x > 1e-16 ? k * (1.0 + p / sol.x) : k;
    if (reduce) f *= c.area_factor[i];
    double taken = f * dt;
    if (taken >= h) {
      taken = h;
      f = h / dt;
      c.depth[i] = 0.0;
    } else {
      c.depth[i] = h - taken;
    }
    c.cum[i] = f_cum + taken;
    c.rate[i] = f * 360000.0;
  }
  if (failed == INT_MAX) return {};
  return {.code = kGreenAmptNoConvergence, .cell = failed};
}

}  // namespace torva
