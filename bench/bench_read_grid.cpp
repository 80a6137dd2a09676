// Reading a 4000 x 4000 real map (about 150 MB of text) through the generic raster reader.
// The map is generated into /tmp on first use and kept there for later runs.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <vector>

#include "frame/file_handle.hpp"
#include "frame/run_context.hpp"
#include "input/raster.hpp"

namespace {

constexpr int kSize = 4000;
const char* const kPath = "/tmp/torva_bench_4000x4000.asc";

void make_map() {
  if (std::filesystem::exists(kPath) && std::filesystem::file_size(kPath) > 100000000) return;
  std::FILE* fp = std::fopen(kPath, "w");
  std::fprintf(fp, "north: 120000.00\nsouth: 0.00\neast: 120000.00\nwest: 0.00\n");
  std::fprintf(fp, "rows: %d\ncols: %d\n", kSize, kSize);
  std::mt19937 rng(42);
  std::uniform_real_distribution<double> elev(100.0, 999.0);
  for (int r = 0; r < kSize; ++r) {
    for (int c = 0; c < kSize; ++c) std::fprintf(fp, "%.4f ", elev(rng));
    std::fputc('\n', fp);
  }
  std::fclose(fp);
}

void BM_ReadGrid4000(benchmark::State& state) {
  make_map();
  torva::Array2<int> mask("mask");
  mask.allocate(kSize + 1, kSize + 1);
  int n = 0;
  for (int r = 1; r <= kSize; ++r)
    for (int c = 1; c <= kSize; ++c) mask(r, c) = ++n;
  std::vector<double> values(static_cast<std::size_t>(n) + 1);
  const auto bytes = static_cast<std::int64_t>(std::filesystem::file_size(kPath));
  for (auto _ : state) {
    torva::FileHandle f;
    f.open(kPath, "r");
    torva::GridHeader h;
    const bool ok =
        torva::read_grid(f, kPath, torva::kRealFirst, h, mask, {values, {}, {}}, kSize, kSize);
    if (!ok) state.SkipWithError("read_grid failed");
    benchmark::DoNotOptimize(values.data());
  }
  state.SetBytesProcessed(state.iterations() * bytes);
}
BENCHMARK(BM_ReadGrid4000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
