#pragma once
// Cards that name the maps and tables of the cell parameters, read at start-up.
#include <string>

namespace torva {

struct MapCards {
  double init_elev_head = 0.0;
  bool init_elev_head_given = false;
  std::string watershed_mask;
  bool watershed_mask_given = false;
  std::string mapping_table;
  bool mapping_table_given = false;
  std::string elevation;
  bool elevation_given = false;
  std::string reten_depth;
  bool reten_depth_given = false;
  std::string storage_capacity;
  bool storage_capacity_given = false;
  std::string interception_coeff;
  bool interception_coeff_given = false;
  std::string roughness;
  bool roughness_given = false;
  std::string conductivity;
  bool conductivity_given = false;
  std::string capillary;
  bool capillary_given = false;
  std::string porosity;
  bool porosity_given = false;
  std::string moisture;
  bool moisture_given = false;
  std::string pore_index;
  bool pore_index_given = false;
  std::string residual_sat;
  bool residual_sat_given = false;
  std::string soil_type_map;
  bool soil_type_map_given = false;
  std::string water_table;
  bool water_table_given = false;
  std::string aquifer_bottom;
  bool aquifer_bottom_given = false;
  std::string area_reduction;
  bool area_reduction_given = false;
  std::string ov_init_depth;
  bool ov_init_depth_given = false;
  std::string read_ov_hotstart;
  bool read_ov_hotstart_given = false;
  std::string read_sm_hotstart;
  bool read_sm_hotstart_given = false;

  bool operator==(const MapCards&) const = default;
};

}  // namespace torva
