// Rain assignment and application over 1 000 000 cells: inverse-distance weighting from
// 10 gages and the nearest-gage assignment on 1 and 2 threads, and one step of
// interception plus depth update; items per second are cells per second.
#include <benchmark/benchmark.h>
#include <omp.h>

#include <vector>

#include "overland/rain.hpp"

namespace torva {
namespace {

constexpr int kCells = 1000000;
constexpr int kGages = 10;
constexpr double kDx = 30.0;

struct Field {
  std::vector<double> x, y, gx, gy, values, rate, storage, coeff, used, net, caught, depth;
  std::vector<int> nearest;
  Field() {
    const std::size_t n = kCells + 1;
    x.resize(n);
    y.resize(n);
    for (std::size_t k = 1; k < n; ++k) {
      x[k] = kDx * (static_cast<double>(k % 1000) + 0.5);
      y[k] = -kDx * (static_cast<double>(k / 1000) + 0.5);
    }
    gx.assign(1, 0.0);
    gy.assign(1, 0.0);
    values.assign(1, 0.0);
    for (int g = 1; g <= kGages; ++g) {
      gx.push_back(2900.0 * g + 7.0);
      gy.push_back(-2700.0 * g - 11.0);
      values.push_back(2.0 * g);
    }
    rate.assign(n, 12.0);
    storage.assign(n, 1.0);
    coeff.assign(n, 0.1);
    used.assign(n, 0.0);
    net.assign(n, 0.0);
    caught.assign(n, 0.0);
    depth.assign(n, 0.0);
    nearest.assign(n, 0);
  }
};

Field& field() {
  static Field f;
  return f;
}

void BM_InverseDistance(benchmark::State& st) {
  Field& f = field();
  omp_set_num_threads(static_cast<int>(st.range(0)));
  for (auto _ : st) {
    assign_inverse_distance(f.x, f.y, f.gx, f.gy, f.values, kDx, f.rate);
    benchmark::DoNotOptimize(f.rate.data());
  }
  st.SetItemsProcessed(st.iterations() * kCells);
}
BENCHMARK(BM_InverseDistance)->Arg(1)->Arg(2)->UseRealTime();

void BM_NearestGage(benchmark::State& st) {
  Field& f = field();
  omp_set_num_threads(static_cast<int>(st.range(0)));
  find_nearest_gage(f.x, f.y, f.gx, f.gy, f.nearest);
  for (auto _ : st) {
    assign_nearest(f.nearest, f.values, f.rate);
    benchmark::DoNotOptimize(f.rate.data());
  }
  st.SetItemsProcessed(st.iterations() * kCells);
}
BENCHMARK(BM_NearestGage)->Arg(1)->Arg(2)->UseRealTime();

void BM_InterceptAndAddRain(benchmark::State& st) {
  Field& f = field();
  omp_set_num_threads(static_cast<int>(st.range(0)));
  for (auto _ : st) {
    intercept(f.rate, f.storage, f.coeff, 1.0, 30.0, f.used, f.net, f.caught);
    int bad = 0;
    benchmark::DoNotOptimize(add_rain(f.net, 30.0, f.depth, bad));
  }
  st.SetItemsProcessed(st.iterations() * kCells);
}
BENCHMARK(BM_InterceptAndAddRain)->Arg(1)->Arg(2)->UseRealTime();

}  // namespace
}  // namespace torva

BENCHMARK_MAIN();
