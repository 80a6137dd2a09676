#pragma once
// Writers of per-cell results as rasters: the header-and-grid format (the format maps are
// read in), the column-count format, and the dataset series (text or binary) that collect
// every map instant of one result in one file.
#include <array>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "frame/arrays.hpp"
#include "frame/file_handle.hpp"
#include "input/raster_writer.hpp"

namespace torva {

// File name of one result at one map instant (first instant 1): "depth.0003.asc".  The
// output folder and run number come from the output-name rule when the file is opened.
std::string instant_map_name(const std::string& result, int instant);

// One dataset series file.  Opening writes the header lines; each frame appends one map
// instant; closing a text series writes "ENDDS".
struct DatasetSeries {
  FileHandle file;
  bool binary = false;
};

bool open_dataset(DatasetSeries& ds, const std::string& path, bool binary, int object_id, int rows,
                  int cols, const std::string& name);
void write_dataset_frame(DatasetSeries& ds, const Array2<int>& mask, int rows, int cols,
                         std::span<const double> values, double elapsed_minutes);
void close_dataset(DatasetSeries& ds);

}  // namespace torva

namespace torva {

struct ModelState;

// Map output of a run: the instant counter and the dataset series of each result.
constexpr int kMapResults = 12;
struct MapOutputState {
  MapOutputState() = default;
  MapOutputState(const MapOutputState&) = delete;
  MapOutputState& operator=(const MapOutputState&) = delete;
  // A run that stops early still leaves every text series closed by "ENDDS".
  ~MapOutputState() {
    for (DatasetSeries& ds : series) close_dataset(ds);
  }

  int instant = 0;                                    // map instants written so far
  std::array<DatasetSeries, kMapResults + 1> series;  // by result number 1..12
};

// Result numbers and short names: 1 "depth", 2 "swe", 3 "discharge", 4 "rain", 5 "infdep",
// 6 "infrate", 7 "surf", 8 "max_sed_flux", 9 "gw_head", 10 "gwrechargecum",
// 11 "gwrechargeinc", 12 "net_sed_volume".
const char* map_result_name(int result);

// Writes every selected result whose values are given (values[result], slots 0..N; an
// empty span skips the result) at the next map instant.  MAP_TYPE 0 writes one
// column-count file per result and instant, 1 and 2 append a text or binary dataset frame.
// Codes 4000 (per-instant file) and 59 (dataset file) when a file cannot be opened.
void write_map_instant(ModelState& s, std::span<const std::span<const double>> values);

// Writes "ENDDS" to each text dataset series and closes every series.
void close_map_output(ModelState& s);

}  // namespace torva
