#pragma once
// Channel initial conditions from a hot-start file, and the hot-start writers.
#include <string>

#include "channel/channel_state.hpp"

namespace torva {

// Records "node link depth discharge" until the end of the file; records outside the
// network are skipped.  False after a fatal fault (ErrorCode 4000).
bool read_chan_hotstart_depths(ChannelState& ch, const std::string& path);

// One line "node link elevation [area]" per node of every channel link that is neither
// lake nor structure, in link and node order, as write_chan_hotstart writes them.
bool read_chan_hotstart_wse(ChannelState& ch, const std::string& path);

// Water-surface elevations to `wse_path` ("%d %d %lf \n") and discharges to `q_path`
// ("%d %d %lf\n") for every node of every link that is not a structure (with lakes, not a
// lake or a taken-over link either).  Either path may be empty.
bool write_chan_hotstart(const ChannelState& ch, const std::string& wse_path,
                         const std::string& q_path);

}  // namespace torva
