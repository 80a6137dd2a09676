#include "frame/console.hpp"
#include "frame/run_context.hpp"
#include "input/input_stages.hpp"
#include "input/mapping_table.hpp"
#include "input/mask.hpp"
#include "input/param_maps.hpp"
#include "model/model_state.hpp"

namespace torva {
namespace {

bool failed() {
  return error_code().code != 0 || error_code().stop != 0;
}

bool require(const std::string& path, const char* card) {
  if (!path.empty()) return true;
  say("Error: the project file names no %s map\n", card);
  set_error(4000);
  return false;
}

// Hook to the named time series of the run; until the series store can answer, no
// TIME_SERIES_INDEX name is found.
bool series_exists(const ModelState&, const std::string&) {
  return false;
}

}  // namespace

void stage_load_maps(ModelState& s) {
  const Settings& c = s.settings;
  if (!require(map_path(c, kMapMask), "WATERSHED_MASK") ||
      !require(map_path(c, kMapElevation), "ELEVATION"))
    return;
  if (c.maps.mapping_table_given) {
    const TablePresence t = check_map_tables(c.maps.mapping_table);
    if (failed()) return;
    s.params.mapping_tables = t.present;
    if (t.present[kTableTimeSeriesIndex])
      s.params.series_index = build_series_index(
          c.maps.mapping_table, [&s](const std::string& name) { return series_exists(s, name); });
  }
  MapFiles files;
  if (!open_map_files(s, files)) return;

  read_watershed_mask(s, files.handle[kMapMask]);
  if (failed()) return;
  allocate_cell_params(s);
  read_elevation(s, files.handle[kMapElevation]);
  if (failed()) return;
  // Load order of a run: soils (with area reduction, surface maps, water table, aquifer
  // bottom and soil types), interception, lakes, retention, roughness, hotstart depths.
  for (auto step : {read_soil_maps, read_interception_maps, read_lake_map, read_retention_map,
                    read_roughness_map, read_initial_depth}) {
    step(s, files);
    if (failed()) return;
  }
}

}  // namespace torva
