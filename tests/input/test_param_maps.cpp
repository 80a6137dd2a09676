// The parameter maps through the map-loading stage: sources, unit conversions, checks and
// the code-4 descriptions.
#include "input/input_stages.hpp"
#include "input/param_maps.hpp"
#include "input/test_raster_util.hpp"
#include "model/model_state.hpp"

namespace torva {
namespace {

using testing::grid_text;

class ParamMapsTest : public testing::ScratchDir {
 protected:
  // A 2 x 3 grid: cells 1, 2 in row 1 (columns 1, 2), cells 3, 4, 5 in row 2.
  void SetUp() override {
    ScratchDir::SetUp();
    reset();
  }
  void reset() {
    testing::clear_error();
    s = std::make_unique<ModelState>();
    SiteCards& site = s->settings.site;
    site.rows = 2;
    site.cols = 3;
    site.gridsize = 100.0;
    site.outrow = 2;
    site.outcol = 3;
    write("mask.asc", grid_text(2, 3, {"1 1 0", "1 1 1"}, 200, 0, 300, 0));
    write("elev.asc", grid_text(2, 3, {"10 11 0", "12 13 14"}, 200, 0, 300, 0));
    Settings& c = s->settings;
    c.maps.watershed_mask = "mask.asc";
    c.maps.watershed_mask_given = true;
    c.maps.elevation = "elev.asc";
    c.maps.elevation_given = true;
    c.overland.manning_n = 0.05;
    c.overland.manning_n_given = true;
  }
  // A map over the 2 x 3 grid with the values of cells 1..5 (0 outside).
  static std::string cells(const std::string& a, const std::string& b, const std::string& c,
                           const std::string& d, const std::string& e) {
    return grid_text(2, 3, {a + " " + b + " 0", c + " " + d + " " + e}, 200, 0, 300, 0);
  }
  void load() {
    ::testing::internal::CaptureStdout();
    stage_load_maps(*s);
    out = ::testing::internal::GetCapturedStdout();
  }
  bool has(const std::string& text) const { return out.find(text) != std::string::npos; }

  std::unique_ptr<ModelState> s;
  std::string out;
};

TEST_F(ParamMapsTest, UniformManningNAndNoOptionalMaps) {
  load();
  ASSERT_EQ(error_code().code, 0) << out;
  const CellParams& p = s->params;
  EXPECT_TRUE(p.uniform_rough);
  for (int i = 1; i <= 5; ++i) EXPECT_EQ(p.rough[i], 0.05);
  EXPECT_EQ(p.retention_depth[3], 0.0);
  EXPECT_EQ(p.area_factor[5], 1.0);
  EXPECT_FALSE(p.surface_wet);
  EXPECT_EQ(s->grid.outlet_cell, 5);
  // Parameters no map or table gave stay empty, so their users can tell.
  EXPECT_TRUE(p.ksat.empty());
  EXPECT_TRUE(p.pore_index.empty());
  EXPECT_TRUE(p.soil_id.empty());
  EXPECT_TRUE(p.albedo.empty());
}

TEST_F(ParamMapsTest, UniformManningNLimit) {
  s->settings.overland.manning_n = 0.000001;
  load();
  EXPECT_EQ(error_code().code, 4000);
  EXPECT_TRUE(
      has("\nInvalid spatially uniform overland flow Manning n value=0.000001\nTORVA "
          "exiting.\n"));
}

TEST_F(ParamMapsTest, ManningNJustAboveTheLimitIsAccepted) {
  s->settings.overland.manning_n = 0.0000011;
  load();
  EXPECT_EQ(error_code().code, 0) << out;
  EXPECT_EQ(s->params.rough[1], 0.0000011);
}

TEST_F(ParamMapsTest, RoughnessMapMustBePositiveEverywhere) {
  Settings& c = s->settings;
  c.overland.manning_n_given = false;
  c.maps.roughness = "rough.asc";
  c.maps.roughness_given = true;
  write("rough.asc", cells("0.1", "0.2", "0.3", "0", "0.5"));
  load();
  EXPECT_EQ(error_code().code, 4000);
  EXPECT_TRUE(has("reading roughness map from file: rough.asc\n"));
  EXPECT_TRUE(has("Overland Manning n=0 at grid cell 4.  Program terminating.\n"));
}

TEST_F(ParamMapsTest, UnitConversionsOfEachMap) {
  MapCards& c = s->settings.maps;
  auto give = [&](std::string& field, bool& flag, const std::string& name,
                  const std::string& text) {
    field = name;
    flag = true;
    write(name, text);
  };
  give(c.conductivity, c.conductivity_given, "ks.asc", cells("3.6", "36", "0.36", "1", "2"));
  give(c.capillary, c.capillary_given, "hc.asc", cells("10", "20", "30", "40", "50"));
  give(c.porosity, c.porosity_given, "por.asc", cells("0.4", "0.4", "0.4", "0.4", "0.45"));
  give(c.reten_depth, c.reten_depth_given, "ret.asc", cells("5", "1", "2", "3", "4"));
  give(c.area_reduction, c.area_reduction_given, "ar.asc", cells("0.25", "0", "0.5", "1", "0.75"));
  give(c.water_table, c.water_table_given, "wt.asc", cells("9", "9", "9", "9", "9"));
  give(c.storage_capacity, c.storage_capacity_given, "is.asc", cells("1", "2", "3", "4", "5"));
  load();
  ASSERT_EQ(error_code().code, 0) << out;
  const CellParams& p = s->params;
  EXPECT_DOUBLE_EQ(p.ksat[1], 1e-5);  // cm/h -> m/s
  EXPECT_DOUBLE_EQ(p.ksat[2], 1e-4);
  EXPECT_DOUBLE_EQ(p.cap_head[5], 0.5);  // cm -> m
  EXPECT_DOUBLE_EQ(p.porosity[5], 0.45);
  EXPECT_DOUBLE_EQ(p.retention_depth[1], 0.005);  // mm -> m
  EXPECT_DOUBLE_EQ(p.area_factor[1], 0.75);       // 1 - v
  EXPECT_DOUBLE_EQ(p.area_factor[4], 0.0);
  EXPECT_DOUBLE_EQ(p.water_table[3], 9.0);
  EXPECT_DOUBLE_EQ(p.int_storage[4], 4.0);
  EXPECT_TRUE(has("reading saturated hydraulic conductivity map from file: ks.asc\n"));
  EXPECT_TRUE(has("reading capillary drive map from file: hc.asc\n"));
  EXPECT_TRUE(has("reading porosity map from file: por.asc\n"));
  EXPECT_TRUE(has("reading retention storage map from file: ret.asc\n"));
  EXPECT_TRUE(has("reading area reduction map from file: ar.asc\n"));
  EXPECT_TRUE(has("reading interception storage from file: is.asc\n"));
}

TEST_F(ParamMapsTest, UniformRetentionInMillimetres) {
  s->settings.overland.retention = 2.5;
  s->settings.overland.retention_given = true;
  load();
  EXPECT_DOUBLE_EQ(s->params.retention_depth[5], 0.0025);
}

TEST_F(ParamMapsTest, AquiferBottomAboveGroundIsLowered) {
  MapCards& c = s->settings.maps;
  c.aquifer_bottom = "ab.asc";
  c.aquifer_bottom_given = true;
  write("ab.asc", cells("5", "11", "20", "1", "2"));
  load();
  ASSERT_EQ(error_code().code, 0) << out;
  const CellParams& p = s->params;
  EXPECT_EQ(p.aquifer_bottom[1], 5.0);
  EXPECT_EQ(p.aquifer_bottom[2], 11.0);  // at ground
  EXPECT_EQ(p.aquifer_bottom[3], 12.0);  // above: ground elevation
  EXPECT_TRUE(
      has("Warning: aquifer bottom at or above the ground in 2 cells; set to the ground "
          "elevation there (map: ab.asc)\n"));
}

TEST_F(ParamMapsTest, InitialDepthMapAndInitialHead) {
  MapCards& c = s->settings.maps;
  c.ov_init_depth = "d0.asc";
  c.ov_init_depth_given = true;
  write("d0.asc", cells("0", "0", "0.01", "0", "0"));
  load();
  ASSERT_EQ(error_code().code, 0) << out;
  EXPECT_EQ(s->params.init_depth[3], 0.01);
  EXPECT_TRUE(s->params.surface_wet);

  reset();
  s->settings.maps.init_elev_head = 12.5;
  s->settings.maps.init_elev_head_given = true;
  load();
  const CellParams& p = s->params;
  EXPECT_DOUBLE_EQ(p.init_depth[1], 2.5);
  EXPECT_DOUBLE_EQ(p.init_depth[2], 1.5);
  EXPECT_DOUBLE_EQ(p.init_depth[3], 0.5);
  EXPECT_EQ(p.init_depth[4], 0.0);
  EXPECT_TRUE(p.surface_wet);
}

TEST_F(ParamMapsTest, NegativeInitialDepthStops) {
  s->settings.maps.ov_init_depth = "d0.asc";
  s->settings.maps.ov_init_depth_given = true;
  write("d0.asc", cells("0", "0", "-0.01", "0", "0"));
  load();
  EXPECT_EQ(error_code().code, 4000);
  EXPECT_TRUE(has("Error: negative initial overland depth -0.010000 m at grid cell 3"));
}

TEST_F(ParamMapsTest, SoilTypeAndLakeMaps) {
  Settings& c = s->settings;
  c.maps.soil_type_map = "soil.asc";
  c.maps.soil_type_map_given = true;
  write("soil.asc", cells("4", "5", "6", "7", "8"));
  c.unsimulated.overland_lake_map = "lake.asc";
  c.unsimulated.overland_lake_map_given = true;
  write("lake.asc", cells("0", "2", "2", "0", "1"));
  load();
  ASSERT_EQ(error_code().code, 0) << out;
  EXPECT_EQ(s->params.soil_id[1], 4);
  EXPECT_EQ(s->params.soil_id[5], 8);
  EXPECT_EQ(s->params.lake_id[2], 2);
  EXPECT_TRUE(
      has("In map lake.asc category 1 has 1 values\nIn map lake.asc category 2 has 2 "
          "values\n"));
}

TEST_F(ParamMapsTest, MissingFilesNameTheirKind) {
  MapCards& c = s->settings.maps;
  c.conductivity = "nothere.asc";
  c.conductivity_given = true;
  load();
  EXPECT_EQ(error_code().code, 4);
  EXPECT_EQ(error_code().what, "Ks");
  EXPECT_EQ(error_code().file, "nothere.asc");
  EXPECT_EQ(out, "");  // opened before anything is read

  reset();
  s->settings.maps.area_reduction = "gone.asc";
  s->settings.maps.area_reduction_given = true;
  load();
  EXPECT_EQ(error_code().code, 4000);
  EXPECT_TRUE(has("Can't open area reduction file named: gone.asc\n"));

  reset();
  s->settings.maps.watershed_mask = "nomask.asc";
  load();
  EXPECT_EQ(error_code().code, 4);
  EXPECT_EQ(error_code().what, "watershed mask");
}

TEST_F(ParamMapsTest, MapWithWrongRowsStopsTheLoad) {
  s->settings.maps.porosity = "por.asc";
  s->settings.maps.porosity_given = true;
  write("por.asc", grid_text(1, 3, {"1 1 1"}, 200, 0, 300, 0));
  load();
  EXPECT_EQ(error_code().code, 4000);
  EXPECT_TRUE(has("Incorrect number of rows in map: por.asc\n"));
}

TEST_F(ParamMapsTest, ShiftedMapEdgesWarn) {
  s->settings.maps.porosity = "por.asc";
  s->settings.maps.porosity_given = true;
  write("por.asc", grid_text(2, 3, {"1 1 1", "1 1 1"}, 250, 50, 300, 0));
  load();
  EXPECT_EQ(error_code().code, 0);
  EXPECT_TRUE(
      has("Warning: the edges of map por.asc differ from the watershed mask by half a "
          "cell or more\n"));
}

}  // namespace
}  // namespace torva
