#pragma once
// A stand-alone Richards column for the kernel tests: uniform soil and spacing.
#include <cstddef>
#include <vector>

#include "subsurface/richards_interval.hpp"
#include "subsurface/richards_solver.hpp"

namespace torva::testing {

// Haverkamp et al. (1977) sand: theta = thr + (ths - thr) alpha / (alpha + |h|^beta) with
// alpha = 1.611e6, beta = 3.96; K = Ks A / (A + |h|^B) with A = 1.175e6, B = 4.74,
// Ks = 34 cm/h.  The scale head of the retention form used here is alpha^(1/beta).
inline SoilHydraulics haverkamp_sand() {
  SoilHydraulics p;
  p.KS = 34.0;
  p.THETAS = 0.287;
  p.THETAR = 0.075;
  p.ALPHA = 36.9287;  // (1.611e6)^(1/3.96), cm
  p.BETA = 3.96;
  p.AHAV = 1.175e6;
  p.BHAV = 4.74;
  return p;
}

// A loam-like Brooks-Corey soil with a residual water content.
inline SoilHydraulics brooks_loam() {
  SoilHydraulics p;
  p.KS = 1.3;
  p.THETAS = 0.43;
  p.THETAR = 0.027;
  p.THETAWP = 0.08;
  p.LAM = 0.25;
  p.BP = -11.1;
  set_brooks_corey_cap(p);
  return p;
}

struct TestColumn {
  std::vector<double> PHEAD, KHEAD, THETA, WATCAP, WATFLUX, SOURCE, DZ, scratch;
  std::vector<const SoilHydraulics*> soil;
  SoilHydraulics params;
  RichardsOptions options;
  int n = 0;

  // `soil_nodes` soil nodes of spacing dz (cm), all at head h0 (cm).
  TestColumn(const SoilHydraulics& p, Retention r, int soil_nodes, double dz, double h0)
      : params(p), n(soil_nodes + 1) {
    const std::size_t m = static_cast<std::size_t>(n) + 1;
    for (auto* v : {&PHEAD, &KHEAD, &THETA, &WATCAP, &WATFLUX, &SOURCE}) v->assign(m, 0.0);
    DZ.assign(m, dz);
    soil.assign(m, &params);
    scratch.assign(richards_work_size(n), 0.0);
    options.retention = r;
    for (std::size_t k = 0; k < m; ++k) {
      PHEAD[k] = h0;
      THETA[k] = theta_from_head(r, params, h0);
    }
    richards_properties(view(), r);
  }
  ColumnView view() {
    ColumnView c;
    c.PHEAD = PHEAD;
    c.KHEAD = KHEAD;
    c.THETA = THETA;
    c.WATCAP = WATCAP;
    c.WATFLUX = WATFLUX;
    c.SOURCE = SOURCE;
    c.DZ = DZ;
    c.soil = soil;
    c.n = n;
    return c;
  }
  RichardsWork work() { return richards_work(scratch, n); }
  double water() { return column_water(view()); }
};

}  // namespace torva::testing
