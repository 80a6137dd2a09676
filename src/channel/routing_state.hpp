#pragma once
// Channel routing: flows, areas, schedule and exchange with the land.

namespace torva {

struct ChannelRouteState {};

}  // namespace torva
