#pragma once
// Reader of the soil layer input (card SOIL_LAYER_INPUT_FILE): one block per soil type,
// one line per layer, columns named once by a COLUMNS line.  The format is described in
// docs/soil_layer_input.md.
#include <string>
#include <vector>

#include "subsurface/soil_record.hpp"

namespace torva {

constexpr int kMaxSoilId = 10000;  // records are kept by id, so ids are bounded

struct SoilLayerTable {
  std::vector<SoilRecord> records;  // index = soil id; slot 0 unused
  std::vector<bool> given;          // given[id]: the file has a block for id
};

// Reads and validates the file.  On failure prints a message naming the file, line and
// field, sets the ErrorCode (4 when the file cannot be opened, else 4000) and returns
// false; `table` is then left empty.
bool read_soil_layer_file(const std::string& path, SoilLayerTable& table);

}  // namespace torva
