#include "output/map_writer.hpp"

#include <cstdint>

namespace torva {

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
