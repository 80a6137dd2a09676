// Stages of the results: they gather plain values from the state and hand them to the
// writers of summary.hpp, hydrograph.hpp, linknode.hpp and totals.hpp.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "frame/console.hpp"
#include "frame/model_state.hpp"
#include "frame/process.hpp"
#include "output/hydrograph.hpp"
#include "output/linknode.hpp"
#include "output/output_stages.hpp"
#include "output/summary.hpp"
#include "output/totals.hpp"

namespace torva {
namespace {

// State adapters: the only place that knows where the overland, soil and channel records
// keep the values the writers need.
double surface_storage(const ModelState&) {
  return 0.0;
}
double channel_storage(const ModelState&) {
  return 0.0;
}
double soil_storage(const ModelState&) {
  return 0.0;
}
bool channel_beyond_table(const ModelState&) {
  return false;
}
void channel_section_kinds(const ModelState&, bool& trapezoid, bool& table) {
  trapezoid = false;
  table = false;
}
int channel_link_count(const ModelState&) {
  return 0;
}
void channel_links(const ModelState&, LinkNodeKind, std::vector<LinkNodeLink>& links) {
  links.clear();
}
void location_discharges(const ModelState&, const std::vector<HydLocation>& locations,
                         std::vector<double>& values) {
  values.assign(locations.size(), 0.0);
}

const LinkNodeKind kKinds[kLinkNodeFiles] = {LinkNodeKind::depth, LinkNodeKind::flow,
                                             LinkNodeKind::stage, LinkNodeKind::velocity,
                                             LinkNodeKind::flood, LinkNodeKind::sed_flux};

// Card file names of the link/node files, in the order of kKinds.
const std::string* linknode_card(const CardRecord& c, int k) {
  const std::string* names[kLinkNodeFiles] = {&c.chan_depth,   &c.chan_discharge,
                                              &c.chan_stage,   &c.chan_velocity,
                                              &c.flood_stream, &c.chan_sed_flux};
  const bool given[kLinkNodeFiles] = {c.chan_depth_given,   c.chan_discharge_given,
                                      c.chan_stage_given,   c.chan_velocity_given,
                                      c.flood_stream_given, c.chan_sed_flux_given};
  return given[k] ? names[k] : nullptr;
}

bool open_output(FileHandle& fh, const std::string& name, const char* what) {
  if (fh.open(name, "w")) return true;
  set_error(4, 0, 0, what, output_name(name, "w"));
  return false;
}

BalanceOptions balance_options(const ModelState& s) {
  const CardRecord& c = s.settings.cards;
  BalanceOptions o;
  o.channels = s.run.explicit_channels;
  o.plain_green_ampt = s.settings.site.infil_method == 1;
  o.simple_soil_store = s.settings.site.infil_method == 2 || s.settings.site.infil_method == 3;
  o.stream_aquifer = c.stream_loss != 0;
  o.water_table = c.water_table_given;
  return o;
}

double start_julian(const ModelState& s) {
  if (s.clock.start_time != 0.0) return s.clock.start_time;
  const SiteRecord& site = s.settings.site;
  return julian_date(site.start_year, site.start_month, site.start_day, site.start_hour,
                     site.start_minute, 0.0);
}

// Final storages of the surface and the channels, into the ledger.
void measure_final_storage(ModelState& s) {
  WaterLedger& w = s.ledger;
  w.final_surface = surface_storage(s);
  w.final_channel = s.run.explicit_channels ? channel_storage(s) : 0.0;
  w.final_soil = soil_storage(s);
}

SummaryFacts summary_facts(const ModelState& s) {
  const CardRecord& c = s.settings.cards;
  const RainRecord& r = s.settings.rain;
  SummaryFacts f;
  f.start = calendar_time(start_julian(s));
  f.rain = r.precip_kind == 1 ? RainKind::gages : RainKind::uniform;
  f.rain_intensity = r.rain_intensity;
  f.rain_duration = r.rain_duration;
  f.inverse_distance = c.rain_thiessen == 0;
  f.dt = s.clock.dt;
  f.peak_q = s.event.peak_q;
  f.peak_time = s.event.peak_time;
  f.peak_julian = julian_date(s.event.peak_time);
  f.channels = s.run.explicit_channels;
  f.beyond_table = channel_beyond_table(s);
  f.hyd_locations = !s.files.locations.empty();
  f.hyd_steps = s.run.hyd_steps;
  f.map_steps = s.run.map_steps;
  channel_section_kinds(s, f.trapezoid_sections, f.table_sections);
  f.interception = c.interception != 0 || c.storage_capacity_given || c.interception_coeff_given;
  f.distributed_roughness = c.roughness_given;
  f.uniform_roughness = c.manning_n_given;
  f.distributed_moisture = c.moisture_given && s.settings.site.infil_method != 0;
  f.spatial_retention = c.reten_depth_given;
  f.uniform_retention = c.retention_given;
  f.infil_method = s.settings.site.infil_method;
  f.binary_maps = s.settings.site.map_type == 2;
  f.map_depth = c.depth_given;
  f.map_discharge = c.discharge_given;
  f.map_rain = c.dis_rain_given;
  f.map_inf_depth = c.inf_depth_given;
  f.map_inf_rate = c.rate_of_infil_given;
  f.map_surf_moist = c.surf_moist_given;
  f.map_recharge_cum = c.gw_recharge_cum_given;
  f.map_recharge_inc = c.gw_recharge_inc_given;
  return f;
}

HydroClock hydro_clock(const ModelState& s) {
  if (s.run.long_term) return HydroClock::long_term;
  return s.settings.cards.strict_julian_date ? HydroClock::julian : HydroClock::elapsed_minutes;
}

void write_linknode_blocks(ModelState& s, bool flood_only) {
  if (!s.run.explicit_channels) return;
  std::vector<LinkNodeLink> links;
  for (int k = 0; k < kLinkNodeFiles; ++k) {
    const bool flood = kKinds[k] == LinkNodeKind::flood;
    if (flood != flood_only) continue;
    FileHandle& fh = s.files.linknode(k);
    if (!fh.fp) continue;
    channel_links(s, kKinds[k], links);
    std::string text;
    append_linknode_block(text, kKinds[k], s.files.linknode_blocks[k]++, links);
    std::fputs(text.c_str(), fh.fp);
  }
}

}  // namespace

void stage_open_outputs(ModelState& s) {
  const CardRecord& c = s.settings.cards;
  OutputFiles& f = s.files;
  if (c.summary_given) {
    if (!open_output(f.summary, c.summary, "output summary")) return;
    error_code().log = &f.summary;
  }
  if (c.outlet_hydro_given) {
    if (!open_output(f.hydrograph, c.outlet_hydro, "output hydrograph")) return;
    f.hydrograph_name = f.hydrograph.name;
  }
  if (c.sig_outlet_hydro_given &&
      !open_output(f.sig_hydrograph, c.sig_outlet_hydro, "output hydrograph"))
    return;
  if (c.in_hyd_location_given || c.out_hyd_location_given) {
    // The list comes from IN_HYD_LOCATION when given; OUT_HYD_LOCATION then names the
    // output, else it is the list itself and the output takes its name plus ".out".
    const bool both = c.in_hyd_location_given && c.out_hyd_location_given;
    const std::string& list = c.in_hyd_location_given ? c.in_hyd_location : c.out_hyd_location;
    const std::string out = both ? c.out_hyd_location : list + ".out";
    if (!read_location_list(list, f.locations, f.location_lines)) return;
    if (!f.location_hydrograph.open(out, "w")) {
      set_error(51, 0, 0, output_name(out, "w"), list);
      return;
    }
    f.location_hydrograph_name = f.location_hydrograph.name;
  }
  if (!s.run.explicit_channels) return;
  for (int k = 0; k < kLinkNodeFiles; ++k) {
    const std::string* name = linknode_card(c, k);
    if (name && !s.files.linknode(k).open(*name, "w")) {
      set_error(59, 0, 0, {}, output_name(*name, "w"));
      return;
    }
  }
}

void stage_linknode_header(ModelState& s) {
  if (!s.run.explicit_channels) return;
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
  w.initial_channel = s.run.explicit_channels ? channel_storage(s) : 0.0;
  w.initial_soil = soil_storage(s);
  s.clock.next_hydrograph_time = start_julian(s);
  s.clock.next_channel_output_time = s.clock.next_hydrograph_time;
}

void write_event_summary(ModelState& s) {
  measure_final_storage(s);
  close_event_balance(s.ledger);
  std::string text;
  append_event_summary(text, summary_facts(s), s.ledger);
  say_summary("%s", text.c_str());
}

void stage_hydrograph_output(ModelState& s) {
  const int n = s.run.hyd_steps;
  if (!hydrograph_due(s.clock.step, n)) return;
  OutputFiles& f = s.files;
  const HydroClock clock = hydro_clock(s);
  const double time =
      clock == HydroClock::elapsed_minutes ? s.clock.elapsed_minutes : s.clock.current_time;
  const double factor = s.settings.site.qout_cfs ? s.run.cubic_feet_per_cubic_metre : 1.0;
  const double q = s.event.outlet_q * factor;
  if (f.hydrograph.fp) {
    write_outlet_line(f.hydrograph.fp, clock, time, q);
    ++f.hydrograph_records;
  }
  if (f.sig_hydrograph.fp) write_companion_line(f.sig_hydrograph.fp, time, q);
  if (f.location_hydrograph.fp) {
    std::vector<double> values;
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
  const CardRecord& c = s.settings.cards;
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
}

}  // namespace torva
