// Reading a project file of 10 000 cards (a mix of numbers, integers, flags, file names and
// comments, as a large batch project would hold).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "input/project_reader.hpp"
#include "input/series_store.hpp"
#include "model/settings.hpp"

namespace {

std::string make_project(int cards) {
  const auto path = std::filesystem::temp_directory_path() / "torva_bench_10000.prj";
  std::ofstream out(path);
  out << "TORVAPROJECT\n";
  const char* lines[] = {"GRIDSIZE 30.0\n",
                         "ROWS 120\n",
                         "COLS 240\n",
                         "TIMESTEP 10\n",
                         "MANNING_N 0.035\n",
                         "QUIET\n",
                         "ELEVATION \"maps/elevation map.asc\"\n",
                         "# a comment line\n",
                         "OUTSLOPE, 0.001\n",
                         "start_date 2020 6 1\n"};
  for (int k = 0; k < cards; ++k) out << lines[k % 10];
  return path.string();
}

void BM_ReadProject10000Cards(benchmark::State& state) {
  const std::string path = make_project(10000);
  for (auto _ : state) {
    torva::Settings settings;
    torva::SeriesStore series;
    torva::read_project_file(path, settings, series);
    benchmark::DoNotOptimize(settings.site.gridsize);
  }
  state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(BM_ReadProject10000Cards)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
