#pragma once
// Replacement parameters: names in brackets in any input line are replaced by values.
// Lives in the process record, so it outlasts single runs (batch and calibration).
#include <string>
#include <vector>

namespace torva {

struct ReplaceParam {
  std::string key;     // the placeholder with its brackets, e.g. "[KS_1]"
  int key_length = 0;  // characters of key, brackets included
  std::string format;  // a checked printf format with one conversion, e.g. "%4.2lf"
  int kind = -1;       // 0 integer, 1 number, 2 text; -1 undetermined
  double number_value = 0.0;
  int integer_value = 0;
  std::string text_value;
  bool used = false;  // replaced at least once since the values were loaded
};

struct ReplaceList {
  std::vector<ReplaceParam> params;  // in the order of the parameter file
  bool active = false;               // values loaded; every input line is scanned
  int count = 0;                     // replacements since the values were loaded
  void clear() {
    params.clear();
    active = false;
    count = 0;
  }
};

}  // namespace torva
