// The stages of long-term runs: the weather record and calendar at start-up, and the hourly
// step with its report lines, evapotranspiration and the frozen-ground index.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "frame/console.hpp"
#include "frame/run_context.hpp"
#include "model/model_state.hpp"
#include "subsurface/snow.hpp"
#include "subsurface/subsurface_stages.hpp"

namespace torva {
namespace {

double record_time(const HmetRecord& r) {
  return julian_date(r.year, r.month, r.day, r.hour, 0, 0.0);
}

// The end of the weather ends the event in progress (its summary is written) and the run.
void end_of_weather(ModelState& s) {
  say("End of meteorology data reached.  TORVA terminated\n");
  EventControl& ev = s.event;
  ev.event_ended = true;
  ev.event_running = false;
  ev.end_of_event_due = true;
  ev.simulation_continues = false;
}

// Means over the cells of the hour's report (Richards infiltration).  The bottom drainage
// belongs to the soil-moisture accounting, which this version does not simulate: it stays 0.
struct HourMeans {
  double theta = 0.0, pet = 0.0, aet = 0.0, infil = 0.0, bottom = 0.0, cfgi = 0.0;
};

HourMeans hour_means(ModelState& s) {
  HmetState& h = s.hmet;
  const int n = s.grid.ncells;
  HourMeans m;
  for (int i = 1; i <= n; ++i) {
    const double theta = s.infil.surface_moisture.empty() ? 0.0 : s.infil.surface_moisture[i];
    if (std::isnan(theta)) say("Theta_all for cell %d is not a number \n", i);
    m.theta += theta;
    m.pet += h.pet_rate[i] * 3600.0;
    m.infil += s.infil.infil_rate.empty() ? 0.0 : s.infil.infil_rate[i];
    m.cfgi += h.cfgi[i];
  }
  if (n > 0) {
    m.theta /= n;
    m.pet /= n;
    m.infil /= n;
    m.cfgi /= n;
  }
  const double area = s.grid.cell_area > 0.0 ? s.grid.cell_area : s.grid.dx * s.grid.dx;
  const double et = s.ledger.evaporation;
  if (n > 0 && area > 0.0) m.aet = (et - h.et_volume_before) / (area * n) * 100.0;
  h.et_volume_before = et;
  return m;
}

void report_hour(ModelState& s) {
  HmetState& h = s.hmet;
  const HmetRecord& r = h.record;
  const bool quiet = s.run.quiet || s.run.super_quiet;
  if (s.run.infil_method == InfilMethod::richards) {
    const HourMeans m = hour_means(s);
    say_progress(
        quiet, "%d/%d/%d %2d:00 PET cm/h %6.4lf AET cm/h %6.4lf Infil cm/h %6.4lf Theta %5.2lf \n",
        r.year, r.month, r.day, r.hour, m.pet, m.aet, m.infil, m.theta);
    if (h.evap_out.fp)
      std::fprintf(h.evap_out.fp,
                   "%d/%d/%d  %2d:00 %12.6lf %12.6lf %12.6lf %12.6lf %12.6lf %12.6lf %12.6lf\n",
                   r.year, r.month, r.day, r.hour, m.theta, m.pet, m.aet, m.infil, m.bottom, m.cfgi,
                   r.temperature);
    return;
  }
  say_progress(quiet, "longterm %d/%d/%d  %2d:00 Avg. Soil Moisture: %7.2lf  \n", r.year, r.month,
               r.day, r.hour, 100.0 * basin_soil_water(s));
  if (s.run.flush_period > 0 && ++h.lines_since_flush >= s.run.flush_period) {
    h.lines_since_flush = 0;
    std::fflush(stdout);
  }
}

void update_cfgi(HmetState& h, double temperature, int n) {
  double* cfgi = h.cfgi.data();
  int* frozen = h.frozen.data();
  const double* swe = h.swe.data();
#pragma omp parallel for schedule(static) if (n >= 4096)
  for (int i = 1; i <= n; ++i) {
    cfgi[i] = frozen_ground_index(cfgi[i], temperature, swe[i] / kSnowDensityRatio);
    frozen[i] = cfgi[i] > kFrozenGroundIndex ? 1 : 0;
  }
}

}  // namespace

double basin_soil_water(const ModelState& s) {
  const int n = s.grid.ncells;
  if (n <= 0) return 0.0;
  double sum = 0.0;
  if (keeps_soil_store(s.run.infil_method) && !s.infil.soil_store.empty()) {
    const double depth = s.settings.infil.soil_moist_depth;
    for (int i = 1; i <= n; ++i) sum += s.infil.soil_store[i];
    return depth > 0.0 ? sum / n / depth : 0.0;
  }
  if (s.infil.surface_moisture.empty()) return 0.0;
  for (int i = 1; i <= n; ++i) sum += s.infil.surface_moisture[i];
  return sum / n;
}

void stage_longterm_start(ModelState& s) {
  if (!s.run.long_term) return;
  const UnsimulatedCards& c = s.settings.unsimulated;
  HmetFormat format = HmetFormat::none;
  std::string name;
  if (c.hmet_zeb_given) format = HmetFormat::zeb, name = c.hmet_zeb;
  if (c.hmet_samson_given) format = HmetFormat::samson, name = c.hmet_samson;
  if (c.hmet_surfaways_given) format = HmetFormat::surface_airways, name = c.hmet_surfaways;
  if (format == HmetFormat::none) {
    say("\nError: a long-term run needs its hourly weather: give the file with one of the cards "
        "HMET_ZEB, HMET_SAMSON or HMET_SURFAWAYS.\n");
    set_error(4000);
    return;
  }
  if (s.run.rain_source != RainSource::gages) {
    say("\nError: a long-term run takes its events from a rain-gage file (PRECIP_FILE); uniform "
        "rainfall cannot drive it.\n");
    set_error(4000);
    return;
  }
  say("reading hydrometeorological data from file: %s\n", name.c_str());
  HmetState& h = s.hmet;
  if (!h.reader.open(format, name)) {
    set_error(4, 0, 0, "hydrometeorological", name);
    return;
  }
  if (hmet_read(h.reader, 1, h.record) != 0) return;
  const int n = s.grid.ncells;
  if (!h.cfgi.allocate(n) || !h.frozen.allocate(n) || !h.pet_rate.allocate(n) ||
      !h.swe.allocate(n)) {
    set_error(4000);
    return;
  }
  if (c.init_swe_depth_given) {
    const std::string& text = c.init_swe_depth;
    double swe = -1.0;  // m
    const auto got = std::from_chars(text.data(), text.data() + text.size(), swe);
    if (got.ec != std::errc() || got.ptr != text.data() + text.size() || !(swe >= 0.0) ||
        swe > 100.0) {
      say("\nError: INIT_SWE_DEPTH must give the initial snow water equivalent in metres (0 to "
          "100); it gives \"%s\".\n",
          c.init_swe_depth.c_str());
      set_error(4000);
      return;
    }
    h.swe.fill(swe);
    h.swe[0] = 0.0;
  }
  const HmetDate& f = h.reader.first;
  ClockState& clock = s.clock;
  clock.start_time = julian_date(f.year, f.month, f.day, f.hour, 0, 0.0);
  clock.current_time = clock.start_time;
  h.next_time = clock.start_time;
  h.prev_time = clock.start_time - kHmetIntervalDays;
  clock.long_term_steps = std::max(1L, std::lround(3600.0 / clock.dt));
  if (s.run.infil_method == InfilMethod::richards) {
    if (!h.evap_out.open("evap_out", "w")) {
      set_error(4, 0, 0, "evaporation output", "evap_out");
      return;
    }
    std::fputs(
        "yr/mo/day  hour     avg_theta    avg_pot      avgetrate    avgfav      "
        "avgbottomfav  CFGI         temp(C)  \n",
        h.evap_out.fp);
  }
}

void stage_longterm_step(ModelState& s) {
  if (!s.run.long_term || s.hmet.reader.format() == HmetFormat::none) return;
  HmetState& h = s.hmet;
  const double t = s.clock.current_time;
  const double tolerance = 0.5 * s.clock.dt_days;
  if (t < h.next_time - tolerance) return;
  int got = hmet_read(h.reader, 2, h.record);
  // A run that starts inside the weather record skips the hours before it.
  while (!h.first_read && got > 0 && record_time(h.record) < t - tolerance)
    got = hmet_read(h.reader, 2, h.record);
  h.first_read = true;
  if (got == 0) return;
  if (got < 0) {
    end_of_weather(s);
    return;
  }
  report_hour(s);
  if (s.run.hourly_et) s.run.hourly_et(s);
  h.prev_time = t;
  h.next_time = t + kHmetIntervalDays;
  ++h.calls;
  update_cfgi(h, h.record.temperature, s.grid.ncells);
  if (!s.overland.ov_depth.empty()) {
    const double melted =
        degree_day_melt(h.swe.slots(), s.overland.ov_depth.slots(), h.record.temperature, 1.0);
    const double area = s.grid.cell_area > 0.0 ? s.grid.cell_area : s.grid.dx * s.grid.dx;
    s.ledger.snowmelt += melted * area;
  }
}

}  // namespace torva
