// Damaged project files: each gives its documented message and an orderly stop.
#include <gtest/gtest.h>

#include <random>

#include "frame/run_context.hpp"
#include "input/line_reader.hpp"
#include "input/project_reader.hpp"
#include "input/series_store.hpp"
#include "model/settings.hpp"
#include "test_cards_helpers.hpp"

namespace torva {
namespace {

using testing_support::write_file;

const char* kRejected =
    "File Does not Appear to be a Valid TORVA/KEVRIN Project file\n"
    "Perhaps you Should Issue a 'dos2unix' Command if you are on a Unix machine?\n"
    "TORVA Terminating....\n";

class FuzzTest : public testing_support::ProcessTest {
 protected:
  void read(const std::string& bytes) {
    const std::string path = write_file("fuzz.prj", bytes);
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    read_project_file(path, settings, series);
    out = ::testing::internal::GetCapturedStdout();
    err = ::testing::internal::GetCapturedStderr();
  }
  void expect_rejected(const char* what) {
    EXPECT_EQ(err, kRejected) << what;
    EXPECT_EQ(error_code().stop, 1) << what;
    EXPECT_EQ(error_code().stopping_code, 4000) << what;
  }
  Settings settings;
  SeriesStore series;
  std::string out, err;
};

TEST_F(FuzzTest, FirstLineVariants) {
  read("");
  expect_rejected("empty file");
  run_context() = RunContext{};  // each case as in a fresh program
  read("TORVAPROJECT \nROWS 3\n");
  expect_rejected("trailing blank");
  run_context() = RunContext{};  // each case as in a fresh program
  read("TORVAPROJECT\r\nROWS 3\r\n");
  expect_rejected("DOS line ends");
  run_context() = RunContext{};  // each case as in a fresh program
  read(std::string(100000, 'T') + "\nROWS 3\n");
  expect_rejected("100 000-character first line");
  run_context() = RunContext{};  // each case as in a fresh program
  read("KEVRINPROJECT");
  EXPECT_EQ(err, "");
  EXPECT_EQ(error_code().stop, 0);
}

TEST_F(FuzzTest, GarbageBytes) {
  std::mt19937 rng(12345);
  for (int round = 0; round < 20; ++round) {
    std::string bytes(4096, '\0');
    for (char& c : bytes) c = static_cast<char>(rng() & 0xff);
    run_context() = RunContext{};  // each case as in a fresh program
    read(bytes);
    expect_rejected("garbage");
  }
}

TEST_F(FuzzTest, GarbageAfterTheMagicLineIsWarnedAboutLineByLine) {
  std::mt19937 rng(777);
  std::string bytes = "TORVAPROJECT\n";
  for (int k = 0; k < 20000; ++k) {
    const char c = static_cast<char>(rng() & 0xff);
    bytes.push_back(c == '"' ? '\n' : c);
  }
  bytes += "\nROWS 9\n";
  read(bytes);
  EXPECT_EQ(err, "");
  EXPECT_EQ(settings.site.rows, 9);
}

TEST_F(FuzzTest, OverlongCardLineIsCutWithAWarning) {
  read("TORVAPROJECT\nELEVATION " + std::string(100000, 'x') + "\nROWS 2\n");
  EXPECT_NE(out.find("Warning: line 2 of the project file"), std::string::npos);
  EXPECT_EQ(settings.maps.elevation.size(), kMaxLine - std::string("ELEVATION ").size());
  EXPECT_EQ(settings.site.rows, 2) << "the rest of the long line is not read as cards";
}

TEST_F(FuzzTest, DosLineEndsAfterAnAcceptedFirstLine) {
  read("TORVAPROJECT\nROWS 4\r\nELEVATION e.asc\r\n");
  EXPECT_EQ(settings.site.rows, 4);
  EXPECT_EQ(settings.maps.elevation, "e.asc") << "a carriage return separates tokens";
}

TEST_F(FuzzTest, UnterminatedQuoteAndLoneSeparators) {
  read("TORVAPROJECT\n,,,\n\t\nELEVATION \"open quote\n\"\nROWS \"\"\n");
  EXPECT_EQ(settings.maps.elevation, "open quote");
  EXPECT_EQ(settings.site.rows, 0);
  EXPECT_NE(out.find("unknown card found in the project file: \n"), std::string::npos)
      << "an empty quoted keyword is unknown";
}

}  // namespace
}  // namespace torva
