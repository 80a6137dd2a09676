// One ADE overland step on a wet rectangular plane: cell-updates per second (cells x
// sub-steps / s) on 1 and 2 threads, and the bytes of overland state per cell.
#include <benchmark/benchmark.h>
#include <omp.h>

#include <cmath>
#include <ctime>
#include <vector>

#include "overland/ade_scheme.hpp"

namespace {

using namespace torva;

// Processor time of all threads, s: on a shared machine the rate per processor-second is the
// figure that survives other load.
double process_cpu_seconds() {
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

struct Plane {
  int n = 0;
  std::vector<int> east, west, north, south;
  std::vector<double> z, inv_n, ret, h0, h, saved, qx, qy, vx, vy;

  explicit Plane(int side) : n(side * side) {
    const std::size_t slots = static_cast<std::size_t>(n) + 1;
    east.assign(slots, 0);
    west = north = south = east;
    z.assign(slots, 0.0);
    inv_n.assign(slots, 1.0 / 0.05);
    ret.assign(slots, 0.001);
    h0 = h = saved = qx = qy = vx = vy = z;
    for (int r = 0; r < side; ++r)
      for (int c = 0; c < side; ++c) {
        const int k = r * side + c + 1;
        if (c + 1 < side) east[k] = k + 1;
        if (c > 0) west[k] = k - 1;
        if (r > 0) north[k] = k - side;
        if (r + 1 < side) south[k] = k + side;
        z[k] = 0.3 * (side - c) + 0.2 * (side - r) + 0.01 * ((r * 7 + c * 13) % 5);
        h0[k] = 0.05 + 0.001 * ((r + 3 * c) % 7);
      }
  }
  SurfaceView view() const {
    SurfaceView v;
    v.ncells = n;
    v.dx = 30.0;
    v.elevation = z;
    v.inv_rough = inv_n;
    v.retention = ret;
    v.east_cell = east;
    v.west_cell = west;
    v.north_cell = north;
    v.south_cell = south;
    return v;
  }
};

void BM_AdeStep(benchmark::State& state) {
  const int side = static_cast<int>(state.range(0));
  const int threads = static_cast<int>(state.range(1));
  const int saved_threads = omp_get_max_threads();
  omp_set_num_threads(threads);
  Plane p(side);
  const OverlandArrays a{p.h, p.saved, p.qx, p.qy, p.vx, p.vy};
  const OutletDrain outlet{true, p.n, 0.01};
  double substeps = 0.0;
  double cpu = 0.0;
  for (auto _ : state) {
    state.PauseTiming();
    p.h = p.h0;
    const double c0 = process_cpu_seconds();
    state.ResumeTiming();
    StepResult r;
    benchmark::DoNotOptimize(route_ade(p.view(), a, 10.0, 1, outlet, r));
    cpu += process_cpu_seconds() - c0;
    // Every attempt integrates the whole step, so failed attempts are work too.
    substeps += 10.0 / r.last_delta * (r.restarts + 1);
  }
  state.counters["cell_updates_per_s"] =
      benchmark::Counter(substeps * p.n, benchmark::Counter::kIsRate);
  state.counters["cell_updates_per_cpu_s"] = substeps * p.n / cpu;
  state.counters["substeps_per_step"] = substeps / static_cast<double>(state.iterations());
  // ov_depth, saved_depth, face_q_x/y, face_vol_x/y, inv_rough and retention (doubles).
  state.counters["state_bytes_per_cell"] = 8.0 * sizeof(double);
  omp_set_num_threads(saved_threads);
}

// The x face discharges alone, with the division-free power and with pow() as written in
// Manning's formula, to show what the power costs.
template <bool kPow>
void BM_FaceFluxX(benchmark::State& state) {
  Plane p(1000);
  p.h = p.h0;
  const SurfaceView g = p.view();
  const double inv_dx = 1.0 / g.dx;
  for (auto _ : state) {
    if constexpr (kPow) {
      for (int i = 1; i <= p.n; ++i) {
        const int j = p.east[i];
        double q = 0.0;
        const double s = j ? ((p.h[i] + p.z[i]) - (p.h[j] + p.z[j])) / g.dx : 0.0;
        const int u = s > 0.0 ? i : j;
        const double d = s != 0.0 ? p.h[u] - p.ret[u] : 0.0;
        if (d > 0.0)
          q = std::copysign(
              p.inv_n[u] * std::pow(d, 0.6666666666666666) * std::sqrt(std::fabs(s)) * d * g.dx, s);
        p.qx[i] = q;
      }
    } else {
      for (int i = 1; i <= p.n; ++i) {
        const int j = p.east[i];
        p.qx[i] = j ? manning_face_q(p.h[i], p.h[j], p.z[i], p.z[j], p.inv_n[i], p.inv_n[j],
                                     p.ret[i], p.ret[j], g.dx, inv_dx)
                    : 0.0;
      }
    }
    benchmark::DoNotOptimize(p.qx.data());
  }
  state.counters["faces_per_s"] = benchmark::Counter(static_cast<double>(state.iterations()) * p.n,
                                                     benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FaceFluxX<false>)->Name("BM_FaceFluxX/fast_power")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FaceFluxX<true>)->Name("BM_FaceFluxX/pow")->Unit(benchmark::kMillisecond);

BENCHMARK(BM_AdeStep)
    ->ArgsProduct({{1000, 2000}, {1, 2}})
    ->ArgNames({"side", "threads"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
