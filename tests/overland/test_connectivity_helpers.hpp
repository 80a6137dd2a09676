#pragma once
// Small hand-made grids and scratch files for the connectivity and rain tests.
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "frame/run_context.hpp"
#include "model/model_state.hpp"

namespace torva::testing_grid {

// Fills a grid from rows of '1' (inside) and '0' (outside); cells are numbered row by
// row.  Elevations are given per cell in number order (missing ones are 0).
inline void make_grid(GridState& g, const std::vector<std::string>& rows, double dx,
                      const std::vector<double>& elev = {}) {
  g.rows = static_cast<int>(rows.size());
  g.cols = static_cast<int>(rows.front().size());
  g.dx = dx;
  g.cell_area = dx * dx;
  g.west = 1000.0;
  g.north = 5000.0;
  g.east = g.west + g.cols * dx;
  g.south = g.north - g.rows * dx;
  g.mask.allocate(g.rows + 1, g.cols + 1);
  int n = 0;
  for (int r = 1; r <= g.rows; ++r)
    for (int c = 1; c <= g.cols; ++c)
      if (rows[r - 1][c - 1] == '1') g.mask(r, c) = ++n;
  g.ncells = n;
  g.cell_row.allocate(n);
  g.cell_col.allocate(n);
  g.elevation.allocate(n);
  for (int r = 1; r <= g.rows; ++r)
    for (int c = 1; c <= g.cols; ++c)
      if (const int k = g.mask(r, c); k != 0) {
        g.cell_row[k] = r;
        g.cell_col[k] = c;
        if (static_cast<std::size_t>(k) <= elev.size()) g.elevation[k] = elev[k - 1];
      }
}

inline void clear_error() {
  error_code() = ErrorCode{};
}

// A scratch file under the build folder, removed when the object goes.
class TempFile {
 public:
  TempFile(const std::string& name, const std::string& text)
      : path_("tmp_precip_" + std::to_string(::getpid()) + "_" + name) {
    std::ofstream(path_, std::ios::binary) << text;
  }
  ~TempFile() { std::remove(path_.c_str()); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace torva::testing_grid
