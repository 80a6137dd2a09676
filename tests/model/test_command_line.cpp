#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/command_line.hpp"

namespace torva {
namespace {

struct Parsed {
  int count;
  RunRequest req;
  std::string out;
};

Parsed parse(std::vector<const char*> args) {
  args.insert(args.begin(), "torva");
  Parsed p;
  testing::internal::CaptureStdout();
  p.count = parse_command_line(static_cast<int>(args.size()), args.data(), p.req);
  p.out = testing::internal::GetCapturedStdout();
  return p;
}

TEST(CommandLine, ModesByFirstTwoCharacters) {
  struct Case {
    std::vector<const char*> args;
    int mode;
    int count;
    const char* file;
  };
  const Case cases[] = {
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
  };
  for (const Case& c : cases) {
    const Parsed p = parse(c.args);
    EXPECT_EQ(p.req.mode, c.mode) << c.args[0];
    EXPECT_EQ(p.count, c.count) << c.args[0];
    EXPECT_EQ(p.req.input_file, c.file) << c.args[0];
    EXPECT_EQ(p.out, "") << c.args[0];
  }
}

TEST(CommandLine, UsageForNoArgumentAndUnknownOption) {
  const Parsed none = parse({});
  EXPECT_EQ(none.count, -1);
  EXPECT_EQ(none.req.mode, 0);
  const Parsed t = parse({"-t", "x"});
  EXPECT_EQ(t.count, -1);
  EXPECT_EQ(none.out, t.out);
  EXPECT_EQ(
      none.out.rfind("\nUsage: torva [-option] [inputfile]\n\n where -option is one of:\n", 0), 0u);
  EXPECT_NE(none.out.find("      torva -b[num_batch] torva_inputfile\n\n"), std::string::npos);
  const std::string tail =
      "  where [num_batch] is the number of batch runs to make, sce_inputfile is the SCE input "
      "file, mc_intputfile is\n  the Monte Carlo input file, and sen_inputfile is the "
      "sensitivity input file.\n\n";
  ASSERT_GE(none.out.size(), tail.size());
  EXPECT_EQ(none.out.substr(none.out.size() - tail.size()), tail);
  int lines = 0;
  for (char c : none.out) lines += c == '\n';
  EXPECT_EQ(lines, 30);
}

TEST(CommandLine, VersionBannerFirstLine) {
  testing::internal::CaptureStdout();
  print_version();
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out.rfind("\n    -- TORVA version 5.70a --\n \n", 0), 0u);
  EXPECT_NE(out.find("developed in cooperation with: \n \n"), std::string::npos);
  EXPECT_NE(out.find("For information contact:\n"), std::string::npos);
}

TEST(WebForm, DecodingAndBounds) {
  EXPECT_EQ(decode_form("a+b%41%zzc", 100), "a bA?c");
  EXPECT_EQ(decode_form("abc\ndef", 100), "abc");
  EXPECT_EQ(decode_form("abcdef", 3), "abc");
  // A percent sign whose digits lie beyond the length is not read past the end.
  EXPECT_EQ(decode_form("x%4", 3), "x?");
  EXPECT_EQ(decode_form("x%41", 3), "x?");
  EXPECT_EQ(parse_content_length(nullptr), -1);
  EXPECT_EQ(parse_content_length("abc"), -1);
  EXPECT_EQ(parse_content_length("-1"), -1);
  EXPECT_EQ(parse_content_length("1025"), -1);
  EXPECT_EQ(parse_content_length("1024"), 1024);
  EXPECT_EQ(parse_content_length("0"), 0);
}

}  // namespace
}  // namespace torva
