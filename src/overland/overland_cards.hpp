#pragma once
// Cards of overland flow routing.
#include <string>

namespace torva {

enum class OverlandScheme { kExplicit = 1, kAde = 2, kAdePc = 3 };

// OVERTYPE 1 is the explicit scheme, 3 ADE with predictor-corrector; any other value is ADE.
constexpr OverlandScheme overland_scheme(int overtype) {
  return overtype == 1   ? OverlandScheme::kExplicit
         : overtype == 3 ? OverlandScheme::kAdePc
                         : OverlandScheme::kAde;
}

struct OverlandCards {
  int overtype = 2;
  bool overtype_given = false;
  double manning_n = 0.0;
  bool manning_n_given = false;
  double retention = 0.0;
  bool retention_given = false;
  std::string dike_map;
  bool dike_map_given = false;
  std::string embankment;
  bool embankment_given = false;
  std::string lowspot_file;
  bool lowspot_file_given = false;

  bool operator==(const OverlandCards&) const = default;
};

}  // namespace torva
