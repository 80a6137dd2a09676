#include "overland/ade_scheme.hpp"

#include <omp.h>

#include <algorithm>
#include <cmath>

#include "overland/outlet.hpp"

namespace torva {
namespace {

// Per-thread partial sums are combined in thread order so the clipped total does not depend
// on which thread finishes first.
constexpr int kMaxPartials = 64;

void copy_cells(int n, std::span<const double> from, std::span<double> to) {
  const double* f = from.data();
  double* t = to.data();
#pragma omp parallel for schedule(static) if (n >= kParallelMinCells)
  for (int i = 1; i <= n; ++i) t[i] = f[i];
}

void sweep_flux(const SurfaceView& g, int dir, std::span<const double> depth, std::span<double> q) {
  if (dir == 0)
    face_flux_x(g, depth, q);
  else
    face_flux_y(g, depth, q);
}

}  // namespace

namespace {

template <bool kFirst, bool kSave>
int sweep_kernel(int ncells, double rate, double delta, const int* up, const double* qq, double* h,
                 double* v, double* saved, double& clipped_depth) {
  double partial[kMaxPartials] = {};
  int fails = 0;
  const int threads = std::min(omp_get_max_threads(), kMaxPartials);
#pragma omp parallel num_threads(threads) reduction(+ : fails) if (ncells >= kParallelMinCells)
  {
    double clip = 0.0;
#pragma omp for schedule(static) nowait
    for (int i = 1; i <= ncells; ++i) {
      const int u = up[i];
      const double qi = qq[i];
      const double dc = ((u != 0 ? qq[u] : 0.0) - qi) * rate;
      const double h0 = h[i];
      if constexpr (kSave) saved[i] = h0;
      double h1 = h0 + dc;
      if (h1 < 0.0) {
        if (delta < 0.001 || h1 <= -1e-6) {
          ++fails;
        } else {
          clip -= h1;
          h1 = 0.0;
        }
      } else if (std::fabs(dc) > 0.5 * h0 && h0 > 0.001 && delta > 0.01) {
        ++fails;
      }
      h[i] = h1;
      if constexpr (kFirst)
        v[i] = delta * qi;
      else
        v[i] += delta * qi;
    }
    partial[omp_get_thread_num()] = clip;
  }
  double sum = 0.0;
  for (int t = 0; t < threads; ++t) sum += partial[t];
  clipped_depth = sum;
  return fails;
}

}  // namespace

int check_sweep(int ncells, double dx, double delta, std::span<const int> upstream,
                std::span<const double> q, std::span<double> depth, std::span<double> vol,
                double& clipped_depth, bool first_substep, std::span<double> save) {
  const double rate = delta / (dx * dx);
  const int* up = upstream.data();
  const double* qq = q.data();
  double* h = depth.data();
  double* v = vol.data();
  double* sv = save.data();
  if (!save.empty())
    return first_substep
               ? sweep_kernel<true, true>(ncells, rate, delta, up, qq, h, v, sv, clipped_depth)
               : sweep_kernel<false, true>(ncells, rate, delta, up, qq, h, v, sv, clipped_depth);
  return first_substep
             ? sweep_kernel<true, false>(ncells, rate, delta, up, qq, h, v, sv, clipped_depth)
             : sweep_kernel<false, false>(ncells, rate, delta, up, qq, h, v, sv, clipped_depth);
}

double route_ade(const SurfaceView& g, const OverlandArrays& a, double dt, int sweep_order,
                 const OutletDrain& outlet, StepResult& result) {
  const int n = g.ncells;
  const double area = g.dx * g.dx;
  const int order[2] = {sweep_order == 1 ? 0 : 1, sweep_order == 1 ? 1 : 0};
  const std::span<double> qs[2] = {a.qx, a.qy};
  const std::span<double> vols[2] = {a.vol_x, a.vol_y};
  const std::span<const int> ups[2] = {g.west_cell, g.north_cell};
  const double inv_n_out = outlet.on ? g.inv_rough[outlet.cell] : 0.0;
  result.faults.clear();

  double delta = dt;
  double outflow = 0.0;
  double clipped = 0.0;
  int restarts = 0;
  bool first = true;  // the first sweep keeps the depths of the step's start
  while (true) {
    if (delta < 0.001) {
      if (!first) copy_cells(n, a.saved, a.depth);  // the depths of the step's start
      result.clipped = 0.0;
      result.last_delta = delta;
      result.restarts = restarts;
      result.faults.push_back({.code = kAdeStepTooSmall});
      return -1.0;
    }
    if (!first) {
      // Integrate the whole step again from its start with the smaller sub-step.
      copy_cells(n, a.saved, a.depth);
      ++restarts;
    }
    outflow = 0.0;
    clipped = 0.0;
    double remaining = dt;
    bool failed = false;
    bool first_substep = true;  // face volumes are set, not added to
    while (remaining > 1e-16) {
      remaining -= delta;
      if (remaining < 0.001) {  // the last sub-step absorbs a remainder below 0.001 s
        delta += remaining;
        remaining = 0.0;
      }
      for (int k = 0; k < 2 && !failed; ++k) {
        const int dir = order[k];
        sweep_flux(g, dir, a.depth, qs[dir]);
        double clip = 0.0;
        const std::span<double> save = first && k == 0 ? a.saved : std::span<double>{};
        if (check_sweep(n, g.dx, delta, ups[dir], qs[dir], a.depth, vols[dir], clip, first_substep,
                        save) > 0)
          failed = true;
        else
          clipped += clip * area;
      }
      first = false;
      first_substep = false;
      if (failed) break;
      if (outlet.on)
        outflow += drain_outlet(a.depth[outlet.cell], inv_n_out, outlet.outslope, g.dx, delta);
    }
    if (!failed) break;
    delta *= 0.5;
  }
  const double inv_dt = 1.0 / dt;
  double* qx = a.qx.data();
  double* qy = a.qy.data();
  const double* vx = a.vol_x.data();
  const double* vy = a.vol_y.data();
#pragma omp parallel for schedule(static) if (n >= kParallelMinCells)
  for (int i = 1; i <= n; ++i) {
    qx[i] = vx[i] * inv_dt;
    qy[i] = vy[i] * inv_dt;
  }
  result.clipped = clipped;
  result.last_delta = delta;
  result.restarts = restarts;
  return outflow;
}

double route_ade_pc(const SurfaceView& g, const OverlandArrays& a, double dt, int sweep_order,
                    const OutletDrain& outlet) {
  const int n = g.ncells;
  const double rate = dt / (g.dx * g.dx);
  const int order[2] = {sweep_order == 1 ? 0 : 1, sweep_order == 1 ? 1 : 0};
  const std::span<double> qs[2] = {a.qx, a.qy};
  const std::span<double> scratch[2] = {a.vol_x, a.vol_y};
  const std::span<const int> ups[2] = {g.west_cell, g.north_cell};
  for (int k = 0; k < 2; ++k) {
    const int dir = order[k];
    double* h = a.depth.data();
    double* hp = a.saved.data();
    double* q = qs[dir].data();
    double* qp = scratch[dir].data();
    const int* up = ups[dir].data();
    sweep_flux(g, dir, a.depth, qs[dir]);
#pragma omp parallel for schedule(static) if (n >= kParallelMinCells)
    for (int i = 1; i <= n; ++i) {
      const int u = up[i];
      hp[i] = h[i] + ((u != 0 ? q[u] : 0.0) - q[i]) * rate;
    }
    sweep_flux(g, dir, a.saved, scratch[dir]);
#pragma omp parallel for schedule(static) if (n >= kParallelMinCells)
    for (int i = 1; i <= n; ++i) q[i] = 0.5 * (q[i] + qp[i]);
#pragma omp parallel for schedule(static) if (n >= kParallelMinCells)
    for (int i = 1; i <= n; ++i) {
      const int u = up[i];
      h[i] += ((u != 0 ? q[u] : 0.0) - q[i]) * rate;
    }
  }
  if (!outlet.on) return 0.0;
  return drain_outlet(a.depth[outlet.cell], g.inv_rough[outlet.cell], outlet.outslope, g.dx, dt,
                      0.5);
}

}  // namespace torva
