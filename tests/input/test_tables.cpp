// Mapping tables (layout, lookups, the start-up check, the stream tables) and the time and
// elevation series.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sstream>

#include "frame/clock.hpp"
#include "frame/report.hpp"
#include "input/index_map.hpp"
#include "input/input_stages.hpp"
#include "input/mapping_table.hpp"
#include "input/series.hpp"
#include "model/model_state.hpp"
#include "support/project_run.hpp"

namespace torva {
namespace {

using support::has;
using support::raster;

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
template <class V>
std::string join(const V& v) {
  std::ostringstream o;
  for (std::size_t k = 0; k < v.size(); ++k) o << (k ? " " : "") << v[k];
  return o.str();
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
  EXPECT_EQ(grid_table_keyword("GROUNDWATER_BOUNDARY Land"), kTableGroundwaterBoundary);
  EXPECT_EQ(grid_table_keyword("GROUNDWATER Land"), kTableGroundwater);
  EXPECT_EQ(grid_table_keyword("NUM_IDS 3"), 0);
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
  EXPECT_TRUE(has(out, dots("Contaminants", 23, 'Y')));
  EXPECT_LT(out.find("NSM Other"), out.find("NSM Carbon"));
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

// Tables through the map-loading stage on a 1 x 3 strip: units converted, a map wins over its
// table, and a roughness ID the table lacks stops the run.
TEST(MappingStage, TablesConvertTheirUnitsAndAMissingRoughnessStops) {
  support::Scratch dir;
  auto load = [&](const std::string& tables, bool soil) {
    auto s = std::make_unique<ModelState>();
    Settings& c = s->settings;
    c.site.rows = c.site.outrow = c.site.outcol = 1;
    c.site.cols = 3;
    c.site.gridsize = 100.0;
    dir.write("mask.asc", raster(1, 3, 100, "1 1 1\n"));
    dir.write("elev.asc", raster(1, 3, 100, "5 4 3\n"));
    dir.write("soil.idx", raster(1, 3, 100, "2 1 2\n"));
    dir.write("ks.asc", raster(1, 3, 100, "7.2 7.2 7.2\n"));
    dir.write("tables.cmt", "TORVA_INDEX_MAP_TABLES\nINDEX_MAP soil.idx Soils\n" + tables);
    c.maps.watershed_mask = "mask.asc", c.maps.elevation = "elev.asc";
    c.maps.mapping_table = "tables.cmt", c.maps.conductivity = "ks.asc";
    c.maps.watershed_mask_given = c.maps.elevation_given = c.maps.mapping_table_given = true;
    c.maps.reten_depth_given = c.maps.conductivity_given = soil;  // RETEN_DEPTH without a name
    c.overland.manning_n = 0.03;
    ::testing::internal::CaptureStdout();
    stage_load_maps(*s);
    return std::pair(std::move(s), ::testing::internal::GetCapturedStdout());
  };
  const auto [s, out] =
      load("GREEN_AMPT_INFILTRATION Soils\nNUM_IDS 2\nKs Hc por lambda res fc wp\n" +
               row(1, "3.6 10 0.4 0.3 0.05 0.2 0.1") + row(2, "0.36 20 0.5 0.25 0.04 0.3 0.15") +
               "RETENTION Soils\nNUM_IDS 2\nmm\n" + row(1, "2") + row(2, "4") +
               "AREA_REDUCTION Soils\nNUM_IDS 2\nv\n" + row(1, "0.1") + row(2, "0.5"),
           true);
  ASSERT_EQ(error_code().code, 0) << out;
  const CellParams& p = s->params;
  // Ks from the map, cm/h -> m/s; cm -> m; mm -> m; area factor 1 - v.
  EXPECT_EQ(join(std::vector<double>{p.ksat[2] * 1e5, p.cap_head[1], p.cap_head[2], p.porosity[3],
                                     p.field_capacity[2], p.wilting_point[1], double(p.soil_id[1]),
                                     double(p.soil_id[2]), p.retention_depth[1], p.area_factor[2]}),
            "2 0.2 0.1 0.5 0.2 0.15 2 1 0.004 0.9");
  EXPECT_TRUE(has(out, "reading soil table and map from master table file\n"));
  EXPECT_TRUE(has(out, dots("G&A Infiltration", 19, 'Y')));
  run_context() = RunContext{};
  const auto [t, said] = load("ROUGHNESS Soils\nNUM_IDS 1\nh\n" + row(2, "0.03"), false);
  EXPECT_EQ(error_code().code, 4000);
  EXPECT_TRUE(has(said, "reading roughness table and map from master table file\n"));
  EXPECT_TRUE(has(said, "Overland Manning n=0 at grid cell 2.  Program terminating.\n")) << said;
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
      {"STREAMMAP\nNLINKS 2\n", 116,
       "Stream map file does not use correct header (file: st.map)\n"},
      {"STREAM_MAP\nNLINKS 3\n", 117, "?"},
      {"STREAM_MAP\nNLINKS 2\n1\n2\n3\n", 118, "?"},
      {"STREAM_MAP\nNLINKS 2\n1\nx\n3\n1\n2\n", 118, "?"},
      {"", 115, "Unable to open stream map file none.map\n"},
      {"STREAM_MAP\nNLINKS 2\n1\n2\n3\n1\n2\n", 0, ""},
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
  ::testing::internal::CaptureStdout();
  const StreamTablePresence p = check_stream_tables("st.cmt");
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "\nChecking stream mapping table file...\n" + dots("Roughness", 26, 'Y') +
                dots("NSM Nitrogen", 23, 'N') + dots("NSM Phosphorus", 21, 'N') +
                dots("NSM Carbon", 25, 'N') + dots("NSM Other", 26, 'N') +
                dots("Dispersion", 25, 'N'));
  EXPECT_TRUE(p.present[kStreamRoughness] && !p.present[kStreamDispersion]);
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

class SeriesTest : public support::ScratchTest<> {
 protected:
  std::string read_ts(const std::string& text) {
    write("series.ts", text);
    ::testing::internal::CaptureStdout();
    read_time_series_file(path("series.ts"), store);
    return ::testing::internal::GetCapturedStdout();
  }
  SeriesStore store;
};

const char* kTwoSeries =
    "some header text\n not TORVA_TS: keywords count only at the start of a line\n"
    "TORVA_TS\n  \"pump_1\"  \nABSOLUTE\n2020 6 1 12 0 1.0\n2020 6 1 13 0 3.0\nEND_TS\n"
    "between\nTORVA_TS\npump\nRELATIVE\n0 0 1 0 0 10.0\n0 0 1 1 0 20.0\nEND_TS\n";

TEST_F(SeriesTest, ReadInterpolatedAndFoundByPrefix) {
  const std::string out = read_ts(kTwoSeries);
  ASSERT_EQ(store.time_series.size(), 2u);
  EXPECT_TRUE(has(out, "Read time series pump_1\n"));
  EXPECT_TRUE(has(out, "2 time series read from file " + path("series.ts") + "\n"));
  TimeSeries* ts = find_time_series(store, "pump_1");
  ASSERT_NE(ts, nullptr);
  const double noon = julian_date(2020, 6, 1, 12, 0, 0.0), hour = 1.0 / 24.0;
  // Between the entries, before the first and after the last; then back near the start.
  for (const auto& [t, v] :
       std::initializer_list<std::pair<double, double>>{{noon + hour / 2, 2.0},
                                                        {noon - hour, 1.0},
                                                        {noon + 2 * hour, 3.0},
                                                        {noon + hour / 4, 1.5}})
    EXPECT_NEAR(time_series_value(ts, t), v, 1e-6) << t - noon;
  EXPECT_EQ(find_time_series(store, "pump"), ts) << "the first match of a prefix";
  EXPECT_EQ(find_time_series(store, "PUMP"), nullptr);
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
}

TEST_F(SeriesTest, EmptyAndBadSeries) {
  read_ts("header\nTORVA_TS\na\nABSOLUTE\n2020 1 1 0 0 1\nEND_TS\nTORVA_TS\nb\nABSOLUTE\nEND_TS\n");
  EXPECT_EQ(store.time_series.size() * 10 + store.time_series[1].count(), 20u);
  store = {};
  const std::string out = read_ts("TORVA_TS\nx\nABSOLUTE\n2020 1 1 junk\n");
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
  } rows[] = {{nullptr, 0,
               "Error: attempting to extract a value from a time series that does not exist.\n"},
              {&empty, 0,
               "Error: attempting to extract a value from a time series [dry] with no entries.\n"},
              {nullptr, 8, "time series index is 8, but the \n"}};
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

TEST_F(SeriesTest, ElevationSeriesInterpolatedAndStepped) {
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
