#include "model/command_line.hpp"

#include <omp.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "frame/run_context.hpp"
#include "model/driver.hpp"

namespace torva {
namespace {

const char* const kUsage[] = {
    "",
    "Usage: torva [-option] [inputfile]",
    "",
    " where -option is one of:",
    "      -c = SCE calibration mode (input file is the calibration control file)",
    "      -m = Monte Carlo calibration mode (input file is the calibration control file)",
    "      -b = batch mode (input file is the batch control file)",
    "      -s = sensitivity mode (input file is the sensitivity control file)",
    "      -v = display version information (no project will be run)",
    "  The c, m, b, and v commands are optional and if not present the input file is",
    " treated as the project file",
    "",
    "  For the -b option, the command line should be:",
    "      torva -b[num_batch] torva_inputfile",
    "",
    "  For the -c option, the command line should be:",
    "      torva -c sce_inputfile",
    "",
    "  For the -m option, the command line should be:",
    "      torva -m[num_batch] mc_inputfile",
    "",
    "  For the -s option, the command line should be:",
    "      torva -s sen_inputfile",
    "",
    "  For the -t option (and -tv), the command line should be:",
    "      torva -t[v]",
    "",
    "  where [num_batch] is the number of batch runs to make, sce_inputfile is the SCE input "
    "file, mc_intputfile is",
    "  the Monte Carlo input file, and sen_inputfile is the sensitivity input file.",
    "",
};

// The number written directly after "-b" or "-m"; 1 when none can be read.
int run_count_after(const char* arg) {
  const char* p = arg + 2;
  char* end = nullptr;
  const long n = std::strtol(p, &end, 10);
  if (end == p) return 1;
  if (n > 2147483647L) return 2147483647;
  if (n < -2147483647L) return -2147483647;
  return static_cast<int>(n);
}

// Result of a run as a process exit status: codes 1..125 as they are, others 1.
int exit_status(int result) {
  if (result == 0) return 0;
  if (result >= 1 && result <= 125) return result;
  return 1;
}

void not_available(const char* what) {
  std::printf("%s is not available in this version of TORVA.\n", what);
}

}  // namespace

void print_usage(FILE* out) {
  for (const char* line : kUsage) std::fprintf(out, "%s\n", line);
}

void print_version(FILE* out) {
  std::fprintf(out, "\n    -- TORVA version %4.2lf%c --\n \n", kVersion, kVersionLetter);
  std::fprintf(out,
               "  TORVA watershed model, developed by the hydrologic modelling group of the\n"
               "  watershed systems branch, environmental laboratory, engineering research centre\n"
               "\n \n");
  std::fprintf(out,
               "developed in cooperation with: \n \n"
               "  the departments of civil and environmental engineering of the partner "
               "universities\n"
               "\n \n");
  std::fprintf(out,
               "  The SCE routines were adapted from the shuffled complex evolution method of "
               "Duan, Sorooshian and Gupta\n"
               "\n \n");
  std::fprintf(out,
               "For information contact:\n"
               "  the TORVA development team\n"
               "\n \n");
  std::fprintf(out,
               "  TORVA is meant to be run from the QEX modelling host, version 8.0 or higher.\n");
}

int parse_command_line(int argc, const char* const* argv, RunRequest& req) {
  req = RunRequest{};
  if (argc < 2) {
    print_usage();
    return -1;
  }
  if (argc == 2) {
    req.mode = kModeSingle;
    req.input_file = argv[1];
    return 1;
  }
  const char* opt = argv[1];
  auto starts = [opt](const char* two) { return std::strncmp(opt, two, 2) == 0; };
  if (starts("-s")) {
    req.mode = kModeSensitivity;
    req.input_file = argv[2];
    return 1;
  }
  if (starts("-c")) {
    req.mode = kModeCalibration;
    req.input_file = argv[2];
    return 1;
  }
  if (starts("-b")) {
    req.mode = kModeBatch;
    req.input_file = argv[2];
    return run_count_after(opt);
  }
  if (starts("-m")) {
    req.mode = kModeMonteCarlo;
    req.input_file = argv[2];
    return run_count_after(opt);
  }
  if (starts("-h")) {
    req.mode = kModeHelp;
    req.input_file = argv[2];
    return 1;
  }
  if (starts("-v")) {
    req.mode = kModeVersion;
    return 1;
  }
  print_usage();
  return -1;
}

long parse_content_length(const char* value) {
  if (!value) return -1;
  const char* p = value;
  while (*p == ' ' || *p == '\t') ++p;
  char* end = nullptr;
  const long n = std::strtol(p, &end, 10);
  if (end == p || n < 0 || n > 1024) return -1;
  return n;
}

std::string decode_form(const std::string& body, long length) {
  std::string out;
  const long n = std::min<long>(length, static_cast<long>(body.size()));
  for (long i = 0; i < n; ++i) {
    const char ch = body[static_cast<std::size_t>(i)];
    if (ch == '\n') break;
    if (ch == '+') {
      out += ' ';
    } else if (ch == '%') {
      // The percent sign and its two digits count as three input characters.
      if (i + 2 < n && std::isxdigit(static_cast<unsigned char>(body[i + 1])) &&
          std::isxdigit(static_cast<unsigned char>(body[i + 2]))) {
        out += static_cast<char>(std::strtol(body.substr(i + 1, 2).c_str(), nullptr, 16));
      } else {
        out += '?';
      }
      i += 2;
    } else {
      out += ch;
    }
  }
  return out;
}

int torva_main(int argc, const char* const* argv) {
  // The program's settings live here and reach every run through its context.
  RunContext p;
  const ContextScope scope(p);
  p.thread_count = omp_get_num_procs();
  omp_set_num_threads(p.thread_count);
  int exit_code = 0;

  if (argc > 0 && argv[0] && std::strstr(argv[0], "web")) {
    p.web_mode = true;
    std::printf("%s%c%c\n", "Content-Type:text/text;charset=iso-8859-1", 13, 10);
    std::printf(
        "<title>TORVA Test Case</title><body><P> Web version of TORVA (%2.1lf%c) with SCE "
        "starting...</P><P>",
        kVersion, kVersionLetter);
    const long length = parse_content_length(std::getenv("CONTENT_LENGTH"));
    if (length < 0) {
      std::printf("<P>Error in invocation - wrong FORM probably.");
    } else {
      std::string body;
      for (long i = 0; i < length; ++i) {
        const int ch = std::fgetc(stdin);
        if (ch == EOF) break;
        body += static_cast<char>(ch);
        if (ch == '\n') break;
      }
      std::printf("%s", decode_form(body, length).c_str());
    }
  }
  if (!p.web_mode) {
    std::printf("Parallel version of TORVA (%2.1lf%c) with SCE (OpenMP), %d total threads.\n",
                kVersion, kVersionLetter, p.thread_count);
    std::fflush(stdout);
  }

  RunRequest req;
  const int count = parse_command_line(argc, argv, req);
  if (count != -1 && req.mode >= 1 && req.mode <= 7) {
    p.process_number = 0;
    p.process_count = 1;
    switch (req.mode) {
      case kModeSingle:
        exit_code = exit_status(run_simulation(p, req.input_file));
        break;
      case kModeCalibration:
        not_available("SCE calibration");
        break;
      case kModeBatch:
        std::printf("TORVA is running in batch mode, and is running %d runs...\n", count);
        for (int i = 0; i < count; ++i) {
          p.batch_index = i;
          p.numbered_output = true;
          p.output_run_number = i;
          const int status = exit_status(run_simulation(p, req.input_file));
          if (status != 0 && exit_code == 0) exit_code = status;
        }
        break;
      case kModeVersion:
        print_version();
        break;
      case kModeHelp:
        break;
      case kModeMonteCarlo:
        not_available("Monte Carlo calibration");
        break;
      case kModeSensitivity:
        not_available("Sensitivity analysis");
        break;
      default:
        break;
    }
  }
  if (p.web_mode) std::printf("</P></body>\n");
  std::fflush(stdout);
  return exit_code;
}

}  // namespace torva
