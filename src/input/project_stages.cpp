#include "frame/console.hpp"
#include "frame/report.hpp"
#include "frame/run_context.hpp"
#include "input/input_stages.hpp"
#include "input/option_checks.hpp"
#include "input/project_reader.hpp"
#include "input/series.hpp"
#include "input/time_settings.hpp"
#include "model/model_state.hpp"

namespace torva {
namespace {

// Turns the method cards into the run's one choice of each method; no stage looks at the
// selector cards again.
void decide_methods(ModelState& s) {
  const Settings& set = s.settings;
  RunControl& run = s.run;
  run.channel_method = static_cast<ChannelMethod>(set.channel.chan_method);
  run.infil_method = static_cast<InfilMethod>(set.infil.infil_method);
  run.overland_scheme = overland_scheme(set.overland.overtype);
  run.rain_source = set.precip.precip_file_given ? RainSource::gages : RainSource::uniform;
}

// Copies the card values into the run fields of the parts that own them.
void transfer_cards(ModelState& s) {
  const SiteCards& site = s.settings.site;
  const Settings& c = s.settings;
  if (site.project_not_opened) {
    set_error(3);
    return;
  }
  if (s.settings.output.map_type == 4) {
    set_error(5);
    return;
  }
  RunControl& run = s.run;
  run.quiet = site.quiet != 0;
  run.flow_cfs = site.qout_cfs != 0;
  run.super_quiet = c.site.super_quiet != 0;
  if (run.super_quiet) run_context().super_quiet = true;
  run.long_term = c.unsimulated.long_term != 0;
  decide_methods(s);
  if (c.site.flush_buffer_given) run.flush_period = c.site.flush_buffer;
  // The card's default (0.1) is the event-mode cut-off; a long-term run without the card
  // ends its events below 0.05, and any value below 1e-5 becomes 0.05.
  const double min_q = c.unsimulated.event_min_q;
  s.event.min_q = min_q < 1e-5 || (run.long_term && !c.unsimulated.event_min_q_given)
                      ? kLongTermEventMinQ
                      : min_q;

  ClockState& clock = s.clock;
  if (site.end_time_given) {
    clock.fixed_end = true;
    clock.fixed_end_time = julian_date(site.end_year, site.end_month, site.end_day, site.end_hour,
                                       site.end_minute, 0.0);
  }
  if (site.start_date_given) {
    clock.start_time = julian_date(site.start_year, site.start_month, site.start_day,
                                   site.start_hour, site.start_minute, 0.0);
    clock.current_time = clock.start_time;
  }
  clock.end_time = clock.start_time + site.tot_time / 1440.0;
}

}  // namespace

void stage_read_project(ModelState& s) {
  const bool first_process = run_context().process_number == 0;
  if (first_process && !s.run.calibration_run)
    say("reading run parameters from project file: %s\n", s.project_file.c_str());
  read_project_file(s.project_file, s.settings, s.series);
  if (error_code().code != 0 || error_code().stop) return;
  transfer_cards(s);
  if (error_code().code != 0) return;
  if (first_process) say("\nfinished reading project file\n");
}

void stage_option_checks(ModelState& s) {
  check_options(s.settings, {}, s.run.hourly_et != nullptr);
}

void stage_time_settings(ModelState& s) {
  const SiteCards& site = s.settings.site;
  const TimeSettings t = derive_time_settings(s.settings, s.run.long_term);
  s.clock.dt = t.dt;
  s.clock.dt_days = t.dt / kSecondsPerDay;
  s.run.hyd_steps = t.hyd_steps;
  s.run.map_steps = t.map_steps;
  if (error_code().code != 0 && !is_warning_code(error_code().code)) return;
  // Cards only override what the mask header already gave when they were written.
  if (site.rows_given) s.grid.rows = site.rows;
  if (site.cols_given) s.grid.cols = site.cols;
  if (site.outrow_given) s.grid.outlet_row = site.outrow;
  if (site.outcol_given) s.grid.outlet_col = site.outcol;
  s.run.quiet = site.quiet != 0;
  s.run.flow_cfs = site.qout_cfs != 0;
}
void stage_shift_relative_series(ModelState& s) {
  shift_relative_series(s.series, s.clock.start_time);
}

}  // namespace torva
