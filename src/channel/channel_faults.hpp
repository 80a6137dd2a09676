#pragma once
// The messages of the channel kernels' faults (routing, cross-sections, structures and the
// series they read), printed by the stages and readers that called the kernels.
#include "frame/fault.hpp"

namespace torva {

struct SeriesStore;

// Prints the faults in order, each with its fixed text, and posts the ErrorCode of those
// that carry their own.  The caller posts 4000 when its kernel failed and no code stands.
// Series faults take their series' name from `series`.
void say_channel_faults(const Faults& faults, const SeriesStore* series = nullptr);

}  // namespace torva
