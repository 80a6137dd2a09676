#include <algorithm>

#include "frame/console.hpp"
#include "frame/run_context.hpp"
#include "model/model_state.hpp"
#include "overland/connectivity.hpp"
#include "overland/dikes.hpp"
#include "overland/overland_stages.hpp"
#include "overland/rain.hpp"
#include "overland/slopes.hpp"
#include "subsurface/hmet.hpp"

namespace torva {
namespace {

// Analyzers are told that an event begins (event code 2); none exist yet.
void notify_event_start(ModelState&) {}

double gridsize(const ModelState& s) {
  return s.grid.dx > 0.0 ? s.grid.dx : s.settings.site.gridsize;
}

// The overland depth the rain lands on (empty until the overland arrays exist).
std::span<double> overland_depth(ModelState& s) {
  Array1<double>& d = s.overland.ov_depth;
  if (d.size() != s.rain.rain_rate.size()) return {};
  return d.slots();
}

// Cell centres, nearest gages or radar pixels of a freshly read event; record 1 next.
bool prepare_event(ModelState& s) {
  RainState& r = s.rain;
  PrecipEvent& e = r.event;
  GridState& g = s.grid;
  if (r.thiessen && e.ngages >= 2) {
    if (r.nearest_gage.size() != static_cast<std::size_t>(g.ncells) &&
        !r.nearest_gage.allocate(g.ncells)) {
      set_error(4000);
      return false;
    }
    if (!find_nearest_gage(r.cell_x.slots(), r.cell_y.slots(), e.gage_x, e.gage_y,
                           r.nearest_gage.slots())) {
      say("Failure to identify closest raingauge in find_neighbor\n");
      say("check rain gage data file, particularly gage coordinates\n");
      set_error(4000);
      return false;
    }
  }
  if (e.radar_files) {
    if (!read_radar_header(e.radar_file[1], r.radar)) {
      set_error(4000);
      return false;
    }
    if (r.radar_index.size() != static_cast<std::size_t>(g.ncells) &&
        !r.radar_index.allocate(g.ncells)) {
      set_error(4000);
      return false;
    }
    if (!map_radar_cells(r.radar, r.cell_x.slots(), r.cell_y.slots(), r.radar_index.slots())) {
      error_code().stop = 1;
      set_error(102);
      return false;
    }
    r.radar_values.assign(static_cast<std::size_t>(r.radar.cells()), 0.0);
  }
  // Events must lie inside the weather record of a long-term run.
  if (s.run.long_term && s.hmet.reader.format() != HmetFormat::none) {
    const CalendarTime& d = e.date[1];
    const HmetReader& w = s.hmet.reader;
    if (!hmet_date_check(w.first, w.last, {d.year, d.month, d.day, d.hour})) {
      say("Error: TORVA failed on date check for precip event %d\n", s.event.event);
      set_error(4000);
      return false;
    }
  }
  r.record = 1;
  r.next_time = e.start_time();
  r.int_used.fill(0.0);
  r.rain_rate.fill(0.0);
  r.net_rain_rate.fill(0.0);
  s.event.precip_state = kRainRunning;
  return true;
}

void no_first_event() {
  say("\n**********************************\n");
  say("Data was not correctly read from the rainfall input file.\n");
  say("Verify the file format.\n");
  say("***********************************\n");
}

bool allocate_rain(ModelState& s) {
  RainState& r = s.rain;
  GridState& g = s.grid;
  if (g.ncells <= 0 || g.cell_row.size() != static_cast<std::size_t>(g.ncells)) {
    say("\nError: the watershed mask must be read before the precipitation is set up.\n");
    set_error(4000);
    return false;
  }
  if (!r.rain_rate.allocate(g.ncells) || !r.net_rain_rate.allocate(g.ncells) ||
      !r.int_used.allocate(g.ncells) || !r.int_caught.allocate(g.ncells) ||
      !r.cell_x.allocate(g.ncells) || !r.cell_y.allocate(g.ncells)) {
    set_error(4000);
    return false;
  }
  cell_centres(g.cell_row.slots(), g.cell_col.slots(), g.west, g.north, gridsize(s),
               r.cell_x.slots(), r.cell_y.slots());
  return true;
}

void setup_uniform(ModelState& s) {
  const SiteCards& site = s.settings.site;
  const PrecipCards& rr = s.settings.precip;
  RainState& r = s.rain;
  if (!(rr.rain_intensity > 0.0) || rr.rain_duration <= 0) {
    set_error(11);
    return;
  }
  if (!site.start_date_given || !site.start_time_given) {
    say("You did not specify the starting date and time in the\n");
    say("project file.  Give the START_DATE and START_TIME cards for uniform rainfall.\n");
    set_error(4000);
    return;
  }
  const double dt = s.clock.dt > 0.0 ? s.clock.dt : site.timestep;
  if (!(dt > 0.0)) {
    set_error(52);
    return;
  }
  r.uniform_intensity = rr.rain_intensity;
  r.uniform_steps = static_cast<long>(rr.rain_duration * 60.0 / dt);
  r.uniform_count = 0;
  s.clock.start_time = julian_date(site.start_year, site.start_month, site.start_day,
                                   site.start_hour, site.start_minute, 0.0);
  s.event.precip_state = kRainRunning;
}

void setup_gage_file(ModelState& s) {
  RainState& r = s.rain;
  const std::string& path = s.settings.precip.precip_file;
  if (!r.file.open(path)) {
    set_error(4, 0, 0, "precipitation", path);
    return;
  }
  const GageFile::Result got = r.file.read_event(r.event, 1);
  if (got == GageFile::Result::error) return;
  if (got == GageFile::Result::no_event) {
    no_first_event();
    s.event.precip_state = kRainNoEvent;
    set_error(4000);  // a run without its rainfall would pass for a dry success
    return;
  }
  r.events_read = 1;
  if (!prepare_event(s)) return;
  // A long-term run starts with its weather record, before the first storm.
  if (s.run.long_term)
    s.event.num_events = std::max(1, GageFile::count_events(path));
  else
    s.clock.start_time = r.event.start_time();
}

}  // namespace

void stage_connectivity(ModelState& s) {
  load_dikes(s);
  if (error_code().code != 0) return;
  build_connectivity(s);
}

void stage_initial_slopes(ModelState& s) {
  compute_ground_slopes(s);
}

void stage_first_event_setup(ModelState& s) {
  const PrecipCards& rr = s.settings.precip;
  const Settings& cards = s.settings;
  RainState& r = s.rain;
  if (rr.precip_file_given && rr.precip_unif) {
    set_error(10);
    return;
  }
  if (!rr.precip_file_given && !rr.precip_unif) {
    set_error(11);
    return;
  }
  if (!allocate_rain(s)) return;
  r.thiessen = cards.precip.rain_thiessen != 0 && cards.precip.rain_inv_distance == 0;
  r.interception = cards.precip.interception != 0 || cards.maps.storage_capacity_given ||
                   cards.maps.interception_coeff_given;
  s.event.num_events = 1;
  if (s.run.rain_source == RainSource::gages)
    setup_gage_file(s);
  else
    setup_uniform(s);
  if (error_code().code != 0) return;
  s.clock.current_time = s.clock.start_time;
  s.clock.end_time = s.clock.start_time + s.settings.site.tot_time / 1440.0;
}

void stage_event_start(ModelState& s) {
  RainState& r = s.rain;
  EventControl& ev = s.event;
  if (r.event_started == ev.event) return;
  if (s.run.rain_source == RainSource::gages && ev.event > r.events_read) {
    const GageFile::Result got = r.file.read_event(r.event, ev.event);
    if (got == GageFile::Result::error) return;
    if (got == GageFile::Result::no_event) {
      ev.precip_state = kRainNoEvent;
      r.event_started = ev.event;
      if (s.run.long_term) {
        say("Precip data for event %d was not found in file: %s\n", ev.event,
            r.file.path().c_str());
        say("TORVA assumes this means all events have been simulated.\n");
        say("Program terminating normally.\n");
        ev.simulation_continues = false;
      }
      return;
    }
    r.events_read = ev.event;
    if (!prepare_event(s)) return;
    ev.event_running = true;
    ev.event_ended = false;
  }
  r.event_started = ev.event;
  say("simulation duration %d minutes\n", s.settings.site.tot_time);
  notify_event_start(s);
}

void stage_precipitation(ModelState& s) {
  RainState& r = s.rain;
  if (r.rain_rate.empty()) return;
  if (s.run.rain_source == RainSource::uniform)
    update_uniform_rain(s);
  else if (!r.event.radar_files)
    update_precip(s);
  else
    return;  // radar events are read and applied by the radar stage
  apply_rain(s, overland_depth(s));
}

void stage_radar(ModelState& s) {
  RainState& r = s.rain;
  if (r.rain_rate.empty() || s.run.rain_source != RainSource::gages || !r.event.radar_files) return;
  update_precip(s);
  if (error_code().code != 0) return;
  apply_rain(s, overland_depth(s));
}

}  // namespace torva
