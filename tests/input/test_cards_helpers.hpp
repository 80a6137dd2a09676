#pragma once
// Shared helpers of the project-file tests: scratch files and a clean process record.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "frame/run_context.hpp"

namespace torva::testing_support {

inline std::string scratch_path(const std::string& name) {
  // One folder per test process: ctest runs tests of this program side by side.
  const auto dir =
      std::filesystem::temp_directory_path() / ("torva_cards_tests_" + std::to_string(::getpid()));
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

// Each test has a fresh run context of its own (tests/support).
using ProcessTest = ::testing::Test;

}  // namespace torva::testing_support
