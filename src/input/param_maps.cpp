#include "input/param_maps.hpp"

#include <cmath>
#include <initializer_list>
#include <vector>

#include "frame/console.hpp"
#include "frame/run_context.hpp"
#include "input/mapping_table.hpp"
#include "input/mask.hpp"
#include "model/model_state.hpp"

namespace torva {
namespace {

constexpr const char* kDescriptions[kMapSlots] = {"watershed mask",
                                                  "elevation data",
                                                  "Manning roughness",
                                                  "retention depth",
                                                  "interception storage",
                                                  "interception coeff.",
                                                  "Ks",
                                                  "Hc",
                                                  "soil porosity",
                                                  "pore dist. index",
                                                  "residual saturation",
                                                  "soil moisture",
                                                  "albedo",
                                                  "veg. height",
                                                  "trans. coeff",
                                                  "canopy resist.",
                                                  "wilting point",
                                                  "area reduction",
                                                  "soil type",
                                                  "water table",
                                                  "aquifer bottom",
                                                  "overland lake map",
                                                  "initial overland depth"};

int map_mode(int slot) {
  switch (slot) {
    case kMapAreaReduction:
    case kMapWaterTable:
    case kMapAquiferBottom:
      return kRealSecond;
    case kMapSoilType:
      return kIntegerGrid;
    case kMapLake:
      return kCategory;
    default:
      return kRealFirst;
  }
}

bool named(const ModelState& s, int slot) {
  return !map_path(s.settings, slot).empty();
}

void announce_table(const ModelState& s, const char* what) {
  if (s.settings.site.quiet)
    say_summary("reading %s table and map from master table file\n", what);
  else
    say("reading %s table and map from master table file\n", what);
}

// Reads a named real map of `slot` into `dest` and divides by `divisor`: 1 read, 0 no map
// named, -1 failed (code set).
int read_named_map(ModelState& s, MapFiles& files, int slot, const char* what, Array1<double>& dest,
                   double divisor = 1.0) {
  if (!named(s, slot)) return 0;
  FileHandle& f = files.handle[slot];
  const std::string path = map_path(s.settings, slot);
  if (!f.is_open() && !f.open(path, "r")) {
    set_error(4, 0, 0, map_description(slot), path);
    return -1;
  }
  announce(s, what, path);
  GridState& g = s.grid;
  if (dest.size() != static_cast<std::size_t>(g.ncells)) dest.allocate(g.ncells);
  const int mode = map_mode(slot);
  GridHeader h;
  GridDestination d;
  (mode == kRealFirst ? d.first : d.second) = dest.slots();
  const bool ok = read_grid(f, path, mode, h, g.mask, d, g.rows, g.cols);
  f.close();
  if (!ok) return -1;
  check_map_edges(g, h, path);
  if (divisor != 1.0)
    for (int i = 1; i <= g.ncells; ++i) dest[i] /= divisor;
  return 1;
}

// Applies table `table` to the arrays given (nullptr skips a column).
bool lookup(ModelState& s, int table, std::initializer_list<Array1<double>*> dests,
            Array1<int>* ids = nullptr) {
  GridState& g = s.grid;
  std::vector<std::span<double>> spans;
  for (Array1<double>* a : dests) {
    if (a && a->size() != static_cast<std::size_t>(g.ncells)) a->allocate(g.ncells);
    spans.push_back(a ? a->slots() : std::span<double>{});
  }
  if (ids && ids->size() != static_cast<std::size_t>(g.ncells)) ids->allocate(g.ncells);
  GridHeader h;
  const bool ok = map_table_lookup(s.settings.maps.mapping_table, table, spans, h, g.mask, g.rows,
                                   g.cols, ids ? ids->slots() : std::span<int>{});
  if (ok) check_map_edges(g, h, s.settings.maps.mapping_table);
  return ok;
}

bool table_present(const ModelState& s, int table) {
  return s.settings.maps.mapping_table_given && s.params.mapping_tables[table];
}

void divide(Array1<double>& a, int n, double divisor) {
  for (int i = 1; i <= n; ++i) a[i] /= divisor;
}

}  // namespace

const char* map_description(int slot) {
  return slot >= 0 && slot < kMapSlots ? kDescriptions[slot] : "map";
}

std::string map_path(const Settings& c, int slot) {
  auto pick = [](bool given, const std::string& path) { return given ? path : std::string(); };
  switch (slot) {
    case kMapMask:
      return pick(c.maps.watershed_mask_given, c.maps.watershed_mask);
    case kMapElevation:
      return pick(c.maps.elevation_given, c.maps.elevation);
    case kMapRoughness:
      return pick(c.maps.roughness_given, c.maps.roughness);
    case kMapRetention:
      return pick(c.maps.reten_depth_given, c.maps.reten_depth);
    case kMapIntStorage:
      return pick(c.maps.storage_capacity_given, c.maps.storage_capacity);
    case kMapIntCoeff:
      return pick(c.maps.interception_coeff_given, c.maps.interception_coeff);
    case kMapKsat:
      return pick(c.maps.conductivity_given, c.maps.conductivity);
    case kMapCapHead:
      return pick(c.maps.capillary_given, c.maps.capillary);
    case kMapPorosity:
      return pick(c.maps.porosity_given, c.maps.porosity);
    case kMapPoreIndex:
      return pick(c.maps.pore_index_given, c.maps.pore_index);
    case kMapResidualSat:
      return pick(c.maps.residual_sat_given, c.maps.residual_sat);
    case kMapMoisture:  // a soil-moisture hotstart replaces the initial moisture map
      if (c.maps.read_sm_hotstart_given && !c.maps.read_sm_hotstart.empty())
        return c.maps.read_sm_hotstart;
      return pick(c.maps.moisture_given, c.maps.moisture);
    case kMapAlbedo:
      return pick(c.unsimulated.albedo_given, c.unsimulated.albedo);
    case kMapVegHeight:
      return pick(c.unsimulated.vheight_given, c.unsimulated.vheight);
    case kMapTransCoeff:
      return pick(c.unsimulated.tcoeff_given, c.unsimulated.tcoeff);
    case kMapCanopy:
      return pick(c.unsimulated.canopy_given, c.unsimulated.canopy);
    case kMapWilting:
      return pick(c.unsimulated.wilting_point_given, c.unsimulated.wilting_point);
    case kMapAreaReduction:
      return pick(c.maps.area_reduction_given, c.maps.area_reduction);
    case kMapSoilType:
      return pick(c.maps.soil_type_map_given, c.maps.soil_type_map);
    case kMapWaterTable:
      return pick(c.maps.water_table_given, c.maps.water_table);
    case kMapAquiferBottom:
      return pick(c.maps.aquifer_bottom_given, c.maps.aquifer_bottom);
    case kMapLake:
      return pick(c.unsimulated.overland_lake_map_given, c.unsimulated.overland_lake_map);
    case kMapInitDepth:
      if (c.maps.read_ov_hotstart_given && !c.maps.read_ov_hotstart.empty())
        return c.maps.read_ov_hotstart;
      return pick(c.maps.ov_init_depth_given, c.maps.ov_init_depth);
    default:
      return {};
  }
}

bool open_map_files(const ModelState& s, MapFiles& files) {
  for (int slot = 0; slot < kMapSlots; ++slot) {
    if (slot == kMapAreaReduction) continue;
    const std::string path = map_path(s.settings, slot);
    if (path.empty()) continue;
    if (!files.handle[slot].open(path, "r")) {
      set_error(4, 0, 0, map_description(slot), path);
      return false;
    }
  }
  return true;
}

void allocate_cell_params(ModelState& s) {
  const int n = s.grid.ncells;
  CellParams& p = s.params;
  for (Array1<double>* a :
       {&p.rough, &p.retention_depth, &p.int_storage, &p.int_coeff, &p.area_factor, &p.init_depth})
    a->allocate(n);
  // No area reduction unless a map or table gives one.
  p.area_factor.fill(1.0);
}

void check_map_edges(const GridState& g, const GridHeader& h, const std::string& path) {
  const double tol = 0.5 * g.dx;
  if (std::fabs(h.north - g.north) >= tol || std::fabs(h.south - g.south) >= tol ||
      std::fabs(h.east - g.east) >= tol || std::fabs(h.west - g.west) >= tol)
    say("Warning: the edges of map %s differ from the watershed mask by half a cell or more\n",
        path.c_str());
}

void read_soil_maps(ModelState& s, MapFiles& files) {
  CellParams& p = s.params;
  const int n = s.grid.ncells;
  struct Soil {
    int slot;
    const char* what;
    Array1<double>* dest;
    double divisor;
  };
  const Soil soils[] = {
      {kMapKsat, "saturated hydraulic conductivity map", &p.ksat, 360000.0},  // cm/h -> m/s
      {kMapCapHead, "capillary drive map", &p.cap_head, 100.0},               // cm -> m
      {kMapPorosity, "porosity map", &p.porosity, 1.0},
      {kMapPoreIndex, "pore distribution index map", &p.pore_index, 1.0},
      {kMapResidualSat, "residual saturation map", &p.residual_sat, 1.0},
  };
  for (const Soil& x : soils)
    if (read_named_map(s, files, x.slot, x.what, *x.dest, x.divisor) < 0) return;
  if (table_present(s, kTableGreenAmpt)) {
    announce_table(s, "soil");
    auto from_table = [&](int slot, Array1<double>& a) { return named(s, slot) ? nullptr : &a; };
    Array1<int>* ids = named(s, kMapSoilType) ? nullptr : &p.soil_id;
    if (!lookup(s, kTableGreenAmpt,
                {from_table(kMapKsat, p.ksat), from_table(kMapCapHead, p.cap_head),
                 from_table(kMapPorosity, p.porosity), from_table(kMapPoreIndex, p.pore_index),
                 from_table(kMapResidualSat, p.residual_sat), &p.field_capacity,
                 from_table(kMapWilting, p.wilting_point)},
                ids))
      return;
    if (!named(s, kMapKsat)) divide(p.ksat, n, 360000.0);
    if (!named(s, kMapCapHead)) divide(p.cap_head, n, 100.0);
  }

  const int moisture =
      read_named_map(s, files, kMapMoisture, "initial soil moisture map", p.theta_init);
  if (moisture < 0) return;
  if (moisture == 0 && table_present(s, kTableSoilMoisture)) {
    announce_table(s, "soil moisture");
    if (!lookup(s, kTableSoilMoisture, {&p.theta_init})) return;
  }

  // Area reduction: the map holds the reduced fraction v; the model keeps 1 - v.
  if (named(s, kMapAreaReduction)) {
    const std::string path = map_path(s.settings, kMapAreaReduction);
    if (!files.handle[kMapAreaReduction].open(path, "r")) {
      say("Can't open area reduction file named: %s\n", path.c_str());
      set_error(4000);
      return;
    }
    if (read_named_map(s, files, kMapAreaReduction, "area reduction map", p.area_factor) < 0)
      return;
    for (int i = 1; i <= n; ++i) p.area_factor[i] = 1.0 - p.area_factor[i];
  } else if (table_present(s, kTableAreaReduction)) {
    announce_table(s, "area reduction");
    if (!lookup(s, kTableAreaReduction, {&p.area_factor})) return;
    for (int i = 1; i <= n; ++i) p.area_factor[i] = 1.0 - p.area_factor[i];
  }

  struct Et {
    int slot;
    const char* what;
    Array1<double>* dest;
  };
  const Et ets[] = {{kMapAlbedo, "albedo map", &p.albedo},
                    {kMapVegHeight, "vegetation height map", &p.veg_height},
                    {kMapTransCoeff, "transmission coefficient map", &p.trans_coeff},
                    {kMapCanopy, "canopy resistance map", &p.canopy_resist},
                    {kMapWilting, "wilting point map", &p.wilting_point}};
  bool et_named = true;
  for (const Et& x : ets) {
    if (read_named_map(s, files, x.slot, x.what, *x.dest) < 0) return;
    if (x.slot != kMapWilting) et_named = et_named && named(s, x.slot);
  }
  if (!et_named && table_present(s, kTableEvapotranspiration)) {
    announce_table(s, "evapotranspiration");
    auto from_table = [&](int slot, Array1<double>& a) { return named(s, slot) ? nullptr : &a; };
    if (!lookup(
            s, kTableEvapotranspiration,
            {from_table(kMapAlbedo, p.albedo), from_table(kMapVegHeight, p.veg_height),
             from_table(kMapTransCoeff, p.trans_coeff), from_table(kMapCanopy, p.canopy_resist)}))
      return;
  }

  if (read_named_map(s, files, kMapWaterTable, "water table map", p.water_table) < 0) return;
  const int bottom =
      read_named_map(s, files, kMapAquiferBottom, "aquifer bottom map", p.aquifer_bottom);
  if (bottom < 0) return;
  if (bottom > 0) {
    int raised = 0;
    for (int i = 1; i <= n; ++i)
      if (p.aquifer_bottom[i] >= s.grid.elevation[i]) {
        p.aquifer_bottom[i] = s.grid.elevation[i];
        ++raised;
      }
    if (raised > 0)
      say("Warning: aquifer bottom at or above the ground in %d cells; set to the ground "
          "elevation there (map: %s)\n",
          raised, map_path(s.settings, kMapAquiferBottom).c_str());
  }

  if (named(s, kMapSoilType)) {
    FileHandle& f = files.handle[kMapSoilType];
    const std::string path = map_path(s.settings, kMapSoilType);
    if (!f.is_open() && !f.open(path, "r")) {
      set_error(4, 0, 0, map_description(kMapSoilType), path);
      return;
    }
    announce(s, "soil type map", path);
    GridState& g = s.grid;
    GridHeader h;
    const bool ok = read_grid(f, path, kIntegerGrid, h, g.data, {}, g.rows, g.cols);
    f.close();
    if (!ok) return;
    check_map_edges(g, h, path);
    p.soil_id.allocate(n);
    for (int i = 1; i <= n; ++i) p.soil_id[i] = g.data(g.cell_row[i], g.cell_col[i]);
  }
}

void read_interception_maps(ModelState& s, MapFiles& files) {
  CellParams& p = s.params;
  const int storage =
      read_named_map(s, files, kMapIntStorage, "interception storage", p.int_storage);
  if (storage < 0) return;
  const int coeff = read_named_map(s, files, kMapIntCoeff, "interception coeff.", p.int_coeff);
  if (coeff < 0) return;
  if (s.settings.precip.interception && (storage == 0 || coeff == 0) &&
      table_present(s, kTableInterception)) {
    announce_table(s, "interception");
    lookup(s, kTableInterception,
           {storage ? nullptr : &p.int_storage, coeff ? nullptr : &p.int_coeff});
  }
}

void read_lake_map(ModelState& s, MapFiles& files) {
  if (!named(s, kMapLake)) return;
  FileHandle& f = files.handle[kMapLake];
  const std::string path = map_path(s.settings, kMapLake);
  if (!f.is_open() && !f.open(path, "r")) {
    set_error(4, 0, 0, map_description(kMapLake), path);
    return;
  }
  announce(s, "overland lake map", path);
  GridState& g = s.grid;
  s.params.lake_id.allocate(g.ncells);
  GridHeader h;
  GridDestination d;
  d.ids = s.params.lake_id.slots();
  const bool ok = read_grid(f, path, kCategory, h, g.mask, d, g.rows, g.cols);
  f.close();
  if (ok) check_map_edges(g, h, path);
}

void read_retention_map(ModelState& s, MapFiles& files) {
  CellParams& p = s.params;
  const Settings& c = s.settings;
  const int n = s.grid.ncells;
  const int got =
      read_named_map(s, files, kMapRetention, "retention storage map", p.retention_depth, 1000.0);
  if (got != 0) return;
  // RETEN_DEPTH without a file name asks for the table.
  if (c.maps.reten_depth_given && table_present(s, kTableRetention)) {
    announce_table(s, "retention");
    if (lookup(s, kTableRetention, {&p.retention_depth})) divide(p.retention_depth, n, 1000.0);
    return;
  }
  if (c.overland.retention_given)
    for (int i = 1; i <= n; ++i) p.retention_depth[i] = c.overland.retention / 1000.0;
}

void read_roughness_map(ModelState& s, MapFiles& files) {
  CellParams& p = s.params;
  const int n = s.grid.ncells;
  int got = read_named_map(s, files, kMapRoughness, "roughness map", p.rough);
  if (got < 0) return;
  if (got == 0 && s.settings.maps.mapping_table_given) {
    announce_table(s, "roughness");
    if (table_present(s, kTableRoughness)) {
      if (!lookup(s, kTableRoughness, {&p.rough})) return;
      got = 1;
    }
  }
  if (got == 1) {
    for (int i = 1; i <= n; ++i)
      if (!(p.rough[i] > 0.0)) {
        say("Overland Manning n=0 at grid cell %d.  Program terminating.\n", i);
        set_error(4000);
        return;
      }
    return;
  }
  const double v = s.settings.overland.manning_n;
  if (!(v > 1e-6)) {
    say("\nInvalid spatially uniform overland flow Manning n value=%lf\n", v);
    say("TORVA exiting.\n");
    set_error(4000);
    return;
  }
  p.uniform_rough = true;
  p.uniform_rough_value = v;
  for (int i = 1; i <= n; ++i) p.rough[i] = v;
}

void read_initial_depth(ModelState& s, MapFiles& files) {
  CellParams& p = s.params;
  const GridState& g = s.grid;
  const int n = g.ncells;
  const int got =
      read_named_map(s, files, kMapInitDepth, "initial overland depth map", p.init_depth);
  if (got < 0) return;
  if (got == 1) {
    for (int i = 1; i <= n; ++i)
      if (p.init_depth[i] < 0.0) {
        // A negative depth would create water from nothing.
        say("Error: negative initial overland depth %lf m at grid cell %d (map: %s)\n",
            p.init_depth[i], i, map_path(s.settings, kMapInitDepth).c_str());
        set_error(4000);
        return;
      }
  } else if (s.settings.maps.init_elev_head_given) {
    const double head = s.settings.maps.init_elev_head;
    for (int i = 1; i <= n; ++i)
      if (g.elevation[i] < head) p.init_depth[i] = head - g.elevation[i];
  }
  p.surface_wet = false;
  for (int i = 1; i <= n; ++i)
    if (p.init_depth[i] > 1e-16) p.surface_wet = true;
}

}  // namespace torva
