#include "frame/console.hpp"

#include <cstdio>
#include <string>

#include "frame/file_handle.hpp"
#include "frame/process.hpp"

namespace torva {
namespace {

FILE* summary_stream() {
  FileHandle* log = error_code().log;
  return (log && log->fp) ? log->fp : nullptr;
}

void keep_for_summary(const char* fmt, va_list ap) {
  Process& p = process();
  if (!p.summary_backlog_on) return;
  char buf[1024];
  va_list copy;
  va_copy(copy, ap);
  const int n = std::vsnprintf(buf, sizeof buf, fmt, copy);
  va_end(copy);
  if (n < 0) return;
  if (static_cast<std::size_t>(n) < sizeof buf) {
    p.summary_backlog.append(buf, static_cast<std::size_t>(n));
    return;
  }
  std::string big(static_cast<std::size_t>(n) + 1, '\0');
  std::vsnprintf(big.data(), big.size(), fmt, ap);
  big.pop_back();
  p.summary_backlog += big;
}

}  // namespace

void say(const char* fmt, ...) {
  va_list ap;
  if (!process().super_quiet) {
    va_start(ap, fmt);
    std::vfprintf(stdout, fmt, ap);
    va_end(ap);
  }
  va_start(ap, fmt);
  if (FILE* s = summary_stream())
    std::vfprintf(s, fmt, ap);
  else
    keep_for_summary(fmt, ap);
  va_end(ap);
}

void say_console(const char* fmt, ...) {
  if (process().super_quiet) return;
  va_list ap;
  va_start(ap, fmt);
  std::vfprintf(stdout, fmt, ap);
  va_end(ap);
}

void say_summary(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  if (FILE* s = summary_stream())
    std::vfprintf(s, fmt, ap);
  else
    keep_for_summary(fmt, ap);
  va_end(ap);
}

void hold_summary_lines() {
  Process& p = process();
  p.summary_backlog.clear();
  p.summary_backlog_on = true;
}

void release_summary_lines() {
  Process& p = process();
  if (FILE* s = summary_stream()) std::fputs(p.summary_backlog.c_str(), s);
  p.summary_backlog.clear();
  p.summary_backlog_on = false;
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
