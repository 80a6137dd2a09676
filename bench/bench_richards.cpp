// Richards columns of 100 soil nodes on 100 000 cells under an hour of rain (20 mm/h,
// one-minute infiltration intervals), through the stage, on 1 and 2 threads.  Items per
// second are column-steps (one column over one interval) per second.
#include <benchmark/benchmark.h>
#include <omp.h>

#include <memory>

#include "model/model_state.hpp"
#include "subsurface/richards_stage.hpp"

namespace torva {
namespace {

constexpr int kCells = 100000;
constexpr double kInterval = 60.0;      // s
constexpr double kRain = 0.020 / 60.0;  // m per interval (20 mm/h)
constexpr int kIntervalsPerHour = 60;

SoilRecord loam() {
  SoilRecord r;
  r.layers = 3;
  const double thick[3] = {30.0, 30.0, 40.0};
  for (int k = 1; k <= 3; ++k) {
    r.at(kThickness, k) = thick[k - 1];
    r.at(kNodeDz, k) = 1.0;
    r.at(kKsat, k) = 1.3 / k;
    r.at(kPorosity, k) = 0.43;
    r.at(kResidual, k) = 0.027;
    r.at(kThetaInit, k) = 0.18 + 0.02 * k;
    r.at(kPoreIndex, k) = 0.25;
    r.at(kBubbling, k) = -11.1;
  }
  return r;
}

std::unique_ptr<ModelState> basin() {
  auto s = std::make_unique<ModelState>();
  s->grid.ncells = kCells;
  s->grid.dx = 30.0;
  s->params.soil_id.allocate(kCells);
  s->params.soil_id.fill(1);
  s->settings.infil.soil_layer_input_file_given = true;
  s->infil.soil_records.assign(2, loam());
  s->infil.soil_record_given = {false, true};
  for (auto* a : {&s->infil.infil_cum_depth, &s->infil.infil_cum_prev, &s->infil.infil_event_depth,
                  &s->infil.infil_rate, &s->infil.surface_moisture})
    a->allocate(kCells);
  s->overland.ov_depth.allocate(kCells);
  return s;
}

void BM_RichardsHourOfRain(benchmark::State& st) {
  omp_set_num_threads(static_cast<int>(st.range(0)));
  auto s = basin();
  richards_init(*s);
  auto depth = s->overland.ov_depth.slots();
  int interval = 0;
  for (auto _ : st) {
    for (int i = 1; i <= kCells; ++i) depth[static_cast<std::size_t>(i)] += kRain;
    richards_step(*s, depth, kInterval);
    ++interval;
  }
  st.SetItemsProcessed(static_cast<long>(interval) * kCells);
  st.counters["mm_infiltrated"] = s->richards.infiltrated_volume / (kCells * 900.0) * 1000.0;
}
BENCHMARK(BM_RichardsHourOfRain)
    ->Arg(1)
    ->Arg(2)
    ->Iterations(kIntervalsPerHour)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
}  // namespace torva

BENCHMARK_MAIN();
