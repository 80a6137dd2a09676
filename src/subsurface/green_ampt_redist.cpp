#include "subsurface/green_ampt_redist.hpp"

#include <algorithm>
#include <cmath>

#include "subsurface/green_ampt.hpp"

namespace torva {

double redist_effective_saturation(double theta, double theta_r, double phi) {
  return (theta - theta_r) / (phi - theta_r);
}

double redist_conductivity(double k, double theta, double theta_r, double phi, double lambda) {
  const double se = std::max(redist_effective_saturation(theta, theta_r, phi), 0.0);
  return k * std::pow(se, 3.0 + 2.0 / lambda);
}

double redist_capillary_drive(double psi, double theta_i, double theta0, double theta_r, double phi,
                              double lambda) {
  const double se_i = redist_effective_saturation(theta_i, theta_r, phi);
  if (se_i >= 1.0) return psi;
  const double e = 3.0 + 1.0 / lambda;
  const double se_0 = std::max(redist_effective_saturation(theta0, theta_r, phi), 0.0);
  const double pi = std::pow(std::max(se_i, 0.0), e);
  return psi * (std::pow(se_0, e) - pi) / (1.0 - pi);
}

double redist_initial_moisture(double w, double d, double d_top, double phi) {
  if (d > d_top) return w / d_top;
  if (d > 1e-16) return w / d;
  return phi;
}

namespace {

// One explicit step of the front moisture under supply rate r (Ogden and Saghafian 1997),
// limited to [theta_i, phi].  A front with no depth behind it has nothing to redistribute.
double redistribute(double theta0, double r, double fr, double dt, double k, double psi, double phi,
                    double ti, double tr, double lambda) {
  if (fr < 1e-16) return theta0;
  const double g = redist_capillary_drive(psi, ti, theta0, tr, phi, lambda);
  const double dtheta = theta0 - ti;
  const double next =
      theta0 + dt * dtheta / fr *
                   (r - redist_conductivity(k, ti, tr, phi, lambda) -
                    redist_conductivity(k, theta0, tr, phi, lambda) - k * g * dtheta / fr);
  return std::clamp(next, ti, phi);
}

}  // namespace

int redist_step_cells(const RedistCells& c, int n, double dt, int s) {
  const bool reduce = !c.area_factor.empty();
  const bool exclusions = !c.excluded.empty();
  const bool gw = !c.gw_saturated.empty();
  int clipped_any = 0;
#pragma omp parallel for schedule(static) reduction(+ : clipped_any) if (n >= kMinParallelCells)
  for (int i = 1; i <= n; ++i) {
    if (exclusions && c.excluded[i] > 0) continue;
    const double phi = c.porosity[i];
    if (gw && c.gw_saturated[i] > 0) {
      c.front_moisture[i] = phi;
      continue;
    }
    const double k = c.ksat[i];
    const double psi = c.cap_head[i];
    const double ti = c.theta_init[i];
    const double tr = c.residual[i];
    const double lambda = c.pore_index[i];
    const double kx = reduce ? k * c.area_factor[i] : k;
    const double h = c.depth[i];
    const double r = h / dt;
    double big_f = c.cum[i];
    if (s < 2) {
      c.front_moisture[i] = ti;
      c.surface_moisture[i] = ti;
    }
    double theta0 = c.front_moisture[i];

    // Rainfall-limited and never ponded: everything goes in.
    if (c.dry_step[i] == s - 1 && kx >= r) {
      c.cum[i] = big_f + h;
      c.depth[i] = 0.0;
      c.rate[i] = r * 360000.0;
      c.dry_step[i] = s;
      c.surface_moisture[i] = ti;
      continue;
    }

    if (kx > r) {
      // Supply below capacity: the front redistributes.
      if (c.front_state[i] == 1) {
        theta0 = phi;
      } else if (c.front_state[i] == 2) {
        const double fr = c.front_ref_depth[i];
        theta0 = std::min(
            ((theta0 + phi - 2.0 * ti) * (big_f - fr) + (theta0 - ti) * fr) / big_f + ti, phi);
      }
      c.front_state[i] = 0;
      big_f += h;
      if (big_f < 0.0) {
        // A negative ponded depth larger than F: the deficit is clipped (and posted).
        clipped_any += 1;
        if (!c.clipped.empty()) c.clipped[i] = -big_f;
        c.cum[i] = 0.0;
        c.front_ref_depth[i] = 0.0;
        c.depth[i] = 0.0;
        c.front_moisture[i] = theta0;
        c.surface_moisture[i] = ti;
        continue;
      }
      c.cum[i] = big_f;
      c.front_ref_depth[i] = big_f;
      c.rate[i] = r * 360000.0;
      if (theta0 != ti) theta0 = redistribute(theta0, r, big_f, dt, k, psi, phi, ti, tr, lambda);
      c.front_moisture[i] = theta0;
      c.redist_step[i] = s;
      c.surface_moisture[i] = theta0;
      c.depth[i] = 0.0;
      continue;
    }

    // Supply at or above capacity: Green and Ampt infiltration.
    double f_star = big_f;
    double dtheta = phi - ti;
    if (c.redist_step[i] >= 1 && c.front_state[i] != 1) {
      c.front_state[i] = 1;
      const double fr = c.front_ref_depth[i];
      if (fr / std::max(theta0, 1e-20) > (big_f - fr) / std::max(phi - theta0, 1e-20)) {
        c.front_state[i] = 2;
        theta0 = redistribute(theta0, 0.0, fr, dt, k, psi, phi, ti, tr, lambda);
        f_star = big_f - fr;
        dtheta = phi - theta0;
      }
    }
    const double kdt = k * dt;
    double f = (kdt - 2.0 * f_star +
                std::sqrt((kdt - 2.0 * f_star) * (kdt - 2.0 * f_star) +
                          8.0 * kdt * (dtheta * psi + f_star))) /
               (2.0 * dt);
    if (reduce) f *= c.area_factor[i];
    double taken;
    if (f < r) {
      taken = f * dt;
      c.depth[i] = h - taken;
      if (c.ponding_step[i] == 0) c.ponding_step[i] = s;
      if (c.redist_step[i] == 0) theta0 = phi;
    } else {
      f = r;
      taken = h;
      if (!(c.ponding_step[i] > 0 || c.redist_step[i] > 0)) {
        // Not yet ponded: the surface moisture approaches saturation (time to ponding of
        // Mein and Larson 1973).
        const double tp = (r - k >= 1e-6) ? psi * k * (phi - theta0) / ((r - k) * r) : 100000.0;
        theta0 = tp == 0.0 ? phi : theta0 + (phi - theta0) * dt / tp;
        if (theta0 > phi) {
          theta0 = phi;
          c.ponding_step[i] = s;
        }
      }
      c.depth[i] = 0.0;
    }
    c.rate[i] = f * 360000.0;
    c.cum[i] = big_f + taken;
    if (c.front_state[i] == 1) theta0 = phi;
    c.front_moisture[i] = theta0;
    c.surface_moisture[i] = c.front_state[i] == 2 ? phi : theta0;
  }
  return clipped_any;
}

}  // namespace torva
