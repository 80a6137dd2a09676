#pragma once
// Helpers of the map-reader tests: a scratch folder that is the working directory while a
// test runs, small raster files, and a clean ErrorCode record.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "frame/run_context.hpp"

namespace torva::testing {

inline void clear_error() {
  error_code() = ErrorCode{};
}

class ScratchDir : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/torva_maps_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    old_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
    clear_error();
  }
  void TearDown() override {
    std::filesystem::current_path(old_);
    std::filesystem::remove_all(dir_);
    clear_error();
  }
  static void write(const std::string& name, const std::string& text) {
    std::ofstream(name, std::ios::binary) << text;
  }
  static std::string slurp(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }

  std::filesystem::path dir_;
  std::filesystem::path old_;
};

// Header lines as the writers produce them, then the rows as given.
inline std::string grid_text(int rows, int cols, const std::vector<std::string>& lines,
                             double north = 300.0, double south = 0.0, double east = 300.0,
                             double west = 0.0) {
  char buf[256];
  std::snprintf(buf, sizeof buf,
                "north: %.2f\nsouth: %.2f\neast: %.2f\nwest: %.2f\nrows: %d\ncols: %d\n", north,
                south, east, west, rows, cols);
  std::string s = buf;
  for (const std::string& l : lines) s += l + "\n";
  return s;
}

}  // namespace torva::testing
