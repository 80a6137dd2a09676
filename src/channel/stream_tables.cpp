#include "channel/stream_tables.hpp"

#include <algorithm>

#include "frame/console.hpp"
#include "frame/run_context.hpp"
#include "input/index_map.hpp"
#include "input/mapping_table.hpp"

namespace torva {
namespace {

// The channel file's own lower bound on Manning's n.
constexpr double kMinChannelN = 1e-8;

}  // namespace

bool apply_stream_tables(ChannelState& ch, const std::string& table_path) {
  const StreamTablePresence present = check_stream_tables(table_path);
  if (error_code().code != 0) return false;
  if (!present.present[kStreamRoughness]) return true;

  Array2<double> rough("stream_rough");
  if (!rough.allocate(std::max(ch.maxnodes, 2), ch.links)) {
    set_error(4000);
    return false;
  }
  Array2<double>* dest[] = {&rough};
  const std::span<const int> nodes = ch.nodes.slots();
  std::string map;
  if (!stream_table_lookup(table_path, kStreamRoughness, dest, nodes, &map)) return false;

  // Conveyance takes one n per link, so the nodes of a channel link must agree; lakes and
  // structures have no Manning's n and ignore theirs.
  for (int l = 1; l <= ch.links; ++l) {
    if (!is_channel_link(ch.linktype[l]) || ch.nodes[l] < 1) continue;
    const double n = rough(1, l);
    for (int k = 1; k <= ch.nodes[l]; ++k) {
      const double v = rough(k, l);
      if (!(v >= kMinChannelN)) {  // also refuses a value that is not a number
        say("Error: stream mapping table %s gives node %d of link %d a Manning's n of %g "
            "(stream index map %s, line %d)\n",
            table_path.c_str(), k, l, v, map.c_str(), stream_map_line(nodes, l, k));
        set_error(94);
        return false;
      }
      if (v != n) {
        say("Error: stream mapping table %s gives link %d a Manning's n of %g at node 1 but %g "
            "at node %d (stream index map %s, line %d); a channel link has one roughness\n",
            table_path.c_str(), l, n, v, k, map.c_str(), stream_map_line(nodes, l, k));
        set_error(4000);
        return false;
      }
    }
    ch.mannings_n[l] = n;
    ch.inv_n[l] = 1.0 / n;
  }
  return true;
}

}  // namespace torva
