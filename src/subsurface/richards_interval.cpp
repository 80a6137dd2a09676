#include "subsurface/richards_interval.hpp"

#include <algorithm>

namespace torva {
namespace {

void restore(const ColumnView& c, const RichardsWork& w, Retention r) {
  for (int k = 0; k <= c.n; ++k) {
    c.PHEAD[k] = w.h_iter[k];
    c.THETA[k] = w.theta_old[k];
  }
  richards_properties(c, r);
}

// Water the top node can give up to direct evaporation in one sub-step, cm.
double evaporable(const ColumnView& c) {
  const SoilHydraulics& p = *c.soil[1];
  const double floor = std::max(p.THETAR, p.THETAWP);
  return std::max(0.0, (c.THETA[1] - floor) * c.DZ[1]);
}

}  // namespace

IntervalTotals richards_interval(const ColumnView& c, const RichardsWork& w,
                                 const RichardsOptions& o, const BottomBoundary& bottom,
                                 double interval, ColumnSurface& surf) {
  IntervalTotals t;
  if (!(interval > 0.0)) return t;
  const int head_iters = std::min(o.iter_max, 5);
  double dt = std::min(surf.last_dt > 0.0 ? surf.last_dt : kPondedFirstStep, interval);
  if (dt > 0.001 && std::max(c.PHEAD[0], c.PHEAD[1]) >= 0.0) dt = kPondedFirstStep;
  t.first_dt = dt;
  double done = 0.0;
  double source_rate = 0.0;  // cm/h
  for (int k = 1; k < c.n; ++k) source_rate += c.SOURCE[k] * c.DZ[k];

  while (interval - done > 1e-12) {
    if (++t.substeps > kMaxSubsteps) {
      t.failed = true;
      break;
    }
    dt = std::min(dt, interval - done);
    if (surf.state == kUpperTransition) dt = std::min(dt, kTransitionStep);
    // Evaporation takes ponded water first, then water of the top node.
    const double demand = std::max(0.0, surf.evap_demand) * dt;
    const double from_pond = std::min(demand, surf.depth);
    surf.depth -= from_pond;
    t.evaporated += from_pond;
    bool ponding_began = false;
    bool ran_out = false;
    SubstepResult r;
    double taken = 0.0;      // cm taken from the surface water
    double soil_evap = 0.0;  // cm evaporated from node 1

    auto head_solve = [&]() {
      TopBoundary top{TopKind::head, surf.depth - 0.5 * c.DZ[0], true};
      r = richards_substep(c, w, o, top, bottom, dt, head_iters);
      taken = r.top_flux * dt;
      if (taken > surf.depth) {
        // The ponded water runs out within the sub-step: it all goes in, as a flux.
        restore(c, w, o.retention);
        r = richards_substep(c, w, o, TopBoundary{TopKind::flux, surf.depth / dt, false}, bottom,
                             dt, head_iters);
        taken = surf.depth;
        ran_out = true;
      }
    };

    if (surf.state == kUpperHead && surf.depth > 0.0) {
      head_solve();
    } else {
      const double supply = surf.depth / (interval - done);  // cm/h
      soil_evap = std::min(demand - from_pond, evaporable(c));
      r = richards_substep(c, w, o, TopBoundary{TopKind::flux, supply - soil_evap / dt, false},
                           bottom, dt, o.iter_max);
      taken = supply * dt;
      if (supply > 0.0 && c.PHEAD[1] >= 0.0) {
        // The top node cannot take the supply: the surface ponds.
        restore(c, w, o.retention);
        soil_evap = 0.0;
        surf.state = kUpperHead;
        ponding_began = true;
        head_solve();
      }
    }
    surf.depth = std::max(0.0, surf.depth - taken);
    if (ran_out) {
      surf.depth = 0.0;
      surf.state = kUpperTransition;
    } else if (surf.state == kUpperHead && surf.depth <= 0.0) {
      surf.state = kUpperTransition;
    } else if (surf.state == kUpperTransition && !ponding_began) {
      surf.state = kUpperFlux;
    }
    t.infiltrated += taken;
    t.evaporated += soil_evap;
    t.soil_evaporated += soil_evap;
    t.drained += r.bottom_flux * dt;
    t.source += source_rate * dt;
    t.mass_error += r.mass_error;
    done += dt;

    double next = r.max_dtheta > 0.0 ? dt * o.dtheta_max / r.max_dtheta : interval;
    if (ponding_began || surf.state == kUpperTransition) next = std::min(next, kTransitionStep);
    next = std::clamp(next, kMinSubstep, interval);
    surf.last_dt = next;
    dt = interval - done - next < 1e-8 ? interval - done : next;
  }
  return t;
}

}  // namespace torva
