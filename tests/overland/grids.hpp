#pragma once
// Small hand-made grids for the overland tests, cells numbered row by row like the mask:
// loose arrays for the kernels, or the same layout in a ModelState for the stages.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "model/model_state.hpp"
#include "overland/ade_scheme.hpp"
#include "overland/connectivity.hpp"
#include "overland/slopes.hpp"

namespace torva::testing {

struct TestGrid {
  int rows = 0, cols = 0, n = 0;
  double dx = 1.0;
  std::vector<int> number;  // (rows+2) x (cols+2), 0 outside
  std::vector<int> row, col, east, west, north, south, dike;
  std::vector<double> z, inv_n, ret, slope_x, slope_y, h, saved, qx, qy, vx, vy;

  int at(int r, int c) const { return number[r * (cols + 2) + c]; }

  // inside(r, c) selects the cells (rows and columns from 1).
  TestGrid(int rows_, int cols_, double dx_, const std::function<bool(int, int)>& inside = {})
      : rows(rows_), cols(cols_), dx(dx_), number((rows_ + 2) * (cols_ + 2), 0), row(1), col(1) {
    for (int r = 1; r <= rows; ++r)
      for (int c = 1; c <= cols; ++c)
        if (!inside || inside(r, c)) {
          number[r * (cols + 2) + c] = ++n;
          row.push_back(r);
          col.push_back(c);
        }
    east.assign(n + 1, 0);
    west = north = south = dike = east;
    z.assign(n + 1, 0.0);
    inv_n.assign(n + 1, 10.0);
    ret = slope_x = slope_y = h = saved = qx = qy = vx = vy = z;
    for (int k = 1; k <= n; ++k) {
      east[k] = at(row[k], col[k] + 1);
      west[k] = at(row[k], col[k] - 1);
      north[k] = at(row[k] - 1, col[k]);
      south[k] = at(row[k] + 1, col[k]);
    }
  }
  void set_elevation(const std::function<double(int, int)>& f) {
    for (int k = 1; k <= n; ++k) z[k] = f(row[k], col[k]);
    ground_slopes(z, east, south, dx, slope_x, slope_y);
  }
  void set_rough(double manning_n) { inv_n.assign(n + 1, 1.0 / manning_n); }
  SurfaceView view(bool dikes = false) const {
    return {n,    dx,   z,     inv_n, ret,
            east, west, north, south, dikes ? std::span<const int>(dike) : std::span<const int>()};
  }
  OverlandArrays arrays() { return {h, saved, qx, qy, vx, vy}; }
  double volume() const {
    double v = 0.0;
    for (int k = 1; k <= n; ++k) v += h[k] * dx * dx;
    return v;
  }
};

// Lays rows of '1' (inside) and '0' into s.grid, elevations in cell order, north-west corner
// at (1000, 5000), and builds the neighbour tables and ground slopes as the start-up does.
inline void make_grid(ModelState& s, const std::vector<std::string>& rows, double dx,
                      const std::vector<double>& elev = {}) {
  GridState& g = s.grid;
  g.rows = static_cast<int>(rows.size());
  g.cols = static_cast<int>(rows.front().size());
  g.dx = dx;
  g.cell_area = dx * dx;
  g.west = 1000.0;
  g.north = 5000.0;
  g.east = g.west + g.cols * dx;
  g.south = g.north - g.rows * dx;
  g.mask.allocate(g.rows + 1, g.cols + 1);
  for (int r = 1; r <= g.rows; ++r)
    for (int c = 1; c <= g.cols; ++c)
      if (rows[r - 1][c - 1] == '1') g.mask(r, c) = ++g.ncells;
  g.cell_row.allocate(g.ncells);
  g.cell_col.allocate(g.ncells);
  g.elevation.allocate(g.ncells);
  for (int r = 1; r <= g.rows; ++r)
    for (int c = 1; c <= g.cols; ++c)
      if (const int k = g.mask(r, c); k != 0) {
        g.cell_row[k] = r;
        g.cell_col[k] = c;
        if (static_cast<std::size_t>(k) <= elev.size()) g.elevation[k] = elev[k - 1];
      }
  const bool quiet = s.run.quiet;
  s.run.quiet = true;
  build_connectivity(s);
  compute_ground_slopes(s);
  s.run.quiet = quiet;
}

// What a stage or reader said: exactly `expected`, or, when that starts with "...", a text
// that contains the rest.
inline void expect_said(const std::string& said, const std::string& expected) {
  if (expected.starts_with("...")) {
    EXPECT_NE(said.find(expected.substr(3)), std::string::npos) << said;
  } else {
    EXPECT_EQ(said, expected);
  }
}

}  // namespace torva::testing
