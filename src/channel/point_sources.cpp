#include "channel/point_sources.hpp"

#include <cctype>

#include "frame/clock.hpp"
#include "frame/console.hpp"
#include "frame/run_context.hpp"

namespace torva {
namespace {

constexpr int kMaxSkippedTokens = 10000;
constexpr int kMaxPoints = 1000000;

bool card_is(const std::string& token, const char* card) {
  for (int i = 0; i < 5; ++i) {
    const char c = card[i];
    if (c == '\0') return true;
    if (static_cast<std::size_t>(i) >= token.size()) return false;
    if (std::toupper(static_cast<unsigned char>(token[static_cast<std::size_t>(i)])) != c)
      return false;
  }
  return true;
}

bool fail_eof() {
  say("Unexpected end of file in chan point input data file.\n");
  say("Check the format of the data file.\nProgram terminated.");
  set_error(4000);
  return false;
}

bool fail_card(const char* what) {
  say("There is a problem with your channel source input file.  TORVA cannot\n");
  say("%s", what);
  say("\n\n");
  set_error(4000);
  return false;
}

// Skips tokens up to the card; false (message printed) when it is missing.
bool find_card(PointTokenStream& ts, const char* card, const char* what) {
  std::string tok;
  for (int n = 0; n <= kMaxSkippedTokens; ++n) {
    if (!ts.next(tok)) return fail_eof();
    if (card_is(tok, card)) return true;
  }
  return fail_card(what);
}

bool read_int(PointTokenStream& ts, int& out) {
  std::string tok;
  if (!ts.next(tok)) return fail_eof();
  long v = 0;
  if (!parse_int_prefix(tok, v)) v = 0;
  out = static_cast<int>(v);
  return true;
}

bool read_real(PointTokenStream& ts, double& out) {
  std::string tok;
  if (!ts.next(tok)) return fail_eof();
  if (!parse_double_prefix(tok, out)) out = 0.0;
  return true;
}

// Reads the header of the next timed change: INPUT year month day hour minute.
bool read_header(ChannelPointSources& ps, PointTokenStream& ts) {
  std::string tok;
  int d[5] = {};
  bool ok = ts.next(tok) && card_is(tok, "INPUT");
  for (int i = 0; ok && i < 5; ++i) {
    long v = 0;
    ok = ts.next(tok) && parse_int_prefix(tok, v);
    d[i] = static_cast<int>(v);
  }
  if (!ok) {
    say("\n last year %d last month %d last day %d last hour %d last minute %d \n", ps.last_date[0],
        ps.last_date[1], ps.last_date[2], ps.last_date[3], ps.last_date[4]);
    fail_eof();
    return false;
  }
  if (d[0] < 100) d[0] += 1900;
  for (int i = 0; i < 5; ++i) ps.last_date[i] = d[i];
  ps.pending_time = julian_date(d[0], d[1], d[2], d[3], d[4], 0.0);
  ps.pending = true;
  return true;
}

bool read_inflows(ChannelPointSources& ps, PointTokenStream& ts) {
  for (int p = 0; p < ps.count; ++p) {
    if (!read_real(ts, ps.inflow[static_cast<std::size_t>(p)])) return false;
    double skip = 0.0;
    for (int c = 0; c < ps.constituents; ++c)
      if (!read_real(ts, skip)) return false;
  }
  return true;
}

}  // namespace

bool PointTokenStream::next(std::string& token) {
  while (!tokens_.text(token)) {
    if (!reader_.next(line_)) return false;
    tokens_ = Tokens(line_);
  }
  return true;
}

bool open_point_sources(ChannelPointSources& ps, const std::string& file, int links,
                        int max_nodes) {
  ps.reader.close();
  ps.active = ps.pending = false;
  ps.count = ps.changes = ps.changes_read = 0;
  ps.file = file;
  if (!ps.reader.open(file)) {
    say("Can't open %s to read channel point source input file \n", file.c_str());
    say("There will be no point inputs to the channel file \n");
    return true;
  }
  PointTokenStream ts(ps.reader);
  if (!find_card(ts, "NUMPT", "find the first card.  Check the format of your channel source file"))
    return false;
  if (!read_int(ts, ps.count)) return false;
  if (ps.count < 0 || ps.count > kMaxPoints) {
    say("Error: the number of channel point sources (%d) in %s is not valid.\n", ps.count,
        file.c_str());
    set_error(4000);
    return false;
  }
  ps.node.assign(static_cast<std::size_t>(ps.count), 0);
  ps.link.assign(static_cast<std::size_t>(ps.count), 0);
  ps.inflow.assign(static_cast<std::size_t>(ps.count), 0.0);
  for (int p = 0; p < ps.count; ++p) {
    if (!find_card(ts, "POINT",
                   "find the point source location card.  Check the format of your channel "
                   "source file"))
      return false;
    const std::size_t k = static_cast<std::size_t>(p);
    if (!read_int(ts, ps.node[k]) || !read_int(ts, ps.link[k]) || !read_real(ts, ps.inflow[k]))
      return false;
    for (int c = 0; c < ps.constituents; ++c) {
      double skip = 0.0;
      if (!read_real(ts, skip)) return false;
    }
    ts.skip_line();
    // A location outside the network would write outside the node arrays.
    if (ps.link[k] < 1 || ps.link[k] > links || ps.node[k] < 1 || ps.node[k] > max_nodes) {
      say("Error: channel point source %d (node %d, link %d) in %s lies outside the channel "
          "network.\n",
          p + 1, ps.node[k], ps.link[k], file.c_str());
      set_error(4000);
      return false;
    }
  }
  if (!find_card(ts, "NRPDS",
                 "find the number of timed changes to your point inputs.  Check the format of "
                 "your channel source file"))
    return false;
  if (!read_int(ts, ps.changes)) return false;
  if (ps.changes >= 1 && !read_header(ps, ts)) return false;
  if (!ps.pending) ps.reader.close();
  ps.active = true;
  return true;
}

bool advance_point_sources(ChannelPointSources& ps, double now) {
  if (!ps.active) return true;
  PointTokenStream ts(ps.reader);
  while (ps.pending && (now > ps.pending_time || same_time(now, ps.pending_time))) {
    ps.pending = false;
    if (!read_inflows(ps, ts)) return false;
    ++ps.changes_read;
    if (ps.changes_read < ps.changes && !read_header(ps, ts)) return false;
  }
  if (!ps.pending) ps.reader.close();
  return true;
}

void add_point_inflows(const ChannelPointSources& ps, Array2<double>& point_q) {
  if (!ps.active) return;
  for (std::size_t p = 0; p < ps.inflow.size(); ++p)
    point_q(static_cast<std::size_t>(ps.node[p]), static_cast<std::size_t>(ps.link[p])) +=
        ps.inflow[p];
}

}  // namespace torva
