#include "model/driver.hpp"

#include <chrono>
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

struct StageEntry {
  Stage run;
  int checks;  // stage checks after the stage: 0, 1 or 2
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
    for (int i = 0; i < st.checks; ++i)
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

// Start-up steps 5 to 23 of a run, in order.
bool start_up(ModelState& s) {
  return run_stages(s, {
                           {stage_read_project, 1},
                           {stage_open_summary, 1},
                           {stage_option_checks, 1},
                           {stage_load_maps, 1},
                           {stage_load_soils, 1},
                           {stage_load_channels, 1},
                           {stage_open_outputs, 1},
                           {stage_startup_banner, 0},
                           {stage_replacement_report, 0},
                           {stage_time_settings, 1},
                           {stage_allocate_overland, 1},
                           {stage_linknode_header, 1},
                           {stage_connectivity, 1},
                           {stage_initial_slopes, 1},
                           {stage_channel_point_setup, 1},
                           {stage_shift_relative_series, 0},
                           {stage_initial_storage, 0},
                           {stage_first_event_setup, 1},
                       });
}

// One pass of the time loop.  Stages of processes this version does not simulate
// (sediment, contaminants and nutrients, lakes, storm sewers, Sacramento accounting,
// co-run exchange) have no slot.
bool time_step(ModelState& s) {
  return run_stages(s, {
                           {stage_advance_clock, 1},         // 1
                           {stage_precipitation, 1},         // 2
                           {stage_event_start, 1},           // 3
                           {stage_radar, 1},                 // 4
                           {stage_depth_check, 1},           // 5
                           {stage_infil_redist_start, 1},    // 6
                           {stage_soil_column, 1},           // 7
                           {stage_long_term, 1},             // 8
                           {stage_infiltration, 1},          // 9
                           {stage_overland, 1},              // 12
                           {stage_groundwater, 1},           // 17
                           {stage_channel_routing, 1},       // 19
                           {stage_channel_point_inputs, 1},  // 20
                           {stage_outlet_peak, 1},           // 21
                           {stage_progress_line, 1},         // 25
                           {stage_event_decision, 1},        // 26
                           {stage_close_event, 1},           // 28
                           {stage_hydrograph_output, 2},     // 29
                           {stage_map_output, 1},            // 30
                       });
}

double elapsed_seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

void stage_advance_clock(ModelState& s) {
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
  // No run is long-term yet: the reader ignores LONG_TERM, since without the low-flow rule
  // that ends long-term events this branch would never end the run.
}

void stage_close_event(ModelState& s) {
  EventControl& ev = s.event;
  if (!ev.end_of_event_due) return;
  ev.end_of_event_due = false;
  write_event_summary(s);
  say_console("finished event \n");
  if (s.files.summary.fp) std::fflush(s.files.summary.fp);
  ++ev.event;
}

int run_simulation(RunContext& ctx, const std::string& project_file, CalibrationResult* result) {
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
        if (e.code == 0) run_stages(s, {{stage_totals, 1}, {stage_channel_hotstart, 1}});
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
