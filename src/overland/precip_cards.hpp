#pragma once
// Cards of precipitation and interception.
#include <string>

namespace torva {

// Where the rain of a run comes from: one uniform intensity, or a gage (or radar) file.
enum class RainSource { uniform, gages };

struct PrecipCards {
  double rain_intensity = 0.0;  // mm/h
  bool rain_intensity_given = false;
  int rain_duration = 0;  // minutes
  bool rain_duration_given = false;
  std::string precip_file;
  bool precip_file_given = false;
  int precip_unif = 0;
  int interception = 0;
  int rain_inv_distance = 0;
  int rain_thiessen = 0;

  bool operator==(const PrecipCards&) const = default;
};

}  // namespace torva
