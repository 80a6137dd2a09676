#pragma once
// Per-cell parameters from maps, mapping tables or uniform cards, in model units.
#include <array>
#include <string>
#include <vector>

#include "frame/arrays.hpp"

namespace torva {

// One row of the TIME_SERIES_INDEX mapping table: an ID and the time series it names.
struct SeriesIndexEntry {
  int id = 0;
  std::string name;
  bool found = false;  // a time series of that name exists
};

// rough, retention_depth, int_storage, int_coeff, area_factor and init_depth always have
// N+1 slots after the maps are loaded; every other array only when a map or table gave it.
struct CellParams {
  Array1<double> rough{"rough"};                      // Manning n
  Array1<double> retention_depth{"retention_depth"};  // m
  Array1<double> int_storage{"int_storage"};          // interception storage, mm
  Array1<double> int_coeff{"int_coeff"};              // interception coefficient
  Array1<double> ksat{"ksat"};                        // m/s
  Array1<double> cap_head{"cap_head"};                // m
  Array1<double> porosity{"porosity"};
  Array1<double> pore_index{"pore_index"};
  Array1<double> residual_sat{"residual_sat"};
  Array1<double> theta_init{"theta_init"};    // initial water content
  Array1<double> area_factor{"area_factor"};  // 1 - area reduction
  Array1<double> albedo{"albedo"};
  Array1<double> veg_height{"veg_height"};
  Array1<double> trans_coeff{"trans_coeff"};
  Array1<double> canopy_resist{"canopy_resist"};
  Array1<double> wilting_point{"wilting_point"};
  Array1<double> field_capacity{"field_capacity"};  // sixth soil-table value, water content
  Array1<int> soil_id{"soil_id"};
  Array1<double> water_table{"water_table"};        // elevation, m
  Array1<double> aquifer_bottom{"aquifer_bottom"};  // elevation, m
  Array1<int> lake_id{"lake_id"};
  Array1<double> init_depth{"init_depth"};  // initial overland depth, m
  bool surface_wet = false;                 // some initial depth above 1e-16 m
  // Tables the MAPPING_TABLE file supplies, by table number (ROUGHNESS 1 .. NSM_SOIL_KOC 32).
  std::array<bool, 33> mapping_tables{};
  std::vector<SeriesIndexEntry> series_index;
  bool uniform_rough = false;  // MANNING_N used for every cell
  double uniform_rough_value = 0.0;
};

}  // namespace torva
