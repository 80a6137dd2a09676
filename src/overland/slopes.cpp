#include "overland/slopes.hpp"

#include "frame/console.hpp"
#include "frame/run_context.hpp"
#include "model/model_state.hpp"

namespace torva {

void ground_slopes(std::span<const double> elevation, std::span<const int> east,
                   std::span<const int> south, double gridsize, std::span<double> slope_x,
                   std::span<double> slope_y) {
  const std::size_t n = elevation.size() - 1;
  // Sequential on purpose: both passes read entries that earlier iterations wrote.
  for (std::size_t k = 1; k <= n; ++k) {
    const int e = east[k];
    slope_x[k] = e != 0 ? (elevation[k] - elevation[e]) / gridsize : slope_x[k - 1];
  }
  for (std::size_t k = 1; k <= n; ++k) {
    const int so = south[k];
    if (so == 0) continue;
    slope_y[k] = (elevation[k] - elevation[so]) / gridsize;
    if (south[so] == 0) slope_y[so] = slope_y[k];
  }
}

void compute_ground_slopes(ModelState& s) {
  GridState& g = s.grid;
  ConnectivityState& cs = s.connect;
  const double dx = g.dx > 0.0 ? g.dx : s.settings.site.gridsize;
  if (g.ncells <= 0 || g.east_cell.size() != static_cast<std::size_t>(g.ncells) ||
      g.elevation.size() != static_cast<std::size_t>(g.ncells) || dx <= 0.0) {
    say("\nError: ground slopes need the elevation map, the grid size and the cell "
        "connectivity.\n");
    set_error(4000);
    return;
  }
  if (!cs.slope_x.allocate(g.ncells) || !cs.slope_y.allocate(g.ncells)) {
    set_error(4000);
    return;
  }
  ground_slopes(g.elevation.slots(), g.east_cell.slots(), g.south_cell.slots(), dx,
                cs.slope_x.slots(), cs.slope_y.slots());
}

}  // namespace torva
