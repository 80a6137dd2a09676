#pragma once
// Index maps: integer rasters of class IDs over the grid, and stream index maps that give
// every channel node an ID.
#include <span>
#include <string>
#include <vector>

#include "frame/arrays.hpp"
#include "input/raster.hpp"

namespace torva {

// Reads a grid index map into `index` ((rows+1) x (cols+1), [row][col]) and counts each ID
// of the cells inside the mask in `counts` (0..max_id).  Inside the mask every ID must lie
// in 1..max_id.  Codes: 65 cannot open, 72-74 size, 71 ID above max_id (row and column),
// 70 early end, 4000 an ID of 0 or below, or a token that is not an integer.
bool read_index_map(const std::string& path, const Array2<int>& mask, int rows, int cols,
                    int max_id, GridHeader& header, Array2<int>& index, std::vector<int>& counts);

// Reads a stream index map: "STREAM_MAP", then a word and the link count, then one ID per
// line, link by link and node by node.  `nodes_per_link` has slots 0..links (0 unused);
// ids[link][node] for node 1..nodes.  Codes 115-118.
bool read_stream_index_map(const std::string& path, std::span<const int> nodes_per_link,
                           std::vector<std::vector<int>>& ids);

// Line of the stream index map that holds the value of `node` of `link` (two header lines,
// then one value per line), for messages.
int stream_map_line(std::span<const int> nodes_per_link, int link, int node);

}  // namespace torva
