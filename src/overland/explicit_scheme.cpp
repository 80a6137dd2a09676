#include "overland/explicit_scheme.hpp"

#include <algorithm>
#include <cmath>

#include "overland/outlet.hpp"

namespace torva {
namespace {

struct FaceTest {
  bool fails;
  double u;      // |q delta / dx|, m
  double dh;     // q delta / dx, m
  double donor;  // depth the giving cell is left with, m
};

// The giving cell is i for flow toward j and j for flow back toward i.  (Testing cell i
// alone, as `h[i] + dh`, could never catch j being drained below zero.)
inline FaceTest test_face(double q, double delta, double dx, double hi, double hj) {
  const double dh = q * delta / dx;
  const double u = std::fabs(dh);
  const double donor = dh >= 0.0 ? hi - dh : hj + dh;
  return {u >= 0.06 || u > 0.1 || donor < -0.0001, u, dh, donor};
}

void apply_explicit(int n, double rate, std::span<const int> upstream, std::span<const double> q,
                    std::span<double> depth) {
  const int* up = upstream.data();
  const double* qq = q.data();
  double* h = depth.data();
#pragma omp parallel for schedule(static) if (n >= kParallelMinCells)
  for (int i = 1; i <= n; ++i) {
    const int u = up[i];
    h[i] += ((u != 0 ? qq[u] : 0.0) - qq[i]) * rate;
  }
}

// The failing faces of a sweep, in cell order.
void note_failures(const SurfaceView& g, bool x_dir, double delta, std::span<const double> depth,
                   std::span<const double> q, Faults& faults) {
  const std::span<const int> next = x_dir ? g.east_cell : g.south_cell;
  for (int i = 1; i <= g.ncells; ++i) {
    const int j = next[i];
    if (j == 0 || q[i] == 0.0) continue;
    const FaceTest t = test_face(q[i], delta, g.dx, depth[i], depth[j]);
    if (!t.fails) continue;
    faults.push_back({.code = x_dir ? kExplicitSplitX : kExplicitSplitY,
                      .cell = i,
                      .value = {t.u, t.dh, t.donor}});
  }
}

}  // namespace

void explicit_flux(const SurfaceView& g, bool x_dir, std::span<const double> slope,
                   std::span<const double> depth, std::span<double> q) {
  const int n = g.ncells;
  const double dx = g.dx;
  const int* next = (x_dir ? g.east_cell : g.south_cell).data();
  const int side = x_dir ? 2 : 4;
  const int opposite = x_dir ? 8 : 1;
  const int* dike = g.dike_code.empty() ? nullptr : g.dike_code.data();
  const double* h = depth.data();
  const double* s0 = slope.data();
  const double* inv_n = g.inv_rough.data();
  const double* ret = g.retention.data();
  double* out = q.data();
#pragma omp parallel for schedule(static) if (n >= kParallelMinCells)
  for (int i = 1; i <= n; ++i) {
    const int j = next[i];
    double qi = 0.0;
    if (j != 0 && !(dike && ((dike[i] & side) || (dike[j] & opposite))) && !(ret[i] > h[i])) {
      double s = s0[i] - (h[j] - h[i]) / dx + 1e-30;
      if (std::fabs(s) < 1e-20) s = 1e-20;
      const double d = (s >= 0.0 ? h[i] : h[j]) - ret[i];
      if (d > 0.0) {
        const double mag = inv_n[i] * pow_five_thirds(d) * std::sqrt(std::fabs(s));
        qi = s >= 0.0 ? mag : -mag;
      }
    }
    out[i] = qi;
  }
}

int check_explicit_faces(const SurfaceView& g, bool x_dir, double delta,
                         std::span<const double> depth, std::span<const double> q, int& stop) {
  const int n = g.ncells;
  const double dx = g.dx;
  const int* next = (x_dir ? g.east_cell : g.south_cell).data();
  const double* h = depth.data();
  const double* qq = q.data();
  const bool tiny = delta <= 0.005;
  int count = 0;
  int stops = 0;
#pragma omp parallel for schedule(static) if (n >= kParallelMinCells) reduction(+ : count, stops)
  for (int i = 1; i <= n; ++i) {
    const int j = next[i];
    if (j == 0 || qq[i] == 0.0) continue;
    if (!test_face(qq[i], delta, dx, h[i], h[j]).fails) continue;
    if (tiny)
      ++stops;
    else
      ++count;
  }
  stop = stops > 0 ? 1 : 0;
  return count;
}

double route_explicit(const SurfaceView& g, std::span<const double> slope_x,
                      std::span<const double> slope_y, const OverlandArrays& a, double dt,
                      int sweep_order, const OutletDrain& outlet, ExplicitControl& control,
                      StepResult& result) {
  const int n = g.ncells;
  result.faults.clear();
  double delta = dt;
  if (control.hold > 0 && control.reduced_dt > 0.0) {
    delta = std::min(control.reduced_dt, dt);
    --control.hold;
  } else if (control.reduced_dt > 0.0) {
    control.reduced_dt = 0.0;
    result.faults.push_back({.code = kExplicitStepReset, .value = {dt}});
  }
  std::copy(a.depth.begin() + 1, a.depth.begin() + 1 + n, a.saved.begin() + 1);
  const bool x_first = sweep_order == 1;
  const std::span<const int> ups[2] = {g.west_cell, g.north_cell};
  int divisions = 0;
  int restarts = 0;
  bool give_up = false;  // five divisions spent: failures are accepted from here on
  double outflow = 0.0;
  while (true) {
    outflow = 0.0;
    bool restart = false;
    double done = 0.0;
    while (done < dt - 0.0001 && !restart) {
      const double sub = std::min(delta, dt - done);
      for (int k = 0; k < 2; ++k) {
        const bool x_dir = (k == 0) == x_first;
        const std::span<double> q = x_dir ? a.qx : a.qy;
        explicit_flux(g, x_dir, x_dir ? slope_x : slope_y, a.depth, q);
        int stop = 0;
        const int count = check_explicit_faces(g, x_dir, sub, a.depth, q, stop);
        if (count > 0 || stop) note_failures(g, x_dir, sub, a.depth, q, result.faults);
        if (count > 0 && !stop && !give_up) {
          if (divisions < 5) {
            ++divisions;
            delta /= 3.0;
            result.faults.push_back({.code = kExplicitStepDivided, .value = {delta}});
            restart = true;
            break;
          }
          result.faults.push_back({.code = kExplicitStepKept});
          give_up = true;
        }
        apply_explicit(n, sub / g.dx, ups[x_dir ? 0 : 1], q, a.depth);
      }
      if (restart) break;
      if (outlet.on)
        outflow += drain_outlet(a.depth[outlet.cell], g.inv_rough[outlet.cell], outlet.outslope,
                                g.dx, sub);
      done += sub;
    }
    if (!restart) break;
    ++restarts;
    std::copy(a.saved.begin() + 1, a.saved.begin() + 1 + n, a.depth.begin() + 1);
  }
  if (divisions > 0) {
    control.reduced_dt = delta;
    control.hold = 4;
  }
  result.clipped = 0.0;
  result.last_delta = delta;
  result.restarts = restarts;
  return outflow;
}

}  // namespace torva
