#include "input/replace.hpp"

#include "frame/process.hpp"

namespace torva {

void apply_replacements(std::string& line) {
  if (!process().replace.active) return;
  (void)line;
}

}  // namespace torva
