#pragma once
// Whole runs of small projects: cards written to a scratch folder and run through the real
// driver in a fresh run context, the summary and outlet hydrograph read back.
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>

#include "frame/run_context.hpp"
#include "model/driver.hpp"
#include "support/scratch.hpp"

namespace torva::support {

// The number that follows the first `label` in `text`; NaN when the label is absent.
inline double value_after(const std::string& text, const std::string& label) {
  const std::size_t at = text.find(label);
  if (at == std::string::npos) return NAN;
  return std::strtod(text.c_str() + at + label.size(), nullptr);
}

// Does `text` contain `part`? (Reads better in expectations than find() != npos.)
inline bool has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class ProjectRun : public Scratch {
 public:
  // Writes mask.msk and elev.ele of a rows x cols basin of dx m cells that falls `drop` m per
  // cell towards its south-east outlet cell, and returns its cards: quiet, 30 s steps, Manning
  // n 0.05, hydrograph every 5 min, maps hourly, 50 mm/h uniform rain for `rain_min` minutes.
  std::string basin(int rows, int cols, double dx, int tot_min, int rain_min,
                    double drop = 0.1) const {
    write("mask.msk", raster_uniform(rows, cols, dx, 1));
    write("elev.ele", raster_of(rows, cols, dx, [&](int r, int c) {
            return 10.0 + drop * ((rows - 1 - r) + (cols - 1 - c));
          }));
    std::ostringstream p;
    p << "TORVAPROJECT\nSUPER_QUIET\nWATERSHED_MASK " << path("mask.msk") << "\nELEVATION "
      << path("elev.ele") << "\nROWS " << rows << "\nCOLS " << cols << "\nGRIDSIZE " << dx
      << "\nTOT_TIME " << tot_min << "\nTIMESTEP 30\nHYD_FREQ 5\nMAP_FREQ 60\nOUTROW " << rows
      << "\nOUTCOL " << cols << "\nOUTSLOPE 0.01\nMANNING_N 0.05\nSTART_DATE 2026 6 1\n"
      << "START_TIME 12 0\nPRECIP_UNIF\nRAIN_INTENSITY 50\nRAIN_DURATION " << rain_min << "\n";
    return p.str();
  }

  // Writes `cards` to `name`.prj (adding SUMMARY name.sum and OUTLET_HYDRO name.otl unless the
  // cards name them) and runs it in a fresh run context; returns the driver's result.
  int run(const std::string& cards, const std::string& name = "run") {
    std::string text = cards;
    if (!text.empty() && text.back() != '\n') text += '\n';
    if (!has(text, "\nSUMMARY ")) text += "SUMMARY " + path(name + ".sum") + "\n";
    if (!has(text, "\nOUTLET_HYDRO ")) text += "OUTLET_HYDRO " + path(name + ".otl") + "\n";
    write(name + ".prj", text);
    context = RunContext{};
    context.super_quiet = quiet;
    ContextScope scope(context);
    if (capture) ::testing::internal::CaptureStdout();
    const int result = run_simulation(context, path(name + ".prj"), nullptr, &hooks);
    if (capture) console = ::testing::internal::GetCapturedStdout();
    return result;
  }
  std::string summary(const std::string& name = "run") const { return read(name + ".sum"); }
  std::string hydrograph(const std::string& name = "run") const { return read(name + ".otl"); }

  RunContext context;   // the context of the last run (its ErrorCode and summary backlog)
  bool quiet = true;    // runs start without console output
  bool capture = true;  // the run's console output goes to `console` (not within a capture)
  std::string console;
  RunHooks hooks;  // what the test supplies besides the project (for example the hourly ET)
};

// A fixture whose every test has its own scratch folder for project runs.
template <class Base = ::testing::Test>
class ProjectRunTest : public Base, public ProjectRun {};

}  // namespace torva::support
