#include "input/raster_writer.hpp"

namespace torva {
namespace {

void write_grass_header(std::FILE* fp, const MapFrame& f) {
  std::fprintf(fp, "north: %9.2lf\n", f.north);
  std::fprintf(fp, "south: %9.2lf\n", f.south);
  std::fprintf(fp, "east: %9.2lf\n", f.east);
  std::fprintf(fp, "west: %9.2lf\n", f.west);
  std::fprintf(fp, "rows: %5d\n", f.rows);
  std::fprintf(fp, "cols: %5d\n", f.cols);
}

}  // namespace

void write_grid_grass(std::FILE* fp, const Array2<int>& mask, const MapFrame& f,
                      std::span<const double> values) {
  write_grass_header(fp, f);
  for (int r = 1; r <= f.rows; ++r) {
    for (int c = 1; c <= f.cols; ++c) {
      const int cell = mask(r, c);
      std::fprintf(fp, "%lf ", cell > 0 ? cell_value(values, cell) : 0.0);
    }
    std::fputc('\n', fp);
  }
}

void write_mask_grass(std::FILE* fp, const Array2<int>& mask, const MapFrame& f) {
  write_grass_header(fp, f);
  for (int r = 1; r <= f.rows; ++r) {
    for (int c = 1; c <= f.cols; ++c) std::fprintf(fp, "%d ", mask(r, c));
    std::fputc('\n', fp);
  }
}

void write_grid_arc(std::FILE* fp, const Array2<int>& mask, const MapFrame& f,
                    std::span<const double> values, double cellsize) {
  const double xll = (f.west < f.east ? f.west : f.east) + 0.5 * cellsize;
  const double yll = (f.south < f.north ? f.south : f.north) + 0.5 * cellsize;
  std::fprintf(fp, "ncols \t%d\n", f.cols);
  std::fprintf(fp, "nrows \t%d\n", f.rows);
  std::fprintf(fp, "xllcenter %9.2lf\n", xll);
  std::fprintf(fp, "yllcenter %9.2lf\n", yll);
  std::fprintf(fp, "cellsize %9.2lf\n", cellsize);
  std::fprintf(fp, "NODATA_value -9999.99\n");
  for (int r = 1; r <= f.rows; ++r) {
    for (int c = 1; c <= f.cols; ++c) {
      const int cell = mask(r, c);
      std::fprintf(fp, "%6.4lf ", cell > 0 ? cell_value(values, cell) : -9999.9999);
    }
    std::fputc('\n', fp);
  }
}

}  // namespace torva
