#include "frame/console.hpp"

#include <cstdio>

#include "frame/file_handle.hpp"
#include "frame/process.hpp"

namespace torva {
namespace {

FILE* summary_stream() {
  FileHandle* log = error_code().log;
  return (log && log->fp) ? log->fp : nullptr;
}

}  // namespace

void say(const char* fmt, ...) {
  va_list ap;
  if (!process().super_quiet) {
    va_start(ap, fmt);
    std::vfprintf(stdout, fmt, ap);
    va_end(ap);
  }
  if (FILE* s = summary_stream()) {
    va_start(ap, fmt);
    std::vfprintf(s, fmt, ap);
    va_end(ap);
  }
}

void say_console(const char* fmt, ...) {
  if (process().super_quiet) return;
  va_list ap;
  va_start(ap, fmt);
  std::vfprintf(stdout, fmt, ap);
  va_end(ap);
}

void say_summary(const char* fmt, ...) {
  FILE* s = summary_stream();
  if (!s) return;
  va_list ap;
  va_start(ap, fmt);
  std::vfprintf(s, fmt, ap);
  va_end(ap);
}

void say_progress(bool quiet, const char* fmt, ...) {
  if (quiet || process().super_quiet) return;
  va_list ap;
  va_start(ap, fmt);
  std::vfprintf(stdout, fmt, ap);
  va_end(ap);
}

void say_error(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  std::vfprintf(stderr, fmt, ap);
  va_end(ap);
}

void flush_console() {
  std::fflush(stdout);
  std::fflush(stderr);
}

}  // namespace torva
