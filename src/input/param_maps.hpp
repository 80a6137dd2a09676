#pragma once
// The per-cell parameter maps: each parameter from its map file, else from the mapping
// tables, else from a uniform card, converted to model units and checked.
#include <array>
#include <string>

#include "frame/file_handle.hpp"
#include "input/raster.hpp"

namespace torva {

struct ModelState;
struct Settings;
struct GridState;

enum MapSlot : int {
  kMapMask,
  kMapElevation,
  kMapRoughness,
  kMapRetention,
  kMapIntStorage,
  kMapIntCoeff,
  kMapKsat,
  kMapCapHead,
  kMapPorosity,
  kMapPoreIndex,
  kMapResidualSat,
  kMapMoisture,
  kMapAlbedo,
  kMapVegHeight,
  kMapTransCoeff,
  kMapCanopy,
  kMapWilting,
  kMapAreaReduction,
  kMapSoilType,
  kMapWaterTable,
  kMapAquiferBottom,
  kMapLake,
  kMapInitDepth,
  kMapSlots,
};

// The kind of file for the code-4 message ("watershed mask", "Ks", ...).
const char* map_description(int slot);
// The file the cards name for a slot, or empty.
std::string map_path(const Settings& settings, int slot);

// Open handles of every map the cards name.
struct MapFiles {
  std::array<FileHandle, kMapSlots> handle;
};

// Opens every named map but the area reduction map (opened by its own reader); the first
// that fails sets code 4 with its description and path.
bool open_map_files(const ModelState& s, MapFiles& files);

// Allocates the parameters every run has (roughness, retention, interception, area
// factor 1.0, initial depth).  The others are allocated by the map or table that supplies
// them, so an empty array means "not given".
void allocate_cell_params(ModelState& s);

// Warns when a map's edges lie half a cell or more from the mask's: its values would fall
// on other cells than the mask's numbering assumes.
void check_map_edges(const GridState& g, const GridHeader& h, const std::string& path);

// Reading steps, in the load order of a run.
void read_soil_maps(ModelState& s, MapFiles& files);  // soils, area reduction, ET maps,
                                                      // water table, aquifer bottom, soil type
void read_interception_maps(ModelState& s, MapFiles& files);
void read_lake_map(ModelState& s, MapFiles& files);
void read_retention_map(ModelState& s, MapFiles& files);
void read_roughness_map(ModelState& s, MapFiles& files);
void read_initial_depth(ModelState& s, MapFiles& files);

}  // namespace torva
