#pragma once
// The simulation driver: one call is one run of one project file.
#include <string>

namespace torva {

struct ModelState;
struct CalibrationResult;
struct RunContext;

// Runs the project in `ctx` (its settings, replacement values and sinks; its ErrorCode is
// cleared first); returns the run's result: 0 when it ended normally, else the code that
// stopped it (the first stopping code reported, or a code left standing unreported).
// What a caller may supply to a run besides its project: the hourly evapotranspiration of
// long-term runs (a stand-in until the model computes its own).
struct RunHooks {
  void (*hourly_et)(ModelState&) = nullptr;
};

int run_simulation(RunContext& ctx, const std::string& project_file,
                   CalibrationResult* result = nullptr, const RunHooks* hooks = nullptr);

// Frame stages of the time loop (exposed for tests).
void stage_advance_clock(ModelState& s);
void stage_outlet_peak(ModelState& s);
void stage_progress_line(ModelState& s);
void stage_event_decision(ModelState& s);
void stage_close_event(ModelState& s);

// The progress line of one pass (without the diagnostics lines).
std::string progress_line(const ModelState& s);

}  // namespace torva
