#pragma once
// Channel network: links, nodes, cross-sections and structures as read.

namespace torva {

struct ChannelState {};

}  // namespace torva
