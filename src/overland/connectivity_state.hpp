#pragma once
// Ground slopes, dikes and low spots between connected cells.

namespace torva {

struct ConnectivityState {};

}  // namespace torva
