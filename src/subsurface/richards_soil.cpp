#include "subsurface/richards_soil.hpp"

#include <cmath>

namespace torva {
namespace {

double junction_se(double lam) {
  const double x = 2.0 / lam;
  return x / (1.0 + x);
}

// (1 - Sx)^0.5 / hc, the scale of the parabolic cap (1/cm, negative since hc < 0).
double cap_scale(const SoilHydraulics& p) {
  const double sx = (p.thehac - p.THETAR) / (p.THETAS - p.THETAR);
  return std::sqrt(1.0 - sx) / (p.BP * std::pow(sx, -1.0 / p.LAM));
}

}  // namespace

void set_brooks_corey_cap(SoilHydraulics& p) {
  const double x = junction_se(p.LAM);
  // Measured from the residual content, so that theta and head meet at one point also
  // when THETAR > 0 (for THETAR = 0 this is THETAS * x).
  p.thehac = p.THETAR + (p.THETAS - p.THETAR) * x;
  p.BChc = p.BP * std::pow(x, -1.0 / p.LAM);
}

double theta_from_head(Retention r, const SoilHydraulics& p, double h) {
  if (h >= 0.0) return p.THETAS;
  const double range = p.THETAS - p.THETAR;
  if (r == Retention::havercamp) return p.THETAR + range / (std::pow(-h / p.ALPHA, p.BETA) + 1.0);
  if (p.BChc >= h) return p.THETAR + range * std::pow(p.BP / h, p.LAM);
  const double u = cap_scale(p) * h;
  return p.THETAR + range * (1.0 - u * u);
}

double head_from_theta(Retention r, const SoilHydraulics& p, double theta, double h_old) {
  const double se = (theta - p.THETAR) / (p.THETAS - p.THETAR);
  if (se <= 0.0) return h_old;
  if (se >= 1.0) return h_old > 0.0 ? h_old : 0.0;
  if (r == Retention::havercamp) return -p.ALPHA * std::pow(1.0 / se - 1.0, 1.0 / p.BETA);
  if (theta > p.thehac) return std::sqrt(1.0 - se) / cap_scale(p);
  return p.BP / std::pow(se, 1.0 / p.LAM);
}

KrCap conductivity_capacity(Retention r, const SoilHydraulics& p, double h) {
  const double range = p.THETAS - p.THETAR;
  if (h >= 0.0) return {1.0, 0.0};
  if (r == Retention::havercamp) {
    const double a = -h;
    const double u = std::pow(a / p.ALPHA, p.BETA);
    const double kr = p.AHAV / (p.AHAV + std::pow(a, p.BHAV));
    const double cap =
        range * (p.BETA / p.ALPHA) * std::pow(a / p.ALPHA, p.BETA - 1.0) / ((u + 1.0) * (u + 1.0));
    return {kr, cap};
  }
  if (p.BChc >= h) {
    const double ratio = h / p.BP;
    return {std::pow(ratio, -(2.0 + 3.0 * p.LAM)),
            -range * (p.LAM / p.BP) * std::pow(ratio, -(p.LAM + 1.0))};
  }
  const double s = cap_scale(p);
  const double u = s * h;
  const double se = 1.0 - u * u;
  return {std::pow(se, 3.0 + 2.0 / p.LAM), -2.0 * h * s * s * range};
}

}  // namespace torva
