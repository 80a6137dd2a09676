#pragma once
// The channel start-up without the ModelState, so that tests can drive it with their own
// files and grid.
#include <string>

#include "channel/channel_input.hpp"
#include "channel/channel_state.hpp"
#include "input/grid.hpp"

namespace torva {

struct ChannelSetupInput {
  std::string channel_file;
  ChanReadOptions read;
  std::string hotstart_file;       // empty: start dry
  bool hotstart_is_depth = false;  // records of depth and discharge instead of elevations
  std::string grid_stream_file;    // empty: no non-orthogonal channels
};

// Grid cell holding map point (x, y), 0 outside the watershed.
int cell_at(const GridState& g, double x, double y);

// Reading, spacing check, hot start, grid-stream file, stream-cell positions, the files
// short_links.out and bad_thalweg.out, and the initial areas and conveyances; the initial
// channel volume (m^3) goes to `initial_volume`.  False after a fatal fault.
bool setup_channels(ChannelState& ch, const ChannelSetupInput& in, const GridState& g,
                    double& initial_volume);

// Stored water of the channel links, sum of area x DX (m^3).
double channel_volume(const ChannelState& ch);

}  // namespace torva
