#pragma once
// Cards of infiltration and the soil column.
#include <string>

namespace torva {

enum class InfilMethod { none = 0, green_ampt = 1, redist = 2, layered = 3, richards = 4 };

// Methods 2 and 3 keep a simple soil store under the surface.
constexpr bool keeps_soil_store(InfilMethod m) {
  return m == InfilMethod::redist || m == InfilMethod::layered;
}

struct InfilCards {
  InfilMethod infil_method = InfilMethod::none;  // the last method card read
  int green_ampt = 0;
  int inf_redist = 0;
  int inf_layered_soil = 0;
  int inf_richards = 0;
  int richards_k_option = 2;
  bool richards_k_option_given = false;
  int richards_c_option = 0;
  bool richards_c_option_given = false;
  int richards_upper_option = 1;
  bool richards_upper_option_given = false;
  int richards_iter_max = 1;
  bool richards_iter_max_given = false;
  double soil_moist_depth = 0.4;
  bool soil_moist_depth_given = false;
  double richards_weight = 1.0;
  bool richards_weight_given = false;
  double richards_dtheta_max = 0.0025;
  bool richards_dtheta_max_given = false;
  double unif_area_reduction = 0.0;
  bool unif_area_reduction_given = false;
  std::string soil_layer_input_file;
  bool soil_layer_input_file_given = false;

  bool operator==(const InfilCards&) const = default;
};

}  // namespace torva
