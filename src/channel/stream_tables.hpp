#pragma once
// The stream mapping table (ST_MAPPING_TABLE) applied to the channel network.
#include <string>

#include "channel/channel_state.hpp"

namespace torva {

// Prints the stream table check and, when the file holds a ROUGHNESS table, gives every
// channel link the Manning's n that its nodes carry.  Runs once the node counts are known
// and before the break-point tables are built, since their conveyances take the link's n.
// False after a fault (ErrorCode set).
bool apply_stream_tables(ChannelState& ch, const std::string& table_path);

}  // namespace torva
