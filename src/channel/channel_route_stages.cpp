// Time-loop stages of the channel network: the land and aquifer exchanges, point inputs,
// `ex_flow_route` and the water ledger.
#include <cmath>

#include "channel/chan_hotstart.hpp"
#include "channel/channel_faults.hpp"
#include "channel/channel_setup.hpp"
#include "channel/channel_stages.hpp"
#include "channel/structures.hpp"
#include "channel/xsection.hpp"
#include "frame/console.hpp"
#include "frame/run_context.hpp"
#include "input/series.hpp"
#include "model/model_state.hpp"

namespace torva {

bool NetworkSections::from_area(const RouteNetwork&, const Array2<double>& area, Array2<double>&,
                                Array2<double>&, Faults& faults) {
  // Routing accounts its own clipping; ex_section's is not counted twice.
  const double clipped = ch->clipped_volume;
  const bool ok = ex_section(*ch, 1, faults, const_cast<Array2<double>*>(&area));
  ch->clipped_volume = clipped;
  return ok;
}

void NetworkSections::at_depth(int node, int link, double depth, double& area, double& conv,
                               double& top_width) const {
  const int lt = ch->linktype[link];
  const double inv_n = ch->inv_n[link];
  const double d = depth > 0.0 ? depth : 0.0;
  SectionProps p;
  if (lt & kLinkCompound) {
    p = compound_at_depth(ch->bottom(node, link), ch->sslope(node, link), ch->sslope2(node, link),
                          ch->bankfull_dep(node, link), d, inv_n);
  } else if (lt & kLinkTrapezoid) {
    p = trapezoid_at_depth(ch->bottom(node, link), ch->sslope(node, link), d, inv_n);
  } else if (lt & kLinkBreakpoint) {
    const int t = ch->node_table(node, link);
    bool beyond = false;
    if (t >= 1 && t <= ch->tables.count()) p = table_at_depth(ch->tables.t[t], d, beyond);
  }
  area = p.area;
  conv = p.conv;
  top_width = p.topw;
}

double NetworkSections::depth_at_area(int node, int link, double area) const {
  const int lt = ch->linktype[link];
  const double a = area > 0.0 ? area : 0.0;
  if (lt & kLinkCompound) {
    double d = 0.0;
    compound_depth_of_area(ch->bottom(node, link), ch->sslope(node, link), ch->sslope2(node, link),
                           ch->bankfull_dep(node, link), a, d);
    return d > 0.0 ? d : 0.0;
  }
  if (lt & kLinkTrapezoid)
    return trapezoid_depth_of_area(ch->bottom(node, link), ch->sslope(node, link), a);
  if (lt & kLinkBreakpoint) {
    const int t = ch->node_table(node, link);
    bool beyond = false;
    if (t >= 1 && t <= ch->tables.count()) return table_at_area(ch->tables.t[t], a, beyond).depth;
  }
  return 0.0;
}

namespace {

bool routing_chosen(const ModelState& s) {
  return s.run.explicit_channels();
}

TimeSeries* time_series_of(ModelState& s, int number) {
  if (number < 1 || number > static_cast<int>(s.series.time_series.size())) return nullptr;
  return &s.series.time_series[static_cast<std::size_t>(number - 1)];
}

const ElevationSeries* elevation_series_of(ModelState& s, int number) {
  if (number < 1 || number > static_cast<int>(s.series.elevation_series.size())) return nullptr;
  return &s.series.elevation_series[static_cast<std::size_t>(number - 1)];
}

// Sum of the structure elements of link l at head h1 and tailwater h2; the failure value after
// a fault that stops the routing.  Series faults name the series by number.
double structure_flow(ModelState& s, int l, double h1, double h2, Faults& faults) {
  ChannelState& ch = s.channel;
  double q = 0.0;
  const int first = ch.first_struct[l], last = ch.last_struct[l];
  for (int e = first; e <= last && e < static_cast<int>(ch.structs.size()); ++e) {
    if (e < 1) continue;
    const StructureElement& el = ch.structs[static_cast<std::size_t>(e)];
    if (el.link != 0 && el.link != l) continue;
    double qe = 0.0;
    int series_fault = 0, series = 0;
    if (const Weir* w = std::get_if<Weir>(&el.record)) {
      qe = weir_flow(h1, h2, w->crest_elev, w->crest_length,
                     h1 >= h2 ? w->coef_forward : w->coef_reverse);
    } else if (const SagWeir* w = std::get_if<SagWeir>(&el.record)) {
      qe = sag_weir_flow(h1, h2, w->crest_elev, w->crest_length,
                         h1 >= h2 ? w->coef_forward : w->coef_reverse, w->slope1, w->slope2);
    } else if (const Culvert* c = std::get_if<Culvert>(&el.record)) {
      const CulvertFlow f = culvert_element_flow(*c, h1, h2, e, l, faults);
      if (f.failed()) return kStructureFailure;
      qe = f.q;
    } else if (const RatingCurve* r = std::get_if<RatingCurve>(&el.record)) {
      series = r->elev_series;
      qe = elevation_series_lookup(elevation_series_of(s, series), h1, series_fault);
    } else if (const RuleCurve* r = std::get_if<RuleCurve>(&el.record)) {
      series = r->elev_series;
      qe = elevation_series_step_lookup(elevation_series_of(s, series), h1, series_fault);
    } else if (const ScheduledRelease* r = std::get_if<ScheduledRelease>(&el.record)) {
      series = r->time_series;
      qe = time_series_lookup(time_series_of(s, series), s.clock.current_time, series_fault);
    }
    // The series' own rules (a value of 0) hold and the routing goes on.
    if (series_fault) faults.push_back({.code = series_fault, .link = l, .item = series});
    q += qe;
  }
  return q;
}

double bound_depth_now(ModelState& s) {
  ChannelRouteState& r = s.route;
  if (r.bound_series) return time_series_value(r.bound_series, s.clock.current_time);
  return s.settings.channel.bound_depth;
}

void build_network(ModelState& s) {
  ChannelState& ch = s.channel;
  ChannelRouteState& r = s.route;
  RouteNetwork& net = r.net;
  net.links = ch.links;
  net.max_nodes = ch.maxnodes;
  net.link.assign(static_cast<std::size_t>(ch.links) + 1, RouteLink{});
  for (int l = 1; l <= ch.links; ++l) {
    RouteLink& k = net.link[static_cast<std::size_t>(l)];
    k.type = ch.linktype[l];
    k.nodes = ch.nodes[l];
    k.dx = ch.dx[l];
    k.downstream = ch.ds_link[l];
    for (int u = 1; u <= ch.num_us[l] && u <= kMaxUpstreamLinks; ++u)
      k.upstream.push_back(ch.uslinks(u, l));
    if (k.type & kLinkLake) {
      const int lake = ch.link_id[l];
      if (lake >= 1 && lake < static_cast<int>(ch.lakes.size()))
        k.lake_wse = ch.lakes[static_cast<std::size_t>(lake)].init_wse;
    }
  }
  net.a = RouteArrays{&ch.bel,   &ch.area, &ch.chan_depth, &ch.yp,
                      &ch.qp,    &ch.conv, &ch.qlat,       ch.qriv.empty() ? nullptr : &ch.qriv,
                      &r.point_q};
  r.sections.ch = &ch;
}

void build_exchange_lists(ModelState& s) {
  ChannelState& ch = s.channel;
  ChannelRouteState& r = s.route;
  r.land_links.clear();
  r.aquifer_entries.clear();
  if (ch.num_stream_cells > 0) {
    for (int c = 1; c <= ch.num_stream_cells; ++c) {
      double share = 0.0;
      for (int j = 1; j <= ch.gst_gnum[c]; ++j) {
        const double w = ch.gst_pct(c, j) / 100.0;
        share += w;
        r.land_links.push_back({ch.gst_link(c, j), ch.gst_node(c, j), ch.gst_cell[c], w});
        r.aquifer_entries.push_back({ch.gst_link(c, j), ch.gst_node(c, j), ch.gst_cell[c], w});
      }
      if (share > 1.001)
        say("Problem with the stream capturing routine, verify channel setup [%d][%d]:%.10lf\n",
            ch.gst_row[c], ch.gst_col[c], share);
    }
    return;
  }
  for (int l = 1; l <= ch.links; ++l) {
    if (!link_is_routed(ch.linktype[l])) continue;
    for (int i = 1; i <= ch.nodes[l]; ++i) {
      const int cell = ch.node_cell.empty() ? 0 : ch.node_cell(i, l);
      if (cell < 1) continue;
      r.land_links.push_back({l, i, cell, 1.0});
      r.aquifer_entries.push_back({l, i, cell, 1.0});
    }
  }
}

// Once per run, before the first channel step.
bool ensure_setup(ModelState& s) {
  ChannelRouteState& r = s.route;
  if (r.active) return true;
  if (!routing_chosen(s) || !s.channel.present) return false;
  const ChannelCards& c = s.settings.channel;
  build_network(s);
  if (!r.point_q.allocate(s.channel.maxnodes, s.channel.links)) {
    set_error(4000);
    return false;
  }
  build_exchange_lists(s);
  RouteOptions& o = r.options;
  o.max_courant = c.max_courant_number > 0.0 ? c.max_courant_number : kDefaultMaxCourant;
  o.head_inflow = c.first_order_chan_q;
  o.head_bound = c.head_bound != 0;
  o.structure_flow = [&s](int l, double h1, double h2, Faults& faults) {
    return structure_flow(s, l, h1, h2, faults);
  };
  if (c.stream_loss && r.net.a.qriv) {
    o.aquifer_exchange = [&s]() {
      AquiferInput in;
      in.krb = s.channel.Krb.empty() ? nullptr : &s.channel.Krb;
      in.mrb = s.channel.Mrb.empty() ? nullptr : &s.channel.Mrb;
      if (!s.params.water_table.empty()) {
        in.water_table = s.params.water_table.slots();
        in.aquifer_bottom = s.params.aquifer_bottom.slots();
        in.ground = s.grid.elevation.slots();
      }
      s.route.aquifer_status =
          stream_aquifer_exchange(s.route.aquifer_entries, in, s.route.net, s.route.sections);
      return s.route.aquifer_status;
    };
  }
  if (r.locations.empty())
    for (const HydLocation& h : s.files.locations) r.locations.emplace_back(h.link, h.node);
  o.locations = r.locations;
  r.location_volume.assign(r.locations.size(), 0.0);
  r.location_peak_q.assign(r.locations.size(), 0.0);
  r.step_days = s.clock.dt_days > 0.0 ? s.clock.dt_days : s.clock.dt / kSecondsPerDay;
  r.last_time = s.clock.start_time;
  r.next_time = s.clock.start_time + r.step_days;
  if (o.head_bound && c.bound_ts_given) {
    r.bound_series = find_time_series(s.series, c.bound_ts);
    if (!r.bound_series) {
      set_error(127, 0, 0, c.bound_ts);
      return false;
    }
  }
  r.active = true;
  if (o.head_bound) {
    // The imposed outlet depth from the start.
    const int l = s.channel.links, n = s.channel.nodes[l];
    const double d = std::max(bound_depth_now(s), 0.0);
    double area = 0.0, conv = 0.0, w = 0.0;
    r.sections.at_depth(n, l, d, area, conv, w);
    s.ledger.initial_channel += (area - s.channel.area(n, l)) * s.channel.dx[l];
    s.channel.area(n, l) = area;
    s.channel.chan_depth(n, l) = d;
    s.channel.yp(n, l) = s.channel.bel(n, l) + d;
    s.channel.conv(n, l) = conv;
  }
  return true;
}

void refresh_point_inflows(ModelState& s) {
  ChannelState& ch = s.channel;
  ChannelRouteState& r = s.route;
  r.point_q.fill(0.0);
  add_point_inflows(r.points, r.point_q);
  if (ch.point_source.empty()) return;
  for (int l = 1; l <= ch.links; ++l) {
    for (int i = 1; i <= ch.nodes[l]; ++i) {
      const int ts = ch.point_source(i, l);
      if (ts <= 0) continue;
      r.point_q(i, l) += time_series_value(time_series_of(s, ts), s.clock.current_time);
    }
  }
}

}  // namespace

void stage_channel_point_setup(ModelState& s) {
  if (!ensure_setup(s)) return;
  s.exchange.channel_storage = channel_volume(s.channel);
  const ChannelCards& c = s.settings.channel;
  if (c.chan_point_input_given)
    open_point_sources(s.route.points, c.chan_point_input, s.channel.links, s.channel.maxnodes);
}

namespace {
void route_channels(ModelState& s, double dt);

// No computational node carries `q` (m^3/s) or more.
bool channel_at_rest(const ChannelState& ch, double q) {
  for (int l = 1; l <= ch.links; ++l)
    for (int i = 1; i <= ch.nodes[l]; ++i)
      if (std::fabs(ch.qp(i, l)) >= q) return false;
  return true;
}
}  // namespace

void stage_channel_routing(ModelState& s) {
  if (!ensure_setup(s)) return;
  ChannelRouteState& r = s.route;
  const double now = s.clock.current_time;
  if (now < r.next_time && !same_time(now, r.next_time)) return;
  double dt = (now - r.last_time) * kSecondsPerDay;
  if (now - r.last_time < 1e-6) dt = s.clock.dt;
  r.last_time = now;
  const double step = r.step_days * kSecondsPerDay;
  const bool strode = s.run.long_term && dt > 1.5 * step;
  if (strode && channel_at_rest(s.channel, s.event.min_q)) {
    // Between storms, once no node carries the event cut-off, the channels hold their water
    // while the land rests: routing the trickle in model steps would give back what the
    // stride saves.  Routing resumes with the overland routing.
    r.next_time = now + r.step_days;
    for (int l = 1; l <= s.channel.links; ++l)
      for (int i = 1; i <= s.channel.nodes[l]; ++i) s.channel.qp(i, l) = 0.0;
    s.event.outlet_q = 0.0;
    return;
  }
  // A strode clock is otherwise caught up in steps of the channel's own length: one long step
  // drives the explicit scheme's sub-steps below its limit.
  const long steps = strode ? std::lround(dt / step) : 1;
  if (steps == 1) {
    r.next_time += r.step_days;
    route_channels(s, dt);
    return;
  }
  r.next_time = now + r.step_days;
  for (long k = 0; k < steps && error_code().code == 0; ++k) route_channels(s, dt / steps);
}

namespace {

void route_channels(ModelState& s, double dt) {
  ChannelRouteState& r = s.route;
  ChannelState& ch = s.channel;
  refresh_point_inflows(s);
  if (error_code().code != 0) return;
  if (r.options.head_bound) {
    r.options.bound_depth = bound_depth_now(s);
    if (error_code().code != 0) return;
  }

  // Land inflow into qlat for this step.
  for (int l = 1; l <= ch.links; ++l)
    for (int i = 1; i <= ch.nodes[l]; ++i) ch.qlat(i, l) = 0.0;
  const ChannelCards& c = s.settings.channel;
  LandExchangeVolumes land;
  if (!s.overland.ov_depth.empty()) {
    LandExchangeInput in;
    in.dt = dt;
    in.cell_area = s.grid.cell_area > 0.0 ? s.grid.cell_area : s.grid.dx * s.grid.dx;
    in.cell_size = s.grid.dx;
    in.overbank = c.overbank_flow != 0;
    in.backwater = c.overland_backwater != 0;
    in.ground = s.grid.elevation.slots();
    in.inv_rough = s.overland.inv_rough.slots();
    exchange_with_land(r.land_links, in, r.net, r.sections, s.overland.ov_depth.slots(), land);
  }

  const int status = ex_flow_route(dt, r.net, r.sections, r.options, r.scratch, r.last);
  say_channel_faults(r.last.faults, &s.series);
  if (status < 0) {
    if (error_code().code == 0) set_error(4000);
    return;
  }
  const RouteVolumes& v = r.last.volume;
  WaterLedger& w = s.ledger;
  w.channel_lateral_inflow += v.lateral;
  w.channel_point_sources += v.point + v.head;
  w.discharge += v.outlet;
  w.channel_clipped += v.clipped;
  w.river_to_gw += v.river_to_gw;
  w.gw_to_river += v.gw_to_river;
  w.overbank_to_land += land.to_land;
  s.exchange.channel_storage = channel_volume(ch);
  for (std::size_t j = 0; j < r.location_volume.size() && j < r.last.location_volume.size(); ++j)
    r.location_volume[j] += r.last.location_volume[j];
  s.event.outlet_q =
      ch.qp(static_cast<std::size_t>(ch.nodes[ch.links]), static_cast<std::size_t>(ch.links));
}

}  // namespace

void stage_channel_point_inputs(ModelState& s) {
  if (!s.route.active) return;
  advance_point_sources(s.route.points, s.clock.current_time);
}

void stage_channel_hotstart(ModelState& s) {
  const ChannelCards& c = s.settings.channel;
  if (!s.run.explicit_channels() || !s.channel.present || s.channel.links <= 0) return;
  // Water-surface elevations for a later READ_CHAN_HOTSTART, discharges beside them.
  const std::string file = c.write_chan_hotstart_given ? c.write_chan_hotstart
                           : c.explic_backwater_given  ? c.explic_backwater
                                                       : std::string();
  if (!file.empty()) write_chan_hotstart(s.channel, file, file + ".dis");
}

void track_channel_peaks(ModelState& s) {
  ChannelRouteState& r = s.route;
  if (!r.active || !s.run.calibration_run) return;
  for (std::size_t j = 0; j < r.locations.size() && j < r.location_peak_q.size(); ++j) {
    const auto [l, i] = r.locations[j];
    if (l < 1 || l > s.channel.links || i < 1 || i > s.channel.maxnodes) continue;
    const double q = s.channel.qp(static_cast<std::size_t>(i), static_cast<std::size_t>(l));
    if (q > r.location_peak_q[j]) r.location_peak_q[j] = q;
  }
}

}  // namespace torva
