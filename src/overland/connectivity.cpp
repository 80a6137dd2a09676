#include "overland/connectivity.hpp"

#include "frame/console.hpp"
#include "frame/run_context.hpp"
#include "model/model_state.hpp"
#include "overland/low_spots.hpp"

namespace torva {

void build_neighbour_tables(const Array2<int>& mask, int rows, int cols, std::span<int> east,
                            std::span<int> west, std::span<int> north, std::span<int> south) {
  for (int r = 1; r <= rows; ++r) {
    for (int c = 1; c <= cols; ++c) {
      const int k = mask(r, c);
      if (k == 0) continue;
      east[k] = c < cols ? mask(r, c + 1) : 0;
      west[k] = c > 1 ? mask(r, c - 1) : 0;
      south[k] = r < rows ? mask(r + 1, c) : 0;
      north[k] = r > 1 ? mask(r - 1, c) : 0;
    }
  }
}

void build_connectivity(ModelState& s) {
  GridState& g = s.grid;
  if (!s.run.quiet) say_console("building cell to cell connectivity information\n");
  if (g.ncells <= 0 || g.mask.rows() < g.rows + 1 || g.mask.cols() < g.cols + 1) {
    say("\nError: the watershed mask must be read before the cell connectivity is built.\n");
    set_error(4000);
    return;
  }
  if (!g.east_cell.allocate(g.ncells) || !g.west_cell.allocate(g.ncells) ||
      !g.north_cell.allocate(g.ncells) || !g.south_cell.allocate(g.ncells)) {
    set_error(4000);
    return;
  }
  build_neighbour_tables(g.mask, g.rows, g.cols, g.east_cell.slots(), g.west_cell.slots(),
                         g.north_cell.slots(), g.south_cell.slots());
  ConnectivityState& cs = s.connect;
  if (cs.has_dikes && !cs.low_spots.empty()) {
    LowSpotGrid grid{&g.mask,
                     g.rows,
                     g.cols,
                     g.east_cell.slots(),
                     g.west_cell.slots(),
                     g.north_cell.slots(),
                     g.south_cell.slots(),
                     cs.dike_code.slots(),
                     g.elevation.slots()};
    if (!validate_low_spots(cs.low_spots, grid, s.settings.overland.lowspot_file)) set_error(4000);
  }
}

}  // namespace torva
