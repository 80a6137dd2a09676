#pragma once
// Cards of the grid, the clock and the run as a whole (console, folders, replacement,
// series files).
#include <string>

namespace torva {

struct SiteCards {
  int rows = 0;
  bool rows_given = false;
  int cols = 0;
  bool cols_given = false;
  int tot_time = 0;
  bool tot_time_given = false;
  int outrow = 0;
  bool outrow_given = false;
  int outcol = 0;
  bool outcol_given = false;
  int map_freq = 0;
  bool map_freq_given = false;
  double gridsize = 0.0;
  bool gridsize_given = false;
  double timestep = 0.0;
  bool timestep_given = false;
  double outslope = 0.0;
  bool outslope_given = false;
  double hyd_freq = 0.0;
  bool hyd_freq_given = false;
  double st_time_step = 0.0;
  bool st_time_step_given = false;
  int qout_cfs = 0;
  int quiet = 0;
  int start_year = 0, start_month = 0, start_day = 0;  // START_DATE
  bool start_date_given = false;
  int start_hour = 0, start_minute = 0;  // START_TIME
  bool start_time_given = false;
  int end_year = 0, end_month = 0, end_day = 0, end_hour = 0, end_minute = 0;  // END_TIME
  bool end_time_given = false;
  bool project_not_opened = false;
  int super_quiet = 0;
  int flush_buffer = 0;
  bool flush_buffer_given = false;
  int replace_line = 0;
  bool replace_line_given = false;
  int num_threads = 0;
  bool num_threads_given = false;
  std::string time_series_file;
  bool time_series_file_given = false;
  std::string elev_series_file;
  bool elev_series_file_given = false;
  std::string replace_params;
  bool replace_params_given = false;
  std::string replace_vals;
  bool replace_vals_given = false;
  std::string replace_folder;
  bool replace_folder_given = false;
  std::string output_folder;
  bool output_folder_given = false;
  std::string project_folder;
  bool project_folder_given = false;
  std::string project_path;
  bool project_path_given = false;

  bool operator==(const SiteCards&) const = default;
};

}  // namespace torva
