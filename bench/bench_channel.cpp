// Explicit channel routing of one hour on a binary tree of 1000 links x 50 nodes with lateral
// inflow everywhere; reports node updates (nodes x sub-steps) per second.
#include <benchmark/benchmark.h>

#include <cmath>

#include "channel/routing.hpp"

namespace {

using namespace torva;

struct BenchNet {
  static constexpr int kLinks = 1000;
  static constexpr int kNodes = 50;
  Array2<double> bel{"bel"}, area{"area"}, depth{"chan_depth"}, yp{"yp"}, qp{"qp"}, conv{"conv"},
      qlat{"qlat"}, bottom{"bottom"}, sslope{"sslope"};
  RouteNetwork net;
  TrapezoidSections sec;
  RouteScratch scratch;
  RouteOptions opt;

  BenchNet() {
    for (Array2<double>* a : {&bel, &area, &depth, &yp, &qp, &conv, &qlat, &bottom, &sslope})
      a->allocate(kNodes, kLinks);
    net.links = kLinks;
    net.max_nodes = kNodes;
    net.link.assign(kLinks + 1, RouteLink{});
    net.a = RouteArrays{&bel, &area, &depth, &yp, &qp, &conv, &qlat, nullptr, nullptr};
    sec.bottom = &bottom;
    sec.sslope = &sslope;
    sec.inv_n.assign(kLinks + 1, 1.0 / 0.035);
    // Heap position j (1 = outlet) is link kLinks + 1 - j; its parent drains it.
    auto link_of = [](int j) { return kLinks + 1 - j; };
    auto level = [](int j) { return static_cast<int>(std::floor(std::log2(j))); };
    for (int j = 1; j <= kLinks; ++j) {
      const int l = link_of(j);
      RouteLink& k = net.link[l];
      k.type = kLinkTrapezoid;
      k.nodes = kNodes;
      k.dx = 50.0;
      k.downstream = j > 1 ? link_of(j / 2) : 0;
      for (int c : {2 * j, 2 * j + 1})
        if (c <= kLinks) k.upstream.push_back(link_of(c));
      // Beds fall 0.002 (0.1 m a node) along each link and on across each junction.
      const double top = 100.0 + 5.0 * (level(j) + 1);
      for (int i = 1; i <= kNodes; ++i) {
        bel(i, l) = top - 0.002 * 50.0 * (i - 0.5);
        bottom(i, l) = 2.0 + 0.2 * (10 - level(j));
        sslope(i, l) = 1.0;
        qlat(i, l) = 2e-5;
        // Start wet, 0.3 m deep everywhere, so that every node carries flow.
        double w = 0.0;
        sec.bottom = &bottom;
        sec.sslope = &sslope;
        sec.at_depth(i, l, 0.3, area(i, l), conv(i, l), w);
        depth(i, l) = 0.3;
        yp(i, l) = bel(i, l) + 0.3;
      }
    }
    opt.max_courant = 0.5;
  }
};

void BM_RouteOneHour(benchmark::State& state) {
  BenchNet b;
  long updates = 0;
  for (auto _ : state) {
    for (int call = 0; call < 60; ++call) {
      RouteReport rep;
      ex_flow_route(60.0, b.net, b.sec, b.opt, b.scratch, rep);
      updates += static_cast<long>(rep.substeps) * BenchNet::kLinks * BenchNet::kNodes;
    }
    benchmark::DoNotOptimize(b.qp(BenchNet::kNodes, BenchNet::kLinks));
  }
  state.counters["node_updates_per_s"] =
      benchmark::Counter(static_cast<double>(updates), benchmark::Counter::kIsRate);
  state.counters["outlet_q"] = b.qp(BenchNet::kNodes, BenchNet::kLinks);
}
BENCHMARK(BM_RouteOneHour)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
