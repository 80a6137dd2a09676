// The grid-stream file of non-orthogonal channels: for each stream cell the channel nodes
// that lie in it and their shares.
#include <algorithm>
#include <vector>

#include "channel/channel_input.hpp"
#include "channel/channel_input_detail.hpp"
#include "frame/console.hpp"
#include "frame/run_context.hpp"

namespace torva {
namespace {

using namespace chan_detail;

constexpr int kMaxStreamCells = 10000000;
constexpr int kMaxCellNodes = 10000;

struct GstEntry {
  int link = 0, node = 0;
  double pct = 0.0;
};
struct GstCell {
  int row = 0, col = 0;
  std::vector<GstEntry> e;
};

bool gst_fail(const std::string& path, int line) {
  say("  (grid-stream file %s, line %d)\n", path.c_str(), line);
  set_error(4000);
  return false;
}

// Next line at or after i whose card is not empty; 0 at the end of the file.
int next_card(const ChanFile& f, int i, std::string& card, Tokens& t) {
  for (; i <= f.size(); ++i) {
    t = Tokens(f.lines[i]);
    card = card_of(t);
    if (!card.empty()) return i;
  }
  return 0;
}

bool read_cells(const ChannelState& ch, const ChanFile& f, int count, std::vector<GstCell>& cells) {
  int i = 3;
  Tokens t("");
  std::string card;
  cells.assign(count + 1, GstCell{});
  for (int c = 1; c <= count; ++c, ++i) {
    i = next_card(f, i, card, t);
    if (!i || card != "CELLIJ") {
      say("Error: stream cell %d of the grid-stream file must begin with a CELLIJ card.\n", c);
      return gst_fail(f.path, i ? i : f.size());
    }
    t.integer(cells[c].row);
    t.integer(cells[c].col);
    i = next_card(f, i + 1, card, t);
    int m = 0;
    if (i) t.integer(m);
    if (!i || card != "NUMNODES" || m < 0 || m > kMaxCellNodes) {
      say("Error: stream cell %d of the grid-stream file needs a NUMNODES card with a count "
          "in 0..%d.\n",
          c, kMaxCellNodes);
      return gst_fail(f.path, i ? i : f.size());
    }
    cells[c].e.resize(m);
    for (GstEntry& e : cells[c].e) {
      i = next_card(f, i + 1, card, t);
      if (!i || card != "LINKNODE") {
        say("Error: stream cell %d of the grid-stream file has fewer LINKNODE cards than its "
            "NUMNODES.\n",
            c);
        return gst_fail(f.path, i ? i : f.size());
      }
      t.integer(e.link);
      t.integer(e.node);
      t.number(e.pct);
      if (e.link < 1 || e.link > ch.links || e.node < 1 || e.node > ch.nodes[e.link]) {
        say("Error: link %d node %d of the grid-stream file is not a node of the network.\n",
            e.link, e.node);
        return gst_fail(f.path, i);
      }
    }
  }
  return true;
}

}  // namespace

bool read_grid_stream(ChannelState& ch, const std::string& path) {
  ChanFile f;
  LineReader r;
  if (!r.open(path)) {
    set_error(4, 0, 0, "grid-stream", path);
    return false;
  }
  f.path = path;
  std::string line;
  while (r.next(line)) f.lines.push_back(line);
  r.close();
  if (f.size() < 1 || f.lines[1].rfind("GRIDSTREAMFILE", 0) != 0) {
    say("Error: the grid-stream file %s must begin with GRIDSTREAMFILE.\n", path.c_str());
    return gst_fail(path, 1);
  }
  // Tokens view the line, so it must outlive them (not a temporary copy).
  static const std::string kNoLine;
  const std::string& second = f.size() >= 2 ? f.lines[2] : kNoLine;
  Tokens t(second);
  const std::string card = card_of(t);
  if (card != "STREAMCELLS") {
    say("The second card in the grid-stream file must be STREAMCELLS\n");
    say("File format error, program terminating.\n");
    return gst_fail(path, 2);
  }
  int count = 0;
  t.integer(count);
  if (count < 1 || count > kMaxStreamCells) {
    say("The number of STREAMCELLS in the grid-stream (.gst) file\n");
    say("must be greater than 0.  File format error, program terminating\n");
    return gst_fail(path, 2);
  }
  std::vector<GstCell> cells;
  if (!read_cells(ch, f, count, cells)) return false;
  say("Finished reading non-orthogonal channel information from gst file.\n");

  say("Setting up the grid-stream data... ");
  int m = 1;
  for (int c = 1; c <= count; ++c) m = std::max(m, static_cast<int>(cells[c].e.size()));
  ch.num_stream_cells = count;
  ch.max_gst_nodes = m;
  bool ok = ch.gst_gnum.allocate(count) && ch.gst_row.allocate(count) &&
            ch.gst_col.allocate(count) && ch.gst_cell.allocate(count);
  for (Array2<int>* a : {&ch.gst_link, &ch.gst_node}) ok = ok && a->allocate(count, m);
  for (Array2<double>* a :
       {&ch.gst_pct, &ch.gst_sac_weight, &ch.gst_Vlat, &ch.gst_qriv, &ch.gst_Vp, &ch.gst_qriv_vol})
    ok = ok && a->allocate(count, m);
  if (!ok) {
    set_error(4000);
    return false;
  }
  for (int c = 1; c <= count; ++c) {
    ch.gst_row[c] = cells[c].row;
    ch.gst_col[c] = cells[c].col;
    ch.gst_gnum[c] = static_cast<int>(cells[c].e.size());
    for (int k = 1; k <= ch.gst_gnum[c]; ++k) {
      const GstEntry& e = cells[c].e[k - 1];
      ch.gst_link(c, k) = e.link;
      ch.gst_node(c, k) = e.node;
      ch.gst_pct(c, k) = e.pct;
    }
  }
  say("done.\n");
  return true;
}

}  // namespace torva
