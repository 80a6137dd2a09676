#pragma once
// A small trapezoidal channel network owned by a test: arrays, links and the section model.
#include <cmath>
#include <vector>

#include "channel/routing.hpp"

namespace torva::testing_net {

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

  // A trapezoidal link whose bed falls from `top` with `slope`.
  void channel(int l, int nodes, double dx, double top, double slope, double b, double z, double n,
               int downstream, std::vector<int> upstream = {}) {
    RouteLink& k = net.link[static_cast<std::size_t>(l)];
    k.type = kLinkTrapezoid;
    k.nodes = nodes;
    k.dx = dx;
    k.downstream = downstream;
    k.upstream = std::move(upstream);
    sec.inv_n[static_cast<std::size_t>(l)] = 1.0 / n;
    for (int i = 1; i <= nodes; ++i) {
      bel(i, l) = top - slope * dx * (i - 0.5);
      bottom(i, l) = b;
      sslope(i, l) = z;
      yp(i, l) = bel(i, l);
    }
  }

  void structure(int l, int downstream, int upstream) {
    RouteLink& k = net.link[static_cast<std::size_t>(l)];
    k.type = kLinkStructure;
    k.nodes = 2;
    k.dx = 1.0;
    k.downstream = downstream;
    k.upstream = {upstream};
  }

  // Uniform depth on link l; areas and conveyances follow.
  void fill(int l, double d) {
    const RouteLink& k = net.link[static_cast<std::size_t>(l)];
    for (int i = 1; i <= k.nodes; ++i) {
      double w = 0.0;
      sec.at_depth(i, l, d, area(i, l), conv(i, l), w);
      depth(i, l) = d;
      yp(i, l) = bel(i, l) + d;
    }
  }

  int route(double dt, RouteReport& rep) { return ex_flow_route(dt, net, sec, opt, scratch, rep); }
};

// Manning normal depth of a trapezoid for discharge q (bisection).
inline double normal_depth(double q, double b, double z, double n, double s) {
  double lo = 0.0, hi = 50.0;
  for (int it = 0; it < 200; ++it) {
    const double d = 0.5 * (lo + hi);
    const double a = (b + z * d) * d;
    const double p = b + 2.0 * d * std::sqrt(1.0 + z * z);
    const double qq = a * std::pow(a / p, 2.0 / 3.0) * std::sqrt(s) / n;
    (qq < q ? lo : hi) = d;
  }
  return 0.5 * (lo + hi);
}

}  // namespace torva::testing_net
