#include "output/linknode.hpp"

#include <cmath>

#include "output/summary.hpp"

namespace torva {
namespace {

constexpr int kLake = 32;
constexpr int kStructure = 64;
constexpr int kChannel = 4 | 8 | 16;
constexpr const char* kNoValue = "0  -999.999   ";

void append_lake(std::string& out, LinkNodeKind kind, const LinkNodeLink& l) {
  const bool own_value = kind == LinkNodeKind::depth || kind == LinkNodeKind::velocity;
  if (own_value && !l.values.empty())
    appendf(out, "-1 %6.5lf   ", l.values[0]);
  else
    out += kNoValue;
}

void append_structure(std::string& out, LinkNodeKind kind, const LinkNodeLink& l) {
  const bool own_value =
      kind == LinkNodeKind::flow || kind == LinkNodeKind::stage || kind == LinkNodeKind::flood;
  if (own_value && !l.values.empty())
    appendf(out, "-2  %6.5lf   ", l.values[0]);
  else
    out += kNoValue;
}

void append_channel(std::string& out, const LinkNodeLink& l) {
  appendf(out, "%d   ", l.points);
  for (int i = 1; i <= l.points; ++i) {
    const std::size_t k = static_cast<std::size_t>(i - 1);
    // The last point of a channel link is past its computational nodes.
    if (i < l.points && k < l.values.size())
      appendf(out, "1  %6.5lf   ", l.values[k]);
    else
      out += kNoValue;
  }
}

}  // namespace

const char* linknode_header_line(LinkNodeKind kind) {
  switch (kind) {
    case LinkNodeKind::depth:
      return "TORVA_LINKNODE_STREAM_DEPTH\n";
    case LinkNodeKind::flow:
      return "TORVA_LINKNODE_STREAM_FLOW\n";
    case LinkNodeKind::stage:
      return "TORVA_LINKNODE_STREAM_STAGE\n";
    case LinkNodeKind::velocity:
      return "TORVA_LINKNODE_STREAM_VELOCITY\n";
    case LinkNodeKind::flood:
      return "TORVA_LINKNODE_FLOOD_STREAM_DEPTH\n";
    case LinkNodeKind::sed_flux:
      return "TORVA_LINKNODE_STREAM_SED_FLUX\n";
  }
  return "";
}

int linknode_time_step(int n, double dt_seconds) {
  return static_cast<int>(std::floor(static_cast<double>(n) * dt_seconds / 60.0));
}

void append_linknode_header(std::string& out, LinkNodeKind kind, int links, int time_step,
                            int run_minutes, const CalendarTime& start) {
  out += linknode_header_line(kind);
  appendf(out, "NUM_LINKS     %d\n", links);
  appendf(out, "TIME_STEP     %d\n", time_step);
  // An interval below one minute would divide by zero: no whole number of series then.
  appendf(out, "NUM_TS        %d\n", time_step > 0 ? run_minutes / time_step : 0);
  appendf(out, "START_TIME    %2d %2d %4d %2d %2d %2d\n", start.day, start.month, start.year,
          start.hour, start.minute, 0);
}

void append_linknode_block(std::string& out, LinkNodeKind kind, int block,
                           const std::vector<LinkNodeLink>& links) {
  appendf(out, "TS    %d\n", block);
  for (const LinkNodeLink& l : links) {
    if (l.linktype & kLake)
      append_lake(out, kind, l);
    else if (l.linktype & kStructure)
      append_structure(out, kind, l);
    else if (l.linktype & kChannel)
      append_channel(out, l);
    out += "\n";
  }
  out += "\n";
}

}  // namespace torva
