#pragma once
// Soil columns of the Richards-equation method (cm, hours).  Every cell's column is a run
// of nodes 0..n in the flat node arrays, starting at `offset[cell]`; node 0 is the surface
// node and node n the bottom node.  Node parameters point into `layer_table`, one entry
// per soil type and layer, since every node of a layer shares them.
#include <cstddef>
#include <vector>

#include "frame/arrays.hpp"
#include "subsurface/richards_interval.hpp"
#include "subsurface/richards_soil.hpp"

namespace torva {

struct RichardsState {
  bool active = false;
  RichardsOptions options;
  int max_n = 0;  // largest bottom-node index of any column

  std::vector<SoilHydraulics> layer_table;  // entry 3 * (soil id) + layer - 1
  std::vector<const SoilHydraulics*> node_soil;
  std::vector<double> PHEAD, KHEAD, THETA, WATCAP, WATFLUX, SOURCE, DZ;
  std::vector<double> scratch;  // one work record per thread, sized once

  Array1<std::size_t> offset{"richards_offset"};  // first node of each cell
  Array1<int> nodes{"richards_nodes"};            // bottom-node index n of each cell
  Array1<int> layer1_last{"layer1_last"}, layer2_last{"layer2_last"}, layer3_last{"layer3_last"};
  Array1<int> upper_state{"upper_state"};       // 1 flux, 2 ponded head, 3 transition
  Array1<double> last_dt{"richards_last_dt"};   // h
  Array1<double> evap_demand{"richards_evap"};  // direct evaporation demand, cm/h
  // Per cell, the last interval (cm): drainage out of the bottom, evaporation, scheme error.
  Array1<double> drained{"richards_drained"};
  Array1<double> evaporated{"richards_evaporated"};
  Array1<double> soil_evaporated{"richards_soil_evaporated"};  // part of it from the column
  Array1<double> mass_error{"richards_mass_error"};

  // Run totals, m^3.
  double initial_root_zone = 0.0;
  double initial_volume = 0.0;
  double infiltrated_volume = 0.0;
  double evaporated_volume = 0.0;       // pond and column
  double soil_evaporated_volume = 0.0;  // column only
  double drained_volume = 0.0;
  double source_volume = 0.0;
  double error_volume = 0.0;
};

}  // namespace torva
