// The roof: the command line as parsed, the torva program as a user runs it (exit code, console
// text and the files a run leaves), and the frame stages of the driver.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "model/command_line.hpp"
#include "model/driver.hpp"
#include "model/model_state.hpp"

namespace torva {
namespace {

namespace fs = std::filesystem;

// Only the first two characters of the option count, and only with a second argument.
TEST(CommandLine, ModesByFirstTwoCharacters) {
  const struct {
    std::vector<const char*> args;
    int mode, count;
    const char* file;
  } rows[] = {
      // clang-format off
      {{"project.prj"}, kModeSingle, 1, "project.prj"},
      {{"-v"}, kModeSingle, 1, "-v"},  // a lone option is a project name
      {{"-t"}, kModeSingle, 1, "-t"},
      {{"-v", "x"}, kModeVersion, 1, ""},
      {{"-h", "x"}, kModeHelp, 1, "x"},
      {{"-c", "sce.in"}, kModeCalibration, 1, "sce.in"},
      {{"-b", "p.prj"}, kModeBatch, 1, "p.prj"},
      {{"-b5", "p.prj"}, kModeBatch, 5, "p.prj"},
      {{"-bx", "p.prj"}, kModeBatch, 1, "p.prj"},
      {{"-m12", "mc.in", "ignored"}, kModeMonteCarlo, 12, "mc.in"},
      {{"-m", "mc.in"}, kModeMonteCarlo, 1, "mc.in"},
      {{"-sensitivity", "sen.in"}, kModeSensitivity, 1, "sen.in"},
      // clang-format on
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(std::string(r.args[0]) + " " + (r.args.size() > 1 ? r.args[1] : ""));
    std::vector<const char*> argv = r.args;
    argv.insert(argv.begin(), "torva");
    RunRequest req;
    testing::internal::CaptureStdout();
    const int count = parse_command_line(static_cast<int>(argv.size()), argv.data(), req);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(req.mode, r.mode);
    EXPECT_EQ(count, r.count);
    EXPECT_EQ(req.input_file, r.file);
  }
}

// '+' is a blank, "%hh" a character or '?', a newline or the length ends the text.
TEST(WebForm, DecodingAndBounds) {
  const std::pair<std::pair<const char*, long>, const char*> decoded[] = {
      // clang-format off
      {{"a+b%41%zzc", 100}, "a bA?c"}, {{"abc\ndef", 100}, "abc"}, {{"abcdef", 3}, "abc"},
      {{"x%4", 3}, "x?"}, {{"x%41", 3}, "x?"}};  // digits past the length are not read
  // clang-format on
  for (const auto& [in, want] : decoded) {
    SCOPED_TRACE(in.first);
    EXPECT_EQ(decode_form(in.first, in.second), want);
  }
  const std::pair<const char*, long> lengths[] = {{nullptr, -1}, {"abc", -1},    {"-1", -1},
                                                  {"1025", -1},  {"1024", 1024}, {"0", 0}};
  for (const auto& [text, want] : lengths) {
    SCOPED_TRACE(text ? text : "(unset)");
    EXPECT_EQ(parse_content_length(text), want);
  }
}

const std::string banner = "Parallel version of TORVA (5.7a) with SCE (OpenMP), ";
const std::string web =
    "Content-Type:text/text;charset=iso-8859-1\r\n\n<title>TORVA Test Case</title>";
const std::string missing = "specified project file was not found";
const std::string timing = "total time (s): ";
// The usage text: its first and last lines, one between, and 30 lines after the banner.
// clang-format off
const std::vector<std::pair<std::string, int>> usage = {
    {" total threads.\n\nUsage: torva [-option] [inputfile]\n\n where -option is one of:\n", 1},
    {"\n      torva -b[num_batch] torva_inputfile\n\n", 1},
    {"  where [num_batch] is the number of batch runs to make, sce_inputfile is the SCE input "
     "file, mc_intputfile is\n  the Monte Carlo input file, and sen_inputfile is the "
     "sensitivity input file.\n\n", 1},
    {"\n", 31}};
// clang-format on

TEST(Program, ExitCodeConsoleAndFiles) {
  const struct {
    std::string args;  // after ./torva, or a whole command when it runs ./torva_web
    int status;
    std::string starts;
    std::vector<std::pair<std::string, int>> counts;  // text, how often the console shows it
    std::vector<std::pair<std::string, std::string>> files = {};  // name, start ("-": absent)
  } rows[] = {
      // clang-format off
      {"", 0, banner, usage, {{"out_time.out", "-"}}},  // no run is made
      {"-t x", 0, banner, usage, {{"out_time.out", "-"}}},
      {"-v x", 0, banner, {{"\n    -- TORVA version 5.70a --\n \n", 1},
          {"developed in cooperation with: \n \n", 1}, {"For information contact:\n", 1}}},
      {"-h x", 0, banner, {{" total threads.\n", 1}, {"\n", 1}}},  // only the banner
      {"missing.prj 2>err.txt", 3, banner,
       {{"\nError: The " + missing + ".\n", 1}, {"Running....", 0}, {"Run time: ", 1}},
       {{"err.txt", "Error opening project file named: missing.prj\n"}, {"out_time.out", timing}}},
      // No run ends normally; each starts with a cleared ErrorCode and writes under its number.
      {"-b3 missing.prj 2>/dev/null", 3, banner,
       {{"TORVA is running in batch mode, and is running 3 runs...\n", 1}, {missing, 3}},
       {{"0000_out_time.out", timing}, {"0001_out_time.out", timing}, {"0002_out_time.out", timing},
        {"out_time.out", "-"}}},
      {"echo 'a+b%41' | CONTENT_LENGTH=6 ./torva_web -h x", 0, web,
       {{"with SCE starting...</P><P>a bA", 1}, {"Parallel version", 0}, {"</P></body>\n", 1}}},
      {"CONTENT_LENGTH=99999 ./torva_web -h x </dev/null", 0, web,
       {{"<P>Error in invocation - wrong FORM probably.", 1}, {"</P></body>\n", 1}}},
      // clang-format on
  };
  const fs::path dir = fs::path(testing::TempDir()) / "torva_program";
  for (const auto& r : rows) {
    SCOPED_TRACE(r.args);
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::create_symlink(TORVA_BINARY, dir / "torva_web");  // a program of that name answers a form
    const bool form = r.args.find("./torva_web") != std::string::npos;
    const std::string cmd = "cd '" + dir.string() + "' && " +
                            (form ? r.args : "'" + std::string(TORVA_BINARY) + "' " + r.args);
    FILE* p = popen(cmd.c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string out;
    for (int c; (c = std::fgetc(p)) != EOF;) out += static_cast<char>(c);
    const int st = pclose(p);
    EXPECT_EQ(WIFEXITED(st) ? WEXITSTATUS(st) : -1, r.status);
    EXPECT_TRUE(out.starts_with(r.starts)) << out;
    for (const auto& [text, n] : r.counts) {
      int seen = 0;
      for (auto at = out.find(text); at != std::string::npos; at = out.find(text, at + 1)) ++seen;
      EXPECT_EQ(seen, n) << '"' << text << "\" in\n" << out;
    }
    for (const auto& [file, start] : r.files) {
      std::stringstream text;
      text << std::ifstream(dir / file).rdbuf();
      EXPECT_EQ(fs::exists(dir / file), start != "-") << file;
      EXPECT_EQ(text.str().substr(0, start.size()), start == "-" ? "" : start) << file;
    }
  }
  fs::remove_all(dir);
}

TEST(Driver, ProgressLineInCmsOrCfs) {
  auto s = std::make_unique<ModelState>();
  s->event.event = 1;
  s->clock.elapsed_minutes = 90.5;
  s->clock.now = CalendarTime{2003, 7, 9, 14, 5, 0};
  s->event.outlet_q = 12.345;
  EXPECT_EQ(progress_line(*s),
            "event  1 elapsed time    90.50   7/09/2003 14:05:00 Qout=   12.35 cms\n");
  s->run.flow_cfs = true;
  EXPECT_EQ(progress_line(*s),
            "event  1 elapsed time    90.50   7/09/2003 14:05:00 Qout=     436.0 cfs\n");
}

// One-minute steps from midnight: the first pass runs at the start time itself, and the run
// ends in the pass that reaches the total time or goes past the fixed end date.
TEST(Driver, PassesUntilTheEventOrTheFixedEndDateEnds) {
  const struct {
    const char* name;
    double total_days, fixed_end_days;  // no fixed end date when negative
    int passes, hour, minute;
  } rows[] = {{"total time of an hour", 60.0 / 1440.0, -1.0, 61, 1, 0},
              {"end date after five minutes", 10.0, 5.0 / 1440.0, 7, 0, 6}};
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    auto s = std::make_unique<ModelState>();
    ClockState& c = s->clock;
    c.dt = 60.0;
    c.dt_days = 60.0 / 86400.0;
    c.start_time = c.current_time = julian_date(2001, 1, 1, 0, 0, 0);
    c.end_time = c.start_time + r.total_days;
    c.fixed_end = r.fixed_end_days >= 0.0;
    c.fixed_end_time = c.start_time + r.fixed_end_days;
    int passes = 0;
    for (; s->event.simulation_continues && passes < 1000; ++passes) {
      stage_advance_clock(*s);
      stage_event_decision(*s);
    }
    EXPECT_EQ(passes, r.passes);
    EXPECT_EQ(c.now.hour * 60 + c.now.minute, r.hour * 60 + r.minute);
    EXPECT_TRUE(s->event.end_of_event_due && s->event.event_ended && !s->event.event_running);
  }
}

TEST(Driver, PeakTrackingKeepsTheLargestDischargeAndItsTime) {
  auto s = std::make_unique<ModelState>();
  for (const auto& [hour, q] : {std::pair{1, 3.0}, {2, 2.0}}) {
    s->clock.now = CalendarTime{2001, 1, 1, hour, 0, 0};
    s->event.outlet_q = q;
    stage_outlet_peak(*s);
  }
  EXPECT_EQ(s->event.peak_q, 3.0);
  EXPECT_EQ(s->event.peak_time.hour, 1);
}

}  // namespace
}  // namespace torva
