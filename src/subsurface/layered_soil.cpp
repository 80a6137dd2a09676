#include "subsurface/layered_soil.hpp"

#include <algorithm>
#include <climits>

#include "subsurface/green_ampt.hpp"

namespace torva {

double layered_deficit(const SoilRecord& rec, int k, double theta) {
  const double d = rec.porosity(k) - theta;
  return d == 0.0 ? 0.01 * rec.porosity(k) : d;
}

Fault layered_step(const LayeredCells& c, int n, double dt_s) {
  const bool reduce = !c.area_factor.empty();
  const std::vector<SoilRecord>& records = *c.records;
  const double dt = dt_s / 3600.0;  // h
  int failed = INT_MAX;
#pragma omp parallel for schedule(static) reduction(min : failed) if (n >= kMinParallelCells)
  for (int i = 1; i <= n; ++i) {
    const double h = c.depth[i] * 100.0;  // cm
    if (c.depth[i] < 1e-16) {
      c.rate[i] = 0.0;
      continue;
    }
    const SoilRecord& rec = records[static_cast<std::size_t>(c.soil_id[i])];
    const double dth1 = layered_deficit(rec, 1, c.theta1[i]);
    const double dth2 = layered_deficit(rec, 2, c.theta2[i]);
    const double dth3 = layered_deficit(rec, 3, c.theta3[i]);
    const double d1 = rec.thickness(1);
    const double d2 = rec.thickness(2);
    const double k1 = rec.ksat(1), k2 = rec.ksat(2), k3 = rec.ksat(3);
    const double zf = c.front_depth[i];
    const double big_f = c.cum[i] * 100.0;  // cm

    double keff, psi, dth;
    if (zf > d1 + d2) {
      // Wetted length inside layer 3, from the water stored above the front.
      const double z3 = std::max((big_f - d1 * dth1 - d2 * dth2) / dth3, 0.0);
      keff = (z3 + d1 + d2) / (d1 / k1 + d2 / k2 + z3 / k3);
      psi = rec.cap_head(3);
      dth = dth3;
    } else if (zf > d1) {
      const double z2 = std::max((big_f - d1 * dth1) / dth2, 0.0);
      keff = (z2 + d1) / (z2 / k2 + d1 / k1);
      psi = rec.cap_head(2);
      dth = dth2;
    } else {
      keff = k1;
      psi = rec.cap_head(1);
      dth = dth1;
    }
    const double p = psi * dth;
    const GreenAmptSolution sol = green_ampt_solve(big_f, p, keff * dt, big_f + 0.1, 0.0001);
    if (!sol.converged) {
      if (i < failed) failed = i;
      continue;
    }
    const double x = sol.x;
    double f = x > 1e-16 ? keff * (1.0 + p / x) : keff;
    double zf_new = x / dth1;
    if (zf_new > d1) zf_new = (x - d1 * dth1) / dth2 + d1;
    if (zf_new > d1 + d2) zf_new = (x - d1 * dth1 - d2 * dth2) / dth3 + d1 + d2;
    if (reduce && c.area_factor[i] < 1.0) f *= c.area_factor[i];

    if (f * dt > h) {
      // Supply-limited: all ponded water goes in.
      c.cum[i] += c.depth[i];
      c.depth[i] = 0.0;
      c.front_depth[i] = zf + h / dth;
      f = h / dt;
    } else {
      const double taken = f * dt / 100.0;  // m
      c.depth[i] -= taken;
      c.cum[i] += taken;
      c.front_depth[i] = zf_new;
    }
    c.rate[i] = f;
  }
  if (failed == INT_MAX) return {};
  return {.code = kGreenAmptNoConvergence, .cell = failed};
}

}  // namespace torva
