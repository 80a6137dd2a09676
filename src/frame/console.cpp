#include "frame/console.hpp"

#include <cstdio>
#include <string>

#include "frame/file_handle.hpp"
#include "frame/run_context.hpp"

namespace torva {
namespace {

FILE* summary_stream() {
  FileHandle* log = error_code().log;
  return (log && log->fp) ? log->fp : nullptr;
}

void keep_for_summary(const char* fmt, va_list ap) {
  RunContext& p = run_context();
  if (p.summary_backlog_on) vappendf(p.summary_backlog, fmt, ap);
}

}  // namespace

void vappendf(std::string& out, const char* fmt, va_list ap) {
  char small[512];
  va_list copy;
  va_copy(copy, ap);
  const int n = std::vsnprintf(small, sizeof small, fmt, copy);
  va_end(copy);
  if (n < 0) return;
  if (static_cast<std::size_t>(n) < sizeof small) {
    out.append(small, static_cast<std::size_t>(n));
    return;
  }
  // Long texts (file names) get a buffer of their own size.
  std::string big(static_cast<std::size_t>(n) + 1, '\0');
  std::vsnprintf(big.data(), big.size(), fmt, ap);
  out.append(big.data(), static_cast<std::size_t>(n));
}

void appendf(std::string& out, const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  vappendf(out, fmt, ap);
  va_end(ap);
}

void say(const char* fmt, ...) {
  va_list ap;
  if (!run_context().super_quiet) {
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
  if (run_context().super_quiet) return;
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
  RunContext& p = run_context();
  p.summary_backlog.clear();
  p.summary_backlog_on = true;
}

void release_summary_lines() {
  RunContext& p = run_context();
  if (FILE* s = summary_stream()) std::fputs(p.summary_backlog.c_str(), s);
  p.summary_backlog.clear();
  p.summary_backlog_on = false;
}

void say_progress(bool quiet, const char* fmt, ...) {
  if (quiet || run_context().super_quiet) return;
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
