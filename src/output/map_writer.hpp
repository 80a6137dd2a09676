#pragma once
// Writers of per-cell results as rasters: the header-and-grid format (the format maps are
// read in), the column-count format, and the dataset series (text or binary) that collect
// every map instant of one result in one file.
#include <cstdio>
#include <span>
#include <string>

#include "frame/arrays.hpp"
#include "frame/file_handle.hpp"

namespace torva {

struct MapFrame {
  double north = 0.0, south = 0.0, east = 0.0, west = 0.0;
  int rows = 0;
  int cols = 0;
};

// Header-and-grid: "north: %9.2lf" ... then each value "%lf " (0 outside the mask).
// `values` are per-cell slots 0..N.
void write_grid_grass(std::FILE* fp, const Array2<int>& mask, const MapFrame& f,
                      std::span<const double> values);
// The same header with the mask's own integers "%d " (the renumbered mask map).
void write_mask_grass(std::FILE* fp, const Array2<int>& mask, const MapFrame& f);
// Column-count: "ncols \t%d" ... then each value "%6.4lf " (-9999.9999 outside).
void write_grid_arc(std::FILE* fp, const Array2<int>& mask, const MapFrame& f,
                    std::span<const double> values, double cellsize);

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
