// Mapping tables: file layout, lookups, the start-up check, the time-series index list and
// the stream tables.
#include "frame/report.hpp"
#include "input/index_map.hpp"
#include "input/input_stages.hpp"
#include "input/mapping_table.hpp"
#include "input/param_maps.hpp"
#include "input/test_raster_util.hpp"
#include "model/model_state.hpp"

namespace torva {
namespace {

using testing::grid_text;

// One table row in fixed columns: ID in 1-6, description in 7-86, values from 87.
std::string row(int id, const std::string& values, const std::string& desc = "class") {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%-6d", id);
  std::string d = desc;
  d.resize(80, ' ');
  return buf + d + values;
}

class MappingTest : public testing::ScratchDir {
 protected:
  // 2 x 3 grid, corner (1,3) outside: cells 1..5.
  void SetUp() override {
    ScratchDir::SetUp();
    mask.allocate(3, 4);
    int n = 0;
    for (int r = 1; r <= 2; ++r)
      for (int c = 1; c <= 3; ++c)
        if (!(r == 1 && c == 3)) mask(r, c) = ++n;
    write("land.idx", grid_text(2, 3, {"1 2 9", "2 3 1"}));
    a.assign(6, -1.0);
    b.assign(6, -1.0);
  }
  std::string table_file(const std::string& tables,
                         const std::string& list = "INDEX_MAP land.idx Land use\n") {
    return "TORVA_INDEX_MAP_TABLES\n" + list + tables;
  }
  bool lookup(const std::string& text, int table, int columns = 1) {
    write("tables.cmt", text);
    std::vector<std::span<double>> d = {a};
    if (columns > 1) d.push_back(b);
    GridHeader h;
    ::testing::internal::CaptureStdout();
    const bool ok = map_table_lookup("tables.cmt", table, d, h, mask, 2, 3, ids);
    out = ::testing::internal::GetCapturedStdout();
    return ok;
  }
  std::string message() const { return error_message(error_code().code, error_code()); }

  Array2<int> mask{"mask"};
  std::vector<double> a, b;
  std::vector<int> ids = std::vector<int>(6, -1);
  std::string out;
};

const std::string kRoughness = "ROUGHNESS Land use\nNUM_IDS 3\nID   DESCRIPTION   N\n" +
                               row(1, "0.03") + "\n" + row(2, "0.05") + "\n" + row(3, "0.10") +
                               "\n";

TEST_F(MappingTest, LookupFillsCellsByIdAndCountsIds) {
  ASSERT_TRUE(lookup(table_file(kRoughness), kTableRoughness)) << out;
  EXPECT_EQ(a, (std::vector<double>{-1.0, 0.03, 0.05, 0.05, 0.10, 0.03}));
  EXPECT_EQ(ids, (std::vector<int>{-1, 1, 2, 2, 3, 1}));
  EXPECT_EQ(out,
            "In map land.idx category 1 has 2 values\n"
            "In map land.idx category 2 has 2 values\n"
            "In map land.idx category 3 has 1 values\n");
}

TEST_F(MappingTest, TwoColumnTableAndLaterDuplicateWins) {
  const std::string t = "INTERCEPTION Land use\nNUM_IDS 4\nheader\n" + row(1, "1.0 0.1") + "\n" +
                        row(2, "2.0\t0.2") + "\n" + row(3, "3.0 0.3") + "\n" + row(2, "2.5 0.25") +
                        "\n";
  ASSERT_TRUE(lookup(table_file(t), kTableInterception, 2)) << out;
  EXPECT_EQ(a[2], 2.5);
  EXPECT_EQ(b[2], 0.25);
  EXPECT_EQ(b[4], 0.3);
}

TEST_F(MappingTest, QuotedIndexMapNameIsADifferentName) {
  EXPECT_FALSE(
      lookup(table_file(kRoughness, "INDEX_MAP \"land.idx\" \"Land use\"\n"), kTableRoughness));
  EXPECT_EQ(error_code().code, 66);
  EXPECT_EQ(message(),
            "Problem reading mapping table file -- no entries found in table ROUGHNESS "
            "(NUM_IDS is 0)\n");
  // A quoted path with an unquoted name is found.
  testing::clear_error();
  EXPECT_TRUE(lookup(table_file(kRoughness, "INDEX_MAP \"land.idx\" Land use\n"), kTableRoughness));
}

TEST_F(MappingTest, BlankLineEndsTheIndexMapList) {
  EXPECT_FALSE(lookup(table_file(kRoughness,
                                 "INDEX_MAP other.idx Soils\n\nINDEX_MAP land.idx "
                                 "Land use\n"),
                      kTableRoughness));
  EXPECT_EQ(error_code().code, 66);
}

TEST_F(MappingTest, NoEntriesCases) {
  EXPECT_FALSE(lookup(table_file("ROUGHNESS Land use\nNUM_IDS 0\nheader\n"), kTableRoughness));
  EXPECT_EQ(error_code().code, 66);
  testing::clear_error();
  EXPECT_FALSE(lookup(table_file("RETENTION Land use\nNUM_IDS 1\nh\n" + row(1, "2") + "\n"),
                      kTableRoughness));
  EXPECT_EQ(error_code().code, 66);
  testing::clear_error();
  EXPECT_FALSE(lookup("NOT_A_TABLE_FILE\n" + kRoughness, kTableRoughness));
  EXPECT_EQ(error_code().code, 66);
  testing::clear_error();
  EXPECT_FALSE(lookup(table_file("ROUGHNESS Land use\nIDS 3\n"), kTableRoughness));
  EXPECT_EQ(error_code().code, 66);
}

TEST_F(MappingTest, MissingIdGivesZero) {
  const std::string t =
      "ROUGHNESS Land use\nNUM_IDS 2\nh\n" + row(1, "0.03") + "\n" + row(3, "0.10") + "\n";
  ASSERT_TRUE(lookup(table_file(t), kTableRoughness));
  EXPECT_EQ(a[2], 0.0);
  EXPECT_EQ(a[3], 0.0);
}

TEST_F(MappingTest, IdAboveTheTableInsideVersusOutsideTheMask) {
  const std::string t =
      "ROUGHNESS Land use\nNUM_IDS 2\nh\n" + row(1, "0.03") + "\n" + row(2, "0.05") + "\n";
  // 9 stands outside the mask at (1,3): ignored.  3 inside at (2,2): code 71.
  EXPECT_FALSE(lookup(table_file(t), kTableRoughness));
  EXPECT_EQ(error_code().code, 71);
  EXPECT_EQ(message(), "Index ID exceeds table limit, file: land.idx [row 2:col 2]\n");
}

TEST_F(MappingTest, NonPositiveIdInsideTheMaskStops) {
  write("land.idx", grid_text(2, 3, {"1 0 9", "2 3 1"}));
  EXPECT_FALSE(lookup(table_file(kRoughness), kTableRoughness));
  EXPECT_EQ(error_code().code, 4000);
  EXPECT_EQ(out,
            "Error: index map land.idx holds ID 0 inside the watershed at row 1, column 2; IDs "
            "start at 1\n");
}

TEST_F(MappingTest, IndexMapFaults) {
  write("land.idx", grid_text(1, 3, {"1 2 3"}));
  EXPECT_FALSE(lookup(table_file(kRoughness), kTableRoughness));
  EXPECT_EQ(message(), "Incorrect number of rows in map: land.idx\n");
  write("land.idx", grid_text(2, 2, {"1 2", "1 1"}));
  EXPECT_FALSE(lookup(table_file(kRoughness), kTableRoughness));
  EXPECT_EQ(error_code().code, 74);
  write("land.idx", grid_text(3, 2, {"1 2", "1 1", "1 1"}));
  EXPECT_FALSE(lookup(table_file(kRoughness), kTableRoughness));
  EXPECT_EQ(error_code().code, 72);
  write("land.idx", grid_text(2, 3, {"1 2 3", "1"}));
  EXPECT_FALSE(lookup(table_file(kRoughness), kTableRoughness));
  EXPECT_EQ(message(), "Unexpected end of file in file: land.idx\n");
  std::filesystem::remove("land.idx");
  EXPECT_FALSE(lookup(table_file(kRoughness), kTableRoughness));
  EXPECT_EQ(message(), "Unable to open index file land.idx\n");
  EXPECT_FALSE(lookup(table_file(kRoughness), kTableRoughness));
  std::filesystem::remove("tables.cmt");
  GridHeader h;
  EXPECT_FALSE(map_table_lookup("tables.cmt", 1, {}, h, mask, 2, 3));
  EXPECT_EQ(message(), "Unable to open Mapping Table file: tables.cmt\n");
}

TEST_F(MappingTest, MalformedRowsNameTheirLine) {
  const std::string shortrow = "ROUGHNESS Land use\nNUM_IDS 1\nh\n1     short row\n";
  EXPECT_FALSE(lookup(table_file(shortrow), kTableRoughness));
  EXPECT_EQ(error_code().code, 4000);
  EXPECT_EQ(out,
            "Error: a value from character 87 on is missing in table ROUGHNESS of mapping table "
            "file tables.cmt, line 6\n");
  const std::string badid = "ROUGHNESS Land use\nNUM_IDS 1\nh\n" + row(1, "x") + "\n";
  EXPECT_FALSE(lookup(table_file(badid), kTableRoughness));
  EXPECT_EQ(out,
            "Error: a value from character 87 on is not a number in table ROUGHNESS of mapping "
            "table file tables.cmt, line 6\n");
  const std::string truncated = "ROUGHNESS Land use\nNUM_IDS 5\nh\n" + row(1, "0.1") + "\n";
  EXPECT_FALSE(lookup(table_file(truncated), kTableRoughness));
  EXPECT_EQ(message(), "Unexpected end of file in file: tables.cmt\n");
  const std::string huge = "ROUGHNESS Land use\nNUM_IDS 2000000000\nh\n";
  EXPECT_FALSE(lookup(table_file(huge), kTableRoughness));
  EXPECT_EQ(error_code().code, 4000);
}

TEST(CheckLine, DotsToThirtyFiveCharacters) {
  EXPECT_EQ(check_line("Roughness", true), "  Roughness" + std::string(26, '.') + "Y\n");
  EXPECT_EQ(check_line("NSM Groundwater Phosphorus", false),
            "  NSM Groundwater Phosphorus" + std::string(9, '.') + "N\n");
}

TEST(Keywords, PrefixOrder) {
  EXPECT_EQ(grid_table_keyword("GROUNDWATER_BOUNDARY Land"), kTableGroundwaterBoundary);
  EXPECT_EQ(grid_table_keyword("GROUNDWATER Land"), kTableGroundwater);
  EXPECT_EQ(grid_table_keyword("ROUGHNESS_X Land"), kTableRoughness);
  EXPECT_EQ(grid_table_keyword("NUM_IDS 3"), 0);
  EXPECT_EQ(table_info(kTableRichardsBrooks)->columns, 11);
  EXPECT_EQ(table_info(kTableGreenAmpt)->columns, 7);
}

TEST_F(MappingTest, StartUpCheckReport) {
  write("tables.cmt",
        table_file(kRoughness + "RETENTION Missing map\nNUM_IDS 1\nh\n" + row(1, "1") +
                       "\nCONTAMINANT_TRANSPORT\nNUM_CONTAM 2\n",
                   "INDEX_MAP land.idx Land use\nINDEX_MAP absent.idx Missing map\n"));
  ::testing::internal::CaptureStdout();
  const TablePresence p = check_map_tables("tables.cmt");
  out = ::testing::internal::GetCapturedStdout();
  EXPECT_TRUE(p.present[kTableRoughness]);
  EXPECT_FALSE(p.present[kTableRetention]);  // its index map does not open
  EXPECT_TRUE(p.present[kTableContaminants]);
  EXPECT_EQ(p.contaminants, 2);
  const std::string head =
      "\nChecking 2D grid mapping tables...\n  Checking CONTAMINANT_TRANSPORT"
      "2 contaminants found\n  Roughness" +
      std::string(26, '.') + "Y\n  Interception" + std::string(23, '.') + "N\n  Retention" +
      std::string(26, '.') + "N\n";
  EXPECT_EQ(out.substr(0, head.size()), head);
  EXPECT_NE(out.find("  Contaminants" + std::string(23, '.') + "Y\n"), std::string::npos);
  // NSM Other is listed before NSM Carbon.
  EXPECT_LT(out.find("NSM Other"), out.find("NSM Carbon"));
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 2 + 1 + 30);
}

TEST_F(MappingTest, TimeSeriesIndexList) {
  const std::string t =
      "TIME_SERIES_INDEX\nNUM_IDS 2\nh\n1     inflow_a   whatever\n2     "
      "inflow_b\n";
  write("tables.cmt", table_file(t));
  ::testing::internal::CaptureStdout();
  const auto list =
      build_series_index("tables.cmt", [](const std::string& name) { return name == "inflow_a"; });
  out = ::testing::internal::GetCapturedStdout();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[1].id, 2);
  EXPECT_EQ(list[1].name, "inflow_b");
  EXPECT_EQ(out,
            "Adding table to list: inflow_a... Success!\n"
            "Adding table to list: inflow_b... Failure, table not found.\n");
}

TEST_F(MappingTest, RoughnessThroughTheStageStopsOnAMissingId) {
  auto s = std::make_unique<ModelState>();
  SiteCards& site = s->settings.site;
  site.rows = 2;
  site.cols = 3;
  site.gridsize = 100.0;
  site.outrow = 2;
  site.outcol = 1;
  write("mask.asc", grid_text(2, 3, {"1 1 0", "1 1 1"}, 200, 0, 300, 0));
  write("elev.asc", grid_text(2, 3, {"1 1 0", "1 1 1"}, 200, 0, 300, 0));
  write("land.idx", grid_text(2, 3, {"1 2 0", "2 3 1"}, 200, 0, 300, 0));
  write("tables.cmt", table_file("ROUGHNESS Land use\nNUM_IDS 2\nh\n" + row(1, "0.03") + "\n" +
                                 row(3, "0.10") + "\n"));
  MapCards& c = s->settings.maps;
  c.watershed_mask = "mask.asc";
  c.watershed_mask_given = true;
  c.elevation = "elev.asc";
  c.elevation_given = true;
  c.mapping_table = "tables.cmt";
  c.mapping_table_given = true;
  ::testing::internal::CaptureStdout();
  stage_load_maps(*s);
  out = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(error_code().code, 4000);
  EXPECT_NE(out.find("reading roughness table and map from master table file\n"),
            std::string::npos);
  EXPECT_NE(out.find("Overland Manning n=0 at grid cell 2.  Program terminating.\n"),
            std::string::npos);
}

class StreamTest : public testing::ScratchDir {
 protected:
  bool read(const std::string& text) {
    write("st.map", text);
    return read_stream_index_map("st.map", nodes, ids);
  }
  std::string message() const { return error_message(error_code().code, error_code()); }
  std::vector<int> nodes = {0, 2, 3};  // link 1 has 2 nodes, link 2 has 3
  std::vector<std::vector<int>> ids;
};

TEST_F(StreamTest, IndexMapCodes) {
  ASSERT_TRUE(read("STREAM_MAP\nNLINKS 2\n1\n2\n3\n1\n2\n"));
  EXPECT_EQ(ids[2][1], 3);
  EXPECT_EQ(ids[2][3], 2);
  EXPECT_FALSE(read("STREAMMAP\nNLINKS 2\n"));
  EXPECT_EQ(message(), "Stream map file does not use correct header (file: st.map)\n");
  EXPECT_FALSE(read("STREAM_MAP\nNLINKS 3\n"));
  EXPECT_EQ(error_code().code, 117);
  EXPECT_FALSE(read("STREAM_MAP\nNLINKS 2\n1\n2\n3\n"));
  EXPECT_EQ(error_code().code, 118);
  EXPECT_FALSE(read("STREAM_MAP\nNLINKS 2\n1\nx\n3\n1\n2\n"));
  EXPECT_EQ(error_code().code, 118);
  EXPECT_FALSE(read_stream_index_map("none.map", nodes, ids));
  EXPECT_EQ(message(), "Unable to open stream map file none.map\n");
}

TEST_F(StreamTest, StreamTablesCheckAndLookup) {
  write("st.map", "STREAM_MAP\nNLINKS 2\n1\n2\n2\n1\n2\n");
  write("st.cmt",
        "TORVA_STREAM_INDEX_MAP_TABLES\nST_INDEX_MAP st.map Reaches\nROUGHNESS "
        "Reaches\nNUM_IDS 2\nh\n" +
            row(1, "0.03") + "\n" + row(2, "0.04") + "\n");
  ::testing::internal::CaptureStdout();
  const StreamTablePresence p = check_stream_tables("st.cmt");
  const std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_TRUE(p.present[kStreamRoughness]);
  EXPECT_FALSE(p.present[kStreamDispersion]);
  EXPECT_EQ(out, "\nChecking stream mapping table file...\n  Roughness" + std::string(26, '.') +
                     "Y\n  NSM Nitrogen" + std::string(23, '.') + "N\n  NSM Phosphorus" +
                     std::string(21, '.') + "N\n  NSM Carbon" + std::string(25, '.') +
                     "N\n  NSM Other" + std::string(26, '.') + "N\n  Dispersion" +
                     std::string(25, '.') + "N\n");
  Array2<double> n("stream_n");
  n.allocate(3, 2);
  Array2<double>* dest[] = {&n};
  ASSERT_TRUE(stream_table_lookup("st.cmt", kStreamRoughness, dest, nodes));
  EXPECT_EQ(n(1, 1), 0.03);
  EXPECT_EQ(n(2, 2), 0.03);
  EXPECT_EQ(n(3, 2), 0.04);
  EXPECT_FALSE(stream_table_lookup("st.cmt", kStreamNsmN, dest, nodes));
  EXPECT_EQ(message(),
            "Problem reading mapping table file -- no entries found in table NSM_N (Stream) "
            "(NUM_IDS is 0)\n");
}

}  // namespace
}  // namespace torva

namespace torva {
namespace {

class TableSourcesTest : public testing::ScratchDir {
 protected:
  void SetUp() override {
    ScratchDir::SetUp();
    s = std::make_unique<ModelState>();
    SiteCards& site = s->settings.site;
    site.rows = 1;
    site.cols = 3;
    site.gridsize = 100.0;
    site.outrow = 1;
    site.outcol = 1;
    write("mask.asc", grid_text(1, 3, {"1 1 1"}, 100, 0, 300, 0));
    write("elev.asc", grid_text(1, 3, {"5 4 3"}, 100, 0, 300, 0));
    write("soil.idx", grid_text(1, 3, {"2 1 2"}, 100, 0, 300, 0));
    Settings& c = s->settings;
    c.maps.watershed_mask = "mask.asc";
    c.maps.watershed_mask_given = true;
    c.maps.elevation = "elev.asc";
    c.maps.elevation_given = true;
    c.overland.manning_n = 0.03;
    c.maps.mapping_table = "tables.cmt";
    c.maps.mapping_table_given = true;
  }
  std::unique_ptr<ModelState> s;
};

TEST_F(TableSourcesTest, SoilRetentionAndAreaTablesConvertTheirUnits) {
  write("tables.cmt",
        "TORVA_INDEX_MAP_TABLES\nINDEX_MAP soil.idx Soils\n"
        "GREEN_AMPT_INFILTRATION Soils\nNUM_IDS 2\nKs Hc por lambda res fc wp\n" +
            row(1, "3.6 10 0.4 0.3 0.05 0.2 0.1") + "\n" +
            row(2, "0.36 20 0.5 0.25 0.04 0.3 0.15") + "\nRETENTION Soils\nNUM_IDS 2\nmm\n" +
            row(1, "2") + "\n" + row(2, "4") + "\nAREA_REDUCTION Soils\nNUM_IDS 2\nv\n" +
            row(1, "0.1") + "\n" + row(2, "0.5") + "\n");
  s->settings.maps.reten_depth_given = true;  // RETEN_DEPTH without a file name
  s->settings.maps.conductivity = "ks.asc";   // a map wins over the table
  s->settings.maps.conductivity_given = true;
  write("ks.asc", grid_text(1, 3, {"7.2 7.2 7.2"}, 100, 0, 300, 0));
  ::testing::internal::CaptureStdout();
  stage_load_maps(*s);
  const std::string out = ::testing::internal::GetCapturedStdout();
  ASSERT_EQ(error_code().code, 0) << out;
  const CellParams& p = s->params;
  EXPECT_TRUE(p.mapping_tables[kTableGreenAmpt]);
  EXPECT_DOUBLE_EQ(p.ksat[2], 2e-5);     // from the map, cm/h -> m/s
  EXPECT_DOUBLE_EQ(p.cap_head[1], 0.2);  // table cm -> m
  EXPECT_DOUBLE_EQ(p.cap_head[2], 0.1);
  EXPECT_DOUBLE_EQ(p.porosity[3], 0.5);
  EXPECT_DOUBLE_EQ(p.field_capacity[2], 0.2);
  EXPECT_DOUBLE_EQ(p.wilting_point[1], 0.15);
  EXPECT_EQ(p.soil_id[1], 2);
  EXPECT_EQ(p.soil_id[2], 1);
  EXPECT_DOUBLE_EQ(p.retention_depth[1], 0.004);  // mm -> m
  EXPECT_DOUBLE_EQ(p.area_factor[2], 0.9);        // 1 - v
  EXPECT_NE(out.find("reading soil table and map from master table file\n"), std::string::npos);
  EXPECT_NE(out.find("  G&A Infiltration" + std::string(19, '.') + "Y\n"), std::string::npos);
}

}  // namespace
}  // namespace torva
