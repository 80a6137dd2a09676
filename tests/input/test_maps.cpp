// The raster reader in its four modes, the watershed mask with the elevation and outlet, the
// parameter maps through the map-loading stage, the mapping and stream tables and the time
// and elevation series: stored values, unit conversions and the messages of bad files.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <sstream>
#include <tuple>

#include "frame/clock.hpp"
#include "frame/report.hpp"
#include "input/card_table.hpp"
#include "input/index_map.hpp"
#include "input/input_stages.hpp"
#include "input/mapping_table.hpp"
#include "input/mask.hpp"
#include "input/param_maps.hpp"
#include "input/raster.hpp"
#include "input/replace.hpp"
#include "input/series.hpp"
#include "model/model_state.hpp"
#include "support/project_run.hpp"
#include "support/reader_sweep.hpp"

namespace torva {
namespace {

using support::has;
using support::raster;

template <class V>
std::string join(const V& v, std::size_t from = 0) {
  std::ostringstream o;
  for (std::size_t k = from; k < v.size(); ++k) o << (k > from ? " " : "") << v[k];
  return o.str();
}

class RasterTest : public support::ScratchTest<> {
 protected:
  // Reads `text` as "map.asc" over a 3 x 3 mask whose corners are outside (cells 1..5);
  // returns whether it read, the console in `out`, and in `got` the header and what it stored.
  bool read(const std::string& text, int mode) {
    if (text != written) write("map.asc", written = text);  // once for all modes
    const int m[4][4] = {{0}, {0, 0, 1, 0}, {0, 2, 3, 4}, {0, 0, 5, 0}};
    Array2<int> mask("mask"), grid("data");
    mask.allocate(4, 4);
    grid.allocate(4, 4);
    for (int r = 1; r <= 3; ++r)
      for (int c = 1; c <= 3; ++c) mask(r, c) = m[r][c];
    std::vector<double> values(6, -1.0);
    std::vector<int> ids(6, -1);
    GridDestination d;
    if (mode == kRealFirst) d.first = values;
    if (mode == kRealSecond) d.second = values;
    if (mode == kCategory) d.ids = ids;
    FileHandle f;
    EXPECT_TRUE(f.open("map.asc", "r"));
    GridHeader h;
    // A quiet context keeps what it would say in its summary backlog: no capture needed.
    const bool capture = !run_context().super_quiet;
    if (capture) ::testing::internal::CaptureStdout();
    const bool ok = read_grid(f, "map.asc", mode, h, mode == kIntegerGrid ? grid : mask, d, 3, 3);
    out = capture ? ::testing::internal::GetCapturedStdout() : run_context().summary_backlog;
    std::vector<int> cells;
    for (int r = 1; r <= 3; ++r)
      for (int c = 1; c <= 3; ++c) cells.push_back(grid(r, c));
    got = join(std::vector<double>{h.north, h.east, h.west, double(h.rows), double(h.cols)}) +
          ": " +
          (mode == kCategory      ? join(ids)
           : mode == kIntegerGrid ? join(cells)
                                  : join(values));
    return ok;
  }
  std::string out, got, written = "-";
};

const std::string kHead = "north: 300\nsouth: 0\neast: 300\nwest: 0\nrows: 3\ncols: 3\n";

// Each row: mode, file, whether it reads, the exact console, and the header and stored
// values when it reads ("?": not checked).
TEST_F(RasterTest, ReadsStoresAndRefusesWithItsMessage) {
  const std::string zeros = "Warning: Map contains 5 cells with zero values. Map: map.asc\n";
  const struct {
    int mode;
    std::string file;
    bool ok;
    std::string console, stored = "?";
  } rows[] = {
      // clang-format off
      {kRealFirst, kHead + "9 1.5 9\n2.25 3 4e-1\n9 -5 9\n", true, "", "300 300 0 3 3: -1 1.5 2.25 3 0.4 -5"},
      {kRealSecond, kHead + "0,1.5,0\r\n2.25,\t3 , 4\r\n0 5 0", true, "", "300 300 0 3 3: -1 1.5 2.25 3 4 5"},
      // Missing values of a short line are zeros; 7 and 9 outside still make the map non-zero.
      {kRealFirst, kHead + "7 0\n0\n9 0 9\n", true, zeros, "300 300 0 3 3: -1 0 0 0 0 0"},
      {kRealFirst, kHead + "0 0 0\n0 0 0\n0 0 0\n", true, "Warning: Map contains only zero values. Map: map.asc\n" + zeros},
      {kIntegerGrid, kHead + "1 2\n3 4 5 6\n7\n8 9\n", true, "", "300 300 0 3 3: 1 2 3 4 5 6 7 8 9"},
      {kCategory, kHead + "-9999 7 3\n1 10000 1\n3 7 3\n", true, "In map map.asc category 1 has 2 values\n"
       "In map map.asc category 7 has 2 values\nIn map map.asc category 10000 has 1 values\n", "300 300 0 3 3: -1 7 1 10000 1 7"},  // outside: no data
      {kCategory, kHead + "0 1 0\n1 10001 1\n0 1 0\n", false, "Error: category 10001 outside 0..10000 in map: map.asc (row 2, column 2)\n"},
      {kCategory, kHead + "0 1 0\n1 -3 1\n0 1 0\n", false, "Error: category -3 outside 0..10000 in map: map.asc (row 2, column 2)\n"},
      {kCategory, kHead + "0 1 0\n1 1.5 1\n0 1 0\n", false, "Error: invalid value \"1.5\" in map: map.asc (row 2, column 2)\n"},
      {kRealFirst, kHead + "0 1 0\n1 12abc 1\n0 1 0\n", false, "Error: invalid value \"12abc\" in map: map.asc (row 2, column 2)\n"},
      {kRealFirst, kHead + "0 1 0\n1 1 nan\n0 1 0\n", false, "Error: invalid value \"nan\" in map: map.asc (row 2, column 3)\n"},
      {kRealFirst, "north:300\nsouth 0\neast:300.5\nwest: -2\nrows:3\ncols:\t3\n0 1 0\n1 1 1\n0 1 0\n", true, "",
       "300 300.5 -2 3 3: -1 1 1 1 1 1"},
      // A label is a word of at most six characters: "ng 300" is not a number.
      {kRealFirst, "northing 300\nsouth 0\neast 300\nwest 0\nrows 3\ncols 3\n", false,
       "Error: header line 1 of map map.asc does not hold a label and a number\n"},
      {kRealFirst, raster(2, 3, 100, "0 1 0\n1 1 1\n0 1 0\n"), false, "Incorrect number of rows in map: map.asc\n"},
      {kRealFirst, raster(3, 4, 100, "0 1 0\n1 1 1\n0 1 0\n"), false, "Incorrect number of columns in map: map.asc\n"},
      {kIntegerGrid, raster(4, 4, 100, "0 1 0\n1 1 1\n0 1 0\n"), false, "Incorrect number of rows and columns in map: map.asc\n"},
      {kRealFirst, kHead + "0 1 0\n1 1 1\n", false, "Unexpected end of file in file: map.asc\n"},  // cuts elsewhere: the sweep
      // clang-format on
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.file);
    run_context() = RunContext{};
    EXPECT_EQ(read(row.file, row.mode), row.ok);
    EXPECT_TRUE(row.console == "?" || out == row.console) << out;
    EXPECT_EQ(error_code().code, row.ok ? 0 : 4000);
    EXPECT_TRUE(!row.ok || row.stored == "?" || got == row.stored) << got;
  }
}

TEST_F(RasterTest, ReplacementParametersInRealMapLines) {
  write("p.txt", "1\n[KS] %4.2lf\n");
  write("v.txt", "2.5\n");
  load_replace_parameters("p.txt");
  load_replace_values("v.txt");
  ASSERT_TRUE(read(kHead + "0 [KS] 0\n1 1 1\n0 1 0\n", kRealFirst)) << out;
  EXPECT_EQ(got, "300 300 0 3 3: -1 2.5 1 1 1 1");
}

// Rows far beyond the 20000-character input line keep every value.
// Wider than the input line and than the scanner's buffer, in a row mode and a token mode.
TEST_F(RasterTest, WideRowsAreNeverCut) {
  const int cols = 15000;
  Array2<int> wide("mask");
  wide.allocate(2, cols + 1);
  std::string row;
  for (int c = 1; c <= cols; ++c) row += std::to_string(wide(1, c) = c) + " ";
  write("wide.asc", raster(1, cols, 1, row + "\n"));
  std::vector<double> v(cols + 1);
  FileHandle f, g;
  GridHeader h;
  ASSERT_TRUE(f.open("wide.asc", "r") && g.open("wide.asc", "r"));
  ASSERT_TRUE(read_grid(f, "wide.asc", kRealFirst, h, wide, {v, {}, {}}, 1, cols));
  for (int c = 1; c <= cols; ++c) wide(1, c) = 0;
  ASSERT_TRUE(read_grid(g, "wide.asc", kIntegerGrid, h, wide, {}, 1, cols));
  EXPECT_EQ(join(std::vector<double>{v[1], v[cols], double(wide(1, 1)), double(wide(1, cols))}),
            "1 15000 1 15000");
}

// A damaged map is read or refused in every mode, and a map cut before its last row is
// always refused.
TEST_F(RasterTest, DamagedMapsAreReadOrRefused) {
  const std::string valid = kHead + "3 1 3\n1 7 1\n3 7 3\n";
  support::reader_sweep(*this, valid, [&](const std::string& p) {
    const std::string text = Scratch::read(p);
    bool sound = true;
    for (int mode : {kRealFirst, kIntegerGrid, kRealSecond, kCategory}) {
      run_context() = RunContext{};
      run_context().super_quiet = run_context().summary_backlog_on = true;
      const bool ok = read(text, mode);
      sound = sound && (ok ? !(valid.starts_with(text) && text.size() <= valid.rfind("3 7 3"))
                           : error_code().code == 4000 && !out.empty());
    }
    return sound;
  });
}

// Grid size, north and east edges of 10 x 10 cells, and the result (the mask tests refuse a
// grid in each direction): rounding passes, and north-south is checked first.
TEST(GridSize, TruncationRuleAcceptsRoundingAndRejectsTenths) {
  for (const auto& [dx, north, east, code] :
       {std::tuple(30.0, 300.04, 300.0, 0), std::tuple(29.999, 300.0, 300.0, 0),
        std::tuple(30.0, 301.0, 301.0, 1)})
    EXPECT_EQ(grid_size_check(dx, GridHeader{north, 0, east, 0, 10, 10}), code) << north;
}

// The map-loading stage over a 2 x 3 grid of 100 m cells with the outlet at row 2, column 3,
// elevations 10 to 14 and uniform Manning n 0.05.
class MapsTest : public support::ScratchTest<> {
 protected:
  // A map with the values of cells 1..5 of the full mask (0 outside).
  static std::string cells(const std::string& a, const std::string& b, const std::string& rest) {
    return raster(2, 3, 100, a + " " + b + " 0\n" + rest + "\n");
  }
  // Gives each map card the file CARD.asc holding its text (none when empty), runs the stage;
  // returns the console.
  std::string load(std::vector<std::pair<std::string, std::string>> maps,
                   const std::function<void(Settings&)>& tweak = {}) {
    s = std::make_unique<ModelState>();
    Settings& c = s->settings;
    c.site.rows = c.site.outrow = 2;
    c.site.cols = c.site.outcol = 3;
    c.site.gridsize = 100.0;
    c.overland.manning_n = 0.05;
    c.overland.manning_n_given = true;
    if (maps.empty() || maps[0].first != "WATERSHED_MASK")
      maps.emplace_back("WATERSHED_MASK", cells("1", "1", "1 1 1"));
    maps.emplace_back("ELEVATION", cells("10", "11", "12 13 14"));
    for (const auto& [card, text] : maps) {
      const CardTarget at = find_card(card)->locate(c);
      *at.text = card + ".asc";
      *at.given = true;
      if (!text.empty()) write(card + ".asc", text);
    }
    if (tweak) tweak(c);
    ::testing::internal::CaptureStdout();
    stage_load_maps(*s);
    return ::testing::internal::GetCapturedStdout();
  }
  std::unique_ptr<ModelState> s;
};

const std::string kMaskRead = "reading watershed mask from file: WATERSHED_MASK.asc\n";
const std::string kElevRead = "reading elevation map from file: ELEVATION.asc\n";

TEST_F(MapsTest, MaskNumbersCellsWritesMaskmapAndFindsTheOutlet) {
  EXPECT_EQ(load({{"WATERSHED_MASK", cells("-1", "0", "1 7 2")}}),
            kMaskRead + "number of grid cells in watershed: 4\n" + kElevRead +
                "outlet is in grid cell: 4\n");
  const GridState& g = s->grid;
  EXPECT_EQ(join(std::vector<double>{
                double(error_code().code), double(g.ncells), double(g.mask(2, 3)),
                double(g.cell_row[3]), double(g.cell_col[3]), double(g.outlet_cell),
                double(g.mask(0, 0) + g.mask(3, 4)), g.elevation[3], g.watershed_area}),
            "0 4 4 2 2 4 0 13 40000");
  EXPECT_EQ(read("maskmap"),
            "north:    200.00\nsouth:      0.00\neast:    300.00\nwest:      0.00\n"
            "rows:     2\ncols:     3\n1 0 0 \n2 3 4 \n");
  // Off the grid altogether, with a channel network: no fault, outlet cell 0.
  load({}, [](Settings& c) {
    c.site.outrow = 99, c.site.outcol = -4;
    c.channel.channel_input_given = true;
  });
  EXPECT_EQ(error_code().code + s->grid.outlet_cell, 0);
}

TEST_F(MapsTest, BadGridsAndOutletsStopWithTheirMessage) {
  const std::string all = "1 1 1\n1 1 1\n";
  const struct {
    std::string mask;
    std::function<void(Settings&)> tweak;
    std::string console;
  } rows[] = {
      {"north: 200\nsouth: 0\neast: 303\nwest: 0\nrows: 2\ncols: 3\n" + all,
       {},
       kMaskRead + "\nThe grid size specified in the project file: 100.0000 m differs from\n"
                   "the east-west dimension of the raster grid cells 101.0000 m as calculated\n"
                   "from the WATERSHED_MASK header.  Check your data to make sure they agree.\n"
                   "TORVA terminating.\n\n"},
      {"north: 201\nsouth: 0\neast: 300\nwest: 0\nrows: 2\ncols: 3\n" + all,
       [](Settings& c) { c.site.quiet = 1; }, ""},
      {raster(2, 3, 100, all), [](Settings& c) { c.site.rows = c.site.cols = 1000000000; },
       "Error: ROWS 1000000000 and COLS 1000000000 do not describe a usable grid (watershed "
       "mask: WATERSHED_MASK.asc)\n"},
      {cells("1", "1", "1 1 1"), [](Settings& c) { c.site.outrow = 1, c.site.outcol = 3; },
       kMaskRead + "number of grid cells in watershed: 5\n" + kElevRead +
           "\nThe outlet row and column you specified in the project file are not\n"
           "inside the watershed mask.  Check the outlet row and column again, and\n"
           "make sure they are correctly specified in the project file using the\n"
           "OUTROW and OUTCOL project file cards.  TORVA terminating.\n\n"},
  };
  for (const auto& row : rows) {
    run_context() = RunContext{};
    EXPECT_EQ(load({{"WATERSHED_MASK", row.mask}}, row.tweak), row.console);
    EXPECT_EQ(error_code().code, 4000);
  }
}

TEST_F(MapsTest, EachMapInItsUnits) {
  const std::string out = load({{"CONDUCTIVITY", cells("3.6", "36", "0.36 1 2")},
                                {"CAPILLARY", cells("10", "20", "30 40 50")},
                                {"POROSITY", cells("0.4", "0.4", "0.4 0.4 0.45")},
                                {"RETEN_DEPTH", cells("5", "1", "2 3 4")},
                                {"AREA_REDUCTION", cells("0.25", "0", "0.5 1 0.75")},
                                {"WATER_TABLE", cells("9", "9", "9 9 9")},
                                {"STORAGE_CAPACITY", cells("1", "2", "3 4 5")},
                                {"AQUIFER_BOTTOM", cells("5", "11", "20 1 2")},
                                {"SOIL_TYPE_MAP", cells("4", "5", "6 7 8")},
                                {"OVERLAND_LAKE_MAP", cells("0", "2", "2 0 1")},
                                {"OV_INIT_DEPTH", cells("0", "0", "0.01 0 0")}});
  ASSERT_EQ(error_code().code, 0) << out;
  const CellParams& p = s->params;
  // cm/h -> m/s, cm -> m, mm -> m, area factor 1 - v; an aquifer bottom above the ground
  // (cell 3) is lowered to it.
  EXPECT_EQ(join(std::vector<double>{p.ksat[1] * 1e5, p.ksat[2] * 1e4, p.cap_head[5], p.porosity[5],
                                     p.retention_depth[1], p.area_factor[1], p.area_factor[4],
                                     p.water_table[3], p.int_storage[4], p.aquifer_bottom[1],
                                     p.aquifer_bottom[2], p.aquifer_bottom[3], p.init_depth[3],
                                     p.rough[2]}),
            "1 1 0.5 0.45 0.005 0.75 0 9 4 5 11 12 0.01 0.05");
  EXPECT_EQ(join(p.soil_id.slots(), 1) + " | " + join(p.lake_id.slots(), 1),
            "4 5 6 7 8 | 0 2 2 0 1");
  EXPECT_TRUE(p.surface_wet);
  for (const char* line :
       {"reading saturated hydraulic conductivity map from file: CONDUCTIVITY.asc\n",
        "reading capillary drive map from file: CAPILLARY.asc\n",
        "reading porosity map from file: POROSITY.asc\n",
        "reading retention storage map from file: RETEN_DEPTH.asc\n",
        "reading area reduction map from file: AREA_REDUCTION.asc\n",
        "reading interception storage from file: STORAGE_CAPACITY.asc\n",
        "Warning: aquifer bottom at or above the ground in 2 cells; set to the ground elevation "
        "there (map: AQUIFER_BOTTOM.asc)\n",
        "In map OVERLAND_LAKE_MAP.asc category 1 has 1 values\nIn map OVERLAND_LAKE_MAP.asc "
        "category 2 has 2 values\n"})
    EXPECT_TRUE(has(out, line)) << line;
}

TEST_F(MapsTest, UniformValuesAndWhatNoMapGives) {
  load({}, [](Settings& c) {
    c.overland.retention = 2.5;
    c.overland.retention_given = c.maps.init_elev_head_given = true;
    c.maps.init_elev_head = 12.5;
  });
  ASSERT_EQ(error_code().code, 0);
  const CellParams& p = s->params;
  EXPECT_EQ(join(p.rough.slots(), 1) + " | " + join(p.init_depth.slots(), 1) + " | " +
                join(std::vector<double>{p.retention_depth[5], p.area_factor[5],
                                         double(p.uniform_rough)}),
            "0.05 0.05 0.05 0.05 0.05 | 2.5 1.5 0.5 0 0 | 0.0025 1 1");
  // Parameters no map or table gave stay empty, so their users can tell.
  EXPECT_TRUE(p.ksat.empty() && p.pore_index.empty() && p.soil_id.empty() && p.albedo.empty());
  load({}, [](Settings& c) { c.overland.manning_n = 0.0000011; });  // just above the limit
  EXPECT_EQ(s->params.rough[1], 0.0000011);
}

TEST_F(MapsTest, BadMapsStopWithTheirMessage) {
  const struct {
    std::vector<std::pair<std::string, std::string>> maps;
    std::function<void(Settings&)> tweak;
    int code;
    std::string says;  // part of the console, or for code 4 what and file
  } rows[] = {
      // clang-format off
      {{}, [](Settings& c) { c.overland.manning_n = 0.000001; }, 4000,
       "\nInvalid spatially uniform overland flow Manning n value=0.000001\nTORVA exiting.\n"},
      {{{"ROUGHNESS", cells("0.1", "0.2", "0.3 0 0.5")}}, [](Settings& c) { c.overland.manning_n_given = false; }, 4000,
       "reading roughness map from file: ROUGHNESS.asc\nWarning: Map contains 1 cells with zero values. Map: ROUGHNESS.asc\n"
       "Overland Manning n=0 at grid cell 4.  Program terminating.\n"},
      {{{"OV_INIT_DEPTH", cells("0", "0", "-0.01 0 0")}}, {}, 4000, "Error: negative initial overland depth -0.010000 m at grid cell 3"},
      {{{"AREA_REDUCTION", ""}}, {}, 4000, "Can't open area reduction file named: AREA_REDUCTION.asc\n"},
      {{{"CONDUCTIVITY", ""}}, {}, 4, "Ks CONDUCTIVITY.asc"},  // opened before anything is read
      {{}, [](Settings& c) { c.maps.watershed_mask = "none.asc"; }, 4, "watershed mask none.asc"},
      // Edges half a cell off only warn.
      {{{"POROSITY", "north: 250\nsouth: 50\neast: 300\nwest: 0\nrows: 2\ncols: 3\n1 1 1\n1 1 1\n"}}, {}, 0,
       "Warning: the edges of map POROSITY.asc differ from the watershed mask by half a cell or more\n"},
      // clang-format on
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.says);
    run_context() = RunContext{};
    const std::string out = load(row.maps, row.tweak);
    EXPECT_EQ(error_code().code, row.code);
    EXPECT_TRUE(row.code == 4
                    ? error_code().what + " " + error_code().file == row.says && out.empty()
                    : has(out, row.says))
        << out;
  }
}

// One table row in fixed columns: ID in 1-6, description in 7-86, values from 87.
std::string row(int id, const std::string& values) {
  std::string r = std::to_string(id);
  r.resize(6, ' ');
  return r + std::string(80, 'd') + values + "\n";
}
std::string dots(const std::string& label, int n, char yes) {
  return "  " + label + std::string(n, '.') + yes + "\n";
}
std::string message() {
  return error_message(error_code().code, error_code());
}

const std::string kList = "TORVA_INDEX_MAP_TABLES\nINDEX_MAP land.idx Land use\n";
const std::string kRough = "ROUGHNESS Land use\nNUM_IDS 3\nID DESCRIPTION N\n" + row(1, "0.03") +
                           row(2, "0.05") + row(3, "0.10");
const std::string kLand = raster(2, 3, 100, "1 2 9\n2 3 1\n");

// Each row: the table file, the result code, the exact console (code 0 or 4000) or message,
// the cell values then, the index map, the table looked up and its columns.
struct Lookup {
  std::string file;
  int code;
  std::string says, stored = "?", land = kLand;
  int table = kTableRoughness, columns = 1;
};
void PrintTo(const Lookup& l, std::ostream* os) {
  *os << l.says;
}

class MappingTest : public support::ScratchTest<::testing::TestWithParam<Lookup>> {};

// A 2 x 3 grid whose corner (row 1, column 3) is outside: cells 1..5.
TEST_P(MappingTest, LookupFillsCellsOrStops) {
  const Lookup& l = GetParam();
  Array2<int> mask("mask");
  mask.allocate(3, 4);
  for (int r = 1, n = 0; r <= 2; ++r)
    for (int c = 1; c <= 3; ++c) mask(r, c) = r == 1 && c == 3 ? 0 : ++n;
  if (!l.land.empty()) write("land.idx", l.land);
  if (!l.file.empty()) write("tables.cmt", l.file);
  std::vector<double> a(6, -1.0), b(6, -1.0);
  std::vector<int> ids(6, -1);
  std::vector<std::span<double>> d = {a};
  if (l.columns > 1) d.push_back(b);
  GridHeader h;
  ::testing::internal::CaptureStdout();
  const bool ok = map_table_lookup("tables.cmt", l.table, d, h, mask, 2, 3, ids);
  const std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(ok, l.code == 0);
  EXPECT_EQ(error_code().code, l.code);
  EXPECT_TRUE(l.says == "?" || (l.code && l.code != 4000 ? message() : out) == l.says) << out;
  const std::string got = join(a) + " | " + (l.columns > 1 ? join(b) : join(ids));
  EXPECT_TRUE(l.stored == "?" || got == l.stored) << got;
}

std::string rough(const std::string& n, const std::string& rows = "") {
  return kList + "ROUGHNESS Land use\nNUM_IDS " + n + "\nh\n" + rows;
}
const std::string kNone =
    "Problem reading mapping table file -- no entries found in table ROUGHNESS (NUM_IDS is 0)\n";
const std::string kCounts =
    "In map land.idx category 1 has 2 values\nIn map land.idx category 2 "
    "has 2 values\nIn map land.idx category 3 has 1 values\n";
std::string bad_value(const std::string& what) {
  return "Error: a value from character 87 on is " + what +
         " in table ROUGHNESS of mapping table file tables.cmt, line 6\n";
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Tables, MappingTest, ::testing::Values(
    Lookup{kList + kRough, 0, kCounts, "-1 0.03 0.05 0.05 0.1 0.03 | -1 1 2 2 3 1"},
    // Two columns, and a later duplicate ID wins.
    Lookup{kList + "INTERCEPTION Land use\nNUM_IDS 4\nh\n" + row(1, "1.0 0.1") + row(2, "2.0\t0.2") +
           row(3, "3.0 0.3") + row(2, "2.5 0.25"), 0, kCounts,
           "-1 1 2.5 2.5 3 1 | -1 0.1 0.25 0.25 0.3 0.1", kLand, kTableInterception, 2},
    // An ID the table lacks gives 0.
    Lookup{rough("2", row(1, "0.03") + row(3, "0.10")), 0, kCounts, "-1 0.03 0 0 0.1 0.03 | -1 1 2 2 3 1"},
    Lookup{"TORVA_INDEX_MAP_TABLES\nINDEX_MAP \"land.idx\" Land use\n" + kRough, 0, kCounts},
    // A blank line ends the list of index maps.
    Lookup{"TORVA_INDEX_MAP_TABLES\nINDEX_MAP o.idx S\n\nINDEX_MAP land.idx Land use\n" + kRough, 66, kNone},
    Lookup{rough("0"), 66, kNone},
    Lookup{kList + "RETENTION Land use\nNUM_IDS 1\nh\n" + row(1, "2"), 66, kNone},
    Lookup{"NOT_A_TABLE_FILE\n" + kRough, 66, kNone},
    Lookup{"", 64, "Unable to open Mapping Table file: tables.cmt\n"},
    Lookup{kList + kRough, 65, "Unable to open index file land.idx\n", "?", ""},
    // 9 lies outside the mask and is ignored; 3 inside is above the table.
    Lookup{rough("2", row(1, "0.03") + row(2, "0.05")), 71, "Index ID exceeds table limit, file: land.idx [row 2:col 2]\n"},
    Lookup{kList + kRough, 4000, "Error: index map land.idx holds ID 0 inside the watershed at row 1, column 2; IDs "
           "start at 1\n", "?", raster(2, 3, 100, "1 0 9\n2 3 1\n")},
    Lookup{kList + kRough, 73, "Incorrect number of rows in map: land.idx\n", "?", raster(1, 3, 100, "1 2 3\n")},
    Lookup{kList + kRough, 74, "?", "?", raster(2, 2, 100, "1 2\n1 1\n")},
    Lookup{kList + kRough, 72, "?", "?", raster(3, 2, 100, "1 2\n1 1\n1 1\n")},
    Lookup{kList + kRough, 70, "Unexpected end of file in file: land.idx\n", "?", raster(2, 3, 100, "1 2 3\n1\n")},
    Lookup{rough("1", "1     short row\n"), 4000, bad_value("missing")},
    Lookup{rough("1", row(1, "x")), 4000, bad_value("not a number")},
    Lookup{rough("5", row(1, "0.1")), 70, "Unexpected end of file in file: tables.cmt\n"},
    Lookup{rough("2000000000"), 4000, "?"}));
// clang-format on

TEST(MappingFiles, CheckLinesKeywordsAndTheStartUpReport) {
  EXPECT_EQ(check_line("NSM Groundwater Phosphorus", false),
            dots("NSM Groundwater Phosphorus", 9, 'N'));  // a label longer than most
  support::Scratch dir;
  dir.write("land.idx", kLand);
  dir.write("tables.cmt", kList + "INDEX_MAP absent.idx Missing map\n" + kRough +
                              "RETENTION Missing map\nNUM_IDS 1\nh\n" + row(1, "1") +
                              "CONTAMINANT_TRANSPORT\nNUM_CONTAM 2\n");
  ::testing::internal::CaptureStdout();
  const TablePresence p = check_map_tables("tables.cmt");
  const std::string out = ::testing::internal::GetCapturedStdout();
  // Retention's index map does not open.
  EXPECT_EQ(join(std::vector<bool>{p.present[kTableRoughness], p.present[kTableRetention],
                                   p.present[kTableContaminants]}) +
                " " + std::to_string(p.contaminants),
            "1 0 1 2");
  EXPECT_TRUE(out.starts_with(
      "\nChecking 2D grid mapping tables...\n  Checking CONTAMINANT_TRANSPORT"
      "2 contaminants found\n" +
      dots("Roughness", 26, 'Y') + dots("Interception", 23, 'N') + dots("Retention", 26, 'N')))
      << out;
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 2 + 1 + 30);
  dir.write("tables.cmt",
            kList + "TIME_SERIES_INDEX\nNUM_IDS 2\nh\n1     inflow_a   whatever\n2     inflow_b\n");
  ::testing::internal::CaptureStdout();
  const auto list =
      build_series_index("tables.cmt", [](const std::string& n) { return n == "inflow_a"; });
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "Adding table to list: inflow_a... Success!\n"
            "Adding table to list: inflow_b... Failure, table not found.\n");
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(std::to_string(list[1].id) + list[1].name, "2inflow_b");
}

// Tables through the map-loading stage, soil IDs 2 1 / 2 1 2: units converted, and a map
// wins over its table.
TEST_F(MapsTest, TablesConvertTheirUnits) {
  write("soil.idx", cells("2", "1", "2 1 2"));
  const std::string out =
      load({{"MAPPING_TABLE",
             "TORVA_INDEX_MAP_TABLES\nINDEX_MAP soil.idx Soils\nGREEN_AMPT_INFILTRATION "
             "Soils\nNUM_IDS 2\n"
             "Ks Hc por lambda res fc wp\n" +
                 row(1, "3.6 10 0.4 0.3 0.05 0.2 0.1") + row(2, "0.36 20 0.5 0.25 0.04 0.3 0.15") +
                 "RETENTION Soils\nNUM_IDS 2\nmm\n" + row(1, "2") + row(2, "4") +
                 "AREA_REDUCTION Soils\nNUM_IDS 2\nv\n" + row(1, "0.1") + row(2, "0.5") +
                 "ROUGHNESS Soils\nNUM_IDS 2\nn\n" + row(1, "0.03") + row(2, "0.04")},
            {"CONDUCTIVITY", cells("7.2", "7.2", "7.2 7.2 7.2")}},
           [](Settings& c) {
             c.maps.reten_depth_given = true;  // RETEN_DEPTH without a name
             c.overland.manning_n_given = false;
           });
  ASSERT_EQ(error_code().code, 0) << out;
  const CellParams& p = s->params;
  // Ks from the map, cm/h -> m/s; cm -> m; mm -> m; area factor 1 - v.
  EXPECT_EQ(join(std::vector<double>{p.ksat[2] * 1e5, p.cap_head[1], p.cap_head[2], p.porosity[3],
                                     p.field_capacity[2], p.wilting_point[1], double(p.soil_id[1]),
                                     double(p.soil_id[2]), p.retention_depth[1], p.area_factor[2],
                                     p.rough[1], p.rough[4]}),
            "2 0.2 0.1 0.5 0.2 0.15 2 1 0.004 0.9 0.04 0.03");
  EXPECT_TRUE(has(out, "reading soil table and map from master table file\n"));
  EXPECT_TRUE(has(out, "reading roughness table and map from master table file\n"));
  EXPECT_TRUE(has(out, dots("G&A Infiltration", 19, 'Y')));
}

TEST(StreamTables, IndexMapCheckAndLookup) {
  support::Scratch dir;
  const std::vector<int> nodes = {0, 2, 3};  // link 1 has 2 nodes, link 2 has 3
  std::vector<std::vector<int>> ids;
  const struct {
    std::string file;
    int code;
    std::string message;
  } rows[] = {
      // clang-format off
      {"STREAMMAP\nNLINKS 2\n", 116, "Stream map file does not use correct header (file: st.map)\n"},
      {"STREAM_MAP\nNLINKS 3\n", 117, "?"},
      {"STREAM_MAP\nNLINKS 2\n1\n2\n3\n", 118, "?"},
      {"STREAM_MAP\nNLINKS 2\n1\nx\n3\n1\n2\n", 118, "?"},
      {"", 115, "Unable to open stream map file none.map\n"},
      {"STREAM_MAP\nNLINKS 2\n1\n2\n3\n1\n2\n", 0, ""},
      // clang-format on
  };
  for (const auto& r : rows) {
    run_context() = RunContext{};
    if (!r.file.empty()) dir.write("st.map", r.file);
    EXPECT_EQ(read_stream_index_map(r.file.empty() ? "none.map" : "st.map", nodes, ids),
              r.code == 0);
    EXPECT_EQ(error_code().code, r.code) << r.file;
    EXPECT_TRUE(r.message == "?" || (r.code ? message() : "") == r.message) << message();
  }
  EXPECT_EQ(ids[2][1] * 10 + ids[2][3], 32);
  dir.write("st.map", "STREAM_MAP\nNLINKS 2\n1\n2\n2\n1\n2\n");
  dir.write("st.cmt",
            "TORVA_STREAM_INDEX_MAP_TABLES\nST_INDEX_MAP st.map Reaches\nROUGHNESS Reaches\n"
            "NUM_IDS 2\nh\n" +
                row(1, "0.03") + row(2, "0.04"));
  // The check of these tables runs in whole runs (tests/regression).
  Array2<double> n("stream_n");
  n.allocate(3, 2);
  Array2<double>* dest[] = {&n};
  ASSERT_TRUE(stream_table_lookup("st.cmt", kStreamRoughness, dest, nodes));
  EXPECT_EQ(join(std::vector<double>{n(1, 1), n(2, 2), n(3, 2)}), "0.03 0.03 0.04");
  EXPECT_FALSE(stream_table_lookup("st.cmt", kStreamNsmN, dest, nodes));
  EXPECT_EQ(message(),
            "Problem reading mapping table file -- no entries found in table NSM_N (Stream) "
            "(NUM_IDS is 0)\n");
}

const char* kTwoSeries =
    "some header text\n not TORVA_TS: keywords count only at the start of a line\n"
    "TORVA_TS\n  \"pump_1\"  \nABSOLUTE\n2020 6 1 12 0 1.0\n2020 6 1 13 0 3.0\nEND_TS\n"
    "between\nTORVA_TS\npump\nRELATIVE\n0 0 1 0 0 10.0\n0 0 1 1 0 20.0\nEND_TS\n";

TEST_F(MapsTest, TimeSeriesReadInterpolatedFoundByPrefixOrRefused) {
  SeriesStore store;
  auto read_ts = [&](const std::string& text) {
    store = {};
    write("series.ts", text);
    ::testing::internal::CaptureStdout();
    read_time_series_file(path("series.ts"), store);
    return ::testing::internal::GetCapturedStdout();
  };
  std::string out = read_ts(kTwoSeries);
  ASSERT_EQ(store.time_series.size(), 2u);
  EXPECT_TRUE(has(out, "Read time series pump_1\n"));
  EXPECT_TRUE(has(out, "2 time series read from file " + path("series.ts") + "\n"));
  TimeSeries* ts = find_time_series(store, "pump_1");
  ASSERT_NE(ts, nullptr);
  const double noon = julian_date(2020, 6, 1, 12, 0, 0.0), hour = 1.0 / 24.0;
  // Between the entries, before the first and after the last; then back near the start.
  EXPECT_EQ(join(std::vector<double>{
                time_series_value(ts, noon + hour / 2), time_series_value(ts, noon - hour),
                time_series_value(ts, noon + 2 * hour), time_series_value(ts, noon + hour / 4)}),
            "2 1 3 1.5");
  EXPECT_EQ(find_time_series(store, "pump"), ts) << "the first match of a prefix";
  EXPECT_EQ(find_time_series(store, "pump_2"), nullptr);
  // A relative series moves to the start once, however often the shift is called.
  TimeSeries& rel = store.time_series.back();
  const double offset = rel.times[0], start = julian_date(2021, 3, 4, 5, 0, 0.0);
  shift_relative_series(store, start);
  shift_relative_series(store, start);
  EXPECT_DOUBLE_EQ(rel.times[0], start + offset);
  EXPECT_NEAR(time_series_value(&rel, start + offset + 0.5 / 24.0), 15.0, 1e-6);
  add_time_series_index(store, 7, ts);
  EXPECT_DOUBLE_EQ(time_series_value_by_index(store, 7, 0.0), 1.0);
  read_ts("header\nTORVA_TS\na\nABSOLUTE\n2020 1 1 0 0 1\nEND_TS\nTORVA_TS\nb\nABSOLUTE\nEND_TS\n");
  EXPECT_EQ(store.time_series.size() * 10 + store.time_series[1].count(), 20u);
  out = read_ts("TORVA_TS\nx\nABSOLUTE\n2020 1 1 junk\n");
  EXPECT_EQ(store.time_series.size() * 10 + store.time_series[0].count(), 11u);
  EXPECT_TRUE(has(out, "line 4 of the time series file") && has(out, "has no END_TS line")) << out;
  store = {};
  ::testing::internal::CaptureStdout();
  read_time_series_file("/nonexistent/x.ts", store);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "Error: Time series file not found [/nonexistent/x.ts]\n");
  EXPECT_TRUE(store.time_series.empty());
  TimeSeries empty;
  empty.name = "dry";
  const struct {
    TimeSeries* ts;
    int index;
    const char* says;
  } rows[] = {
      // clang-format off
      {nullptr, 0, "Error: attempting to extract a value from a time series that does not exist.\n"},
      {&empty, 0, "Error: attempting to extract a value from a time series [dry] with no entries.\n"},
      {nullptr, 8, "time series index is 8, but the \n"},
      // clang-format on
  };
  for (const auto& r : rows) {
    run_context() = RunContext{};
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(
        r.index ? time_series_value_by_index(store, r.index, 0.0) : time_series_value(r.ts, 0.0),
        0.0);
    EXPECT_TRUE(has(::testing::internal::GetCapturedStdout(), r.says)) << r.says;
    EXPECT_EQ(error_code().stop, 1);
  }
}

TEST_F(MapsTest, ElevationSeriesInterpolatedAndStepped) {
  SeriesStore store;
  write("s.es",
        "TORVA_ES\nrating\n10.0 1.0\n20.0 5.0\n30.0 6.0\nEND_ES\nTORVA_ES\nrule\n1 2\nEND_ES\n");
  ::testing::internal::CaptureStdout();
  read_elevation_series_file(path("s.es"), store);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "2 elevation series read from file " + path("s.es") + "\n");
  const ElevationSeries* es = find_elevation_series(store, "rat");
  ASSERT_NE(es, nullptr);
  EXPECT_EQ(join(std::vector<double>{
                elevation_series_value(es, 15.0), elevation_series_step_value(es, 15.0),
                elevation_series_step_value(es, 20.0), elevation_series_value(es, 5.0),
                elevation_series_step_value(es, 99.0),
                elevation_series_value(find_elevation_series(store, "rule"), 0.0)}),
            "3 1 5 1 6 2");
}

}  // namespace
}  // namespace torva
