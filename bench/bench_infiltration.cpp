// One infiltration step of each Green and Ampt method over 1 000 000 cells, on 1 and 2
// threads; items per second are cells per second.
#include <benchmark/benchmark.h>
#include <omp.h>

#include <algorithm>
#include <vector>

#include "subsurface/green_ampt.hpp"
#include "subsurface/green_ampt_redist.hpp"
#include "subsurface/layered_soil.hpp"

namespace torva {
namespace {

constexpr int kCells = 1000000;
constexpr double kDt = 30.0;

struct Grid {
  std::vector<double> ksat, psi, phi, ti, lambda, tr, psi_dtheta, area;
  std::vector<double> depth, cum, rate, theta0, fr, surf, clipped, zf, t1, t2, t3;
  std::vector<int> ponding, redist, state, dry, soil;
  std::vector<SoilRecord> records;
  Grid() {
    const std::size_t n = kCells + 1;
    ksat.resize(n);
    psi.resize(n);
    phi.resize(n);
    ti.resize(n);
    lambda.assign(n, 0.4);
    tr.assign(n, 0.04);
    psi_dtheta.resize(n);
    for (std::size_t i = 1; i < n; ++i) {
      ksat[i] = (0.2 + 0.1 * static_cast<double>(i % 9)) / 360000.0;
      psi[i] = 0.05 + 0.01 * static_cast<double>(i % 7);
      phi[i] = 0.40 + 0.01 * static_cast<double>(i % 5);
      ti[i] = 0.10 + 0.02 * static_cast<double>(i % 4);
      psi_dtheta[i] = (phi[i] - ti[i]) * psi[i];
    }
    depth.assign(n, 0.0);
    cum.assign(n, 0.0);
    rate.assign(n, 0.0);
    theta0 = ti;
    fr.assign(n, 0.0);
    surf = ti;
    clipped.assign(n, 0.0);
    zf.assign(n, 0.0);
    t1.assign(n, 0.15);
    t2.assign(n, 0.25);
    t3.assign(n, 0.30);
    ponding.assign(n, 0);
    redist.assign(n, 0);
    state.assign(n, 0);
    dry.assign(n, 0);
    soil.assign(n, 1);
    SoilRecord r;
    const double thick[3] = {10.0, 20.0, 100.0};
    for (int k = 1; k <= 3; ++k) {
      r.at(kKsat, k) = 1.0 / k;
      r.at(kCapHead, k) = 10.0 * k;
      r.at(kPorosity, k) = 0.45;
      r.at(kThetaInit, k) = 0.1 * k;
      r.at(kThickness, k) = thick[k - 1];
    }
    records = {SoilRecord{}, r};
  }
  // A wet start: half the cells pond, half are rainfall limited; some depth infiltrated.
  void refill() {
    for (int i = 1; i <= kCells; ++i) {
      depth[static_cast<std::size_t>(i)] = (i % 2) ? 0.01 : 1e-6;
      cum[static_cast<std::size_t>(i)] = 0.005;
      fr[static_cast<std::size_t>(i)] = 0.0;
      zf[static_cast<std::size_t>(i)] = 2.0;
    }
  }
};

Grid& grid() {
  static Grid g;
  return g;
}

template <class Step>
void run(benchmark::State& st, Step step) {
  omp_set_num_threads(static_cast<int>(st.range(0)));
  Grid& g = grid();
  for (auto _ : st) {
    st.PauseTiming();
    g.refill();
    st.ResumeTiming();
    benchmark::DoNotOptimize(step(g));
    benchmark::ClobberMemory();
  }
  st.SetItemsProcessed(st.iterations() * kCells);
}

void BM_GreenAmpt(benchmark::State& st) {
  run(st, [](Grid& g) {
    return green_ampt_step({g.depth, g.cum, g.rate, g.ksat, g.psi_dtheta, g.area}, kCells, kDt)
        .cell;
  });
}

void BM_GreenAmptRedist(benchmark::State& st) {
  run(st, [](Grid& g) {
    RedistCells c{g.ksat, g.psi,     g.phi,    g.ti,    g.lambda, g.tr,     g.area,
                  {},     {},        g.depth,  g.cum,   g.rate,   g.theta0, g.fr,
                  g.surf, g.ponding, g.redist, g.state, g.dry,    g.clipped};
    return redist_step_cells(c, kCells, kDt, 5);
  });
}

void BM_LayeredSoil(benchmark::State& st) {
  run(st, [](Grid& g) {
    LayeredCells c{g.soil, &g.records, g.t1, g.t2, g.t3, g.area, g.depth, g.cum, g.rate, g.zf};
    return layered_step(c, kCells, kDt).cell;
  });
}

BENCHMARK(BM_GreenAmpt)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GreenAmptRedist)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LayeredSoil)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace torva

BENCHMARK_MAIN();
