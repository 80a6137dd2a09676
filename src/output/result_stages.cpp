// Stages of the results: they gather plain values from the state and hand them to the
// writers of summary.hpp, hydrograph.hpp, linknode.hpp and totals.hpp.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "frame/console.hpp"
#include "frame/run_context.hpp"
#include "input/mapping_table.hpp"
#include "model/model_state.hpp"
#include "output/hydrograph.hpp"
#include "output/linknode.hpp"
#include "output/map_writer.hpp"
#include "output/output_stages.hpp"
#include "output/summary.hpp"
#include "output/totals.hpp"
#include "subsurface/infiltration.hpp"
#include "subsurface/richards_stage.hpp"
#include "subsurface/richards_summary.hpp"
#include "subsurface/subsurface_stages.hpp"

namespace torva {
namespace {

// State adapters: the only place that knows where the overland, soil and channel records
// keep the values the writers need.
double surface_storage(const ModelState& s) {
  return surface_volume(s.overland.ov_depth.slots(), s.grid.dx);
}

bool has_channels(const ModelState& s) {
  return s.run.explicit_channels() && s.channel.present && s.channel.links > 0;
}

double channel_storage(const ModelState& s) {
  if (!has_channels(s)) return 0.0;
  const ChannelState& c = s.channel;
  return channel_volume(c.links, c.linktype.slots(), c.nodes.slots(), c.dx.slots(), c.area);
}

// The simple soil store of redistribution and layered soils: water over the simple soil depth.
double soil_storage(const ModelState& s) {
  if (s.richards.active) return richards_soil_volume(s);
  if (!keeps_soil_store(s.run.infil_method)) return 0.0;
  return surface_volume(s.infil.soil_store.slots(), s.grid.dx);
}

bool channel_beyond_table(const ModelState& s) {
  return has_channels(s) && s.channel.beyond_table;
}

void channel_section_kinds(const ModelState& s, bool& trapezoid, bool& table) {
  trapezoid = has_channels(s) && s.channel.num_trap > 0;
  table = has_channels(s) && s.channel.num_bp > 0;
}

int channel_link_count(const ModelState& s) {
  return has_channels(s) ? s.channel.links : 0;
}

double node_value(const ChannelState& c, LinkNodeKind kind, int node, int link) {
  switch (kind) {
    case LinkNodeKind::depth:
      return c.yp(node, link) - c.bel(node, link);
    case LinkNodeKind::flow:
      return c.qp(node, link);
    case LinkNodeKind::stage:
      return c.yp(node, link);
    case LinkNodeKind::velocity:
      return node_velocity(c.qp(node, link), c.area(node, link));
    case LinkNodeKind::flood:
      return c.yp_max_flood.empty() ? 0.0 : c.yp_max_flood(node, link);
    case LinkNodeKind::sed_flux:
      return 0.0;
  }
  return 0.0;
}

void channel_links(const ModelState& s, LinkNodeKind kind, std::vector<LinkNodeLink>& links) {
  if (!has_channels(s)) {
    links.clear();
    return;
  }
  const ChannelState& c = s.channel;
  links.resize(static_cast<std::size_t>(c.links));
  for (int j = 1; j <= c.links; ++j) {
    LinkNodeLink& l = links[static_cast<std::size_t>(j - 1)];
    l.values.clear();
    l.linktype = c.linktype[j];
    l.points = c.node_points[j];
    const int n = (l.linktype & (kLinkLake | kLinkStructure)) ? 1 : c.nodes[j];
    for (int i = 1; i <= n; ++i) l.values.push_back(node_value(c, kind, i, j));
  }
}

void location_discharges(const ModelState& s, const std::vector<HydLocation>& locations,
                         std::vector<double>& values) {
  values.assign(locations.size(), 0.0);
  if (!has_channels(s)) return;
  for (std::size_t k = 0; k < locations.size(); ++k)
    values[k] = s.channel.qp(locations[k].node, locations[k].link);
}

// The outlet discharge: the flow leaving the last node of link LINKS with channels.
double outlet_discharge(const ModelState& s) {
  if (!has_channels(s)) return s.event.outlet_q;
  const ChannelState& c = s.channel;
  return c.qp(c.nodes[c.links], c.links);
}

// Locations must name computational nodes of the network before they are ever read.
bool check_locations(const ModelState& s, const std::string& list) {
  const ChannelState& c = s.channel;
  for (std::size_t k = 0; k < s.files.locations.size(); ++k) {
    const HydLocation& l = s.files.locations[k];
    if (l.link >= 1 && l.link <= c.links && l.node >= 1 && l.node <= c.nodes[l.link]) continue;
    say("Error: hydrograph location %d (link %d, node %d) in file %s is not a channel node\n",
        static_cast<int>(k + 1), l.link, l.node, list.c_str());
    set_error(4000);
    return false;
  }
  return true;
}

void raise_flood_levels(ModelState& s) {
  ChannelState& c = s.channel;
  if (!has_channels(s) || c.yp_max_flood.empty()) return;
  for (int j = 1; j <= c.links; ++j)
    for (int i = 1; i <= c.nodes[j]; ++i)
      if (c.yp(i, j) > c.yp_max_flood(i, j)) c.yp_max_flood(i, j) = c.yp(i, j);
}

const LinkNodeKind kKinds[kLinkNodeFiles] = {LinkNodeKind::depth, LinkNodeKind::flow,
                                             LinkNodeKind::stage, LinkNodeKind::velocity,
                                             LinkNodeKind::flood, LinkNodeKind::sed_flux};

// Card file names of the link/node files, in the order of kKinds.
const std::string* linknode_card(const Settings& c, int k) {
  const std::string* names[kLinkNodeFiles] = {&c.output.chan_depth,   &c.output.chan_discharge,
                                              &c.output.chan_stage,   &c.output.chan_velocity,
                                              &c.output.flood_stream, &c.unsimulated.chan_sed_flux};
  const bool given[kLinkNodeFiles] = {
      c.output.chan_depth_given,   c.output.chan_discharge_given,
      c.output.chan_stage_given,   c.output.chan_velocity_given,
      c.output.flood_stream_given, c.unsimulated.chan_sed_flux_given};
  return given[k] ? names[k] : nullptr;
}

bool open_output(FileHandle& fh, const std::string& name, const char* what) {
  if (fh.open(name, "w")) return true;
  set_error(4, 0, 0, what, output_name(name, "w"));
  return false;
}

BalanceOptions balance_options(const ModelState& s) {
  const Settings& c = s.settings;
  BalanceOptions o;
  o.channels = s.run.explicit_channels();
  o.plain_green_ampt = s.run.infil_method == InfilMethod::green_ampt;
  o.simple_soil_store = keeps_soil_store(s.run.infil_method);
  o.stream_aquifer = c.channel.stream_loss != 0;
  o.water_table = c.maps.water_table_given;
  return o;
}

double start_julian(const ModelState& s) {
  if (s.clock.start_time != 0.0) return s.clock.start_time;
  const SiteCards& site = s.settings.site;
  return julian_date(site.start_year, site.start_month, site.start_day, site.start_hour,
                     site.start_minute, 0.0);
}

// Final storages of the surface and the channels, into the ledger.
void measure_final_storage(ModelState& s) {
  WaterLedger& w = s.ledger;
  w.final_surface = surface_storage(s);
  w.final_channel = channel_storage(s);
  w.final_soil = soil_storage(s);
  w.final_snow = surface_volume(s.hmet.swe.slots(), s.grid.dx);
}

SummaryFacts summary_facts(const ModelState& s) {
  const Settings& c = s.settings;
  const PrecipCards& r = s.settings.precip;
  SummaryFacts f;
  f.start = calendar_time(start_julian(s));
  f.rain = s.run.rain_source;
  f.rain_intensity = r.rain_intensity;
  f.rain_duration = r.rain_duration;
  f.inverse_distance = !s.rain.thiessen;
  f.dt = s.clock.dt;
  f.peak_q = s.event.peak_q;
  f.peak_time = s.event.peak_time;
  f.peak_julian = julian_date(s.event.peak_time);
  f.channels = s.run.explicit_channels();
  f.beyond_table = channel_beyond_table(s);
  f.hyd_locations = !s.files.locations.empty();
  f.hyd_steps = s.run.hyd_steps;
  f.map_steps = s.run.map_steps;
  channel_section_kinds(s, f.trapezoid_sections, f.table_sections);
  if (s.run.long_term) {
    LongTermFacts& t = f.long_term;
    t.on = true;
    t.event = s.event.event;
    t.began = s.event.start_time;
    t.ended = s.clock.current_time;
    t.start = calendar_time(s.event.start_time);
    t.gmt = c.unsimulated.gmt;
    t.format = s.hmet.reader.format();
    t.station = s.hmet.reader.station;
    t.first = s.hmet.reader.first;
    t.last = s.hmet.reader.last;
    t.repaired = s.hmet.reader.missing_count;
    t.soil_initial = s.event.soil_at_start;
    t.soil_final = basin_soil_water(s);
  }
  f.interception = c.precip.interception != 0 || c.maps.storage_capacity_given ||
                   c.maps.interception_coeff_given;
  // A table the mapping file supplies counts as if its card were given.
  auto table = [&](int t) { return c.maps.mapping_table_given && s.params.mapping_tables[t]; };
  f.distributed_roughness = c.maps.roughness_given || table(kTableRoughness);
  f.uniform_roughness = c.overland.manning_n_given;
  f.distributed_moisture = (c.maps.moisture_given || table(kTableSoilMoisture)) &&
                           s.run.infil_method != InfilMethod::none;
  f.spatial_retention = c.maps.reten_depth_given;
  f.uniform_retention = c.overland.retention_given;
  f.infil_method = s.run.infil_method;
  f.richards = richards_summary(s);
  f.binary_maps = s.settings.output.map_type == 2;
  f.map_depth = c.output.depth_given;
  f.map_discharge = c.output.discharge_given;
  f.map_rain = c.output.dis_rain_given;
  f.map_inf_depth = c.output.inf_depth_given;
  f.map_inf_rate = c.output.rate_of_infil_given;
  f.map_surf_moist = c.output.surf_moist_given;
  f.map_recharge_cum = c.unsimulated.gw_recharge_cum_given;
  f.map_recharge_inc = c.unsimulated.gw_recharge_inc_given;
  return f;
}

HydroClock hydro_clock(const ModelState& s) {
  if (s.run.long_term) return HydroClock::long_term;
  return s.settings.output.strict_julian_date ? HydroClock::julian : HydroClock::elapsed_minutes;
}

void write_linknode_blocks(ModelState& s, bool flood_only) {
  if (!has_channels(s)) return;
  std::vector<LinkNodeLink>& links = s.files.linknode_links;
  std::string& text = s.files.linknode_text;
  for (int k = 0; k < kLinkNodeFiles; ++k) {
    const bool flood = kKinds[k] == LinkNodeKind::flood;
    if (flood != flood_only) continue;
    FileHandle& fh = s.files.linknode(k);
    if (!fh.fp) continue;
    channel_links(s, kKinds[k], links);
    text.clear();
    append_linknode_block(text, kKinds[k], s.files.linknode_blocks[k]++, links);
    std::fputs(text.c_str(), fh.fp);
  }
}

// Depths or soil moistures over the mask in the raster format they are read back in.
void write_hotstart_map(const ModelState& s, const std::string& name,
                        std::span<const double> values) {
  FileHandle fh;
  if (!fh.open(name, "w")) {
    say("Can't open overland hotstart file for writing: %s\n", output_name(name, "w").c_str());
    return;
  }
  const GridState& g = s.grid;
  const MapFrame frame{g.north, g.south, g.east, g.west, g.rows, g.cols};
  write_grid_grass(fh.fp, g.mask, frame, values);
  fh.close();
}

}  // namespace

void stage_open_summary(ModelState& s) {
  const OutputCards& c = s.settings.output;
  OutputFiles& f = s.files;
  if (c.summary_given) {
    if (!open_output(f.summary, c.summary, "output summary")) return;
    error_code().log = &f.summary;
  }
  release_summary_lines();
}

void stage_open_outputs(ModelState& s) {
  const Settings& c = s.settings;
  OutputFiles& f = s.files;
  if (c.output.outlet_hydro_given) {
    if (!open_output(f.hydrograph, c.output.outlet_hydro, "output hydrograph")) return;
    f.hydrograph_name = f.hydrograph.name;
  }
  if (c.output.sig_outlet_hydro_given &&
      !open_output(f.sig_hydrograph, c.output.sig_outlet_hydro, "output hydrograph"))
    return;
  // Locations are channel nodes: without the network there is nothing to record.
  if ((c.output.in_hyd_location_given || c.output.out_hyd_location_given) && has_channels(s)) {
    // The list comes from IN_HYD_LOCATION when given; OUT_HYD_LOCATION then names the
    // output, else it is the list itself and the output takes its name plus ".out".
    const bool both = c.output.in_hyd_location_given && c.output.out_hyd_location_given;
    const std::string& list =
        c.output.in_hyd_location_given ? c.output.in_hyd_location : c.output.out_hyd_location;
    const std::string out = both ? c.output.out_hyd_location : list + ".out";
    if (!read_location_list(list, f.locations, f.location_lines)) return;
    if (!check_locations(s, list)) return;
    if (!f.location_hydrograph.open(out, "w")) {
      set_error(51, 0, 0, output_name(out, "w"), list);
      return;
    }
    f.location_hydrograph_name = f.location_hydrograph.name;
  }
  if (!has_channels(s)) return;
  // Sediment is not simulated, so its flux file is not written.
  for (int k = 0; k < kLinkNodeFiles - 1; ++k) {
    const std::string* name = linknode_card(c, k);
    if (name && !s.files.linknode(k).open(*name, "w")) {
      set_error(59, 0, 0, {}, output_name(*name, "w"));
      return;
    }
  }
}

void stage_linknode_header(ModelState& s) {
  if (!has_channels(s)) return;
  const int ts = linknode_time_step(s.run.hyd_steps, s.clock.dt);
  const CalendarTime start = calendar_time(start_julian(s));
  for (int k = 0; k < kLinkNodeFiles; ++k) {
    FileHandle& fh = s.files.linknode(k);
    if (!fh.fp) continue;
    std::string text;
    append_linknode_header(text, kKinds[k], channel_link_count(s), ts, s.settings.site.tot_time,
                           start);
    std::fputs(text.c_str(), fh.fp);
  }
}

void stage_initial_storage(ModelState& s) {
  WaterLedger& w = s.ledger;
  w.initial_surface = surface_storage(s);
  w.initial_channel = channel_storage(s);
  w.initial_soil = soil_storage(s);
  w.initial_snow = surface_volume(s.hmet.swe.slots(), s.grid.dx);
  mark_event_start(s);
  s.clock.next_hydrograph_time = start_julian(s);
  s.clock.next_channel_output_time = s.clock.next_hydrograph_time;
}

void write_event_summary(ModelState& s) {
  measure_final_storage(s);
  std::string text;
  if (s.run.long_term) {
    WaterLedger event = event_share(s.ledger, s.event.ledger_at_start);
    close_event_balance(event);
    append_event_summary(text, summary_facts(s), event);
  } else {
    close_event_balance(s.ledger);
    append_event_summary(text, summary_facts(s), s.ledger);
  }
  say_summary("%s", text.c_str());
}

void mark_event_start(ModelState& s) {
  measure_final_storage(s);
  s.event.ledger_at_start = s.ledger;
  s.event.soil_at_start = basin_soil_water(s);
  s.event.start_time = s.clock.current_time;
}

void stage_hydrograph_output(ModelState& s) {
  if (s.files.linknode_flood.fp) raise_flood_levels(s);
  const int n = s.run.hyd_steps;
  if (!hydrograph_due(s.clock.step, n)) return;
  OutputFiles& f = s.files;
  const HydroClock clock = hydro_clock(s);
  const double time =
      clock == HydroClock::elapsed_minutes ? s.clock.elapsed_minutes : s.clock.current_time;
  const double factor = s.settings.site.qout_cfs ? s.run.cubic_feet_per_cubic_metre : 1.0;
  const double q = outlet_discharge(s) * factor;
  if (f.hydrograph.fp) {
    write_outlet_line(f.hydrograph.fp, clock, time, q);
    ++f.hydrograph_records;
  }
  if (f.sig_hydrograph.fp) write_companion_line(f.sig_hydrograph.fp, time, q);
  if (f.location_hydrograph.fp) {
    std::vector<double>& values = f.location_values;
    location_discharges(s, f.locations, values);
    for (double& v : values) v *= factor;
    write_location_line(f.location_hydrograph.fp, s.run.long_term,
                        s.run.long_term ? s.clock.current_time : s.clock.elapsed_minutes, values);
  }
  write_linknode_blocks(s, false);
  s.clock.next_hydrograph_time = s.clock.current_time + n * s.clock.dt_days;
  s.clock.next_channel_output_time = s.clock.next_hydrograph_time;
}

void stage_totals(ModelState& s) {
  WaterLedger& w = s.ledger;
  const BalanceOptions o = balance_options(s);
  measure_final_storage(s);
  const OverallBalance b = overall_balance(w, o);
  w.initial_storage_total = b.s0;
  w.final_storage_total = b.s1;
  w.overall_error_percent = b.error_percent;
  w.surface_error_percent = surface_balance_error(w);
  std::string text;
  append_simulation_totals(text, w, o);
  say_summary("%s", text.c_str());

  write_linknode_blocks(s, true);
  close_map_output(s);  // dataset map series get their closing "ENDDS"
  const OutputCards& c = s.settings.output;
  OutputFiles& f = s.files;
  if (c.qex_hydro_given) {
    if (f.hydrograph.fp) std::fflush(f.hydrograph.fp);
    if (f.location_hydrograph.fp) std::fflush(f.location_hydrograph.fp);
    const CalendarTime t = calendar_time(start_julian(s));
    HostHeader h;
    h.start_date = t.year * 10000L + t.month * 100L + t.day;
    h.start_time = t.hour * 100L + t.minute;
    h.interval = s.run.hyd_steps;
    write_host_hydrograph(c.qex_hydro, f.hydrograph_name, f.location_hydrograph_name, h,
                          f.location_lines);
  }
  if (c.write_ov_hotstart_given)
    write_hotstart_map(s, c.write_ov_hotstart, s.overland.ov_depth.slots());
  if (c.write_sm_hotstart_given) {
    const std::vector<double> moisture = restart_moisture(s);
    if (!moisture.empty()) write_hotstart_map(s, c.write_sm_hotstart, moisture);
  }
}

}  // namespace torva
