#pragma once
// Per-cell parameters from maps, mapping tables or uniform cards.

namespace torva {

struct CellParams {};

}  // namespace torva
