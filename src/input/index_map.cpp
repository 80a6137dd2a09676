#include "input/index_map.hpp"

#include <algorithm>

#include "frame/console.hpp"
#include "frame/file_handle.hpp"
#include "frame/run_context.hpp"
#include "input/line_reader.hpp"

namespace torva {

bool read_index_map(const std::string& path, const Array2<int>& mask, int rows, int cols,
                    int max_id, GridHeader& header, Array2<int>& index, std::vector<int>& counts) {
  FileHandle file;
  if (!file.open(path, "r")) {
    set_error(65, 0, 0, {}, path);
    return false;
  }
  TextScanner in(file.fp);
  if (!read_grid_header(in, path, header)) return false;
  switch (header_size_mismatch(header, rows, cols)) {
    case 1:
      set_error(72, 0, 0, {}, path);
      return false;
    case 2:
      set_error(73, 0, 0, {}, path);
      return false;
    case 3:
      set_error(74, 0, 0, {}, path);
      return false;
    default:
      break;
  }
  if (mask.rows() < rows || mask.cols() < cols || !index.allocate(rows, cols)) {
    set_error(4000);
    return false;
  }
  counts.assign(static_cast<std::size_t>(max_id) + 1, 0);
  for (int r = 1; r <= rows; ++r) {
    for (int c = 1; c <= cols; ++c) {
      std::string_view tok;
      if (!in.next_token(tok)) {
        // A short index map would leave cells without a class: stop rather than fill 0.
        set_error(70, 0, 0, {}, path);
        return false;
      }
      int v = 0;
      if (!parse_map_int(tok, v)) {
        const std::string shown(tok.substr(0, 40));
        say("Error: invalid value \"%s\" in index map: %s (row %d, column %d)\n", shown.c_str(),
            path.c_str(), r, c);
        set_error(4000);
        return false;
      }
      if (mask(r, c) == 0) continue;
      if (v > max_id) {
        set_error(71, r, c, {}, path);
        return false;
      }
      if (v <= 0) {
        say("Error: index map %s holds ID %d inside the watershed at row %d, column %d; IDs "
            "start at 1\n",
            path.c_str(), v, r, c);
        set_error(4000);
        return false;
      }
      index(r, c) = v;
      ++counts[v];
    }
  }
  return true;
}

bool read_stream_index_map(const std::string& path, std::span<const int> nodes_per_link,
                           std::vector<std::vector<int>>& ids) {
  LineReader in;
  if (!in.open(path)) {
    set_error(115, 0, 0, {}, path);
    return false;
  }
  std::string line;
  if (!in.next(line) || line.rfind("STREAM_MAP", 0) != 0) {
    set_error(116, 0, 0, {}, path);
    return false;
  }
  const long links = nodes_per_link.empty() ? 0 : static_cast<long>(nodes_per_link.size()) - 1;
  std::string word;
  long count = -1;
  if (!in.next(line)) {
    set_error(117, 0, 0, {}, path);
    return false;
  }
  Tokens t(line);
  t.text(word);
  std::string tok;
  if (!t.text(tok) || !parse_int_prefix(tok, count) || count != links) {
    set_error(117, 0, 0, {}, path);
    return false;
  }
  ids.assign(static_cast<std::size_t>(links) + 1, {});
  for (long link = 1; link <= links; ++link) {
    const int nodes = nodes_per_link[link];
    ids[link].assign(static_cast<std::size_t>(nodes > 0 ? nodes : 0) + 1, 0);
    for (int node = 1; node <= nodes; ++node) {
      int v = 0;
      std::string value;
      if (!in.next(line) || !Tokens(line).text(value) || !parse_map_int(value, v)) {
        set_error(118, 0, 0, {}, path);
        return false;
      }
      ids[link][node] = v;
    }
  }
  return true;
}

int stream_map_line(std::span<const int> nodes_per_link, int link, int node) {
  int line = 2 + node;
  for (int l = 1; l < link && l < static_cast<int>(nodes_per_link.size()); ++l)
    line += std::max(nodes_per_link[l], 0);
  return line;
}

}  // namespace torva
