#include "subsurface/richards_column.hpp"

#include <cmath>
#include <cstdio>

namespace torva {
namespace {

bool fail(std::string& why, const char* what, int k, double v) {
  char buf[200];
  std::snprintf(buf, sizeof buf, "layer %d has %s = %g", k, what, v);
  why = buf;
  return false;
}

}  // namespace

bool layer_hydraulics(const SoilRecord& rec, int k, Retention r, SoilHydraulics& p,
                      std::string& why) {
  p = SoilHydraulics{};
  p.KS = rec.ksat(k);
  p.THETAS = rec.porosity(k);
  p.THETAR = rec.at(kResidual, k);
  p.THETAWP = rec.at(kWiltingPoint, k);
  p.THETAFC = rec.at(kFieldCap, k);
  if (!(p.KS > 0.0)) return fail(why, "saturated conductivity (must be above 0)", k, p.KS);
  if (!(p.THETAS > p.THETAR && p.THETAR >= 0.0))
    return fail(why, "residual water content (must lie below porosity)", k, p.THETAR);
  if (r == Retention::brooks_corey) {
    p.LAM = rec.at(kPoreIndex, k);
    p.BP = rec.at(kBubbling, k);
    if (!(p.LAM > 0.0)) return fail(why, "pore index (must be above 0)", k, p.LAM);
    if (!(p.BP < 0.0)) return fail(why, "bubbling pressure (must be below 0)", k, p.BP);
    set_brooks_corey_cap(p);
  } else {
    p.ALPHA = rec.at(kHavAlpha, k);
    p.BETA = rec.at(kHavBeta, k);
    p.AHAV = rec.at(kHavA, k);
    p.BHAV = rec.at(kHavB, k);
    if (!(p.ALPHA > 0.0)) return fail(why, "Havercamp alpha (must be above 0)", k, p.ALPHA);
    if (!(p.BETA > 0.0)) return fail(why, "Havercamp beta (must be above 0)", k, p.BETA);
    if (!(p.AHAV > 0.0)) return fail(why, "Havercamp A (must be above 0)", k, p.AHAV);
    if (!(p.BHAV > 0.0)) return fail(why, "Havercamp B (must be above 0)", k, p.BHAV);
  }
  const double ti = rec.theta_init(k);
  if (!(ti > p.THETAR && ti <= p.THETAS))
    return fail(why, "initial water content (must lie above residual, at most porosity)", k, ti);
  return true;
}

bool column_layout(const SoilRecord& rec, int extra, ColumnLayout& lay, std::string& why) {
  int last = 0;
  for (int k = 1; k <= 3; ++k) {
    const double dz = rec.at(kNodeDz, k);
    const double d = rec.thickness(k);
    if (!(dz > 0.0)) return fail(why, "node spacing (must be above 0)", k, dz);
    if (!(d > 0.0)) return fail(why, "thickness (must be above 0)", k, d);
    const double count = std::round(d / dz);
    if (count > kMaxColumnNodes)
      return fail(why, "thickness / node spacing (too many nodes)", k, count);
    last += count < 1.0 ? 1 : static_cast<int>(count);
    if (last > kMaxColumnNodes) return fail(why, "a column of too many nodes; node count", k, last);
    lay.last[k - 1] = last;
  }
  lay.n = last + extra + 1;
  return true;
}

void initial_column(const ColumnView& c, std::span<double> dz, const SoilRecord& rec,
                    const ColumnLayout& lay, double extra_dz, Retention r) {
  for (int k = 0; k <= c.n; ++k) {
    const int layer = k <= lay.last[0] ? 1 : k <= lay.last[1] ? 2 : 3;
    const bool below = k > lay.last[2];
    dz[k] = below && extra_dz > 0.0 ? extra_dz : rec.at(kNodeDz, layer);
    const double ti = rec.theta_init(layer);
    c.THETA[k] = ti;
    c.PHEAD[k] = head_from_theta(r, *c.soil[k], ti, 0.0);
    c.WATFLUX[k] = 0.0;
  }
  richards_properties(c, r);
}

}  // namespace torva
