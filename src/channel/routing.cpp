#include "channel/routing.hpp"

#include <cmath>

namespace torva {
namespace {

void copy_array(const Array2<double>& from, Array2<double>& to) {
  std::copy(from.data(), from.data() + (from.rows() + 1) * from.stride(), to.data());
}

bool ensure(Array2<double>& a, long rows, long cols) {
  if (a.rows() == rows && a.cols() == cols) return true;
  return a.allocate(rows, cols);
}

// The routing engine of one call: holds the views and the sub-step being taken.
class Router {
 public:
  Router(RouteNetwork& net, SectionModel& sec, const RouteOptions& opt, RouteScratch& s,
         Faults& faults)
      : net_(net), sec_(sec), opt_(opt), s_(s), a_(net.a), faults_(faults) {}

  bool run(double dt_total, RouteReport& rep);
  bool flow_evaluation(const Array2<double>& area, Array2<double>& q, double dt);

 private:
  double head(int i, int l) const { return (*a_.bel)(i, l) + (*a_.chan_depth)(i, l); }
  double water_surface_of_link_end(int l) const {
    const RouteLink& k = net_.link[l];
    if (k.type & (kLinkLake | kLinkLakeTaken)) return k.lake_wse;
    return head(k.nodes, l);
  }
  double node_inflow(int i, int l, const Array2<double>& q, double dt, bool account);
  void continuity(const Array2<double>& q, Array2<double>& area, double dt, bool account);
  bool depths_from(const Array2<double>& area) {
    return sec_.from_area(net_, area, *a_.chan_depth, *a_.conv, faults_);
  }
  bool stop(const Fault& f) {
    faults_.push_back(f);
    return false;
  }
  bool pre_checks();
  void clip_negative(Array2<double>& area) const {
    for (int l = 1; l <= net_.links; ++l) {
      if (!link_is_routed(net_.link[l].type)) continue;
      for (int i = 1; i <= net_.link[l].nodes; ++i)
        if (area(i, l) < 0.0) area(i, l) = 0.0;
    }
  }
  bool outlet_slope(double& slope);
  void impose_boundary(RouteReport& rep);

  RouteNetwork& net_;
  SectionModel& sec_;
  const RouteOptions& opt_;
  RouteScratch& s_;
  RouteArrays& a_;
  Faults& faults_;
  RouteVolumes step_;  // volumes of the sub-step being taken
};

bool Router::outlet_slope(double& slope) {
  const int out = net_.links;
  const RouteLink& k = net_.link[out];
  const int n = k.nodes;
  if (n >= 2) {
    slope = ((*a_.bel)(n - 1, out) - (*a_.bel)(n, out)) / k.dx;
  } else if (!k.upstream.empty()) {
    // A one-node outlet takes its bed slope from the last node of its first upstream link.
    const int u = k.upstream[0];
    const RouteLink& ku = net_.link[u];
    slope = ((*a_.bel)(ku.nodes, u) - (*a_.bel)(1, out)) / (0.5 * (k.dx + ku.dx));
  } else {
    slope = 0.0;
  }
  if (slope >= 0.0) return true;
  return stop({.code = kRouteOutletSlope, .link = out});
}

double Router::node_inflow(int i, int l, const Array2<double>& q, double dt, bool account) {
  const RouteLink& k = net_.link[l];
  double in = 0.0;
  if (i > 1) {
    in = q(i - 1, l);
  } else if (!k.upstream.empty()) {
    for (int u : k.upstream) in += q(net_.link[u].nodes, u);
  } else {
    in = opt_.head_inflow;
    if (account) step_.head += dt * opt_.head_inflow;
  }
  const double lat = (*a_.qlat)(i, l) * k.dx;
  const double pt = a_.point_q ? (*a_.point_q)(i, l) : 0.0;
  if (account) {
    step_.lateral += dt * lat;
    step_.point += dt * pt;
  }
  return in + lat + pt;
}

bool Router::flow_evaluation(const Array2<double>& area, Array2<double>& q, double dt) {
  const int nl = net_.links;
  // Structure links first: the links that end in them take their flow.
  for (int l = 1; l <= nl; ++l) {
    const RouteLink& k = net_.link[l];
    if (!(k.type & kLinkStructure)) continue;
    double flow = 0.0;
    if (!k.upstream.empty() && opt_.structure_flow) {
      const int u = k.upstream[0];
      const int d = k.downstream;
      const double h1 = water_surface_of_link_end(u);
      const double h2 = (d >= 1 && d <= nl) ? ((net_.link[d].type & (kLinkLake | kLinkLakeTaken))
                                                   ? net_.link[d].lake_wse
                                                   : head(1, d))
                                            : h1;
      flow = opt_.structure_flow(l, h1, h2, faults_);
      if (flow == kStructureFailure) return false;
      // Never take more in dt than the node on the giving side holds.  A flow cut to all of
      // it has a Courant number of 1 at that node for every dt, so the sub-step would shrink
      // without end; the cut stays below the Courant limit instead.
      const double share = std::min(1.0, 0.9 * opt_.max_courant);
      if (flow > 0.0 && link_is_routed(net_.link[u].type)) {
        const double avail = share * area(net_.link[u].nodes, u) * net_.link[u].dx / dt;
        if (flow > avail) flow = avail;
      } else if (flow < 0.0 && d >= 1 && d <= nl && link_is_routed(net_.link[d].type)) {
        const double avail = share * area(1, d) * net_.link[d].dx / dt;
        if (-flow > avail) flow = -avail;
      }
    }
    for (int i = 1; i <= k.nodes; ++i) q(i, l) = flow;
  }
  const Array2<double>& conv = *a_.conv;
  for (int l = nl; l >= 1; --l) {
    const RouteLink& k = net_.link[l];
    if (!link_is_routed(k.type)) continue;
    const int n = k.nodes;
    const double dx = k.dx;
    // Manning on the water-surface slope; reverse flow takes the conveyance of the node the
    // water comes from.
    for (int i = n - 1; i >= 1; --i) {
      const double s = (head(i, l) - head(i + 1, l)) / dx;
      q(i, l) = s >= 0.0 ? conv(i, l) * std::sqrt(s) : -conv(i + 1, l) * std::sqrt(-s);
    }
    if (l == nl) {
      if (opt_.head_bound) {
        q(n, l) = node_inflow(n, l, q, dt, false) + (a_.qriv ? (*a_.qriv)(n, l) * dx : 0.0);
      } else {
        double slope = 0.0;
        if (!outlet_slope(slope)) return false;
        q(n, l) = conv(n, l) * std::sqrt(slope);
      }
      continue;
    }
    const int d = k.downstream;
    if (d < 1 || d > nl) {
      q(n, l) = 0.0;
      continue;
    }
    const RouteLink& kd = net_.link[d];
    if (kd.type & kLinkStructure) {
      q(n, l) = q(1, d);
    } else if (kd.type & (kLinkLake | kLinkLakeTaken)) {
      // A lake does not flow back into the channel through this path.
      const double s = (head(n, l) - kd.lake_wse) / (2.0 * dx);
      q(n, l) = s > 0.0 ? conv(n, l) * std::sqrt(s) : 0.0;
    } else {
      const double s = (head(n, l) - head(1, d)) / (0.5 * (dx + kd.dx));
      q(n, l) = s >= 0.0 ? conv(n, l) * std::sqrt(s) : -conv(1, d) * std::sqrt(-s);
    }
  }
  return true;
}

void Router::continuity(const Array2<double>& q, Array2<double>& area, double dt, bool account) {
  const int nl = net_.links;
  const Array2<double>& old = s_.area_old;
  for (int l = 1; l <= nl; ++l) {
    const RouteLink& k = net_.link[l];
    if (!link_is_routed(k.type)) continue;
    const double dx = k.dx;
    for (int i = 1; i <= k.nodes; ++i) {
      const double in = node_inflow(i, l, q, dt, account);
      if (l == nl && i == k.nodes && opt_.head_bound) {
        // The imposed outlet passes its inflows straight out.
        if (account) {
          step_.outlet += dt * q(i, l);
          if (a_.qriv) {
            const double gw = dt * (*a_.qriv)(i, l) * dx;
            (gw > 0.0 ? step_.gw_to_river : step_.river_to_gw) += std::fabs(gw);
          }
        }
        area(i, l) = old(i, l);
        continue;
      }
      double v = dt * (in - q(i, l));
      if (a_.qriv) {
        double& qr = (*a_.qriv)(i, l);
        const double avail = old(i, l) * dx + v;
        if (qr < 0.0 && avail + dt * qr * dx < 0.0) qr = avail > 0.0 ? -avail / (dt * dx) : 0.0;
        const double gw = dt * qr * dx;
        v += gw;
        if (account) (gw > 0.0 ? step_.gw_to_river : step_.river_to_gw) += std::fabs(gw);
      }
      if (account && l == nl && i == k.nodes) step_.outlet += dt * q(i, l);
      area(i, l) = (old(i, l) * dx + v) / dx;
    }
  }
}

bool Router::pre_checks() {
  for (int l = 1; l <= net_.links; ++l) {
    const RouteLink& k = net_.link[l];
    if (!link_is_routed(k.type)) continue;
    for (int i = 1; i <= k.nodes; ++i) {
      double& ar = (*a_.area)(i, l);
      if (std::isnan(ar)) {
        ar = 0.0;
        (*a_.chan_depth)(i, l) = 0.0;
        (*a_.yp)(i, l) = (*a_.bel)(i, l);
        return stop({.code = kRouteAreaNotNumber, .link = l, .node = i});
      }
      if ((*a_.chan_depth)(i, l) < 0.0)
        return stop({.code = kRouteNegativeDepth, .link = l, .node = i});
    }
  }
  return true;
}

// The outlet depth of the head boundary; the water its section gains or loses is the
// boundary's (counted against the outlet volume).
void Router::impose_boundary(RouteReport& rep) {
  const int l = net_.links;
  const int n = net_.link[l].nodes;
  double ar = 0.0, k = 0.0, w = 0.0;
  const double depth = opt_.bound_depth > 0.0 ? opt_.bound_depth : 0.0;
  sec_.at_depth(n, l, depth, ar, k, w);
  rep.volume.outlet -= (ar - (*a_.area)(n, l)) * net_.link[l].dx;
  (*a_.area)(n, l) = ar;
  (*a_.chan_depth)(n, l) = depth;
  (*a_.yp)(n, l) = (*a_.bel)(n, l) + depth;
  (*a_.conv)(n, l) = k;
}

void add(RouteVolumes& to, const RouteVolumes& v) {
  to.lateral += v.lateral;
  to.point += v.point;
  to.head += v.head;
  to.outlet += v.outlet;
  to.clipped += v.clipped;
  to.gw_to_river += v.gw_to_river;
  to.river_to_gw += v.river_to_gw;
}

bool Router::run(double dt_total, RouteReport& rep) {
  const long rows = net_.max_nodes, cols = net_.links;
  for (Array2<double>* w : {&s_.area_old, &s_.area_iter, &s_.qp_old, &s_.qp_iter, &s_.qp_last})
    if (!ensure(*w, rows, cols)) return stop({.code = kRouteNoScratch});
  if (a_.qriv && !ensure(s_.qriv_old, rows, cols)) return stop({.code = kRouteNoScratch});
  rep.location_volume.assign(opt_.locations.size(), 0.0);
  if (!pre_checks()) return false;
  if (opt_.head_bound) {
    impose_boundary(rep);
    if (!depths_from(*a_.area)) return false;
  }

  Array2<double>& area = *a_.area;
  Array2<double>& qp = *a_.qp;
  double dt = dt_total;
  double remaining = dt_total;
  rep.dt_min = dt_total;
  while (remaining > 1e-16) {
    const double c = max_courant(net_, dt);
    if (c >= opt_.max_courant) dt /= std::floor(c / opt_.max_courant + 1.0);
    if (opt_.aquifer_exchange) rep.status = opt_.aquifer_exchange();
    copy_array(area, s_.area_old);
    copy_array(qp, s_.qp_old);
    if (s_.first_substep) {
      copy_array(qp, s_.qp_last);
      copy_array(qp, s_.qp_iter);
      s_.first_substep = false;
    }
    if (a_.qriv) copy_array(*a_.qriv, s_.qriv_old);

    for (;;) {
      if (dt < 0.001) return stop({.code = kRouteStepTooSmall});
      remaining -= dt;
      if (remaining <= 0.001) {
        dt += remaining;
        remaining = 0.0;
      }
      bool undo = false;
      for (int pass = 1; pass <= 2; ++pass) {
        if (pass == 2) {
          // Tiny negative areas (above -1e-8) are read as dry; `area` is reset below anyway.
          clip_negative(area);
          if (!depths_from(area)) return false;
        }
        if (!flow_evaluation(area, s_.qp_last, dt)) return false;
        copy_array(s_.area_old, area);
        copy_array(s_.area_old, s_.area_iter);
        if (a_.qriv) copy_array(s_.qriv_old, *a_.qriv);
        if (!depths_from(s_.area_iter)) return false;
        continuity(s_.qp_last, s_.area_iter, dt, false);
        clip_negative(s_.area_iter);
        if (!depths_from(s_.area_iter)) return false;
        if (!flow_evaluation(s_.area_iter, s_.qp_iter, dt)) return false;
        for (long i = 0; i < (rows + 1) * (cols + 1); ++i)
          qp.data()[i] = 0.5 * (s_.qp_last.data()[i] + s_.qp_iter.data()[i]);
        step_ = RouteVolumes{};
        continuity(qp, area, dt, true);
        double change = 0.0;
        for (int l = 1; l <= net_.links; ++l) {
          if (!link_is_routed(net_.link[l].type)) continue;
          for (int i = 1; i <= net_.link[l].nodes; ++i) {
            change = std::max(change, std::fabs(area(i, l) - s_.area_iter(i, l)));
            if (area(i, l) < -1e-8) undo = true;
          }
        }
        if (undo || change <= 0.01) break;
      }
      if (!undo) break;
      // A negative area: take the sub-step again with half the time step.
      copy_array(s_.area_old, area);
      copy_array(s_.qp_old, qp);
      copy_array(s_.qp_old, s_.qp_last);
      copy_array(s_.qp_old, s_.qp_iter);
      if (a_.qriv) copy_array(s_.qriv_old, *a_.qriv);
      remaining += dt;
      dt *= 0.5;
      if (!depths_from(area)) return false;
    }

    for (int l = 1; l <= net_.links; ++l) {
      const RouteLink& k = net_.link[l];
      if (!link_is_routed(k.type)) continue;
      for (int i = 1; i <= k.nodes; ++i) {
        if (area(i, l) < 0.0) {
          step_.clipped -= area(i, l) * k.dx;
          area(i, l) = 0.0;
        }
      }
    }
    if (!depths_from(area)) return false;
    for (int l = 1; l <= net_.links; ++l) {
      const RouteLink& k = net_.link[l];
      if (!link_is_routed(k.type)) continue;
      for (int i = 1; i <= k.nodes; ++i) (*a_.yp)(i, l) = (*a_.bel)(i, l) + (*a_.chan_depth)(i, l);
    }
    add(rep.volume, step_);
    for (std::size_t j = 0; j < opt_.locations.size(); ++j) {
      const auto [l, i] = opt_.locations[j];
      if (l < 1 || l > net_.links || i < 1 || i > net_.max_nodes) continue;
      rep.location_volume[j] += dt * qp(i, l);
    }
    if (rep.substeps == 0) rep.first_dt = dt;
    ++rep.substeps;
    rep.dt_min = std::min(rep.dt_min, dt);
    rep.time_routed += dt;
  }
  return true;
}

}  // namespace

double max_courant(const RouteNetwork& net, double dt) {
  double c = 0.0;
  const Array2<double>& area = *net.a.area;
  const Array2<double>& qp = *net.a.qp;
  for (int l = 1; l <= net.links; ++l) {
    const RouteLink& k = net.link[l];
    if (!link_is_routed(k.type)) continue;
    for (int i = 1; i <= k.nodes; ++i) {
      const double ar = area(i, l);
      if (ar > 1e-16) c = std::max(c, dt / k.dx * std::fabs(qp(i, l)) / ar);
    }
  }
  return c;
}

int ex_flow_route(double dt_total, RouteNetwork& net, SectionModel& sections,
                  const RouteOptions& opt, RouteScratch& scratch, RouteReport& report) {
  // Keep the location vector's storage from call to call.
  std::vector<double> locations = std::move(report.location_volume);
  report = RouteReport{};
  report.location_volume = std::move(locations);
  Router r(net, sections, opt, scratch, report.faults);
  if (!r.run(dt_total, report)) {
    report.status = -1;
    return -1;
  }
  return report.status;
}

bool evaluate_flows(RouteNetwork& net, SectionModel& sections, const RouteOptions& opt,
                    RouteScratch& scratch, const Array2<double>& area, Array2<double>& q, double dt,
                    Faults& faults) {
  Router r(net, sections, opt, scratch, faults);
  return r.flow_evaluation(area, q, dt);
}

double channel_storage(const RouteNetwork& net) {
  double v = 0.0;
  for (int l = 1; l <= net.links; ++l) {
    const RouteLink& k = net.link[l];
    if (!link_is_routed(k.type)) continue;
    for (int i = 1; i <= k.nodes; ++i) v += (*net.a.area)(i, l) * k.dx;
  }
  return v;
}

bool TrapezoidSections::from_area(const RouteNetwork& net, const Array2<double>& area,
                                  Array2<double>& depth, Array2<double>& conv, Faults& faults) {
  for (int l = 1; l <= net.links; ++l) {
    const RouteLink& k = net.link[l];
    if (!link_is_routed(k.type)) continue;
    const double inv_n = inv_n_of(l);
    for (int i = 1; i <= k.nodes; ++i) {
      double a = area(i, l);
      if (a < 0.0) {
        if (a < -0.0001) {
          faults.push_back({.code = kSectionNegativeAreaTrapezoid, .link = l, .node = i});
          return false;
        }
        a = 0.0;
      }
      const double b = (*bottom)(i, l);
      const double z = (*sslope)(i, l);
      double d =
          z > 0.0 ? (std::sqrt(4.0 * z * a + b * b) - b) / (2.0 * z) : (b > 0.0 ? a / b : 0.0);
      if (d < 0.0) d = 0.0;
      depth(i, l) = d;
      if (d <= 0.0) {
        conv(i, l) = 0.0;
        continue;
      }
      const double p = b + 2.0 * d * std::sqrt(1.0 + z * z);
      conv(i, l) = inv_n * a * std::cbrt((a / p) * (a / p));
    }
  }
  return true;
}

double TrapezoidSections::depth_at_area(int node, int link, double area) const {
  const double b = (*bottom)(node, link);
  const double z = (*sslope)(node, link);
  const double a = area > 0.0 ? area : 0.0;
  if (z > 0.0) return (std::sqrt(4.0 * z * a + b * b) - b) / (2.0 * z);
  return b > 0.0 ? a / b : 0.0;
}

void TrapezoidSections::at_depth(int node, int link, double depth, double& area, double& conv,
                                 double& top_width) const {
  const double b = (*bottom)(node, link);
  const double z = (*sslope)(node, link);
  const double d = depth > 0.0 ? depth : 0.0;
  area = (b + z * d) * d;
  top_width = b + 2.0 * z * d;
  const double p = b + 2.0 * d * std::sqrt(1.0 + z * z);
  conv = (d > 0.0 && p > 0.0) ? inv_n_of(link) * area * std::cbrt((area / p) * (area / p)) : 0.0;
}

}  // namespace torva
