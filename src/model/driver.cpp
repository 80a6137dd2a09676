#include "model/driver.hpp"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>

#include "channel/channel_stages.hpp"
#include "frame/console.hpp"
#include "frame/report.hpp"
#include "input/input_stages.hpp"
#include "input/replace.hpp"
#include "model/model_state.hpp"
#include "output/output_stages.hpp"
#include "overland/overland_stages.hpp"
#include "subsurface/subsurface_stages.hpp"

namespace torva {
namespace {

using Stage = void (*)(ModelState&);

// How many stage checks follow a stage.  Step 29 stands for two outputs, the hydrographs
// and the time-series files, each followed by its own check in the run's stage order; a
// report clears the code, so the second check only acts on what the first left standing.
enum class Checks { none = 0, once = 1, twice = 2 };

struct StageEntry {
  int step;  // number of the step in the start-up list or the time loop
  Stage run;
  Checks checks;
};

// Reports a standing code; true when the run must stop.
bool stage_check() {
  ErrorCode& e = error_code();
  if (e.code > 0) report(e);
  return e.stop != 0;
}

// Runs the stages in order; false when one of them stopped the run.
bool run_stages(ModelState& s, std::initializer_list<StageEntry> stages) {
  for (const StageEntry& st : stages) {
    st.run(s);
    for (int i = 0; i < static_cast<int>(st.checks); ++i)
      if (stage_check()) return false;
  }
  return true;
}

void stage_startup_banner(ModelState& s) {
  say_summary("\n\n");
  say_summary("_________TORVA start-up information________\n");
  say_summary("Run parameters read from QEX project file: %s\n", s.project_file.c_str());
}

void stage_replacement_report(ModelState&) {
  if (run_context().replace.active) print_replacement_values();
}

constexpr Checks kNone = Checks::none, kOnce = Checks::once, kTwice = Checks::twice;

// The start-up steps of a run, in order.  The summary opens as soon as its card is known,
// so that the loading announcements and errors reach it.  Steps of processes this version
// does not simulate (nutrient files, lakes, XY outputs, analyzers) have no entry.
bool start_up(ModelState& s) {
  return run_stages(s, {
                           {5, stage_read_project, kOnce},
                           {5, stage_open_summary, kOnce},
                           {6, stage_option_checks, kOnce},
                           {7, stage_load_maps, kOnce},
                           {7, stage_load_soils, kOnce},
                           {7, stage_load_channels, kOnce},
                           {7, stage_open_outputs, kOnce},
                           {8, stage_startup_banner, kNone},
                           {9, stage_replacement_report, kNone},
                           {10, stage_time_settings, kOnce},
                           {11, stage_allocate_overland, kOnce},
                           {13, stage_linknode_header, kOnce},
                           {15, stage_connectivity, kOnce},
                           {16, stage_initial_slopes, kOnce},
                           {17, stage_longterm_start, kOnce},
                           {19, stage_channel_point_setup, kOnce},
                           {21, stage_shift_relative_series, kNone},
                           {23, stage_initial_storage, kNone},
                           {23, stage_first_event_setup, kOnce},
                       });
}

// One pass of the time loop.  Stages of processes this version does not simulate
// (soil-moisture accounting, groundwater, sediment, contaminants and nutrients, lakes, storm
// sewers, Sacramento accounting, co-run exchange) have no entry.
bool time_step(ModelState& s) {
  return run_stages(s, {
                           {1, stage_advance_clock, kOnce},
                           {2, stage_precipitation, kOnce},
                           {3, stage_event_start, kOnce},
                           {4, stage_radar, kOnce},
                           {5, stage_depth_check, kOnce},
                           {6, stage_infil_redist_start, kOnce},
                           {8, stage_longterm_step, kOnce},
                           {9, stage_infiltration, kOnce},
                           {12, stage_overland, kOnce},
                           {19, stage_channel_routing, kOnce},
                           {20, stage_channel_point_inputs, kOnce},
                           {21, stage_outlet_peak, kOnce},
                           {25, stage_progress_line, kOnce},
                           {26, stage_event_decision, kOnce},
                           {28, stage_close_event, kOnce},
                           {29, stage_hydrograph_output, kTwice},
                           {30, stage_map_output, kOnce},
                       });
}

// The end of a run that reached its end normally.
bool end_of_run(ModelState& s) {
  return run_stages(s, {{0, stage_totals, kOnce}, {0, stage_channel_hotstart, kOnce}});
}

double elapsed_seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Model steps the clock advances in a long-term run: while overland routing is suspended
// between storms, up to one weather hour at once, never past the next weather hour, the
// overland wake time or the fixed end.
long long_term_stride(const ModelState& s) {
  const ClockState& c = s.clock;
  if (!s.run.long_term || !s.overland.suspended || c.long_term_steps <= 1 || c.pass == 0) return 1;
  double target = std::min(s.hmet.next_time, overland_wake_time(s));
  if (c.fixed_end) target = std::min(target, c.fixed_end_time);
  const double steps = std::ceil((target - c.current_time) / c.dt_days - 1e-6);
  if (!(steps > 1.0)) return 1;
  return std::min(static_cast<long>(steps), c.long_term_steps);
}

// Some channel node still carries more than `q` (m^3/s).
bool channel_above(const ModelState& s, double q) {
  if (!s.run.explicit_channels() || !s.channel.present) return false;
  const ChannelState& ch = s.channel;
  for (int l = 1; l <= ch.links; ++l)
    for (int i = 1; i <= ch.nodes[l]; ++i)
      if (ch.qp(static_cast<std::size_t>(i), static_cast<std::size_t>(l)) > q) return true;
  return false;
}

}  // namespace

void stage_advance_clock(ModelState& s) {
  s.clock.stride = long_term_stride(s);
  advance_clock(s.clock);
}

void stage_outlet_peak(ModelState& s) {
  EventControl& ev = s.event;
  if (ev.outlet_q > ev.peak_q) {
    ev.peak_q = ev.outlet_q;
    ev.peak_time = s.clock.now;
  }
  track_channel_peaks(s);
}

std::string progress_line(const ModelState& s) {
  const CalendarTime& t = s.clock.now;
  char buf[256];
  if (s.run.flow_cfs) {
    std::snprintf(
        buf, sizeof buf,
        "event %2d elapsed time %8.2lf  %2d/%2.2d/%2.2d %2.2d:%2.2d:%2.2d Qout=%10.1lf cfs\n",
        s.event.event, s.clock.elapsed_minutes, t.month, t.day, t.year, t.hour, t.minute, t.second,
        s.event.outlet_q * s.run.cubic_feet_per_cubic_metre);
  } else {
    std::snprintf(
        buf, sizeof buf,
        "event %2d elapsed time %8.2lf  %2d/%2.2d/%2.2d %2.2d:%2.2d:%2.2d Qout=%8.2lf cms\n",
        s.event.event, s.clock.elapsed_minutes, t.month, t.day, t.year, t.hour, t.minute, t.second,
        s.event.outlet_q);
  }
  return buf;
}

void stage_progress_line(ModelState& s) {
  const double next =
      s.run.channels_routed() ? s.clock.next_channel_output_time : s.clock.next_hydrograph_time;
  if (!same_time(s.clock.current_time, next)) return;
  if (s.run.quiet || s.run.super_quiet || run_context().super_quiet) return;
  say_progress(false, "%s", progress_line(s).c_str());
  if (s.run.flush_period > 0 && ++s.run.flush_counter >= s.run.flush_period) {
    s.run.flush_counter = 0;
    std::fflush(stdout);
  }
}

void stage_event_decision(ModelState& s) {
  EventControl& ev = s.event;
  ClockState& c = s.clock;
  auto end_event = [&ev] {
    ev.event_ended = true;
    ev.event_running = false;
    ev.end_of_event_due = true;
  };
  if (c.fixed_end && c.current_time > c.fixed_end_time &&
      !same_time(c.current_time, c.fixed_end_time)) {
    end_event();
    ev.simulation_continues = false;
    return;
  }
  if (!s.run.long_term) {
    if (c.current_time >= c.end_time || same_time(c.current_time, c.end_time)) {
      ev.simulation_continues = false;
      end_event();
    }
    return;
  }
  // Long-term: an event ends once its rain is over and the outlet discharge has fallen below
  // the cut-off.
  const bool rain_over = ev.precip_state == kRainEnded || ev.precip_state == kRainUniformEnded;
  if (!ev.event_running || !rain_over || !(ev.outlet_q < ev.min_q)) return;
  const bool last = ev.event >= ev.num_events;
  const bool small_storm = ev.min_q > ev.peak_q;
  if (small_storm && channel_above(s, ev.min_q)) return;
  end_event();
  if (!last) return;
  ev.simulation_continues = false;
  if (small_storm)
    say_console("simulation ended normally; peak flow after last event fell below cutoff value.\n");
  else
    say_console("simulation ended normally; end of data for last event reached\n");
}

void stage_close_event(ModelState& s) {
  EventControl& ev = s.event;
  if (!ev.end_of_event_due) return;
  ev.end_of_event_due = false;
  write_event_summary(s);
  say_console("finished event \n");
  if (s.files.summary.fp) std::fflush(s.files.summary.fp);
  ++ev.event;
  if (s.run.long_term) {
    // The next event starts where this one ended; its rain is counted afresh.
    mark_event_start(s);
    s.ledger.rain_first_pass = 0;
    ev.peak_q = 0.0;
    ev.peak_time = CalendarTime{};
  }
}

int run_simulation(RunContext& ctx, const std::string& project_file, CalibrationResult* result,
                   const RunHooks* hooks) {
  const ContextScope scope(ctx);
  const auto started = std::chrono::steady_clock::now();
  auto state = std::make_unique<ModelState>();
  ModelState& s = *state;

  ErrorCode& e = ctx.err;
  e = ErrorCode{};
  ctx.super_quiet = false;
  hold_summary_lines();

  if (result) {
    s.run.calibration_run = true;
    s.run.calibration_result = result;
  }
  s.project_file = project_file;
  if (hooks) s.run.hourly_et = hooks->hourly_et;

  bool ok = start_up(s);
  if (ok) {
    if (ctx.replace.active) print_replacement_use();
    say_console("total time to init(s): %8.1lf\n", elapsed_seconds(started));
    if (e.code != 0) ok = false;
  }
  if (ok) {
    say_console("Running....\n");
    say_summary("Running.... \n\n");
    while (true) {
      if (!time_step(s)) break;
      if (!s.event.simulation_continues) {
        if (e.code == 0) end_of_run(s);
        break;
      }
      if (e.code != 0) break;
    }
  }

  // Closing sequence.
  const int standing = e.code;
  release_summary_lines();
  s.files.close_all();
  e.log = nullptr;
  flush_console();
  state.reset();

  const double total = elapsed_seconds(started);
  FileHandle out_time;
  if (out_time.open("out_time.out", "a"))
    std::fprintf(out_time.fp, "total time (s): %8.2lf\n", total);
  if (ctx.thread_count > 1)
    say_console("%d: Run time: %6.2lf(s) \n", ctx.process_number, total);
  else
    say_console("Run time: %6.2lf(s) \n", total);
  std::fflush(stdout);
  out_time.close();

  if (e.stopping_code != 0) return e.stopping_code;
  return standing;
}

}  // namespace torva
