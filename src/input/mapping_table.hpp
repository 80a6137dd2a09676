#pragma once
// The mapping-table file: a list of index maps (integer rasters of class IDs) and tables
// that give each ID's parameter values.  A lookup turns one table and its index map into
// per-cell arrays; the start-up check reports which tables a project supplies.  The stream
// variant assigns table values to channel nodes through stream index maps.
#include <array>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "frame/arrays.hpp"
#include "input/cell_params.hpp"
#include "input/raster.hpp"

namespace torva {

// Table numbers of the grid mapping-table file.
enum MapTable : int {
  kTableRoughness = 1,
  kTableInterception = 2,
  kTableRetention = 3,
  kTableGreenAmpt = 4,
  kTableSoilMoisture = 5,
  kTableRichardsHavercamp = 6,
  kTableRichardsBrooks = 7,
  kTableEvapotranspiration = 8,
  kTableSediments = 9,
  kTableErosion = 10,
  kTableContaminants = 11,
  kTableWetlands = 12,
  kTableMaterialIndex = 13,
  kTableOverlandBoundary = 14,
  kTableTimeSeriesIndex = 15,
  kTableWells = 16,
  kTableGroundwater = 17,
  kTableGroundwaterBoundary = 18,
  kTableAreaReduction = 19,
  kTableNsmSoilKoc = 32,
  kTableCount = 32,
};

struct TableInfo {
  int number;
  const char* keyword;
  const char* label;  // start-up check label; nullptr for tables not checked
  int columns;        // value columns; -1 for the constituent tables with their own layout
};

// 1..32; nullptr otherwise.
const TableInfo* table_info(int number);
// The table whose keyword begins `line` (keywords tested in their fixed order), else 0.
int grid_table_keyword(std::string_view line);

// "  " + label + dots to 35 characters + "Y\n" or "N\n".
std::string check_line(const std::string& label, bool present);

struct IndexMapEntry {
  std::string path;
  std::string name;  // the whole rest of the INDEX_MAP line
};

// A mapping-table file read whole (every line through the shared line reader).
struct TableFile {
  std::string path;
  bool has_magic = false;
  std::vector<IndexMapEntry> index_maps;
  std::vector<std::string> lines;    // lines[i] is line i + 1
  std::size_t first_table_line = 0;  // index of the first line after the INDEX_MAP list
};

// False when the file cannot be opened.  `magic` begins line 1; `list_keyword` starts each
// index-map line ("INDEX_MAP" or "ST_INDEX_MAP").
bool load_table_file(const std::string& path, const char* magic, const char* list_keyword,
                     TableFile& out);

// One table of a loaded file.
struct TableData {
  int number = 0;
  std::string index_map_path;
  std::string index_map_name;
  std::vector<int> ids;        // in file order
  std::vector<double> values;  // ids.size() x columns, row by row
  int columns = 0;
  int max_id = 0;
};

// Finds the table whose keyword line `keyword_of` recognises as `number` and reads its
// NUM_IDS line and rows.  Sets code 66 (table or index map missing, NUM_IDS absent or 0)
// or 4000 (a malformed row, with its line) and returns false.  `shown_keyword` is the
// keyword as the code-66 message writes it.
bool read_table(const TableFile& file, int number, int columns,
                const std::function<int(std::string_view)>& keyword_of,
                const std::string& shown_keyword, bool needs_index_map, TableData& out);

// Table T applied over the mask: per-cell destinations (slots 0..N, one per column; an
// empty span skips its column), and optionally each cell's ID.  Returns true when applied;
// false with the code set (64, 65, 66, 70, 71, 72-74, 4000).
bool map_table_lookup(const std::string& table_path, int table,
                      std::span<const std::span<double>> destinations, GridHeader& header,
                      const Array2<int>& mask, int rows, int cols, std::span<int> ids = {});

// Start-up check: prints the check report and returns the present flags by table number.
// Sets code 64 when the file cannot be opened.
struct TablePresence {
  std::array<bool, kTableCount + 1> present{};
  int contaminants = 0;
  int sediments = 0;
};
TablePresence check_map_tables(const std::string& table_path);

// Time-series index list: (ID, series name, found) for each row of TIME_SERIES_INDEX.
std::vector<SeriesIndexEntry> build_series_index(
    const std::string& table_path, const std::function<bool(const std::string&)>& series_exists);

// Stream mapping tables.
enum StreamTable : int {
  kStreamRoughness = 1,
  kStreamNsmN = 2,
  kStreamNsmP = 3,
  kStreamNsmC = 4,
  kStreamNsmOth = 5,
  kStreamDispersion = 6,
};
struct StreamTablePresence {
  std::array<bool, 7> present{};
};
StreamTablePresence check_stream_tables(const std::string& table_path);

// Stream table T over the channel nodes: dest[column](node, link).  Codes 64-66, 115-118,
// and 4000 for a node whose ID lies outside the table.  `index_map`, when given, receives
// the path of the stream index map the table uses, for the caller's own messages.
bool stream_table_lookup(const std::string& table_path, int table,
                         std::span<Array2<double>* const> destinations,
                         std::span<const int> nodes_per_link, std::string* index_map = nullptr);

}  // namespace torva
