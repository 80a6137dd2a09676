#pragma once
// Precipitation input: gages, radar, per-cell intensities and the rain state machine.

namespace torva {

struct RainState {};

}  // namespace torva
