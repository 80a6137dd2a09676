#pragma once
// Gridded radar rainfall: header, mapping of model cells onto radar pixels, file values.
#include <span>
#include <string>
#include <vector>

namespace torva {

struct RadarHeader {
  int ncols = 0;
  int nrows = 0;
  double xll = 0.0;  // lower-left corner
  double yll = 0.0;
  double cellsize = 0.0;
  double nodata = 0.0;
  double top() const { return yll + nrows * cellsize; }
  long cells() const { return static_cast<long>(ncols) * nrows; }
};

constexpr long kMaxRadarCells = 100000000;
constexpr double kRadarCap = 100.0;  // mm/h

// Reads the six header lines of a radar file (label word and value each); false with
// "Error: unable to read radar header in file %s\n" when they cannot be read.
bool read_radar_header(const std::string& path, RadarHeader& h);

// Radar index (row-major from the north, 0-based) of every cell centre; false with
// "Error!! p_I=%d, p_J=%d\n" at the first cell outside the radar grid.
bool map_radar_cells(const RadarHeader& h, std::span<const double> cell_x,
                     std::span<const double> cell_y, std::span<long> index);

// Reads the values of one radar file whose header matches `h` into `mm_per_h` (sized by
// the caller to h.cells()): no-data and non-positive values become 0, inches become mm,
// values above 100 mm/h are capped with a warning.  Returns false when the file cannot be
// read; `peak` is the largest value kept.
bool read_radar_values(const std::string& path, const RadarHeader& h, std::span<double> mm_per_h,
                       double& peak);

// One radar pixel value converted to mm/h (no-data within 0.01, inches to mm, cap).
// `capped` tells whether the cap applied.
double radar_value_mm(double inches_per_h, double nodata, bool& capped);

// Gives each cell the value of its pixel; a negative value counts as 0.  Returns the
// first cell whose index lies outside the values (0 when none); `peak` the largest value.
int assign_radar(std::span<const long> index, std::span<const double> mm_per_h,
                 std::span<double> rate, double& peak);

}  // namespace torva
