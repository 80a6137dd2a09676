#include "input/replace.hpp"

#include "frame/process.hpp"

namespace torva {

int load_replace_parameters(const std::string&) {
  return -1;
}
int load_replace_values(const std::string&) {
  return -1;
}
bool replace_at(std::string&, std::size_t) {
  return false;
}
void replace_line(std::string&) {}
void apply_replacements(std::string& line) {
  if (!process().replace.active) return;
  replace_line(line);
}
void print_replacement_values() {}
void print_replacement_use() {}
std::string format_replace_value(const ReplaceParam&) {
  return {};
}

}  // namespace torva
