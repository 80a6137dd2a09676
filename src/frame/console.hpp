#pragma once
// The one printf-style facility for console and summary output.  The summary file is the
// ErrorCode record's `log`; quiet suppresses progress lines, super-quiet all console output.
#include <cstdarg>
#include <string>

namespace torva {

#define TORVA_PRINTF(a, b) __attribute__((format(printf, a, b)))

// printf-style append to a string (the formats are the system's fixed texts).
void appendf(std::string& out, const char* fmt, ...) TORVA_PRINTF(2, 3);
void vappendf(std::string& out, const char* fmt, va_list ap);

// Console (unless super-quiet) and the summary file when open.
void say(const char* fmt, ...) TORVA_PRINTF(1, 2);
// Console only (unless super-quiet).
void say_console(const char* fmt, ...) TORVA_PRINTF(1, 2);
// Summary file only.
void say_summary(const char* fmt, ...) TORVA_PRINTF(1, 2);
// Progress lines: console only, not when quiet or super-quiet.
void say_progress(bool quiet, const char* fmt, ...) TORVA_PRINTF(2, 3);
// Standard error, always.
void say_error(const char* fmt, ...) TORVA_PRINTF(1, 2);

void flush_console();

// Lines meant for the summary file before it opens (start-up announcements, loading
// errors) are kept from the start of a run and written when it opens; a run without a
// summary file drops them.
void hold_summary_lines();
void release_summary_lines();

}  // namespace torva
