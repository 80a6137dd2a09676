#pragma once
// Report: prints the message of the standing ErrorCode, sets or clears stop, clears code.
#include <string>

#include "frame/run_context.hpp"

namespace torva {

// True for the codes after which the run goes on.
bool is_warning_code(int code);

// The message text of `code` with the record's fields inserted; empty when the code has
// no message (129, 136 and above, 0 and below).
std::string error_message(int code, const ErrorCode& e);

void report(ErrorCode& e);
inline void report() {
  report(error_code());
}

}  // namespace torva
