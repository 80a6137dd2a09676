#include <cstdio>

#include "frame/console.hpp"
#include "frame/file_handle.hpp"
#include "frame/model_state.hpp"
#include "frame/process.hpp"
#include "input/input_stages.hpp"

namespace torva {

void stage_read_project(ModelState& s) {
  FileHandle f;
  if (!f.open(s.project_file, "r")) {
    say_error("Error opening project file named: %s\n", s.project_file.c_str());
    s.settings.site.project_not_opened = true;
  }
  if (s.settings.site.project_not_opened) set_error(3);
}
void stage_option_checks(ModelState&) {}
void stage_time_settings(ModelState&) {}
void stage_shift_relative_series(ModelState&) {}

}  // namespace torva
