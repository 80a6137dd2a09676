#include "frame/arrays.hpp"

#include "frame/console.hpp"

namespace torva {

void print_size_zero_message() {
  say_console("Error: Attempting to allocate array of size 0\n");
}

void print_allocation_failure(const std::string& name) {
  say_console("Error allocating memory for variable %s\n", name.c_str());
}

}  // namespace torva
