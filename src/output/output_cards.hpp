#pragma once
// Cards that name the output files of a run.
#include <string>

namespace torva {

struct OutputCards {
  int map_type = 0;
  bool map_type_given = false;
  int strict_julian_date = 0;
  std::string discharge;
  bool discharge_given = false;
  std::string depth;
  bool depth_given = false;
  std::string inf_depth;
  bool inf_depth_given = false;
  std::string surf_moist;
  bool surf_moist_given = false;
  std::string rate_of_infil;
  bool rate_of_infil_given = false;
  std::string dis_rain;
  bool dis_rain_given = false;
  std::string chan_depth;
  bool chan_depth_given = false;
  std::string chan_discharge;
  bool chan_discharge_given = false;
  std::string chan_stage;
  bool chan_stage_given = false;
  std::string chan_velocity;
  bool chan_velocity_given = false;
  std::string in_hyd_location;
  bool in_hyd_location_given = false;
  std::string out_hyd_location;
  bool out_hyd_location_given = false;
  std::string summary;
  bool summary_given = false;
  std::string outlet_hydro;
  bool outlet_hydro_given = false;
  std::string sig_outlet_hydro;
  bool sig_outlet_hydro_given = false;
  std::string qex_hydro;
  bool qex_hydro_given = false;
  std::string flood_stream;
  bool flood_stream_given = false;
  std::string write_ov_hotstart;
  bool write_ov_hotstart_given = false;
  std::string write_sm_hotstart;
  bool write_sm_hotstart_given = false;

  bool operator==(const OutputCards&) const = default;
};

}  // namespace torva
