#pragma once
// Command line, run modes, usage text, version banner and the web (CGI) invocation.
#include <cstdio>
#include <string>

namespace torva {

constexpr double kVersion = 5.7;
constexpr char kVersionLetter = 'a';

enum RunMode {
  kModeSingle = 1,
  kModeCalibration = 2,
  kModeBatch = 3,
  kModeVersion = 4,
  kModeHelp = 5,
  kModeMonteCarlo = 6,
  kModeSensitivity = 7,
};

struct RunRequest {
  int mode = 0;
  std::string input_file;
};

// Fills `req`; returns the run count, or -1 when no run is to be made (usage printed).
int parse_command_line(int argc, const char* const* argv, RunRequest& req);

void print_usage(FILE* out = stdout);
void print_version(FILE* out = stdout);

// Decodes a form body: '+' is a blank, "%hh" the character with that code ('?' when not
// hexadecimal), a newline ends the text.  Reads at most `length` characters of `body`.
std::string decode_form(const std::string& body, long length);

// Validates CONTENT_LENGTH: a decimal number in 0..1024, else -1.
long parse_content_length(const char* value);

// The program entry: returns the process exit code.
int torva_main(int argc, const char* const* argv);

}  // namespace torva
