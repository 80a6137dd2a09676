#pragma once
// Process-wide settings and the ErrorCode record: the only state that outlives one run.
#include <string>

#include "input/replace_list.hpp"

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

struct Process {
  int thread_count = 1;
  bool web_mode = false;
  int batch_index = 0;
  bool numbered_output = false;
  int output_run_number = 0;
  int process_number = 0;
  int process_count = 1;
  bool super_quiet = false;
  std::string project_folder;  // ends in '\\' when set
  std::string output_folder;   // ends in '\\' when set
  ErrorCode err;
  ReplaceList replace;  // replacement parameters and values
  std::string summary_backlog;  // summary lines written before the summary file opened
  bool summary_backlog_on = false;
};

Process& process();
inline ErrorCode& error_code() {
  return process().err;
}

// Sets a code (and optionally its fields) for the driver to report.
void set_error(int code, int number1 = 0, int number2 = 0, const std::string& what = {},
               const std::string& file = {});

}  // namespace torva
