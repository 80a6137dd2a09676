#pragma once
// Small hand-built grids for the overland tests: neighbour tables over a rectangular or
// masked grid, numbered row by row like the watershed mask.
#include <functional>
#include <vector>

#include "overland/ade_scheme.hpp"
#include "overland/face_flux.hpp"

namespace torva::testing {

struct TestGrid {
  int rows = 0, cols = 0, n = 0;
  double dx = 1.0;
  std::vector<int> number;  // (rows+2) x (cols+2), 0 outside
  std::vector<int> row, col, east, west, north, south, dike;
  std::vector<double> z, inv_n, ret, slope_x, slope_y;
  // Work arrays of a step.
  std::vector<double> h, saved, qx, qy, vx, vy;

  int at(int r, int c) const { return number[r * (cols + 2) + c]; }

  // inside(r, c) selects the cells (rows and columns from 1).
  TestGrid(int rows_, int cols_, double dx_, const std::function<bool(int, int)>& inside = {})
      : rows(rows_), cols(cols_), dx(dx_), number((rows_ + 2) * (cols_ + 2), 0) {
    row.push_back(0);
    col.push_back(0);
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
    for (int k = 1; k <= n; ++k) {
      slope_x[k] = east[k] ? (z[k] - z[east[k]]) / dx : slope_x[k - 1];
      if (south[k]) {
        slope_y[k] = (z[k] - z[south[k]]) / dx;
        if (!south[south[k]]) slope_y[south[k]] = slope_y[k];
      }
    }
  }
  void set_rough(double n_manning) { inv_n.assign(n + 1, 1.0 / n_manning); }

  SurfaceView view(bool dikes = false) const {
    SurfaceView v;
    v.ncells = n;
    v.dx = dx;
    v.elevation = z;
    v.inv_rough = inv_n;
    v.retention = ret;
    v.east_cell = east;
    v.west_cell = west;
    v.north_cell = north;
    v.south_cell = south;
    if (dikes) v.dike_code = dike;
    return v;
  }
  OverlandArrays arrays() { return {h, saved, qx, qy, vx, vy}; }
  double volume() const {
    double v = 0.0;
    for (int k = 1; k <= n; ++k) v += h[k] * dx * dx;
    return v;
  }
};

}  // namespace torva::testing
