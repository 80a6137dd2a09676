// Replacement parameters: declarations, value-line selection, replacement and reports, and
// formats that must never reach printf.
#include <gtest/gtest.h>

#include "frame/run_context.hpp"
#include "input/line_reader.hpp"
#include "input/project_reader.hpp"
#include "input/replace.hpp"
#include "input/series_store.hpp"
#include "model/settings.hpp"
#include "test_cards_helpers.hpp"

namespace torva {
namespace {

using testing_support::write_file;

class ReplaceTest : public testing_support::ProcessTest {
 protected:
  // Loads the declarations and one value line; returns standard output.
  std::string load(const std::string& params, const std::string& values) {
    const std::string p = write_file("params.txt", params);
    const std::string v = write_file("values.txt", values);
    ::testing::internal::CaptureStdout();
    load_replace_parameters(p);
    load_replace_values(v);
    return ::testing::internal::GetCapturedStdout();
  }
  std::string replaced(std::string line) {
    ::testing::internal::CaptureStdout();
    apply_replacements(line);
    last_out = ::testing::internal::GetCapturedStdout();
    return line;
  }
  std::string last_out;
  const std::vector<ReplaceParam>& params() { return run_context().replace.params; }
};

TEST_F(ReplaceTest, DeclarationsWithAndWithoutQuotes) {
  const std::string out = load("3\n[KS_1] \"%6.3lf\"\n  [N]  %d\n[NAME]\n", "1.5 7\n");
  ASSERT_EQ(params().size(), 2u);
  EXPECT_EQ(params()[0].key, "[KS_1]");
  EXPECT_EQ(params()[0].key_length, 6);
  EXPECT_EQ(params()[0].kind, 1);
  EXPECT_EQ(params()[1].kind, 0);
  EXPECT_EQ(out,
            "Error: Improperly formatted line in the replacement parameter file\nline:[NAME]\n"
            "---> The format must be a C-style format in quotes, such as \"%4.2lf\"\n");
  EXPECT_TRUE(run_context().replace.active);
  EXPECT_EQ(replaced("KS [KS_1] N [N]"), "KS  1.500 N 7");
}

TEST_F(ReplaceTest, LongerKeyIsMatchedWhole) {
  load("2\n[A] %d\n[AB] %d\n", "1 2\n");
  EXPECT_EQ(replaced("x [AB] [A]"), "x 2 1");
}

TEST_F(ReplaceTest, ZeroPaddedInteger) {
  load("1\n[N] \"%03d\"\n", "7\n");
  EXPECT_EQ(replaced("ROWS [N]"), "ROWS 007");
}

TEST_F(ReplaceTest, UnmatchedPlaceholderStays) {
  load("1\n[A] %d\n", "5\n");
  EXPECT_EQ(replaced("a [B] [A]"), "a [B] 5");
  EXPECT_EQ(last_out, "Error: unable to match replace pair: a [B] [A]\n");
}

TEST_F(ReplaceTest, ValueLineBeyondTheEndUsesTheLastLine) {
  run_context().batch_index = 5;
  load("1\n[A] %d\n", "1\n2\n3\n");
  EXPECT_EQ(replaced("[A]"), "3");
  run_context().batch_index = 1;
  load("1\n[A] %d\n", "1\n2\n3\n");
  EXPECT_EQ(replaced("[A]"), "2");
}

TEST_F(ReplaceTest, NegativeBatchIndexSelectsNoLine) {
  run_context().batch_index = -1;
  load("1\n[A] %d\n", "1\n");
  EXPECT_FALSE(run_context().replace.active);
}

TEST_F(ReplaceTest, TextValuesKeepTheirLength) {
  const std::string name(600, 'n');
  load("1\n[F] %s\n", "\"" + name + " x\"\n");
  EXPECT_EQ(replaced("MAP [F]"), "MAP " + name + " x");
}

TEST_F(ReplaceTest, ValueHoldingItsOwnKeyCannotGrowForever) {
  load("1\n[A] %s\n", "x[A]\n");
  const std::string line = replaced("[A]");
  EXPECT_LE(line.size(), kMaxLine);
}

TEST_F(ReplaceTest, MaliciousFormatsAreRejected) {
  for (const char* f : {"%s%s%n", "%99999999lf", "%n", "%d%d", "%.999999f", "%*d", "%ls", "%%d",
                        "%x", "%10$d", "plain"}) {
    const std::string out = load(std::string("1\n[A] \"") + f + "\"\n", "1\n");
    EXPECT_TRUE(params().empty()) << f;
    EXPECT_NE(out.find("Improperly formatted line"), std::string::npos) << f;
  }
  EXPECT_EQ(replace_format_kind("v=%-8.3e m"), 1);
  EXPECT_EQ(replace_format_kind("%+5i"), 0);
  EXPECT_EQ(replace_format_kind("%12s"), 2);
}

TEST_F(ReplaceTest, ParameterFileFaults) {
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(load_replace_parameters("/nonexistent/p.txt"), -1);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "Error: unable to open the replace parameter file.\n");
  const std::string p = write_file("params.txt", "3\n[A] %d\n");
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(load_replace_parameters(p), -1);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "Error: unexpected end of parameter list file after 1 parameters. Expecting 3\n");
  const std::string q = write_file("params.txt", "many\n");
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(load_replace_parameters(q), -1);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "Error: unable to read the number of parameters in the parameter list file\n");
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(load_replace_values("/nonexistent/v.txt"), -1);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "Error: unable to open the value file /nonexistent/v.txt");
}

TEST_F(ReplaceTest, ReportsListValuesAndUse) {
  load("2\n[A] %4.1lf\n[B] %d\n", "2.5 3\n");
  replaced("x [A]");
  ::testing::internal::CaptureStdout();
  print_replacement_values();
  print_replacement_use();
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "\nUsing replacement values:\n [A]            =  2.5\n [B]            = 3\n\n"
            "\nTotal times a value was replaced: 1\n\n\nWas replacement value used?:\n"
            " [A]            = Yes\n [B]            = No\n\n");
  EXPECT_EQ(run_context().replace.count, 0);
}

TEST_F(ReplaceTest, ProjectFileLinesIncludingTheFirstAreReplaced) {
  load("2\n[MAGIC] %s\n[R] %d\n", "TORVAPROJECT 12\n");
  const std::string path = write_file("rep.prj", "[MAGIC]\nROWS [R]\n");
  Settings s;
  SeriesStore series;
  ::testing::internal::CaptureStdout();
  read_project_file(path, s, series);
  ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(error_code().code, 0);
  EXPECT_EQ(s.site.rows, 12);
}

TEST_F(ReplaceTest, TrialValuesAreNumbers) {
  load("2\n[K] %5.2lf\n[N] %d\n", "0 0\n");
  const double trial[] = {1.25, 4.0};
  assign_trial_values(trial);
  EXPECT_EQ(replaced("[K] [N]"), " 1.25 4");
}

}  // namespace
}  // namespace torva
