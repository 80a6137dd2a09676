#include "overland/dikes.hpp"

#include "frame/console.hpp"
#include "frame/run_context.hpp"
#include "input/raster.hpp"
#include "model/model_state.hpp"
#include "overland/low_spots.hpp"

namespace torva {

bool read_dike_codes(const std::string& path, Array2<int>& mask, int rows, int cols,
                     std::span<int> codes) {
  FileHandle f;
  if (!f.open(path, "r")) {
    say("Can't open input dike mask file named: %s\n", path.c_str());
    set_error(4000);
    return false;
  }
  say("reading dike map from file: %s\n", path.c_str());
  GridHeader h;
  GridDestination d;
  d.ids = codes;
  const bool ok = read_grid(f, path, kCategory, h, mask, d, rows, cols);
  f.close();
  return ok;
}

void load_dikes(ModelState& s) {
  const OverlandCards& cards = s.settings.overland;
  ConnectivityState& cs = s.connect;
  const bool given = cards.embankment_given || cards.dike_map_given;
  if (!given) {
    if (cards.lowspot_file_given)
      say("Warning: the low-spot file %s is used only with a dike map (EMBANKMENT).\n",
          cards.lowspot_file.c_str());
    return;
  }
  const std::string& path = cards.embankment_given ? cards.embankment : cards.dike_map;
  GridState& g = s.grid;
  if (!cs.dike_code.allocate(g.ncells)) {
    set_error(4000);
    return;
  }
  if (!read_dike_codes(path, g.mask, g.rows, g.cols, cs.dike_code.slots())) return;
  cs.has_dikes = true;
  if (cards.lowspot_file_given) read_lowspot_file(cards.lowspot_file, cs.low_spots);
}

}  // namespace torva
