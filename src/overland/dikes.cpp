#include "overland/dikes.hpp"

#include <vector>

#include "frame/console.hpp"
#include "frame/model_state.hpp"
#include "frame/process.hpp"
#include "input/line_reader.hpp"
#include "overland/low_spots.hpp"

namespace torva {
namespace {

constexpr int kMaxCategory = 10000;

bool header(LineReader& in, double (&v)[6]) {
  std::string line, label, num;
  for (double& x : v) {
    if (!in.next(line)) return false;
    Tokens t(line);
    if (!t.text(label) || !t.text(num) || !parse_double_prefix(num, x)) return false;
  }
  return true;
}

}  // namespace

bool read_dike_codes(const std::string& path, const Array2<int>& mask, int rows, int cols,
                     std::span<int> codes) {
  LineReader in;
  if (!in.open(path)) {
    say("Can't open input dike mask file named: %s\n", path.c_str());
    set_error(4000);
    return false;
  }
  say("reading dike map from file: %s\n", path.c_str());
  double h[6];
  if (!header(in, h)) {
    say("Unexpected end of file in file: %s\n", path.c_str());
    set_error(4000);
    return false;
  }
  const bool bad_rows = static_cast<int>(h[4]) != rows, bad_cols = static_cast<int>(h[5]) != cols;
  if (bad_rows || bad_cols) {
    if (bad_rows && bad_cols)
      say("Incorrect number of rows and columns in map: %s\n", path.c_str());
    else if (bad_rows)
      say("Incorrect number of rows in map: %s\n", path.c_str());
    else
      say("Incorrect number of columns in map: %s\n", path.c_str());
    set_error(4000);
    return false;
  }
  std::vector<int> count(kMaxCategory + 1, 0);
  std::string line, tok;
  int r = 1, c = 1;
  while (r <= rows && in.next(line)) {
    Tokens t(line);
    while (r <= rows && t.text(tok)) {
      long v = 0;
      if (!parse_int_prefix(tok, v) || v < 0 || v > kMaxCategory) {
        say("Error: value %s in row %d col %d of map %s is not a category from 0 to %d.\n",
            tok.c_str(), r, c, path.c_str(), kMaxCategory);
        set_error(4000);
        return false;
      }
      if (const int k = mask(r, c); k != 0) {
        codes[k] = static_cast<int>(v);
        ++count[v];
      }
      if (++c > cols) {
        c = 1;
        ++r;
      }
    }
  }
  if (r <= rows) {
    say("Unexpected end of file in file: %s\n", path.c_str());
    set_error(4000);
    return false;
  }
  for (int cat = 1; cat <= kMaxCategory; ++cat)
    if (count[cat] > 0) say("In map %s category %d has %d values\n", path.c_str(), cat, count[cat]);
  return true;
}

void load_dikes(ModelState& s) {
  const CardRecord& cards = s.settings.cards;
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
