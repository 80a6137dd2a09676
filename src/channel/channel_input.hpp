#pragma once
// Reader of the channel network input file and of the grid-stream file.
#include <functional>
#include <string>
#include <string_view>

#include "channel/channel_state.hpp"

namespace torva {

struct GridState;

// Finds a named series of the run: its 1-based number in the run's list, 0 when none.
using SeriesFinder = std::function<int(std::string_view name)>;

struct ChanReadOptions {
  bool summary = true;            // print the summary block (console output not suppressed)
  bool stream_loss = false;       // STREAM_LOSS: every node takes the project bed values
  double k_river = 0.0;           // project K_RIVER
  double m_river = 1.0;           // project M_RIVER, m
  bool extra_tables = false;      // also build xi1 and xdkda
  bool overland_erosion = false;  // sediment erosion requires an erodible trapezoidal link
  SeriesFinder find_time_series;  // absent: no series known
  SeriesFinder find_elev_series;
  const GridState* grid = nullptr;  // cell elevations for the lakes
  std::string stream_table;         // ST_MAPPING_TABLE; empty: the links keep MANNINGS_N
};

// Reads the file into `ch`.  A file that does not begin with "TORVA_CHAN" defines no
// network (ch.present stays false).  `ch.lake_losses` is 1 when any MLAKE card was read.
// False after a fatal fault (ErrorCode set, message printed).
bool read_chan_input(ChannelState& ch, const std::string& path, const ChanReadOptions& opt);

// Reads the grid-stream file of non-orthogonal channels.  False after a fatal fault.
bool read_grid_stream(ChannelState& ch, const std::string& path);

}  // namespace torva
