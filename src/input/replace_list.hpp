#pragma once
// Replacement parameters: names in brackets in any input line are replaced by values.
#include <string>
#include <vector>

namespace torva {

struct ReplaceParam {
  std::string name;    // the bracketed name, e.g. "[A]"
  std::string format;  // validated printf conversion for the value
  std::string value;   // current value as text
  int uses = 0;
};

struct ReplaceList {
  std::vector<ReplaceParam> params;
  bool active = false;
  void clear() {
    params.clear();
    active = false;
  }
};

}  // namespace torva
