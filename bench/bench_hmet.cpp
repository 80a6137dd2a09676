// Reading ten years of hourly weather (87 600 records) in each format: the scan pass and
// then every record, as a long-term run does.  The files are generated into /tmp on first use.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "frame/clock.hpp"
#include "frame/run_context.hpp"
#include "subsurface/hmet.hpp"

namespace {

constexpr int kHours = 87600;

// Calls `hour(t, k)` for each hour k of ten years from 1 January 1981 01:00.
template <class F>
void each_hour(F hour) {
  const double start = torva::julian_date(1981, 1, 1, 0, 0, 0.0);
  for (int k = 1; k <= kHours; ++k) hour(torva::calendar_time(start + k / 24.0), k);
}

std::string make(const char* name, torva::HmetFormat format) {
  const std::string path = std::string("/tmp/torva_bench_hmet_") + name + ".txt";
  if (std::filesystem::exists(path)) return path;
  std::FILE* fp = std::fopen(path.c_str(), "w");
  if (format == torva::HmetFormat::zeb) {
    each_hour([fp](torva::CalendarTime t, int k) {
      std::fprintf(fp, "%d %d %d %d %.2f %d %d %d %d %.1f %.1f\n", t.year, t.month, t.day, t.hour,
                   29.5 + 0.01 * (k % 40), 40 + k % 50, k % 11, k % 20, 20 + k % 60,
                   double(k % 500), double(k % 700));
    });
  } else if (format == torva::HmetFormat::samson) {
    std::fprintf(fp, "~ 14606 BANGOR                 ME  -5 N44 48  W068 49\n~YR MO DA HR I\n");
    each_hour([fp](torva::CalendarTime t, int k) {
      // SAMSON counts hours 1 to 24: midnight is hour 24 of the day before.
      if (t.hour == 0) t = torva::calendar_time(torva::julian_date(t) - 0.5 / 24.0), t.hour = 24;
      std::fprintf(fp, " %02d %02d %02d %02d 0%23d%8d%6d%9.1f%10d%5d%10.1f\n", t.year % 100,
                   t.month, t.day, t.hour, k % 500, k % 700, k % 11, -5.0 + k % 30, 40 + k % 50,
                   1000 + k % 30, 0.1 * (k % 90));
    });
  } else {
    const char* codes[7] = {"DRAD", "GRAD", "PRES", "RHUM", "TMPD", "TSKC", "WIND"};
    for (int day = 0; day < kHours / 24; ++day) {
      const torva::CalendarTime t =
          torva::calendar_time(torva::julian_date(1981, 1, 1, 12, 0, 0.0) + day);
      for (int e = 0; e < 7; ++e) {
        std::fprintf(fp, "9999914606 %-4s  %04d%02d  %02d024", codes[e], t.year, t.month, t.day);
        for (int h = 1; h <= 24; ++h) {
          const long v[7] = {h * 10L, h * 20L,     29500L + h, 40L + h,
                             20L + h, 1L + h % 10, 27000L + h};
          std::fprintf(fp, "%04d %05ld  ", h * 100, v[e]);
        }
        std::fputc('\n', fp);
      }
    }
  }
  std::fclose(fp);
  return path;
}

void read_file(benchmark::State& state, const char* name, torva::HmetFormat format) {
  const std::string path = make(name, format);
  torva::RunContext ctx;
  ctx.super_quiet = true;
  torva::ContextScope scope(ctx);
  long n = 0;
  for (auto _ : state) {
    torva::HmetReader r;
    torva::HmetRecord rec;
    if (!r.open(format, path) || torva::hmet_read(r, 1, rec) != 0) {
      state.SkipWithError("the weather file does not read");
      return;
    }
    n = 0;
    for (int call = 2; torva::hmet_read(r, call, rec) > 0; ++call) ++n;
    benchmark::DoNotOptimize(rec);
  }
  if (n != kHours) state.SkipWithError("not every hour was read");
  state.counters["records"] = double(n);
}

void BM_HmetZeb10Years(benchmark::State& s) {
  read_file(s, "zeb", torva::HmetFormat::zeb);
}
void BM_HmetSamson10Years(benchmark::State& s) {
  read_file(s, "samson", torva::HmetFormat::samson);
}
void BM_HmetSurfaceAirways10Years(benchmark::State& s) {
  read_file(s, "ncdc", torva::HmetFormat::surface_airways);
}
BENCHMARK(BM_HmetZeb10Years)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HmetSamson10Years)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HmetSurfaceAirways10Years)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
