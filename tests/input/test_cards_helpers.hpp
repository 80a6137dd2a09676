#pragma once
// Shared helpers of the project-file tests: scratch files and a clean process record.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "frame/process.hpp"

namespace torva::testing_support {

inline std::string scratch_path(const std::string& name) {
  // One folder per test process: ctest runs tests of this program side by side.
  const auto dir = std::filesystem::temp_directory_path() /
                   ("torva_cards_tests_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  return (dir / name).string();
}

// Writes `text` byte for byte and returns the path.
inline std::string write_file(const std::string& name, const std::string& text) {
  const std::string path = scratch_path(name);
  std::ofstream out(path, std::ios::binary);
  out << text;
  return path;
}

// Every test starts from the process state of a fresh program.
inline void reset_process() {
  Process& p = process();
  p.replace.clear();
  p.batch_index = 0;
  p.super_quiet = false;
  p.project_folder.clear();
  p.output_folder.clear();
  p.process_number = 0;
  p.err = ErrorCode{};
}

class ProcessTest : public ::testing::Test {
 protected:
  void SetUp() override { reset_process(); }
  void TearDown() override { reset_process(); }
};

}  // namespace torva::testing_support
