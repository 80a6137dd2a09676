#include "input/mask.hpp"

#include <cmath>

#include "frame/console.hpp"
#include "frame/run_context.hpp"
#include "input/raster_writer.hpp"
#include "model/model_state.hpp"

namespace torva {

void announce(const ModelState& s, const char* what, const std::string& path) {
  if (s.settings.site.quiet)
    say_summary("reading %s from file: %s\n", what, path.c_str());
  else
    say("reading %s from file: %s\n", what, path.c_str());
}

int grid_size_check(double g, const GridHeader& h) {
  const auto tenths = [](double x) { return std::trunc((x + 0.001) * 10.0); };
  const double want = tenths(g);
  if (h.rows == 0 || tenths((h.north - h.south) / h.rows) != want) return 1;
  if (h.cols == 0 || tenths((h.east - h.west) / h.cols) != want) return 2;
  return 0;
}

int renumber_mask(Array2<int>& mask) {
  int n = 0;
  for (long r = 0; r <= mask.rows(); ++r)
    for (long c = 0; c <= mask.cols(); ++c)
      if (mask(r, c) != 0) mask(r, c) = ++n;
  return n;
}

void read_watershed_mask(ModelState& s, FileHandle& file) {
  GridState& g = s.grid;
  const SiteCards& site = s.settings.site;
  const std::string path = file.name;
  g.rows = site.rows;
  g.cols = site.cols;
  g.dx = site.gridsize;
  if (g.rows <= 0 || g.cols <= 0 ||
      static_cast<long long>(g.rows + 2) * (g.cols + 2) > kMaxGridPositions) {
    say("Error: ROWS %d and COLS %d do not describe a usable grid (watershed mask: %s)\n", g.rows,
        g.cols, path.c_str());
    set_error(4000);
    file.close();
    return;
  }
  if (!g.mask.allocate(g.rows + 1, g.cols + 1) || !g.data.allocate(g.rows + 1, g.cols + 1)) {
    set_error(4000);
    file.close();
    return;
  }
  announce(s, "watershed mask", path);
  GridHeader h;
  const bool ok = read_grid(file, path, kIntegerGrid, h, g.mask, {}, g.rows, g.cols);
  file.close();
  if (!ok) return;
  g.north = h.north;
  g.south = h.south;
  g.east = h.east;
  g.west = h.west;

  if (const int axis = grid_size_check(g.dx, h)) {
    if (!site.quiet) {
      say("\nThe grid size specified in the project file: %7.4f m differs from\n", g.dx);
      if (axis == 1)
        say("the north-south dimension of the raster grid cells %7.4f m as calculated\n",
            (h.north - h.south) / h.rows);
      else
        say("the east-west dimension of the raster grid cells %7.4f m as calculated\n",
            (h.east - h.west) / h.cols);
      say("from the WATERSHED_MASK header.  Check your data to make sure they agree.\n");
      say("TORVA terminating.\n\n");
    }
    set_error(4000);
    return;
  }

  g.ncells = renumber_mask(g.mask);
  FileHandle out;
  if (out.open("maskmap", "w")) {
    write_mask_grass(out.fp, g.mask, {h.north, h.south, h.east, h.west, h.rows, h.cols});
    out.close();
  } else {
    say("Error: unable to open mask map file for writing\n");
  }
  say("number of grid cells in watershed: %d\n", g.ncells);
  g.cell_area = g.dx * g.dx;
  g.watershed_area = g.ncells * g.cell_area;
  if (g.ncells > 0) {
    g.cell_row.allocate(g.ncells);
    g.cell_col.allocate(g.ncells);
    for (int r = 1; r <= g.rows; ++r)
      for (int c = 1; c <= g.cols; ++c)
        if (const int cell = g.mask(r, c)) {
          g.cell_row[cell] = r;
          g.cell_col[cell] = c;
        }
  }
}

void read_elevation(ModelState& s, FileHandle& file) {
  GridState& g = s.grid;
  const std::string path = file.name;
  g.elevation.allocate(g.ncells);
  announce(s, "elevation map", path);
  GridHeader h;
  const bool ok =
      read_grid(file, path, kRealFirst, h, g.mask, {g.elevation.slots(), {}, {}}, g.rows, g.cols);
  file.close();
  if (!ok) return;
  const int r = s.settings.site.outrow;
  const int c = s.settings.site.outcol;
  g.outlet_row = r;
  g.outlet_col = c;
  // An outlet position off the grid is simply not inside the watershed.
  g.outlet_cell = (r >= 0 && r <= g.rows + 1 && c >= 0 && c <= g.cols + 1) ? g.mask(r, c) : 0;
  if (g.outlet_cell == 0 && !s.settings.channel.channel_input_given) {
    say("\nThe outlet row and column you specified in the project file are not\n");
    say("inside the watershed mask.  Check the outlet row and column again, and\n");
    say("make sure they are correctly specified in the project file using the\n");
    say("OUTROW and OUTCOL project file cards.  TORVA terminating.\n\n");
    set_error(4000);
    return;
  }
  say("outlet is in grid cell: %d\n", g.outlet_cell);
}

}  // namespace torva
