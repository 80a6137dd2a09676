#include "frame/process.hpp"

namespace torva {

Process& process() {
  static Process p;
  return p;
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
