#include "channel/chan_hotstart.hpp"

#include "frame/console.hpp"
#include "frame/file_handle.hpp"
#include "frame/run_context.hpp"
#include "input/line_reader.hpp"

namespace torva {
namespace {

bool cannot_open(const std::string& path) {
  say("Can't open channel hotstart file named %s\n", path.c_str());
  set_error(4000);
  return false;
}

bool bad_record(const std::string& path, int line) {
  say("Error: unreadable record in the channel hotstart file %s, line %d.\n", path.c_str(), line);
  set_error(4000);
  return false;
}

// The links whose nodes a channel hot start holds.
bool hotstart_link(int linktype) {
  return !(linktype & (kLinkLake | kLinkStructure | kLinkLakeTaken));
}

bool blank(const std::string& line) {
  Tokens t(line);
  return t.empty();
}

}  // namespace

bool read_chan_hotstart_depths(ChannelState& ch, const std::string& path) {
  LineReader r;
  if (!r.open(path)) return cannot_open(path);
  std::string line, tok;
  while (r.next(line)) {
    if (blank(line)) continue;
    Tokens t(line);
    long node = 0, link = 0;
    double depth = 0.0, q = 0.0;
    bool ok = t.text(tok) && parse_int_prefix(tok, node);
    ok = ok && t.text(tok) && parse_int_prefix(tok, link);
    ok = ok && t.text(tok) && parse_double_prefix(tok, depth);
    ok = ok && t.text(tok) && parse_double_prefix(tok, q);
    if (!ok) return bad_record(path, r.line_number());
    if (link < 1 || link > ch.links || node < 1 || node > ch.nodes[link]) continue;
    ch.chan_depth(node, link) = depth;
    ch.yp(node, link) = ch.bel(node, link) + depth;
    ch.qp(node, link) = q;
    if (depth > 1e-16) ch.wet = true;
  }
  return true;
}

bool read_chan_hotstart_wse(ChannelState& ch, const std::string& path) {
  LineReader r;
  if (!r.open(path)) return cannot_open(path);
  std::string line, tok;
  for (int l = 1; l <= ch.links; ++l) {
    if (!hotstart_link(ch.linktype[l])) continue;
    for (int k = 1; k <= ch.nodes[l]; ++k) {
      do {
        if (!r.next(line)) {
          say("Error: the channel hotstart file %s ends before node %d of link %d.\n", path.c_str(),
              k, l);
          set_error(4000);
          return false;
        }
      } while (blank(line));
      Tokens t(line);
      double wse = 0.0;
      const bool ok = t.text(tok) && t.text(tok) && t.text(tok) && parse_double_prefix(tok, wse);
      if (!ok) return bad_record(path, r.line_number());
      double depth = wse - ch.bel(k, l);
      if (depth < 0.0) {
        depth = 0.0;
        wse = ch.bel(k, l);
      }
      ch.chan_depth(k, l) = depth;
      ch.yp(k, l) = wse;
      if (depth > 1e-16) ch.wet = true;
    }
  }
  return true;
}

bool write_chan_hotstart(const ChannelState& ch, const std::string& wse_path,
                         const std::string& q_path) {
  FileHandle w, q;
  if (!wse_path.empty() && !w.open(wse_path, "w")) return cannot_open(wse_path);
  if (!q_path.empty() && !q.open(q_path, "w")) return cannot_open(q_path);
  for (int l = 1; l <= ch.links; ++l) {
    if (!hotstart_link(ch.linktype[l])) continue;
    for (int k = 1; k <= ch.nodes[l]; ++k) {
      if (w.fp) std::fprintf(w.fp, "%d %d %lf \n", k, l, ch.yp(k, l));
      if (q.fp) std::fprintf(q.fp, "%d %d %lf\n", k, l, ch.qp(k, l));
    }
  }
  return true;
}

}  // namespace torva
