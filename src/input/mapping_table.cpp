#include "input/mapping_table.hpp"

#include "frame/console.hpp"
#include "frame/file_handle.hpp"
#include "frame/run_context.hpp"
#include "input/index_map.hpp"
#include "input/line_reader.hpp"

namespace torva {
namespace {

constexpr TableInfo kTables[kTableCount + 1] = {
    {0, "", nullptr, 0},
    {1, "ROUGHNESS", "Roughness", 1},
    {2, "INTERCEPTION", "Interception", 2},
    {3, "RETENTION", "Retention", 1},
    {4, "GREEN_AMPT_INFILTRATION", "G&A Infiltration", 7},
    {5, "GREEN_AMPT_INITIAL_SOIL_MOISTURE", "G&A Soil Moisture", 1},
    {6, "RICHARDS_EQN_INFILTRAIION_HAVERCAMP", "Richards Havercamp", 9},
    {7, "RICHARDS_EQN_INFILTRATION_BROOKS", "Richards Brooks", 11},
    {8, "EVAPOTRANSPIRATION", "Evapotranspiration", 4},
    {9, "SEDIMENTS", "Sediments", -1},
    {10, "SOIL_EROSION_PROPS", "Sediment Erosion Properties", 8},
    {11, "CONTAMINANT_TRANSPORT", "Contaminants", -1},
    {12, "WETLAND_PROPERTIES", "Wetlands", 7},
    {13, "MATERIAL_INDEX", nullptr, 0},
    {14, "OVERLAND_BOUNDARY", "Overland Boundary", 2},
    {15, "TIME_SERIES_INDEX", nullptr, 1},
    {16, "WELL_TABLE", "Groundwater Wells", 3},
    {17, "GROUNDWATER", "Groundwater", 2},
    {18, "GROUNDWATER_BOUNDARY", "Groundwater Boundary", 1},
    {19, "AREA_REDUCTION", "Area Reduction", 1},
    {20, "NSM_N", "NSM Nitrogen", 4},
    {21, "NSM_P", "NSM Phosphorus", 3},
    {22, "NSM_C", "NSM Carbon", 2},
    {23, "NSM_OTH", "NSM Other", 3},
    {24, "DISPERSION", "NSM Dispersion", 1},
    {25, "NSM_SOIL_C", "NSM Soil Carbon", 2},
    {26, "NSM_SOIL_N", "NSM Soil Nitrogen", 5},
    {27, "NSM_SOIL_P", "NSM Soil Phosphorus", 6},
    {28, "NSM_GW_N", "NSM Groundwater Nitrogen", 4},
    {29, "NSM_GW_P", "NSM Groundwater Phosphorus", 4},
    {30, "NSM_GW_OTH", "NSM Groundwater Other", 2},
    {31, "NSM_SOIL_KM", "NSM Soil Km", 6},
    {32, "NSM_SOIL_KOC", "NSM Soil Koc", 6},
};

// Roughness first; a keyword that begins another is tested after it (GROUNDWATER_BOUNDARY
// before GROUNDWATER).
constexpr int kKeywordOrder[] = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16,
                                 18, 17, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32};

// The start-up check list.
constexpr int kCheckOrder[] = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 14, 16, 17,
                               18, 19, 20, 21, 23, 22, 24, 25, 26, 27, 28, 29, 30, 31, 32};

struct StreamInfo {
  const char* keyword;
  const char* label;
  int columns;
};
constexpr StreamInfo kStreamTables[7] = {{"", "", 0},
                                         {"ROUGHNESS", "Roughness", 1},
                                         {"NSM_N", "NSM Nitrogen", 4},
                                         {"NSM_P", "NSM Phosphorus", 3},
                                         {"NSM_C", "NSM Carbon", 2},
                                         {"NSM_OTH", "NSM Other", 3},
                                         {"DISPERSION", "Dispersion", 1}};

// The most rows a table may claim before anything is reserved for them, and the largest
// ID (the value-by-ID array has one slot per ID).
constexpr long kMaxTableRows = 1000000;
constexpr int kMaxTableId = 10000000;

std::string_view skip_blanks(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && is_separator(s[i])) ++i;
  return s.substr(i);
}

bool starts_with(std::string_view line, std::string_view word) {
  return line.substr(0, word.size()) == word;
}

// The rest of a line from its second word on.
std::string rest_after_first_word(std::string_view line) {
  Tokens t(line);
  std::string first;
  t.text(first);
  return std::string(t.rest());
}

int stream_table_keyword(std::string_view line) {
  line = skip_blanks(line);
  for (int n = 1; n <= 6; ++n)
    if (starts_with(line, kStreamTables[n].keyword)) return n;
  return 0;
}

bool file_opens(const std::string& path) {
  FileHandle f;
  return f.open(path, "r");
}

// The count on the line after a keyword line ("NUM_SED 3"), or 0.
int count_after(const TableFile& f, std::size_t keyword_index, std::string_view word) {
  if (keyword_index + 1 >= f.lines.size()) return 0;
  const std::string_view next = skip_blanks(f.lines[keyword_index + 1]);
  if (!starts_with(next, word)) return 0;
  Tokens t(next);
  std::string w;
  t.text(w);
  int n = 0;
  t.integer(n);
  return n;
}

const IndexMapEntry* find_index_map(const TableFile& f, const std::string& name) {
  for (const IndexMapEntry& e : f.index_maps)
    if (e.name == name) return &e;
  return nullptr;
}

void table_row_error(const TableFile& f, std::size_t index, const std::string& keyword,
                     const char* problem) {
  say("Error: %s in table %s of mapping table file %s, line %zu\n", problem, keyword.c_str(),
      f.path.c_str(), index + 1);
  set_error(4000);
}

}  // namespace

const TableInfo* table_info(int number) {
  if (number < 1 || number > kTableCount) return nullptr;
  return &kTables[number];
}

int grid_table_keyword(std::string_view line) {
  line = skip_blanks(line);
  for (int n : kKeywordOrder)
    if (starts_with(line, kTables[n].keyword)) return n;
  return 0;
}

std::string check_line(const std::string& label, bool present) {
  std::string out = "  " + label;
  if (label.size() < 35) out.append(35 - label.size(), '.');
  out += present ? "Y\n" : "N\n";
  return out;
}

bool load_table_file(const std::string& path, const char* magic, const char* list_keyword,
                     TableFile& out) {
  out = TableFile{};
  out.path = path;
  LineReader in;
  if (!in.open(path)) return false;
  std::string line;
  while (in.next(line)) out.lines.push_back(line);
  if (out.lines.empty() || !starts_with(out.lines[0], magic)) {
    out.first_table_line = out.lines.size();
    return true;
  }
  out.has_magic = true;
  std::size_t i = 1;
  for (; i < out.lines.size(); ++i) {
    Tokens t(out.lines[i]);
    std::string word;
    if (!t.text(word) || word != list_keyword) break;
    IndexMapEntry e;
    t.text(e.path);
    e.name = std::string(t.rest());
    out.index_maps.push_back(std::move(e));
  }
  out.first_table_line = i;
  return true;
}

bool read_table(const TableFile& f, int number, int columns,
                const std::function<int(std::string_view)>& keyword_of,
                const std::string& shown_keyword, bool needs_index_map, TableData& out) {
  out = TableData{};
  out.number = number;
  out.columns = columns < 0 ? 0 : columns;
  auto no_entries = [&] {
    set_error(66, 0, 0, shown_keyword);
    return false;
  };
  std::size_t k = f.first_table_line;
  while (k < f.lines.size() && keyword_of(f.lines[k]) != number) ++k;
  if (!f.has_magic || k >= f.lines.size()) return no_entries();
  out.index_map_name = rest_after_first_word(f.lines[k]);
  if (needs_index_map) {
    const IndexMapEntry* e = find_index_map(f, out.index_map_name);
    if (!e) return no_entries();
    out.index_map_path = e->path;
  }
  if (k + 1 >= f.lines.size()) return no_entries();
  Tokens t(f.lines[k + 1]);
  std::string word;
  long n = 0;
  if (!t.text(word) || word != "NUM_IDS") return no_entries();
  t.integer(n);
  if (n <= 0) return no_entries();
  if (n > kMaxTableRows) {
    table_row_error(f, k + 1, shown_keyword, "NUM_IDS is too large");
    return false;
  }
  const std::size_t first_row = k + 3;  // the column-header line is skipped
  if (first_row + static_cast<std::size_t>(n) > f.lines.size()) {
    set_error(70, 0, 0, {}, f.path);
    return false;
  }
  out.ids.reserve(static_cast<std::size_t>(n));
  out.values.reserve(static_cast<std::size_t>(n) * out.columns);
  for (std::size_t i = first_row; i < first_row + static_cast<std::size_t>(n); ++i) {
    const std::string_view row = f.lines[i];
    std::string id_text;
    Tokens id_field(row.substr(0, 6));
    int id = 0;
    if (!id_field.text(id_text) || !parse_map_int(id_text, id)) {
      table_row_error(f, i, shown_keyword, "the ID in characters 1-6 is not an integer");
      return false;
    }
    if (id > kMaxTableId) {
      table_row_error(f, i, shown_keyword, "the ID is too large");
      return false;
    }
    Tokens values(row.size() > 86 ? row.substr(86) : std::string_view{});
    for (int c = 0; c < out.columns; ++c) {
      std::string tok;
      double v = 0.0;
      if (!values.text(tok)) {
        table_row_error(f, i, shown_keyword, "a value from character 87 on is missing");
        return false;
      }
      if (!parse_map_real(tok, v)) {
        table_row_error(f, i, shown_keyword, "a value from character 87 on is not a number");
        return false;
      }
      out.values.push_back(v);
    }
    out.ids.push_back(id);
    if (id > out.max_id) out.max_id = id;
  }
  return true;
}

bool map_table_lookup(const std::string& table_path, int table,
                      std::span<const std::span<double>> destinations, GridHeader& header,
                      const Array2<int>& mask, int rows, int cols, std::span<int> ids) {
  const TableInfo* info = table_info(table);
  if (!info || info->columns < 0 || table == kTableTimeSeriesIndex) {
    say("Error: table %d is not read through an index map\n", table);
    set_error(4000);
    return false;
  }
  TableFile f;
  if (!load_table_file(table_path, "TORVA_INDEX_MAP_TABLES", "INDEX_MAP", f)) {
    set_error(64, 0, 0, {}, table_path);
    return false;
  }
  TableData t;
  if (!read_table(f, table, info->columns, grid_table_keyword, info->keyword, true, t))
    return false;

  Array2<int> index("Index File Data");
  std::vector<int> counts;
  if (!read_index_map(t.index_map_path, mask, rows, cols, t.max_id, header, index, counts))
    return false;
  for (int id = 1; id <= t.max_id; ++id)
    if (counts[id] > 0)
      say("In map %s category %d has %d values\n", t.index_map_path.c_str(), id, counts[id]);

  std::vector<double> by_id(static_cast<std::size_t>(t.max_id) + 1);
  const int ncols = info->columns;
  for (std::size_t c = 0; c < destinations.size() && static_cast<int>(c) < ncols; ++c) {
    const std::span<double> dest = destinations[c];
    if (dest.empty()) continue;
    std::fill(by_id.begin(), by_id.end(), 0.0);
    for (std::size_t row = 0; row < t.ids.size(); ++row)
      if (t.ids[row] >= 0) by_id[t.ids[row]] = t.values[row * ncols + c];
    int cell = 0;
    for (int r = 1; r <= rows; ++r)
      for (int col = 1; col <= cols; ++col)
        if (mask(r, col) != 0) {
          ++cell;
          if (static_cast<std::size_t>(cell) < dest.size()) dest[cell] = by_id[index(r, col)];
        }
  }
  if (!ids.empty()) {
    int cell = 0;
    for (int r = 1; r <= rows; ++r)
      for (int col = 1; col <= cols; ++col)
        if (mask(r, col) != 0) {
          ++cell;
          if (static_cast<std::size_t>(cell) < ids.size()) ids[cell] = index(r, col);
        }
  }
  return true;
}

TablePresence check_map_tables(const std::string& table_path) {
  TablePresence p;
  TableFile f;
  say("\nChecking 2D grid mapping tables...\n");
  if (!load_table_file(table_path, "TORVA_INDEX_MAP_TABLES", "INDEX_MAP", f)) {
    set_error(64, 0, 0, {}, table_path);
    return p;
  }
  if (f.has_magic) {
    for (std::size_t k = f.first_table_line; k < f.lines.size(); ++k) {
      const int n = grid_table_keyword(f.lines[k]);
      if (n == 0 || p.present[n]) continue;
      if (n == kTableSediments) {
        p.sediments = count_after(f, k, "NUM_SED");
        p.present[n] = p.sediments > 0;
      } else if (n == kTableContaminants) {
        say("  Checking %s", kTables[n].keyword);
        p.contaminants = count_after(f, k, "NUM_CONTAM");
        say("%d contaminants found\n", p.contaminants);
        p.present[n] = p.contaminants > 0;
      } else if (n == kTableTimeSeriesIndex) {
        p.present[n] = true;
      } else {
        const IndexMapEntry* e = find_index_map(f, rest_after_first_word(f.lines[k]));
        p.present[n] = e && file_opens(e->path);
      }
    }
  }
  for (int n : kCheckOrder) say("%s", check_line(kTables[n].label, p.present[n]).c_str());
  return p;
}

std::vector<SeriesIndexEntry> build_series_index(
    const std::string& table_path, const std::function<bool(const std::string&)>& series_exists) {
  std::vector<SeriesIndexEntry> list;
  TableFile f;
  if (!load_table_file(table_path, "TORVA_INDEX_MAP_TABLES", "INDEX_MAP", f) || !f.has_magic)
    return list;
  std::size_t k = f.first_table_line;
  while (k < f.lines.size() && grid_table_keyword(f.lines[k]) != kTableTimeSeriesIndex) ++k;
  if (k + 1 >= f.lines.size()) return list;
  Tokens t(f.lines[k + 1]);
  std::string word;
  long n = 0;
  if (!t.text(word) || word != "NUM_IDS") return list;
  t.integer(n);
  for (std::size_t i = k + 3; n > 0 && i < f.lines.size(); ++i, --n) {
    const std::string_view row = f.lines[i];
    SeriesIndexEntry e;
    std::string id_text;
    Tokens(row.substr(0, 6)).text(id_text);
    parse_map_int(id_text, e.id);
    if (row.size() > 6) Tokens(row.substr(6)).text(e.name);
    say("Adding table to list: %s... ", e.name.c_str());
    e.found = series_exists && series_exists(e.name);
    say("%s", e.found ? "Success!\n" : "Failure, table not found.\n");
    list.push_back(std::move(e));
  }
  return list;
}

StreamTablePresence check_stream_tables(const std::string& table_path) {
  StreamTablePresence p;
  TableFile f;
  say("\nChecking stream mapping table file...\n");
  if (!load_table_file(table_path, "TORVA_STREAM_INDEX_MAP_TABLES", "ST_INDEX_MAP", f)) {
    set_error(64, 0, 0, {}, table_path);
    return p;
  }
  if (f.has_magic) {
    for (std::size_t k = f.first_table_line; k < f.lines.size(); ++k) {
      const int n = stream_table_keyword(f.lines[k]);
      if (n == 0 || p.present[n]) continue;
      const IndexMapEntry* e = find_index_map(f, rest_after_first_word(f.lines[k]));
      p.present[n] = e && file_opens(e->path);
    }
  }
  for (int n = 1; n <= 6; ++n) say("%s", check_line(kStreamTables[n].label, p.present[n]).c_str());
  return p;
}

bool stream_table_lookup(const std::string& table_path, int table,
                         std::span<Array2<double>* const> destinations,
                         std::span<const int> nodes_per_link, std::string* index_map) {
  if (table < 1 || table > 6) {
    say("Error: stream table %d does not exist\n", table);
    set_error(4000);
    return false;
  }
  const StreamInfo& info = kStreamTables[table];
  TableFile f;
  if (!load_table_file(table_path, "TORVA_STREAM_INDEX_MAP_TABLES", "ST_INDEX_MAP", f)) {
    set_error(64, 0, 0, {}, table_path);
    return false;
  }
  TableData t;
  const std::string shown = std::string(info.keyword) + " (Stream)";
  if (!read_table(f, table, info.columns, stream_table_keyword, shown, true, t)) return false;
  std::vector<std::vector<int>> ids;
  if (!read_stream_index_map(t.index_map_path, nodes_per_link, ids)) return false;
  if (index_map) *index_map = t.index_map_path;
  std::vector<double> by_id(static_cast<std::size_t>(t.max_id) + 1);
  for (std::size_t c = 0; c < destinations.size() && static_cast<int>(c) < info.columns; ++c) {
    Array2<double>* dest = destinations[c];
    if (!dest) continue;
    std::fill(by_id.begin(), by_id.end(), 0.0);
    for (std::size_t row = 0; row < t.ids.size(); ++row)
      if (t.ids[row] >= 0) by_id[t.ids[row]] = t.values[row * info.columns + c];
    for (std::size_t link = 1; link < ids.size(); ++link)
      for (std::size_t node = 1; node < ids[link].size(); ++node) {
        const int id = ids[link][node];
        if (id < 1 || id > t.max_id) {
          say("Error: stream index map %s gives node %zu of link %zu the ID %d, outside the "
              "table's 1..%d (line %d)\n",
              t.index_map_path.c_str(), node, link, id, t.max_id,
              stream_map_line(nodes_per_link, static_cast<int>(link), static_cast<int>(node)));
          set_error(4000);
          return false;
        }
        if (static_cast<long>(node) <= dest->rows() && static_cast<long>(link) <= dest->cols())
          (*dest)(node, link) = by_id[id];
      }
  }
  return true;
}

}  // namespace torva
