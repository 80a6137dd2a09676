// Writes the bundled example watersheds (plane, vcatchment, basin, longterm) into a folder, at
// their committed size or scaled: `examplegen basin --size 1000 --out /tmp/big`.  Every number
// comes from a closed-form surface, so a rebuild reproduces the committed files byte for byte.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct Grid {
  int rows = 0;
  int cols = 0;
  double dx = 0.0;     // m
  double north = 0.0;  // m
  double west = 0.0;   // m
  double south() const { return north - rows * dx; }
  double east() const { return west + cols * dx; }
  double x_of_col(int c) const { return west + (c - 0.5) * dx; }  // cell centre
  double y_of_row(int r) const { return north - (r - 0.5) * dx; }
};

class Out {
 public:
  explicit Out(const std::filesystem::path& path) : fp_(std::fopen(path.c_str(), "w")) {
    if (fp_ == nullptr) std::fprintf(stderr, "examplegen: cannot write %s\n", path.c_str());
  }
  ~Out() {
    if (fp_ != nullptr) std::fclose(fp_);
  }
  Out(const Out&) = delete;
  Out& operator=(const Out&) = delete;
  bool ok() const { return fp_ != nullptr; }
  template <class... A>
  void put(const char* fmt, A... a) {
    if (fp_ != nullptr) std::fprintf(fp_, fmt, a...);
  }
  void put(const char* text) {
    if (fp_ != nullptr) std::fputs(text, fp_);
  }

 private:
  std::FILE* fp_;
};

using CellValue = std::function<double(int, int)>;

bool write_header(Out& f, const Grid& g) {
  f.put("north: %9.2f\nsouth: %9.2f\neast: %9.2f\nwest: %9.2f\nrows: %5d\ncols: %5d\n", g.north,
        g.south(), g.east(), g.west, g.rows, g.cols);
  return f.ok();
}

bool real_map(const std::filesystem::path& p, const Grid& g, const CellValue& v) {
  Out f(p);
  write_header(f, g);
  for (int r = 1; r <= g.rows; ++r) {
    for (int c = 1; c <= g.cols; ++c) f.put("%.6g ", v(r, c));
    f.put("\n");
  }
  return f.ok();
}

bool int_map(const std::filesystem::path& p, const Grid& g, const std::function<int(int, int)>& v) {
  Out f(p);
  write_header(f, g);
  for (int r = 1; r <= g.rows; ++r) {
    for (int c = 1; c <= g.cols; ++c) f.put("%d ", v(r, c));
    f.put("\n");
  }
  return f.ok();
}

// One trapezoidal channel link: node points along a polyline with their bed elevations.
struct Link {
  std::vector<double> x, y, bed;  // m
  double n = 0.035;
  double bottom = 2.0, bankfull = 1.0, side = 1.0;  // m, m, horizontal per vertical
  int down = 0;
  std::vector<int> up;
  bool structure = false;
  double up_invert = 0.0, down_invert = 0.0;  // m (structure link)
};

bool channel_file(const std::filesystem::path& p, const std::vector<Link>& links, double dx) {
  std::size_t maxnodes = 2;
  for (const Link& l : links) maxnodes = std::max(maxnodes, l.x.size());
  Out f(p);
  f.put("TORVA_CHAN\nALPHA 1\nBETA 1\nTHETA 1\nLINKS %zu\nMAXNODES %zu\n", links.size(), maxnodes);
  for (std::size_t i = 0; i < links.size(); ++i) {
    f.put("CONNECT %zu %d %zu", i + 1, links[i].down, links[i].up.size());
    for (int u : links[i].up) f.put(" %d", u);
    f.put("\n");
  }
  for (std::size_t i = 0; i < links.size(); ++i) {
    const Link& l = links[i];
    f.put("LINK %zu\n", i + 1);
    if (l.structure) {
      // A round concrete pipe under a road embankment.
      const double length = 12.0;
      f.put("STRUCTURE\nNUMSTRUCTS 1\nSTRUCTTYPE round_culvert\nLENGTH %.1f\nUPINVERT %.4f\n",
            length, l.up_invert);
      f.put("DOWNINVERT %.4f\nSLOPE %.6f\nDIAMETER 0.9\nINLET_DISCH_COEFF 0.6\n", l.down_invert,
            (l.up_invert - l.down_invert) / length);
      f.put("REV_FLOW_DISCH_COEFF 0.6\nROUGH_COEFF 0.015\n");
      f.put("NODE 1\nELEV %.4f\nNODE 2\nELEV %.4f\n", l.up_invert, l.down_invert);
      continue;
    }
    f.put("DX %.2f\nNODES %zu\nMANNINGS_N %.3f\nTRAPEZOID\n", dx, l.x.size(), l.n);
    for (std::size_t k = 0; k < l.x.size(); ++k) {
      f.put("NODE %zu\nX_Y %.2f %.2f\nELEV %.4f\n", k + 1, l.x[k], l.y[k], l.bed[k]);
      if (k == 0)
        f.put("XSEC\nBOTTOM_WIDTH %.2f\nBANKFULL_DEPTH %.2f\nSIDE_SLOPE %.2f\n", l.bottom,
              l.bankfull, l.side);
    }
  }
  return f.ok();
}

// A fixed-column mapping-table row: ID in columns 1-6, text in 7-86, values from 87.
void table_row(Out& f, int id, std::string_view text, const std::vector<double>& values) {
  f.put("%-6d%-80.80s", id, std::string(text).c_str());
  for (double v : values) f.put(" %.4f", v);
  f.put("\n");
}

// ---------------------------------------------------------------------------------------
// plane: one row of cells on a uniform slope, uniform rain, outflow at the east end.
bool make_plane(const std::filesystem::path& out, int size) {
  Grid g{.rows = 1, .cols = size, .dx = 10.0, .north = 1000.0, .west = 5000.0};
  const double slope = 0.01;
  bool ok = int_map(out / "mask.asc", g, [](int, int) { return 1; });
  ok = ok && real_map(out / "elevation.asc", g,
                      [&](int, int c) { return 100.0 + slope * g.dx * (g.cols - c); });
  Out p(out / "plane.prj");
  p.put("TORVAPROJECT\n# Kinematic-wave test: a %g m long plane of slope %g under uniform rain.\n",
        g.cols * g.dx, slope);
  p.put("WATERSHED_MASK mask.asc\nELEVATION elevation.asc\n");
  p.put("ROWS %d\nCOLS %d\nGRIDSIZE %.1f\n", g.rows, g.cols, g.dx);
  p.put("OUTROW 1\nOUTCOL %d\nOUTSLOPE %g\nMANNING_N 0.05\n", g.cols, slope);
  p.put("START_DATE 2020 6 1\nSTART_TIME 12 00\nTOT_TIME 120\nTIMESTEP 2\n");
  p.put("PRECIP_UNIF\nRAIN_INTENSITY 50\nRAIN_DURATION 60\n");
  p.put("HYD_FREQ 1\nMAP_FREQ 0\nSUMMARY summary.txt\nOUTLET_HYDRO outlet.hyd\n");
  p.put("SIG_OUTLET_HYDRO outlet_precise.hyd\nNUM_THREADS 1\n");
  return ok && p.ok();
}

// ---------------------------------------------------------------------------------------
// vcatchment: two planes tilted toward a central channel that slopes to the south.
bool make_vcatchment(const std::filesystem::path& out, int size) {
  const int half = std::max(3, size / 3);  // plane width in cells each side
  Grid g{.rows = size, .cols = 2 * half + 1, .dx = 20.0, .north = 3000.0, .west = 1000.0};
  const int cc = half + 1;  // channel column
  const double s_chan = 0.02, s_plane = 0.05;
  auto ground = [&](double x, double y) {
    return 50.0 + s_chan * (y - g.south()) + s_plane * std::abs(x - g.x_of_col(cc));
  };
  bool ok = int_map(out / "mask.asc", g, [](int, int) { return 1; });
  ok = ok && real_map(out / "elevation.asc", g,
                      [&](int r, int c) { return ground(g.x_of_col(c), g.y_of_row(r)); });
  // West plane soil 1 (loam), east plane and channel soil 2 (sandy loam); land use 1
  // (pasture) in the north half, 2 (woodland) in the south half.
  ok = ok && int_map(out / "soils.idx", g, [&](int, int c) { return c < cc ? 1 : 2; });
  ok = ok && int_map(out / "landuse.idx", g, [&](int r, int) { return r <= g.rows / 2 ? 1 : 2; });
  {
    Out t(out / "mapping.tbl");
    t.put("TORVA_INDEX_MAP_TABLES\nINDEX_MAP soils.idx soils\nINDEX_MAP landuse.idx landuse\n");
    t.put("ROUGHNESS landuse\nNUM_IDS 2\nID    DESCRIPTION%76sMANNING_N\n", "");
    table_row(t, 1, "pasture", {0.10});
    table_row(t, 2, "woodland", {0.20});
    t.put("GREEN_AMPT_INFILTRATION soils\nNUM_IDS 2\n");
    t.put("ID    DESCRIPTION%76sKSAT PSI POROSITY PORE_INDEX RESID FIELD WILT\n", "");
    table_row(t, 1, "loam", {0.34, 8.89, 0.434, 0.252, 0.027, 0.25, 0.117});
    table_row(t, 2, "sandy loam", {1.09, 11.01, 0.412, 0.322, 0.041, 0.21, 0.095});
    t.put("GREEN_AMPT_INITIAL_SOIL_MOISTURE soils\nNUM_IDS 2\nID    DESCRIPTION%76sTHETA\n", "");
    table_row(t, 1, "loam", {0.20});
    table_row(t, 2, "sandy loam", {0.15});
    ok = ok && t.ok();
  }
  {
    Out r(out / "rain.gag");
    r.put("EVENT \"two-gage storm\"\nNRGAG 2\nNRPDS 5\n");
    r.put("COORD %.1f %.1f \"west gage\"\n", g.west, 0.5 * (g.north + g.south()));
    r.put("COORD %.1f %.1f \"east gage\"\n", g.east(), 0.5 * (g.north + g.south()));
    r.put("RATES 2020 6 1 12 00 20.0 30.0\nRATES 2020 6 1 12 15 60.0 80.0\n");
    r.put("RATES 2020 6 1 12 30 40.0 50.0\nRATES 2020 6 1 12 45 10.0 15.0\n");
    r.put("RATES 2020 6 1 13 00 0.0 0.0\n");
    ok = ok && r.ok();
  }
  // Links 1-3 run down the channel column, link 4 is a culvert and link 5 the outlet
  // reach.
  const int rows_culvert = g.rows - std::max(2, g.rows / 8);  // last row above the culvert
  std::vector<int> breaks = {0, g.rows / 3, 2 * g.rows / 3, rows_culvert};
  std::vector<Link> links;
  auto reach = [&](int r0, int r1) {  // rows r0+1 .. r1
    Link l;
    for (int j = r0; j <= r1; ++j) {
      const double y = g.north - j * g.dx;
      l.x.push_back(g.x_of_col(cc));
      l.y.push_back(y);
      l.bed.push_back(ground(g.x_of_col(cc), y) - 1.0);
    }
    l.n = 0.035;
    l.bottom = 1.5;
    return l;
  };
  for (int i = 0; i < 3; ++i) {
    links.push_back(reach(breaks[i], breaks[i + 1]));
    links.back().down = i + 2;
    if (i > 0) links.back().up = {i};
  }
  // The culvert inlet sits just above the bed of the last computational node upstream (the
  // mean of its two node points): an inlet below it would draw on a dry node.
  Link culvert;
  culvert.structure = true;
  const std::vector<double>& up_bed = links.back().bed;
  culvert.up_invert = 0.5 * (up_bed[up_bed.size() - 2] + up_bed.back()) + 0.05;
  culvert.down_invert = culvert.up_invert - 0.1;
  culvert.down = 5;
  culvert.up = {3};
  links.push_back(culvert);
  Link last = reach(rows_culvert, g.rows);
  for (double& b : last.bed) b = std::min(b, culvert.down_invert);
  last.up = {4};
  links.push_back(last);
  ok = ok && channel_file(out / "channel.chn", links, g.dx);

  Out p(out / "vcatchment.prj");
  p.put(
      "TORVAPROJECT\n# Two planes draining to a trapezoidal channel with an embankment culvert.\n");
  p.put("WATERSHED_MASK mask.asc\nELEVATION elevation.asc\nMAPPING_TABLE mapping.tbl\n");
  p.put("ROWS %d\nCOLS %d\nGRIDSIZE %.1f\n", g.rows, g.cols, g.dx);
  p.put("OUTROW %d\nOUTCOL %d\nOUTSLOPE %g\n", g.rows, cc, s_chan);
  p.put("START_DATE 2020 6 1\nSTART_TIME 12 00\nTOT_TIME 180\nTIMESTEP 5\n");
  p.put("PRECIP_FILE rain.gag\nRAIN_INV_DISTANCE\nGREEN_AMPT\n");
  p.put("CHANNEL_INPUT channel.chn\nCHAN_EXPLIC\nMAX_COURANT_NUMBER 0.5\n");
  p.put("HYD_FREQ 5\nMAP_FREQ 0\nSUMMARY summary.txt\nOUTLET_HYDRO outlet.hyd\n");
  p.put("CHAN_DISCHARGE discharge.lnk\nCHAN_DEPTH depth.lnk\nNUM_THREADS 1\n");
  return ok && p.ok();
}

// ---------------------------------------------------------------------------------------
// basin: a square basin with relief, a main stream and four pairs of side streams.
bool make_basin(const std::filesystem::path& out, int size) {
  Grid g{.rows = size, .cols = size, .dx = 30.0, .north = 20000.0, .west = 10000.0};
  const int c0 = size / 2;  // main-stream column
  std::vector<int> trib_rows;
  for (int k = 1; k <= 4; ++k) trib_rows.push_back(size * k / 5);
  const int west_end = std::max(1, size / 8), east_end = std::min(size, size - size / 8);
  const double xc = g.x_of_col(c0);
  auto ground = [&](double x, double y) {
    double z = 200.0 + 0.004 * (y - g.south()) + 0.012 * std::abs(x - xc);
    for (int r : trib_rows) {  // side valleys
      const double d = (y - g.y_of_row(r)) / (6.0 * g.dx);
      z -= 2.5 * std::exp(-d * d);
    }
    return z;
  };
  auto cell_ground = [&](int r, int c) { return ground(g.x_of_col(c), g.y_of_row(r)); };
  bool ok = int_map(out / "mask.asc", g, [](int, int) { return 1; });
  ok = ok && real_map(out / "elevation.asc", g, cell_ground);
  // Soils coarsen toward the east; the valley floors hold more water at the start.
  auto frac = [&](int c) { return (c - 0.5) / g.cols; };
  ok = ok && real_map(out / "ksat.asc", g, [&](int, int c) { return 0.05 + 0.15 * frac(c); });
  ok = ok && real_map(out / "capillary.asc", g, [&](int, int c) { return 12.0 - 4.0 * frac(c); });
  ok = ok && real_map(out / "porosity.asc", g, [](int, int) { return 0.43; });
  ok = ok && real_map(out / "moisture.asc", g, [&](int r, int) {
         double m = 0.12;
         for (int t : trib_rows) m += 0.06 * std::exp(-std::pow((r - t) / 6.0, 2));
         return m;
       });
  ok = ok && real_map(out / "pore_index.asc", g, [&](int, int c) { return 0.25 + 0.1 * frac(c); });
  ok = ok && real_map(out / "residual.asc", g, [](int, int) { return 0.03; });
  ok = ok && real_map(out / "roughness.asc", g, [&](int r, int) {
         return r <= g.rows / 2 ? 0.15 : 0.08;  // forest north, pasture south
       });
  ok = ok &&
       real_map(out / "retention.asc", g, [&](int r, int) { return r <= g.rows / 2 ? 2.0 : 1.0; });
  ok = ok && real_map(out / "int_storage.asc", g,
                      [&](int r, int) { return r <= g.rows / 2 ? 1.5 : 0.5; });
  ok = ok &&
       real_map(out / "int_coeff.asc", g, [&](int r, int) { return r <= g.rows / 2 ? 0.2 : 0.05; });

  // Links in upstream-first order; the outlet reach is the last.
  std::vector<Link> links;
  auto main_reach = [&](int r0, int r1) {  // cell rows r0+1 .. r1
    Link l;
    for (int j = r0; j <= r1; ++j) {
      const double y = g.north - j * g.dx;
      l.x.push_back(xc);
      l.y.push_back(y);
      l.bed.push_back(ground(xc, y) - 1.5);
    }
    l.bottom = 4.0;
    l.bankfull = 1.5;
    l.side = 2.0;
    l.n = 0.035;
    return l;
  };
  auto side_reach = [&](int r, int from, int to) {  // cells from..to along row r toward c0
    Link l;
    const int step = to > from ? 1 : -1;
    const double y = g.y_of_row(r);
    for (int c = from;; c += step) {
      const double x = g.west + (step > 0 ? c - 1 : c) * g.dx;  // upstream edge of cell c
      l.x.push_back(x);
      l.y.push_back(y);
      l.bed.push_back(ground(x, y) - 1.0);
      if (c == to + step) break;
    }
    l.bottom = 1.5;
    l.bankfull = 1.0;
    l.side = 1.5;
    l.n = 0.045;
    return l;
  };
  std::vector<int> bounds = {0};
  for (int r : trib_rows) bounds.push_back(r - 1);
  bounds.push_back(g.rows);
  links.push_back(main_reach(bounds[0], bounds[1]));
  int previous_main = 1;
  for (std::size_t k = 0; k < trib_rows.size(); ++k) {
    const int r = trib_rows[k];
    links.push_back(side_reach(r, west_end, c0 - 1));
    const int west = static_cast<int>(links.size());
    links.push_back(side_reach(r, east_end, c0 + 1));
    const int east = static_cast<int>(links.size());
    links.push_back(main_reach(bounds[k + 1], bounds[k + 2]));
    const int main = static_cast<int>(links.size());
    links[static_cast<std::size_t>(previous_main - 1)].down = main;
    links[static_cast<std::size_t>(west - 1)].down = main;
    links[static_cast<std::size_t>(east - 1)].down = main;
    links.back().up = {previous_main, west, east};
    previous_main = main;
  }
  ok = ok && channel_file(out / "channel.chn", links, g.dx);
  const int outlet = static_cast<int>(links.size());
  {
    // Discharge hydrographs at the foot of each main reach (link, node).
    Out l(out / "locations.txt");
    l.put("4\n");
    for (int m : {1, 4, 7, 10})
      l.put("%d %zu\n", m, links[static_cast<std::size_t>(m - 1)].x.size() - 1);
    ok = ok && l.ok();
  }
  {
    // Two storms; an event run simulates the first (two bursts), a long run both.
    Out r(out / "rain.gag");
    const double ym = 0.5 * (g.north + g.south());
    r.put("EVENT \"June storm, two bursts\"\nNRGAG 3\nNRPDS 7\n");
    r.put("COORD %.1f %.1f \"north-west\"\n", g.west + 0.25 * g.cols * g.dx,
          g.north - 0.2 * g.rows * g.dx);
    r.put("COORD %.1f %.1f \"north-east\"\n", g.west + 0.75 * g.cols * g.dx,
          g.north - 0.3 * g.rows * g.dx);
    r.put("COORD %.1f %.1f \"outlet\"\n", xc, ym - 0.4 * g.rows * g.dx);
    r.put("RATES 2020 6 1 12 00 25.0 20.0 15.0\nRATES 2020 6 1 12 10 60.0 45.0 35.0\n");
    r.put("RATES 2020 6 1 12 20 20.0 25.0 10.0\nRATES 2020 6 1 12 30 0.0 0.0 0.0\n");
    r.put("RATES 2020 6 1 12 45 30.0 40.0 35.0\nRATES 2020 6 1 12 55 10.0 15.0 10.0\n");
    r.put("RATES 2020 6 1 13 05 0.0 0.0 0.0\n");
    r.put("EVENT \"July storm\"\nNRGAG 3\nNRPDS 3\n");
    r.put("COORD %.1f %.1f \"north-west\"\n", g.west + 0.25 * g.cols * g.dx,
          g.north - 0.2 * g.rows * g.dx);
    r.put("COORD %.1f %.1f \"north-east\"\n", g.west + 0.75 * g.cols * g.dx,
          g.north - 0.3 * g.rows * g.dx);
    r.put("COORD %.1f %.1f \"outlet\"\n", xc, ym - 0.4 * g.rows * g.dx);
    r.put("RATES 2020 7 4 06 00 15.0 15.0 15.0\nRATES 2020 7 4 06 30 5.0 5.0 5.0\n");
    r.put("RATES 2020 7 4 07 00 0.0 0.0 0.0\n");
    ok = ok && r.ok();
  }
  Out p(out / "basin.prj");
  p.put("TORVAPROJECT\n# A synthetic basin with a dendritic channel network.\n");
  p.put("WATERSHED_MASK mask.asc\nELEVATION elevation.asc\n");
  p.put("ROWS %d\nCOLS %d\nGRIDSIZE %.1f\n", g.rows, g.cols, g.dx);
  p.put("OUTROW %d\nOUTCOL %d\nOUTSLOPE 0.004\n", g.rows, c0);
  p.put("START_DATE 2020 6 1\nSTART_TIME 12 00\nTOT_TIME 120\nTIMESTEP 20\n");
  p.put("PRECIP_FILE rain.gag\nRAIN_INV_DISTANCE\n");
  p.put("INF_REDIST\nCONDUCTIVITY ksat.asc\nCAPILLARY capillary.asc\nPOROSITY porosity.asc\n");
  p.put("MOISTURE moisture.asc\nPORE_INDEX pore_index.asc\nRESIDUAL_SAT residual.asc\n");
  p.put("ROUGHNESS roughness.asc\nRETEN_DEPTH retention.asc\n");
  p.put("INTERCEPTION\nSTORAGE_CAPACITY int_storage.asc\nINTERCEPTION_COEFF int_coeff.asc\n");
  p.put("CHANNEL_INPUT channel.chn\nCHAN_EXPLIC\nMAX_COURANT_NUMBER 0.5\n");
  p.put("HYD_FREQ 10\nMAP_FREQ 30\nMAP_TYPE 0\nDEPTH depth\n");
  p.put("SUMMARY summary.txt\nOUTLET_HYDRO outlet.hyd\n");
  p.put("IN_HYD_LOCATION locations.txt\nOUT_HYD_LOCATION locations.hyd\n");
  p.put("CHAN_DISCHARGE discharge.lnk\nCHAN_DEPTH depth.lnk\nCHAN_STAGE stage.lnk\n");
  (void)outlet;
  return ok && p.ok();
}

// ---------------------------------------------------------------------------------------
// longterm: the V-catchment through five weeks of hourly weather and four storms, with
// redistribution infiltration; a second project ends when its shorter weather file does.
bool weather_file(const std::filesystem::path& p, int hours) {
  Out f(p);
  const double pi = 3.141592653589793;
  // From 1 May 2021 01:00: hour k has the calendar hour k % 24 (the days of May and June).
  const int days_in[] = {31, 30};
  for (int k = 1; k <= hours; ++k) {
    int day = k / 24 + 1, month = 5, hour = k % 24;
    if (day > days_in[0]) day -= days_in[0], month = 6;
    const int temp_f =
        static_cast<int>(std::lround(55.0 + 15.0 * std::sin(2.0 * pi * (hour - 9) / 24.0)));
    const double global = hour > 6 && hour < 18 ? 800.0 * std::sin(pi * (hour - 6) / 12.0) : 0.0;
    f.put("2021 %d %d %d %.2f %d %d %d %d %.1f %.1f\n", month, day, hour,
          29.90 + 0.01 * (k / 24 % 5), 60 + (k % 7), (k / 24) % 10, 4 + k % 5, temp_f, 0.7 * global,
          global);
  }
  return f.ok();
}

bool make_longterm(const std::filesystem::path& out, int size) {
  if (!make_vcatchment(out, size)) return false;
  std::filesystem::remove(out / "vcatchment.prj");
  const int half = std::max(3, size / 3);
  Grid g{.rows = size, .cols = 2 * half + 1, .dx = 20.0, .north = 3000.0, .west = 1000.0};
  bool ok = true;
  {
    Out r(out / "rain.gag");
    const int start[4][3] = {{3, 14, 0}, {10, 6, 0}, {18, 20, 0}, {27, 2, 0}};
    const double peak[4] = {45.0, 30.0, 60.0, 40.0};
    for (int e = 0; e < 4; ++e) {
      r.put("EVENT \"storm %d\"\nNRGAG 2\nNRPDS 4\n", e + 1);
      r.put("COORD %.1f %.1f \"west gage\"\n", g.west, 0.5 * (g.north + g.south()));
      r.put("COORD %.1f %.1f \"east gage\"\n", g.east(), 0.5 * (g.north + g.south()));
      const int d = start[e][0], h = start[e][1];
      r.put("RATES 2021 5 %d %d 00 %.1f %.1f\n", d, h, 0.4 * peak[e], 0.5 * peak[e]);
      r.put("RATES 2021 5 %d %d 20 %.1f %.1f\n", d, h, peak[e], 1.2 * peak[e]);
      r.put("RATES 2021 5 %d %d 40 %.1f %.1f\n", d, h, 0.5 * peak[e], 0.4 * peak[e]);
      r.put("RATES 2021 5 %d %d 00 0.0 0.0\n", d, h + 1);
    }
    ok = ok && r.ok();
  }
  ok = ok && weather_file(out / "weather.zeb", 35 * 24);
  ok = ok && weather_file(out / "weather_short.zeb", 9 * 24 + 6);
  auto project = [&](const char* name, const char* weather, const char* summary,
                     const char* outlet) {
    Out p(out / name);
    p.put(
        "TORVAPROJECT\n# Five weeks of a V-catchment: four storms, hourly weather, soil that "
        "dries between them.\n");
    p.put("WATERSHED_MASK mask.asc\nELEVATION elevation.asc\nMAPPING_TABLE mapping.tbl\n");
    p.put("ROWS %d\nCOLS %d\nGRIDSIZE %.1f\n", g.rows, g.cols, g.dx);
    p.put("OUTROW %d\nOUTCOL %d\nOUTSLOPE %g\n", g.rows, half + 1, 0.02);
    p.put("TOT_TIME 180\nTIMESTEP 10\nLONG_TERM\nLATITUDE 40.0\nLONGITUDE 105.0\nGMT -7\n");
    p.put("HMET_ZEB %s\nEVENT_MIN_Q 0.01\n", weather);
    p.put("PRECIP_FILE rain.gag\nRAIN_INV_DISTANCE\nINF_REDIST\n");
    p.put("CHANNEL_INPUT channel.chn\nCHAN_EXPLIC\nMAX_COURANT_NUMBER 0.5\n");
    p.put("HYD_FREQ 60\nMAP_FREQ 0\nSUMMARY %s\nOUTLET_HYDRO %s\n", summary, outlet);
    p.put("NUM_THREADS 1\n");
    return p.ok();
  };
  ok = ok && project("longterm.prj", "weather.zeb", "summary.txt", "outlet.hyd");
  ok = ok &&
       project("longterm_short.prj", "weather_short.zeb", "summary_short.txt", "outlet_short.hyd");
  return ok;
}

int usage() {
  std::fprintf(stderr,
               "usage: examplegen plane|vcatchment|basin|longterm [--size N] --out FOLDER\n"
               "  sizes: plane N cells long (40), vcatchment and longterm N rows (30), basin N x "
               "N (200)\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return usage();
  const std::string which = argv[1];
  int size = which == "plane" ? 40 : which == "vcatchment" || which == "longterm" ? 30 : 200;
  std::filesystem::path out;
  for (int i = 2; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--size" && i + 1 < argc) {
      const std::string_view v = argv[++i];
      const auto r = std::from_chars(v.data(), v.data() + v.size(), size);
      if (r.ec != std::errc{} || r.ptr != v.data() + v.size() || size < 5 || size > 20000)
        return usage();
    } else if (a == "--out" && i + 1 < argc) {
      out = argv[++i];
    } else {
      return usage();
    }
  }
  if (out.empty()) return usage();
  std::error_code ec;
  std::filesystem::create_directories(out, ec);
  if (ec) {
    std::fprintf(stderr, "examplegen: cannot create %s\n", out.c_str());
    return 1;
  }
  bool ok = false;
  if (which == "plane")
    ok = make_plane(out, size);
  else if (which == "vcatchment")
    ok = make_vcatchment(out, size);
  else if (which == "basin")
    ok = make_basin(out, size);
  else if (which == "longterm")
    ok = make_longterm(out, size);
  else
    return usage();
  return ok ? 0 : 1;
}
