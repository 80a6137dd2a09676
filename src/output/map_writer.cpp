#include "output/map_writer.hpp"

#include <cstdint>

namespace torva {
namespace {

double cell_value(std::span<const double> values, int cell) {
  return static_cast<std::size_t>(cell) < values.size() ? values[cell] : 0.0;
}

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

std::string instant_map_name(const std::string& result, int instant) {
  char number[16];
  std::snprintf(number, sizeof number, ".%04d", instant);
  return result + number + ".asc";
}

bool open_dataset(DatasetSeries& ds, const std::string& path, bool binary, int object_id, int rows,
                  int cols, const std::string& name) {
  ds.binary = binary;
  if (!ds.file.open(path, binary ? "wb" : "w")) return false;
  std::FILE* fp = ds.file.fp;
  const long cells = static_cast<long>(rows) * cols;
  std::fprintf(fp, "DATASET\n");
  std::fprintf(fp, "OBJTYPE grid2d\n");
  std::fprintf(fp, "BEGSCL\n");
  std::fprintf(fp, "OBJID %d\n", object_id);
  std::fprintf(fp, "ND %ld\n", cells);
  std::fprintf(fp, "NC %ld\n", cells);
  std::fprintf(fp, "NAME %s\n", name.c_str());
  return true;
}

void write_dataset_frame(DatasetSeries& ds, const Array2<int>& mask, int rows, int cols,
                         std::span<const double> values, double elapsed_minutes) {
  std::FILE* fp = ds.file.fp;
  if (!fp) return;
  if (!ds.binary) {
    std::fprintf(fp, "TS 1 %lf\n", elapsed_minutes);
    for (int r = 1; r <= rows; ++r)
      for (int c = 1; c <= cols; ++c) std::fprintf(fp, "%d\n", mask(r, c) > 0 ? 1 : 0);
    for (int r = 1; r <= rows; ++r)
      for (int c = 1; c <= cols; ++c) {
        const int cell = mask(r, c);
        std::fprintf(fp, "%lf\n", cell > 0 ? cell_value(values, cell) : 0.0);
      }
    return;
  }
  const std::int32_t card = 200;
  const std::int16_t one = 1;
  std::fwrite(&card, sizeof card, 1, fp);
  std::fwrite(&one, sizeof one, 1, fp);
  std::fwrite(&elapsed_minutes, sizeof elapsed_minutes, 1, fp);
  for (int r = 1; r <= rows; ++r)
    for (int c = 1; c <= cols; ++c) {
      const std::int16_t status = mask(r, c) > 0 ? 1 : 0;
      std::fwrite(&status, sizeof status, 1, fp);
    }
  for (int r = 1; r <= rows; ++r)
    for (int c = 1; c <= cols; ++c) {
      const int cell = mask(r, c);
      const double v = cell > 0 ? cell_value(values, cell) : 0.0;
      std::fwrite(&v, sizeof v, 1, fp);
    }
}

void close_dataset(DatasetSeries& ds) {
  if (ds.file.fp && !ds.binary) std::fprintf(ds.file.fp, "ENDDS\n");
  ds.file.close();
}

}  // namespace torva
