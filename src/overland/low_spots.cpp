#include "overland/low_spots.hpp"

#include <strings.h>

#include "frame/console.hpp"
#include "frame/run_context.hpp"
#include "input/line_reader.hpp"

namespace torva {
namespace {

bool same_word(const std::string& a, const char* b) {
  return strcasecmp(a.c_str(), b) == 0;
}

bool spot_fields(Tokens& t, LowSpot& spot) {
  std::string tok;
  long v = 0;
  if (!t.text(tok) || !parse_int_prefix(tok, v)) return false;
  spot.row = static_cast<int>(v);
  if (!t.text(tok) || !parse_int_prefix(tok, v)) return false;
  spot.col = static_cast<int>(v);
  if (!t.text(tok) || !parse_int_prefix(tok, v)) return false;
  spot.side = static_cast<int>(v);
  return t.text(tok) && parse_double_prefix(tok, spot.width) && t.text(tok) &&
         parse_double_prefix(tok, spot.crest);
}

// Index 0..3 of a valid side code, for the side names of the messages.
int side_index(int side) {
  switch (side) {
    case kSideTop:
      return 0;
    case kSideRight:
      return 1;
    case kSideBottom:
      return 2;
    default:
      return 3;
  }
}

const char* const kSideName[] = {"top", "right", "bottom", "left"};
const char* const kSideAlong[] = {"top", "right side", "bottom", "left side"};
// The neighbour's dike must run along the shared side: its code holds the opposite side.
const int kOpposite[] = {kSideBottom, kSideLeft, kSideTop, kSideRight};

void crest_tail(int side) {
  say("Dike / low spot on %s side of cell\n", kSideName[side_index(side)]);
  say("Program terminated\n");
}

}  // namespace

bool read_lowspot_file(const std::string& path, std::vector<LowSpot>& spots) {
  spots.clear();
  LineReader in;
  if (!in.open(path)) {
    say_error("Can't open low spot input file named: %s\n", path.c_str());
    set_error(4000);
    return false;
  }
  std::string line, word;
  bool started = false;
  while (in.next(line)) {
    Tokens t(line);
    if (!t.text(word)) continue;
    if (!started) {
      if (!same_word(word, "LOWSPOT")) break;
      started = true;
      continue;
    }
    if (!same_word(word, "SPOT")) continue;
    LowSpot spot;
    if (!spot_fields(t, spot)) {
      say_error("Error: SPOT card on line %d of the lowspot input file: %s\n", in.line_number(),
                path.c_str());
      say_error("needs row, column, side code, width fraction and crest elevation.\n");
      say_error("Program terminated.\n");
      set_error(4000);
      return false;
    }
    spots.push_back(spot);
  }
  if (!started) {
    say_error("The lowspot input file: %s does not start with the LOWSPOT card.\n", path.c_str());
    say_error("The file format is invalid.  Program terminated.\n");
    set_error(4000);
    return false;
  }
  if (spots.empty()) {
    say_error("Premature end-of-file in the lowspot input file.\n");
    say_error("No SPOT cards encountered before end of file.\n");
    say_error("Program terminated.\n");
    set_error(4000);
    return false;
  }
  return true;
}

bool validate_low_spots(const std::vector<LowSpot>& spots, const LowSpotGrid& g,
                        const std::string& path) {
  for (const LowSpot& sp : spots) {
    const int r = sp.row, c = sp.col;
    // A position off the grid or outside the mask has no cell to check against.
    if (r < 1 || r > g.rows || c < 1 || c > g.cols || (*g.mask)(r, c) == 0) {
      say("\nThe low spot in row %d col %d of the file %s\n", r, c, path.c_str());
      say("is not inside the watershed.  Edit your lowspot file.  Program terminated.\n");
      return false;
    }
    const int k = (*g.mask)(r, c);
    if (!(sp.width >= 0.0 && sp.width <= 1.5)) {
      say("\nThe fraction of the grid-size specified for the lowspot in the grid at\n");
      say("row %d col %d is unreasonable, with a value of %f.  Acceptable\n", r, c, sp.width);
      say(" values range from 0.0 to 1.5.  Change the value.  Program terminated.\n");
      return false;
    }
    const int d = sp.side;
    if (d != kSideTop && d != kSideRight && d != kSideBottom && d != kSideLeft) {
      say("\nThe low spot flow direction specified in row %d col %d in the file %s\n", r, c,
          path.c_str());
      say("is not valid.  The only possible directions are: 1- top boundary, 2- right\n");
      say("boundary, 4- bottom boundary, or 8- left boundary.\n");
      say("Edit your lowspot file and try again.  Program terminated.\n");
      return false;
    }
    if (g.dike_code[k] == 0) {
      say("\nYou have specified an overland flow dike in row %d col %d\n", r, c);
      say("There is no dike adjacent to this grid cell.  Program stopped.\n");
      return false;
    }
    const int si = side_index(d);
    const std::span<const int> table[] = {g.north, g.east, g.south, g.west};
    const int n = table[si][k];
    if (n == 0 || g.dike_code[n] == 0) {
      say("\nYou have specified a low spot on the %s boundary of the grid\n", kSideName[si]);
      say("cell at row %d col %d.  Either the side you have specified is not on\n", r, c);
      say("an overland flow dike, or the cell on the other side is out of the\n");
      say("watershed.  Check your low spot file.  Program terminated.\n");
      return false;
    }
    if (sp.crest < g.elevation[k] || sp.crest < g.elevation[n]) {
      say("\nThe elevation of the overland flow dike low spot you specified in the grid\n");
      say("cell located at row %d col %d is %f m.  This elevation is lower than the\n", r, c,
          sp.crest);
      if (sp.crest < g.elevation[k]) {
        say("elevation of the grid cell, which is %f m.  This situation is impossible.\n",
            g.elevation[k]);
        say("Please raise the low spot elevation to be greater than the grid cell elevation.\n");
      } else {
        say("elevation of the grid cell on the other side of the dike, which is %f m.\n",
            g.elevation[n]);
        say("This situation is impossible.  Please raise the low spot elevation to be\n");
        say("greater than the grid cell elevation.\n");
      }
      crest_tail(d);
      return false;
    }
    if ((g.dike_code[n] & kOpposite[si]) == 0) {
      say("\nThe low spot you have specified in the grid at row %d  col %d does not\n", r, c);
      say("cross the dike.  Rather, it runs _along_ the dike.  You specified flow\n");
      say("at this low spot across the %s boundary of the cell, while the dike\n", kSideName[si]);
      say("is running in a different direction than along the %s of the cell.\n", kSideAlong[si]);
      say("Program terminated.\n");
      return false;
    }
  }
  return true;
}

}  // namespace torva
