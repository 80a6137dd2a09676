#pragma once
// Named time series (values against Julian dates) and elevation series (values against an
// elevation or other argument), read from the files of TIME_SERIES_FILE/ELEV_SERIES_FILE.
#include <string>
#include <string_view>

#include "input/series_store.hpp"

namespace torva {

// Reads every series of the file into the store (appended in file order).
void read_time_series_file(const std::string& file_name, SeriesStore& store);
void read_elevation_series_file(const std::string& file_name, SeriesStore& store);

}  // namespace torva
