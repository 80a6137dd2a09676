#pragma once
// What the channel tests share: a routing network built in code, Manning's normal depth,
// channel files from text, and a one-row grid whose ModelState the channel stages can run.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "channel/channel_setup.hpp"
#include "channel/channel_stages.hpp"
#include "channel/routing.hpp"
#include "frame/clock.hpp"
#include "frame/run_context.hpp"
#include "model/model_state.hpp"
#include "support/scratch.hpp"

namespace torva::test {

// Depth at which a trapezoid carries q in uniform flow, by bisection of Manning's formula.
inline double normal_depth(double q, double b, double z, double n, double s) {
  double lo = 0.0, hi = 50.0;
  for (int it = 0; it < 200; ++it) {
    const double d = 0.5 * (lo + hi), a = (b + z * d) * d;
    const double p = b + 2.0 * d * std::sqrt(1.0 + z * z);
    (a * std::cbrt((a / p) * (a / p)) * std::sqrt(s) / n < q ? lo : hi) = d;
  }
  return 0.5 * (lo + hi);
}

// `text` with its first `from` replaced by `to`.
inline std::string edit(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

// A stream mapping table of roughness rows: one-digit IDs, each row's value from character 87.
inline std::string roughness(const std::vector<std::pair<int, std::string>>& rows, int ids = 2) {
  std::string t =
      "TORVA_STREAM_INDEX_MAP_TABLES\nST_INDEX_MAP st.map Reaches\nROUGHNESS Reaches\nNUM_IDS " +
      std::to_string(ids) + "\nID  DESCRIPTION  N\n";
  for (const auto& [id, n] : rows) t += std::to_string(id) + std::string(85, ' ') + n + "\n";
  return t;
}

// Trapezoidal link `l`: `points` node points `dx` apart along y = dx/2 from x = x0, beds
// falling `fall` per point from `top`, the XSEC cards at its first point.
inline std::string trap_link(int l, int points, double dx, double x0, double top, double fall,
                             double n, const std::string& xsec) {
  std::ostringstream t;
  t << "LINK " << l << "\nDX " << dx << "\nNODES " << points << "\nMANNINGS_N " << n
    << "\nTRAPEZOID\n";
  for (int k = 1; k <= points; ++k) {
    t << "NODE " << k << "\nX_Y " << x0 + dx * (k - 1) << " " << dx / 2 << "\nELEV "
      << top - fall * (k - 1) << "\n";
    if (k == 1) t << "XSEC\n" << xsec;
  }
  return t.str();
}

// Link 1 (8 computational nodes) passes structure link 2 into outlet link 3 (6 nodes).
inline std::string weir_network(const std::string& structure =
                                    "STRUCTTYPE weir\nCREST_LENGTH 3\nCREST_LOW_ELEV 99.3\n"
                                    "DISCHARGE_COEFF_FORWARD 0.6\nDISCHARGE_COEFF_REVERSE 0.6\n") {
  return "TORVA_CHAN\nALPHA 1\nBETA 1\nTHETA 1\nLINKS 3\nMAXNODES 9\nCONNECT 1 2 0\n"
         "CONNECT 2 3 1 1\nCONNECT 3 0 1 2\n" +
         trap_link(1, 9, 50, 0, 100, 0.1, 0.035,
                   "BOTTOM_WIDTH 2\nBANKFULL_DEPTH 1\nSIDE_SLOPE 1\n") +
         "LINK 2\nSTRUCTURE\nNUMSTRUCTS 1\n" + structure +
         "NODE 1\nELEV 99.1\nNODE 2\nELEV 99.1\n" +
         trap_link(3, 7, 50, 400, 99, 0.1, 0.03,
                   "BOTTOM_WIDTH 3\nBANKFULL_DEPTH 1\nSIDE_SLOPE 1.5\n");
}

// One row of cells `dx` wide at the given ground elevations, its north edge at `dx`.
inline GridState row_grid(const std::vector<double>& ground, double dx) {
  GridState g;
  g.rows = 1;
  g.cols = g.ncells = static_cast<int>(ground.size());
  g.dx = g.north = dx;
  g.east = dx * g.cols;
  g.cell_area = dx * dx;
  g.mask.allocate(3, g.cols + 2);
  g.elevation.allocate(g.cols);
  for (int c = 1; c <= g.cols; ++c) g.elevation[g.mask(1, c) = c] = ground[c - 1];
  return g;
}

// A trapezoidal network owned by a test, routed by the kernel without a ModelState.
struct TestNet {
  Array2<double> bel{"bel"}, area{"area"}, depth{"chan_depth"}, yp{"yp"}, qp{"qp"}, conv{"conv"},
      qlat{"qlat"}, point{"point_q"}, bottom{"bottom"}, sslope{"sslope"}, qriv{"qriv"};
  RouteNetwork net;
  TrapezoidSections sec;
  RouteScratch scratch;
  RouteOptions opt;

  TestNet(int links, int max_nodes) {
    for (Array2<double>* a :
         {&bel, &area, &depth, &yp, &qp, &conv, &qlat, &point, &bottom, &sslope, &qriv})
      a->allocate(max_nodes, links);
    net.links = links;
    net.max_nodes = max_nodes;
    net.link.assign(static_cast<std::size_t>(links) + 1, RouteLink{});
    net.a = RouteArrays{&bel, &area, &depth, &yp, &qp, &conv, &qlat, nullptr, &point};
    sec.bottom = &bottom;
    sec.sslope = &sslope;
    sec.inv_n.assign(static_cast<std::size_t>(links) + 1, 0.0);
  }
  RouteLink& link(int l) { return net.link[static_cast<std::size_t>(l)]; }
  // Trapezoidal link l whose bed falls from `top` with `slope`, dry.
  void channel(int l, int nodes, double dx, double top, double slope, double b, double z, double n,
               int downstream, std::vector<int> upstream = {}) {
    link(l) = {kLinkTrapezoid, nodes, dx, downstream, std::move(upstream)};
    sec.inv_n[static_cast<std::size_t>(l)] = 1.0 / n;
    for (int i = 1; i <= nodes; ++i) {
      bel(i, l) = yp(i, l) = top - slope * dx * (i - 0.5);
      bottom(i, l) = b;
      sslope(i, l) = z;
    }
  }
  // Uniform depth d on link l; areas and conveyances follow.
  void fill(int l, double d) {
    for (int i = 1; i <= link(l).nodes; ++i) {
      double w = 0.0;
      sec.at_depth(i, l, d, area(i, l), conv(i, l), w);
      depth(i, l) = d;
      yp(i, l) = bel(i, l) + d;
    }
  }
  int route(double dt, RouteReport& rep) { return ex_flow_route(dt, net, sec, opt, scratch, rep); }
};

// A one-row grid of `cols` 50 m cells at ground 101 m under a channel network read from
// chan.txt, diffusive-wave routing with `dt` s steps from 2000-01-01 00:00.
class ChannelStage : public support::ScratchTest<> {
 protected:
  void load(const std::string& chan, int cols = 14, double dt = 30.0) {
    write("chan.txt", chan);
    s = std::make_unique<ModelState>();
    s->grid = row_grid(std::vector<double>(cols, 101.0), 50.0);
    s->overland.ov_depth.allocate(cols);
    s->overland.inv_rough.allocate(cols);
    s->overland.inv_rough.fill(20.0);
    ChannelCards& c = s->settings.channel;
    c.chan_explic = 1;
    c.channel_input = "chan.txt";
    c.channel_input_given = true;
    c.max_courant_number = 0.5;
    s->run.channel_method = ChannelMethod::diffusive_wave;
    s->run.super_quiet = true;
    s->clock.dt = dt;
    s->clock.dt_days = dt / kSecondsPerDay;
    s->clock.start_time = s->clock.current_time = julian_date(2000, 1, 1, 0, 0, 0.0);
  }
  void wet_land() {
    for (int c = 1; c <= s->grid.ncells; ++c) s->overland.ov_depth[c] = 0.01 * (c % 3);
  }
  // f(), its console output (both streams) to said_.
  template <class F>
  auto said(F f) {
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    const auto r = f();
    said_ = ::testing::internal::GetCapturedStdout() + ::testing::internal::GetCapturedStderr();
    return r;
  }
  // Loads the channels and the point sources; the ErrorCode, the output goes to said_.
  int start() {
    return said([&] {
      stage_load_channels(*s);
      stage_channel_point_setup(*s);
      return error_code().code;
    });
  }
  // Up to n channel steps, ending at the first error; as start().
  int run(int n) {
    return said([&] {
      for (int k = 1; k <= n && error_code().code == 0; ++k) {
        s->clock.current_time = s->clock.start_time + k * s->clock.dt_days;
        stage_channel_routing(*s);
        stage_channel_point_inputs(*s);
      }
      return error_code().code;
    });
  }
  // Channel storage change minus (inputs - outputs) by the ledger: 0 to round-off.
  double closure() const {
    const WaterLedger& w = s->ledger;
    const double in = w.channel_lateral_inflow + w.channel_point_sources + w.channel_clipped;
    return channel_volume(s->channel) - w.initial_channel - (in - w.discharge - w.overbank_to_land);
  }
  double land_volume() const {
    double v = 0.0;
    for (int c = 1; c <= s->grid.ncells; ++c) v += s->overland.ov_depth[c] * s->grid.cell_area;
    return v;
  }
  std::unique_ptr<ModelState> s;
  std::string said_;
};

}  // namespace torva::test
