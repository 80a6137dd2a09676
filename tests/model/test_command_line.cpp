// The command line, as parsed and as a user runs the torva program: exit code, console text
// and the files a run leaves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "model/command_line.hpp"

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

}  // namespace
}  // namespace torva
