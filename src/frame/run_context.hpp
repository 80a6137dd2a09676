#pragma once
// The run context: what a simulation receives from the program that runs it (the
// process-wide settings, the replacement parameters) and where it reports (the ErrorCode
// record, the console and summary sinks).  The entry point, a batch, a calibration or a
// test owns one and hands it to each run; nothing else outlives a run.
#include <string>

#include "frame/replace_list.hpp"

namespace torva {

struct FileHandle;

// Faults are posted here by the stage that meets them; Report prints and decides stop.
struct ErrorCode {
  int code = 0;
  int stop = 0;
  int number1 = 0;
  int number2 = 0;
  std::string what;
  std::string file;
  FileHandle* log = nullptr;  // the run's summary file once open
  // First stopping code of the current run, kept so the run's result survives Report
  // clearing `code` (otherwise a failed run would exit 0).
  int stopping_code = 0;
};

struct RunContext {
  // Settings of the program that outlive a run.
  int thread_count = 1;
  bool web_mode = false;
  int batch_index = 0;
  bool numbered_output = false;
  int output_run_number = 0;
  int process_number = 0;
  int process_count = 1;
  std::string project_folder;  // ends in '\\' when set
  std::string output_folder;   // ends in '\\' when set
  ReplaceList replace;         // replacement parameters and values

  // Where the run in progress reports.
  ErrorCode err;
  bool super_quiet = false;     // no console output at all
  std::string summary_backlog;  // summary lines written before the summary file opened
  bool summary_backlog_on = false;
};

// The context in use: the one installed by the innermost live ContextScope, else a
// default context of the process (used by tools that call readers directly).
RunContext& run_context();
inline ErrorCode& error_code() {
  return run_context().err;
}

// Installs a context for its lifetime and restores the previous one after.
class ContextScope {
 public:
  explicit ContextScope(RunContext& ctx);
  ~ContextScope();
  ContextScope(const ContextScope&) = delete;
  ContextScope& operator=(const ContextScope&) = delete;

 private:
  RunContext* previous_;
};

// Sets a code (and optionally its fields) for the driver to report.
void set_error(int code, int number1 = 0, int number2 = 0, const std::string& what = {},
               const std::string& file = {});

}  // namespace torva
