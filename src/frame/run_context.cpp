#include "frame/run_context.hpp"

namespace torva {
namespace {

RunContext*& installed() {
  static RunContext* current = nullptr;
  return current;
}

}  // namespace

RunContext& run_context() {
  if (RunContext* c = installed()) return *c;
  static RunContext fallback;
  return fallback;
}

ContextScope::ContextScope(RunContext& ctx) : previous_(installed()) {
  installed() = &ctx;
}

ContextScope::~ContextScope() {
  installed() = previous_;
}

void set_error(int code, int number1, int number2, const std::string& what,
               const std::string& file) {
  ErrorCode& e = error_code();
  e.code = code;
  e.number1 = number1;
  e.number2 = number2;
  e.what = what;
  e.file = file;
}

}  // namespace torva
