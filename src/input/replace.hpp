#pragma once
// Replacement parameters: bracketed names in input lines replaced by values.
#include <string>

namespace torva {

// Replaces every bracketed parameter of `line` while replacement is active.
void apply_replacements(std::string& line);

}  // namespace torva
