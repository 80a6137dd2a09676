// The torva program as a user runs it.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

struct Result {
  int status;
  std::string out;
};

// Runs a shell command in `dir`, capturing standard output.
Result run_in(const fs::path& dir, const std::string& cmd) {
  const std::string full = "cd '" + dir.string() + "' && " + cmd;
  FILE* p = popen(full.c_str(), "r");
  Result r{-1, {}};
  if (!p) return r;
  std::array<char, 4096> buf;
  size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
  const int st = pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

std::string read_file(const fs::path& p) {
  std::ifstream in(p);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

class Program : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(testing::TempDir()) /
           ("torva_program_" +
            std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
  const std::string torva_ = TORVA_BINARY;
};

TEST_F(Program, NoArgumentPrintsUsageAndExitsZero) {
  const Result r = run_in(dir_, "'" + torva_ + "'");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind("Parallel version of TORVA (5.7a) with SCE (OpenMP), ", 0), 0u);
  EXPECT_NE(r.out.find(" total threads.\n\nUsage: torva [-option] [inputfile]\n"),
            std::string::npos);
}

TEST_F(Program, VersionAndHelpModes) {
  Result r = run_in(dir_, "'" + torva_ + "' -v x");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("\n    -- TORVA version 5.70a --\n"), std::string::npos);
  r = run_in(dir_, "'" + torva_ + "' -h x");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.find('\n'), r.out.size() - 1);  // only the parallel banner
  EXPECT_EQ(r.out.rfind("Parallel version of TORVA", 0), 0u);
}

TEST_F(Program, MissingProjectStopsWithCode3) {
  const Result r = run_in(dir_, "'" + torva_ + "' missing.prj 2>err.txt");
  EXPECT_EQ(r.status, 3);
  EXPECT_NE(r.out.find("\nError: The specified project file was not found.\n"), std::string::npos);
  EXPECT_EQ(r.out.find("Running...."), std::string::npos);
  EXPECT_NE(r.out.find("Run time: "), std::string::npos);
  EXPECT_EQ(read_file(dir_ / "err.txt"), "Error opening project file named: missing.prj\n");
  const std::string t = read_file(dir_ / "out_time.out");
  EXPECT_EQ(t.rfind("total time (s): ", 0), 0u);
  EXPECT_EQ(t.back(), '\n');
}

TEST_F(Program, BatchRunsEachRunWithItsOwnNumber) {
  const Result r = run_in(dir_, "'" + torva_ + "' -b3 missing.prj 2>/dev/null");
  EXPECT_EQ(r.status, 3);  // no run ended normally
  EXPECT_NE(r.out.find("TORVA is running in batch mode, and is running 3 runs...\n"),
            std::string::npos);
  size_t reports = 0;
  for (size_t pos = 0;
       (pos = r.out.find("specified project file was not found", pos)) != std::string::npos; ++pos)
    ++reports;
  EXPECT_EQ(reports, 3u);  // each run starts with a cleared ErrorCode
  for (const char* name : {"0000_out_time.out", "0001_out_time.out", "0002_out_time.out"})
    EXPECT_EQ(read_file(dir_ / name).rfind("total time (s): ", 0), 0u) << name;
  EXPECT_FALSE(fs::exists(dir_ / "out_time.out"));
}

TEST_F(Program, WebInvocationWrapsThePage) {
  fs::create_symlink(torva_, dir_ / "torva_web");
  Result r = run_in(dir_, "echo 'a+b%41' | CONTENT_LENGTH=6 ./torva_web -h x");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind(
                "Content-Type:text/text;charset=iso-8859-1\r\n\n<title>TORVA Test Case</title>", 0),
            0u);
  EXPECT_NE(r.out.find("with SCE starting...</P><P>a bA"), std::string::npos);
  EXPECT_EQ(r.out.find("Parallel version"), std::string::npos);
  EXPECT_EQ(r.out.substr(r.out.size() - 12), "</P></body>\n");
  r = run_in(dir_, "CONTENT_LENGTH=99999 ./torva_web -h x </dev/null");
  EXPECT_NE(r.out.find("<P>Error in invocation - wrong FORM probably."), std::string::npos);
}

}  // namespace
