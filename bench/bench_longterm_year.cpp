// A year of the basin example as a long-term run: 365 days of hourly weather and 20 storms,
// with a stand-in hourly evapotranspiration of no demand (not simulated yet).  The hourly
// call also times each weather hour, so that the hours in which overland routing rested (dry)
// can be told from the wet ones: counters give the wall time, the dry share, the mean cost of
// a dry hour and of a wet model step.  Files are generated into /tmp.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "frame/run_context.hpp"
#include "model/driver.hpp"
#include "model/model_state.hpp"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct HourTimes {
  Clock::time_point last;
  bool started = false;
  double dry_seconds = 0.0, wet_seconds = 0.0;
  long dry_hours = 0, wet_hours = 0, wet_passes = 0, last_pass = 0;
};
HourTimes g_hours;  // the benchmark's own record; the model keeps nothing of it

void timed_no_et(torva::ModelState& s) {
  s.hmet.pet_rate.fill(0.0);
  const Clock::time_point now = Clock::now();
  if (g_hours.started) {
    const double took = std::chrono::duration<double>(now - g_hours.last).count();
    // An hour the clock crossed in one pass was dry: overland routing rested through it.
    const long passes = s.clock.pass - g_hours.last_pass;
    if (passes == 1) {
      g_hours.dry_seconds += took;
      ++g_hours.dry_hours;
    } else {
      g_hours.wet_seconds += took;
      ++g_hours.wet_hours;
      g_hours.wet_passes += passes;
    }
  }
  g_hours.started = true;
  g_hours.last = now;
  g_hours.last_pass = s.clock.pass;
}

std::string slurp(const fs::path& p) {
  std::ifstream in(p);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The basin example with its channel network, or with the land draining at the outlet cell.
// `days` of weather (365 for the year) and the storms that fall in them, one every 17.5 days.
fs::path make_year(bool channels, int days) {
  const fs::path src = fs::path(__FILE__).parent_path().parent_path() / "examples/basin";
  const fs::path dir = "/tmp/torva_bench_longterm_year";
  fs::remove_all(dir);
  fs::copy(src, dir, fs::copy_options::recursive);
  std::FILE* w = std::fopen((dir / "weather.zeb").c_str(), "w");
  const double pi = 3.141592653589793;
  const double start = torva::julian_date(2021, 1, 1, 0, 0, 0.0);
  for (int k = 1; k <= days * 24; ++k) {
    const torva::CalendarTime t = torva::calendar_time(start + k / 24.0);
    const double season = std::sin(2.0 * pi * (k / 24.0 - 110.0) / 365.0);
    const int temp_f = static_cast<int>(
        std::lround(60.0 + 15.0 * season + 8.0 * std::sin(2.0 * pi * (t.hour - 9) / 24.0)));
    std::fprintf(w, "%d %d %d %d 29.90 60 3 5 %d 100.0 300.0\n", t.year, t.month, t.day, t.hour,
                 temp_f);
  }
  std::fclose(w);
  std::FILE* r = std::fopen((dir / "year.gag").c_str(), "w");
  for (int e = 0; e < 20 && 10.0 + 17.5 * e + 1.0 < days; ++e) {
    const torva::CalendarTime t = torva::calendar_time(start + 10.0 + 17.5 * e + 14.0 / 24.0);
    std::fprintf(r,
                 "EVENT \"storm %d\"\nNRGAG 3\nNRPDS 4\nCOORD 11500.0 18800.0 a\n"
                 "COORD 14500.0 18200.0 b\nCOORD 12985.0 14600.0 c\n",
                 e + 1);
    const double peak = 20.0 + 2.0 * (e % 7);
    std::fprintf(r, "RATES %d %d %d %d 00 %.1f %.1f %.1f\n", t.year, t.month, t.day, t.hour,
                 0.5 * peak, 0.4 * peak, 0.3 * peak);
    std::fprintf(r, "RATES %d %d %d %d 20 %.1f %.1f %.1f\n", t.year, t.month, t.day, t.hour, peak,
                 0.8 * peak, 0.7 * peak);
    std::fprintf(r, "RATES %d %d %d %d 40 %.1f %.1f %.1f\n", t.year, t.month, t.day, t.hour,
                 0.3 * peak, 0.4 * peak, 0.2 * peak);
    std::fprintf(r, "RATES %d %d %d %d 00 0 0 0\n", t.year, t.month, t.day, t.hour + 1);
  }
  std::fclose(r);
  std::string prj = slurp(dir / "basin.prj");
  for (const char* drop : {"PRECIP_FILE rain.gag\n", "DEPTH depth\n", "MAP_FREQ 30\n"})
    prj.erase(prj.find(drop), std::string(drop).size());
  if (!channels) {
    for (const char* drop :
         {"CHANNEL_INPUT channel.chn\n", "CHAN_EXPLIC\n", "IN_HYD_LOCATION locations.txt\n",
          "OUT_HYD_LOCATION locations.hyd\n", "CHAN_DISCHARGE discharge.lnk\n",
          "CHAN_DEPTH depth.lnk\n", "CHAN_STAGE stage.lnk\n"})
      prj.erase(prj.find(drop), std::string(drop).size());
  }
  prj +=
      "PRECIP_FILE year.gag\nLONG_TERM\nLATITUDE 40\nLONGITUDE 105\nGMT -7\n"
      "HMET_ZEB weather.zeb\nHYD_FREQ 60\nMAP_FREQ 0\nNUM_THREADS 1\nSUPER_QUIET\n";
  std::ofstream(dir / "year.prj") << prj;
  return dir;
}

void BM_LongTermBasinYear(benchmark::State& state) {
  const fs::path dir = make_year(state.range(0) != 0, static_cast<int>(state.range(1)));
  const fs::path here = fs::current_path();
  fs::current_path(dir);
  int code = 0;
  double wall = 0.0;
  for (auto _ : state) {
    g_hours = HourTimes{};
    torva::RunContext ctx;
    ctx.super_quiet = true;
    torva::RunHooks hooks;
    hooks.hourly_et = timed_no_et;
    const Clock::time_point t0 = Clock::now();
    code = torva::run_simulation(ctx, "year.prj", nullptr, &hooks);
    wall = std::chrono::duration<double>(Clock::now() - t0).count();
  }
  fs::current_path(here);
  if (code != 0) state.SkipWithError("the year did not run to its end");
  const std::string sum = slurp(dir / "summary.txt");
  state.counters["wall_s"] = wall;
  state.counters["events"] = 0;
  for (std::size_t at = sum.find("SUMMARY- EVENT"); at != std::string::npos;
       at = sum.find("SUMMARY- EVENT", at + 1))
    state.counters["events"] += 1;
  state.counters["dry_hours"] = double(g_hours.dry_hours);
  state.counters["wet_hours"] = double(g_hours.wet_hours);
  state.counters["dry_share"] = g_hours.dry_seconds / wall;
  state.counters["dry_hour_ms"] = 1000.0 * g_hours.dry_seconds / std::max(1L, g_hours.dry_hours);
  state.counters["wet_step_ms"] = 1000.0 * g_hours.wet_seconds / std::max(1L, g_hours.wet_passes);
}
// Arguments: channels (0 or 1), days.  {0, 365} is the year; {0, 60} its first two months.
BENCHMARK(BM_LongTermBasinYear)
    ->Args({0, 365})
    ->Args({1, 365})
    ->Args({0, 60})
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
