// One ADE overland step on a wet rectangular plane: cell-updates per second (cells x
// sub-steps / s) on 1 and 2 threads, and the bytes of overland state per cell.
#include <benchmark/benchmark.h>
#include <omp.h>

#include <vector>

#include "overland/ade_scheme.hpp"

namespace {

using namespace torva;

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
  for (auto _ : state) {
    state.PauseTiming();
    p.h = p.h0;
    state.ResumeTiming();
    StepResult r;
    benchmark::DoNotOptimize(route_ade(p.view(), a, 10.0, 1, outlet, &r));
    // Every attempt integrates the whole step, so failed attempts are work too.
    substeps += 10.0 / r.last_delta * (r.restarts + 1);
  }
  state.counters["cell_updates_per_s"] =
      benchmark::Counter(substeps * p.n, benchmark::Counter::kIsRate);
  state.counters["substeps_per_step"] = substeps / static_cast<double>(state.iterations());
  // ov_depth, saved_depth, face_q_x/y, face_vol_x/y, inv_rough and retention (doubles).
  state.counters["state_bytes_per_cell"] = 8.0 * sizeof(double);
  omp_set_num_threads(saved_threads);
}

BENCHMARK(BM_AdeStep)
    ->ArgsProduct({{1000, 2000}, {1, 2}})
    ->ArgNames({"side", "threads"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
