// Cross-section evaluation of a whole network, both directions, and the level search of
// the area-to-depth lookup (binary search against a scan of the levels in fours).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>

#include "channel/channel_state.hpp"
#include "channel/xsection.hpp"

namespace torva {
namespace {

constexpr int kLinks = 100;
constexpr int kNodes = 50;

XsecTable surveyed(int levels) {
  XsecTable t;
  const double x[] = {0, 0, 2, 4, 5, 7, 9, 12, 15, 15};
  const double y[] = {0, 6, 4, 3, 0.5, 0, 1, 2.5, 4, 6};
  t.npairs = 9;
  t.m = levels;
  t.x.assign(x, x + 10);
  t.y.assign(y, y + 10);
  int flat = 0;
  build_levels(t, 25.0, false, flat);
  return t;
}

void make(ChannelState& ch, int linktype) {
  ch.links = kLinks;
  for (Array1<int>* a : {&ch.linktype, &ch.nodes}) a->allocate(kLinks);
  for (Array1<double>* a : {&ch.dx, &ch.inv_n}) a->allocate(kLinks);
  for (Array2<double>* a : {&ch.bel, &ch.yp, &ch.chan_depth, &ch.area, &ch.conv, &ch.dconv,
                            &ch.topw, &ch.bottom, &ch.sslope, &ch.sslope2, &ch.bankfull_dep})
    a->allocate(kNodes, kLinks);
  ch.node_table.allocate(kNodes, kLinks);
  ch.tables.t.push_back(surveyed(600));
  for (int l = 1; l <= kLinks; ++l) {
    ch.linktype[l] = linktype;
    ch.nodes[l] = kNodes;
    ch.dx[l] = 20.0;
    ch.inv_n[l] = 25.0;
    for (int k = 1; k <= kNodes; ++k) {
      ch.bottom(k, l) = 3.0;
      ch.sslope(k, l) = 1.5;
      ch.node_table(k, l) = 1;
      ch.yp(k, l) = 5.0 * std::fmod(0.618 * (k + l * kNodes), 1.0);  // spread over the table
    }
  }
}

void BM_ExSection(benchmark::State& st) {
  ChannelState ch;
  make(ch, st.range(0) ? kLinkBreakpoint : kLinkTrapezoid);
  Faults faults;
  ex_section(ch, 2, faults);
  const int direction = static_cast<int>(st.range(1));
  for (auto _ : st) {
    ex_section(ch, direction, faults);
    benchmark::DoNotOptimize(ch.conv.data());
  }
  st.SetItemsProcessed(st.iterations() * kLinks * kNodes);
}
BENCHMARK(BM_ExSection)->ArgsProduct({{0, 1}, {1, 2}})->ArgNames({"table", "dir"});

// The level scan in groups of four, for comparison with the binary search of table_at_area.
int scan_level(const XsecTable& t, double a) {
  int j = 1;
  while (j + 4 <= t.m && t.xarea[j + 4] <= a) j += 4;
  while (j + 1 <= t.m && t.xarea[j + 1] <= a) ++j;
  return j;
}

void BM_LevelSearch(benchmark::State& st) {
  const XsecTable t = surveyed(static_cast<int>(st.range(1)));
  const double top = t.xarea[t.m];
  double a = 0.0;
  int sum = 0;
  for (auto _ : st) {
    a += 0.3819 * top;
    if (a >= top) a -= top;
    if (st.range(0)) {
      bool beyond = false;
      benchmark::DoNotOptimize(table_at_area(t, a + t.xarea[1], beyond).depth);
    } else {
      const double aa = a + t.xarea[1];
      const int j = std::min(scan_level(t, aa), t.m - 1);
      benchmark::DoNotOptimize(j * t.dy + (aa - t.xarea[j]) * t.dy / (t.xarea[j + 1] - t.xarea[j]));
      ++sum;
    }
  }
  benchmark::DoNotOptimize(sum);
}
BENCHMARK(BM_LevelSearch)->ArgsProduct({{0, 1}, {60, 600, 6000}})->ArgNames({"binary", "m"});

}  // namespace
}  // namespace torva

BENCHMARK_MAIN();
