// The raster reader in its four modes, the watershed mask with the elevation and outlet, and
// the parameter maps through the map-loading stage: stored values, unit conversions and the
// messages of bad maps.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <sstream>

#include "input/input_stages.hpp"
#include "input/mask.hpp"
#include "input/param_maps.hpp"
#include "input/raster.hpp"
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
  const std::string eof = "Unexpected end of file in file: map.asc\n";
  auto zeros_of = [](const char* n) {
    return "Warning: Map contains " + std::string(n) + " cells with zero values. Map: map.asc\n";
  };
  auto counts = [](const char* c, int n) {
    return "In map map.asc category " + std::string(c) + " has " + std::to_string(n) + " values\n";
  };
  auto incorrect = [](const char* what) {
    return "Incorrect number of " + std::string(what) + " in map: map.asc\n";
  };
  auto bad = [](const char* v, int c) {
    return "Error: invalid value \"" + std::string(v) + "\" in map: map.asc (row 2, column " +
           std::to_string(c) + ")\n";
  };
  auto category = [](int v) {
    return "Error: category " + std::to_string(v) +
           " outside 0..10000 in map: map.asc (row 2, column 2)\n";
  };
  const struct {
    int mode;
    std::string file;
    bool ok;
    std::string console, stored = "?";
  } rows[] = {
      // clang-format off
      {kRealFirst, kHead + "9 1.5 9\n2.25 3 4e-1\n9 -5 9\n", true, "", "300 300 0 3 3: -1 1.5 2.25 3 0.4 -5"},
      {kRealSecond, kHead + "0,1.5,0\n2.25,\t3 , 4\n0 5 0\n", true, "", "300 300 0 3 3: -1 1.5 2.25 3 4 5"},
      {kRealFirst, kHead + "0 1\n2\n0 5 0\n", true, zeros_of("2"), "300 300 0 3 3: -1 1 2 0 0 5"},
      {kRealFirst, kHead + "0 0 0\n0 0 0\n0 0 0\n", true, "Warning: Map contains only zero values. Map: map.asc\n" + zeros_of("5")},
      {kRealFirst, kHead + "7 0 0\n0 0 0\n0 0 0\n", true, zeros_of("5")},  // 7 lies outside
      {kIntegerGrid, kHead + "1 2\n3 4 5 6\n7\n8 9\n", true, "", "300 300 0 3 3: 1 2 3 4 5 6 7 8 9"},
      {kCategory, kHead + "3 7 3\n1 7 1\n3 7 3\n", true, counts("1", 2) + counts("7", 3), "300 300 0 3 3: -1 7 1 7 1 7"},
      {kCategory, kHead + "-9999 1 0\n1 10000 1\n0 1 0\n", true, counts("1", 4) + counts("10000", 1)},  // outside: no data
      {kCategory, kHead + "0 1 0\n1 10001 1\n0 1 0\n", false, category(10001)},
      {kCategory, kHead + "0 1 0\n1 -3 1\n0 1 0\n", false, category(-3)},
      {kCategory, kHead + "0 1 0\n1 1.5 1\n0 1 0\n", false, bad("1.5", 2)},
      {kRealFirst, kHead + "0 1 0\n1 12abc 1\n0 1 0\n", false, bad("12abc", 2)},
      {kRealFirst, kHead + "0 1 0\n1 1 nan\n0 1 0\n", false, bad("nan", 3)},
      {kRealFirst, "north: x\nsouth: 0\neast: 1\nwest: 0\nrows: 3\ncols: 3\n", false,
       "Error: header line 1 of map map.asc does not hold a label and a number\n"},
      {kRealFirst, "north:300\nsouth 0\neast:300.5\nwest: -2\nrows:3\ncols:\t3\n0 1 0\n1 1 1\n0 1 0\n", true, "",
       "300 300.5 -2 3 3: -1 1 1 1 1 1"},
      {kRealFirst, "northing 300\nsouth 0\neast 300\nwest 0\nrows 3\ncols 3\n", false, "?"},
      {kRealFirst, raster(2, 3, 100, "0 1 0\n1 1 1\n0 1 0\n"), false, incorrect("rows")},
      {kRealFirst, raster(3, 4, 100, "0 1 0\n1 1 1\n0 1 0\n"), false, incorrect("columns")},
      {kIntegerGrid, raster(4, 4, 100, "0 1 0\n1 1 1\n0 1 0\n"), false, incorrect("rows and columns")},
      {kRealFirst, "north: 1\nsouth: 0\neast: 1\nwest: 0\nrows: 1000000000\ncols: 3\n1 2 3\n", false, incorrect("rows")},
      {kRealFirst, kHead + "0 1 0\n1 1 1\n", false, eof},
      {kCategory, kHead + "0 1 0 1 1 1 0 1\n", false, eof},
      {kRealFirst, "north: 1\nsouth: 0\n", false, eof},
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
  ReplaceParam p;
  p.key = "[KS]";
  p.key_length = 4;
  p.format = "%4.2lf";
  p.kind = 1;
  p.number_value = 2.5;
  run_context().replace.params.push_back(p);
  run_context().replace.active = true;
  ASSERT_TRUE(read(kHead + "0 [KS] 0\n1 1 1\n0 1 0\n", kRealFirst)) << out;
  EXPECT_EQ(got, "300 300 0 3 3: -1 2.5 1 1 1 1");
}

// Rows far beyond the 20000-character input line keep every value.
TEST_F(RasterTest, WideRowsAreNeverCut) {
  const int cols = 5000;
  Array2<int> wide("mask");
  wide.allocate(2, cols + 1);
  std::string row;
  for (int c = 1; c <= cols; ++c) row += std::to_string(wide(1, c) = c) + ".125 ";
  write("wide.asc", raster(1, cols, 1, row + "\n"));
  std::vector<double> v(cols + 1);
  FileHandle f;
  GridHeader h;
  ASSERT_TRUE(f.open("wide.asc", "r"));
  ASSERT_TRUE(read_grid(f, "wide.asc", kRealFirst, h, wide, {v, {}, {}}, 1, cols));
  EXPECT_EQ(v[1], 1.125);
  EXPECT_EQ(v[cols], cols + 0.125);
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

TEST(GridSize, TruncationRuleAcceptsRoundingAndRejectsTenths) {
  const struct {
    double gridsize, north, east;
    int code;
  } rows[] = {{30.0, 300.04, 300, 0},
              {30.0, 301, 300, 1},
              {30.0, 300, 301, 2},
              {30.0, 301, 301, 1},
              {29.999, 300, 300, 0}};  // north-south first
  for (const auto& r : rows) {
    GridHeader h{r.north, 0, r.east, 0, 10, 10};
    EXPECT_EQ(grid_size_check(r.gridsize, h), r.code) << r.north << " " << r.east;
  }
}

TEST(Renumber, EveryNonZeroEntryOfAnySignIsACell) {
  Array2<int> m("mask");
  m.allocate(3, 4);
  m(1, 1) = -9;
  m(1, 3) = 5;
  m(2, 2) = -1;
  m(2, 3) = 1;
  EXPECT_EQ(renumber_mask(m), 4);
  EXPECT_EQ(join(std::vector<int>{m(1, 1), m(1, 2), m(1, 3), m(2, 2), m(2, 3)}), "1 0 2 3 4");
}

// The mask and elevation of a 3 x 3 grid of 100 m cells with the outlet at row 3, column 2.
class MaskTest : public support::ScratchTest<> {
 protected:
  std::string load(const std::string& mask, const std::function<void(Settings&)>& tweak = {}) {
    s = std::make_unique<ModelState>();
    SiteCards& site = s->settings.site;
    site.rows = site.cols = site.outrow = 3;
    site.gridsize = 100.0;
    site.outcol = 2;
    if (tweak) tweak(s->settings);
    write("mask.asc", mask);
    write("elev.asc", raster(3, 3, 100, "9 10 9\n11 12 13\n9 14 9\n"));
    FileHandle f, e;
    EXPECT_TRUE(f.open("mask.asc", "r") && e.open("elev.asc", "r"));
    ::testing::internal::CaptureStdout();
    read_watershed_mask(*s, f);
    if (error_code().code == 0) read_elevation(*s, e);
    return ::testing::internal::GetCapturedStdout();
  }
  std::unique_ptr<ModelState> s;
};

const std::string kPlus = raster(3, 3, 100, "0 1 0\n1 1 1\n0 1 0\n");
const std::string kMaskRead = "reading watershed mask from file: mask.asc\n";

TEST_F(MaskTest, NumbersCellsWritesMaskmapAndFindsTheOutlet) {
  EXPECT_EQ(load(raster(3, 3, 100, "0 -1 0\n1 1 7\n0 2 0\n")),
            kMaskRead +
                "number of grid cells in watershed: 5\nreading elevation map from file: elev.asc\n"
                "outlet is in grid cell: 5\n");
  const GridState& g = s->grid;
  EXPECT_EQ(error_code().code, 0);
  EXPECT_EQ(join(std::vector<int>{g.ncells, g.mask(2, 3), g.cell_row[4], g.cell_col[4],
                                  g.outlet_cell, g.mask(0, 0) + g.mask(4, 4) + g.mask(2, 4)}),
            "5 4 2 3 5 0");
  EXPECT_EQ(g.elevation[4], 13.0);
  EXPECT_DOUBLE_EQ(g.watershed_area, 5 * 100.0 * 100.0);
  EXPECT_EQ(read("maskmap"),
            "north:    300.00\nsouth:      0.00\neast:    300.00\nwest:      0.00\n"
            "rows:     3\ncols:     3\n0 1 0 \n2 3 4 \n0 5 0 \n");
  // Off the grid altogether, with a channel network: no fault, outlet cell 0.
  load(kPlus, [](Settings& c) {
    c.site.outrow = 99, c.site.outcol = -4;
    c.channel.channel_input_given = true;
  });
  EXPECT_EQ(error_code().code, 0);
  EXPECT_EQ(s->grid.outlet_cell, 0);
}

TEST_F(MaskTest, BadGridsAndOutletsStopWithTheirMessage) {
  const std::string all = "1 1 1\n1 1 1\n1 1 1\n";
  const struct {
    std::string mask;
    std::function<void(Settings&)> tweak;
    std::string console;
  } rows[] = {
      {"north: 300\nsouth: 0\neast: 303\nwest: 0\nrows: 3\ncols: 3\n" + all,
       {},
       kMaskRead + "\nThe grid size specified in the project file: 100.0000 m differs from\n"
                   "the east-west dimension of the raster grid cells 101.0000 m as calculated\n"
                   "from the WATERSHED_MASK header.  Check your data to make sure they agree.\n"
                   "TORVA terminating.\n\n"},
      {"north: 301\nsouth: 0\neast: 300\nwest: 0\nrows: 3\ncols: 3\n" + all,
       [](Settings& c) { c.site.quiet = 1; }, ""},
      {raster(3, 3, 100, all), [](Settings& c) { c.site.rows = c.site.cols = 1000000000; },
       "Error: ROWS 1000000000 and COLS 1000000000 do not describe a usable grid (watershed "
       "mask: mask.asc)\n"},
      {kPlus, [](Settings& c) { c.site.outcol = 1; },
       kMaskRead +
           "number of grid cells in watershed: 5\nreading elevation map from file: elev.asc\n"
           "\nThe outlet row and column you specified in the project file are not\n"
           "inside the watershed mask.  Check the outlet row and column again, and\n"
           "make sure they are correctly specified in the project file using the\n"
           "OUTROW and OUTCOL project file cards.  TORVA terminating.\n\n"},
  };
  for (const auto& row : rows) {
    run_context() = RunContext{};
    EXPECT_EQ(load(row.mask, row.tweak), row.console);
    EXPECT_EQ(error_code().code, 4000);
  }
}

// The map-loading stage over a 2 x 3 grid of 100 m cells, cells 1, 2 in row 1 and 3, 4, 5 in
// row 2, uniform Manning n 0.05.
class ParamMapsTest : public support::ScratchTest<> {
 protected:
  // A map with the values of cells 1..5 (0 outside).
  static std::string cells(const std::string& a, const std::string& b, const std::string& rest) {
    return raster(2, 3, 100, a + " " + b + " 0\n" + rest + "\n");
  }
  // Gives each map card its file (name: text), runs the stage; returns the console.
  std::string load(const std::vector<std::pair<std::string, std::string>>& maps,
                   const std::function<void(Settings&)>& tweak = {}) {
    s = std::make_unique<ModelState>();
    Settings& c = s->settings;
    c.site.rows = c.site.outrow = 2;
    c.site.cols = c.site.outcol = 3;
    c.site.gridsize = 100.0;
    write("mask.asc", cells("1", "1", "1 1 1"));
    write("elev.asc", cells("10", "11", "12 13 14"));
    c.overland.manning_n = 0.05;
    c.overland.manning_n_given = true;
    MapCards& m = c.maps;
    m.watershed_mask = "mask.asc", m.elevation = "elev.asc";
    m.watershed_mask_given = m.elevation_given = true;
    const std::map<std::string, std::pair<std::string*, bool*>> fields = {
        {"ks", {&m.conductivity, &m.conductivity_given}},
        {"hc", {&m.capillary, &m.capillary_given}},
        {"por", {&m.porosity, &m.porosity_given}},
        {"ret", {&m.reten_depth, &m.reten_depth_given}},
        {"ar", {&m.area_reduction, &m.area_reduction_given}},
        {"wt", {&m.water_table, &m.water_table_given}},
        {"is", {&m.storage_capacity, &m.storage_capacity_given}},
        {"ab", {&m.aquifer_bottom, &m.aquifer_bottom_given}},
        {"d0", {&m.ov_init_depth, &m.ov_init_depth_given}},
        {"soil", {&m.soil_type_map, &m.soil_type_map_given}},
        {"rough", {&m.roughness, &m.roughness_given}},
        {"lake", {&c.unsimulated.overland_lake_map, &c.unsimulated.overland_lake_map_given}}};
    for (const auto& [name, text] : maps) {
      *fields.at(name).first = name + ".asc";
      *fields.at(name).second = true;
      if (!text.empty()) write(name + ".asc", text);
    }
    if (tweak) tweak(c);
    ::testing::internal::CaptureStdout();
    stage_load_maps(*s);
    return ::testing::internal::GetCapturedStdout();
  }
  std::unique_ptr<ModelState> s;
};

TEST_F(ParamMapsTest, EachMapInItsUnits) {
  const std::string out = load({{"ks", cells("3.6", "36", "0.36 1 2")},
                                {"hc", cells("10", "20", "30 40 50")},
                                {"por", cells("0.4", "0.4", "0.4 0.4 0.45")},
                                {"ret", cells("5", "1", "2 3 4")},
                                {"ar", cells("0.25", "0", "0.5 1 0.75")},
                                {"wt", cells("9", "9", "9 9 9")},
                                {"is", cells("1", "2", "3 4 5")},
                                {"ab", cells("5", "11", "20 1 2")},
                                {"soil", cells("4", "5", "6 7 8")},
                                {"lake", cells("0", "2", "2 0 1")},
                                {"d0", cells("0", "0", "0.01 0 0")}});
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
       {"reading saturated hydraulic conductivity map from file: ks.asc\n",
        "reading capillary drive map from file: hc.asc\n",
        "reading porosity map from file: por.asc\n",
        "reading retention storage map from file: ret.asc\n",
        "reading area reduction map from file: ar.asc\n",
        "reading interception storage from file: is.asc\n",
        "Warning: aquifer bottom at or above the ground in 2 cells; set to the ground elevation "
        "there (map: ab.asc)\n",
        "In map lake.asc category 1 has 1 values\nIn map lake.asc category 2 has 2 values\n"})
    EXPECT_TRUE(has(out, line)) << line;
}

TEST_F(ParamMapsTest, UniformValuesAndWhatNoMapGives) {
  load({}, [](Settings& c) {
    c.overland.retention = 2.5;
    c.overland.retention_given = c.maps.init_elev_head_given = true;
    c.maps.init_elev_head = 12.5;
  });
  ASSERT_EQ(error_code().code, 0);
  const CellParams& p = s->params;
  EXPECT_TRUE(p.uniform_rough);
  EXPECT_EQ(join(p.rough.slots(), 1) + " | " + join(p.init_depth.slots(), 1),
            "0.05 0.05 0.05 0.05 0.05 | 2.5 1.5 0.5 0 0");
  EXPECT_EQ(join(std::vector<double>{p.retention_depth[5], p.area_factor[5]}), "0.0025 1");
  EXPECT_EQ(s->grid.outlet_cell, 5);
  // Parameters no map or table gave stay empty, so their users can tell.
  EXPECT_TRUE(p.ksat.empty() && p.pore_index.empty() && p.soil_id.empty() && p.albedo.empty());
  load({}, [](Settings& c) { c.overland.manning_n = 0.0000011; });  // just above the limit
  EXPECT_EQ(s->params.rough[1], 0.0000011);
}

TEST_F(ParamMapsTest, BadMapsStopWithTheirMessage) {
  const struct {
    std::vector<std::pair<std::string, std::string>> maps;
    std::function<void(Settings&)> tweak;
    int code;
    std::string says;  // part of the console, or for code 4 what and file
  } rows[] = {
      {{},
       [](Settings& c) { c.overland.manning_n = 0.000001; },
       4000,
       "\nInvalid spatially uniform overland flow Manning n value=0.000001\nTORVA exiting.\n"},
      {{{"rough", cells("0.1", "0.2", "0.3 0 0.5")}},
       [](Settings& c) { c.overland.manning_n_given = false; },
       4000,
       "reading roughness map from file: rough.asc\nWarning: Map contains 1 cells with zero "
       "values. "
       "Map: rough.asc\nOverland Manning n=0 at grid cell 4.  Program terminating.\n"},
      {{{"d0", cells("0", "0", "-0.01 0 0")}},
       {},
       4000,
       "Error: negative initial overland depth -0.010000 m at grid cell 3"},
      {{{"por", raster(1, 3, 100, "1 1 1\n")}},
       {},
       4000,
       "Incorrect number of rows in map: por.asc\n"},
      {{{"ar", ""}}, {}, 4000, "Can't open area reduction file named: ar.asc\n"},
      {{{"ks", ""}}, {}, 4, "Ks ks.asc"},  // opened before anything is read
      {{}, [](Settings& c) { c.maps.watershed_mask = "none.asc"; }, 4, "watershed mask none.asc"},
      // Edges half a cell off only warn.
      {{{"por", "north: 250\nsouth: 50\neast: 300\nwest: 0\nrows: 2\ncols: 3\n1 1 1\n1 1 1\n"}},
       {},
       0,
       "Warning: the edges of map por.asc differ from the watershed mask by half a cell or more\n"},
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

}  // namespace
}  // namespace torva
