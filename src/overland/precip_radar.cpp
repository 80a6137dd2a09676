#include "overland/precip_radar.hpp"

#include <cmath>

#include "frame/console.hpp"
#include "input/line_reader.hpp"

namespace torva {
namespace {

bool header_fields(LineReader& in, RadarHeader& h) {
  double v[6];
  std::string line, label, num;
  for (double& x : v) {
    if (!in.next(line)) return false;
    Tokens t(line);
    if (!t.text(label) || !t.text(num) || !parse_double_prefix(num, x)) return false;
  }
  h.ncols = static_cast<int>(v[0]);
  h.nrows = static_cast<int>(v[1]);
  h.xll = v[2];
  h.yll = v[3];
  h.cellsize = v[4];
  h.nodata = v[5];
  return h.ncols > 0 && h.nrows > 0 && h.cellsize > 0.0 && h.cells() <= kMaxRadarCells;
}

}  // namespace

bool read_radar_header(const std::string& path, RadarHeader& h) {
  LineReader in;
  if (!in.open(path) || !header_fields(in, h)) {
    say("Error: unable to read radar header in file %s\n", path.c_str());
    return false;
  }
  return true;
}

bool map_radar_cells(const RadarHeader& h, std::span<const double> cell_x,
                     std::span<const double> cell_y, std::span<long> index) {
  const double top = h.top();
  for (std::size_t k = 1; k < cell_x.size(); ++k) {
    const double di = (top - cell_y[k]) / h.cellsize;
    const double dj = (cell_x[k] - h.xll) / h.cellsize;
    // Far-off cells would overflow an int; they are outside the grid all the same.
    const long I = di > 0.0 ? (di < 2e9 ? static_cast<long>(di) : 2000000000L) : 0;
    const long J = dj > 0.0 ? (dj < 2e9 ? static_cast<long>(dj) : 2000000000L) : 0;
    if (I > h.nrows - 1 || J > h.ncols - 1) {
      say("Error!! p_I=%d, p_J=%d\n", static_cast<int>(I), static_cast<int>(J));
      return false;
    }
    index[k] = h.ncols * I + J;
  }
  return true;
}

double radar_value_mm(double inches_per_h, double nodata, bool& capped) {
  capped = false;
  if (std::fabs(inches_per_h - nodata) < 0.01) return 0.0;
  if (!(inches_per_h > 0.0)) return 0.0;
  const double mm = inches_per_h * 25.4;
  if (mm > kRadarCap) {
    capped = true;
    return kRadarCap;
  }
  return mm;
}

bool read_radar_values(const std::string& path, const RadarHeader& h, std::span<double> mm_per_h,
                       double& peak) {
  peak = 0.0;
  LineReader in;
  RadarHeader fh;
  if (!in.open(path) || !header_fields(in, fh) || fh.ncols != h.ncols || fh.nrows != h.nrows) {
    say("Error in reading radar precip file %s\n", path.c_str());
    return false;
  }
  std::string line, tok;
  for (int r = 0; r < h.nrows; ++r) {
    if (!in.next(line)) {
      say("Error in reading radar precip file %s\n", path.c_str());
      return false;
    }
    Tokens t(line);
    for (int c = 0; c < h.ncols; ++c) {
      double raw = 0.0;
      if (!t.text(tok) || !parse_double_prefix(tok, raw)) {
        say("Error in reading radar precip file %s\n", path.c_str());
        return false;
      }
      bool capped = false;
      const double v = radar_value_mm(raw, fh.nodata, capped);
      if (capped)
        say("Warning: really big precip value (%lf) in cell (%d,%d) from radar rainfall.\n "
            "resetting value to 100.0\n",
            raw * 25.4, r, c);
      mm_per_h[static_cast<std::size_t>(r) * h.ncols + c] = v;
      if (v > peak) peak = v;
    }
  }
  return true;
}

int assign_radar(std::span<const long> index, std::span<const double> mm_per_h,
                 std::span<double> rate, double& peak) {
  peak = 0.0;
  const long total = static_cast<long>(mm_per_h.size());
  for (std::size_t k = 1; k < index.size(); ++k) {
    const long i = index[k];
    if (i < 0 || i >= total) {
      say("Error: cellnum=%ld, totcells=%ld\n", i, total);
      return static_cast<int>(k);
    }
    const double v = mm_per_h[i] > 0.0 ? mm_per_h[i] : 0.0;
    rate[k] = v;
    if (v > peak) peak = v;
  }
  return 0;
}

}  // namespace torva
