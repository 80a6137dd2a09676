#pragma once
// Link/node stream files: one header, then one block of every link's node values per
// output time, and the end-of-run snapshot of the highest water surfaces.
#include <string>
#include <vector>

#include "frame/clock.hpp"

namespace torva {

enum class LinkNodeKind { depth, flow, stage, velocity, flood, sed_flux };

// "TORVA_LINKNODE_STREAM_DEPTH\n" and its siblings.
const char* linknode_header_line(LinkNodeKind kind);

// Output interval in whole minutes: floor(N x dt / 60).
int linknode_time_step(int n, double dt_seconds);

// The five header lines; `run_minutes` is the run length (TOT_TIME).
void append_linknode_header(std::string& out, LinkNodeKind kind, int links, int time_step,
                            int run_minutes, const CalendarTime& start);

// One link as the block writer sees it: its `linktype`, its number of node points
// (`NODES`) and the values of its computational nodes (points - 1 of them); lake and
// structure links carry one value (the lake's, or the structure's node 1).
struct LinkNodeLink {
  int linktype = 0;
  int points = 0;
  std::vector<double> values;
};

// "TS    %d\n", one line per link, then an empty line.
void append_linknode_block(std::string& out, LinkNodeKind kind, int block,
                           const std::vector<LinkNodeLink>& links);

// Velocity of a node: q / area when the area exceeds 1e-7 m^2, else 0.
inline double node_velocity(double q, double area) {
  return area > 1e-7 ? q / area : 0.0;
}

}  // namespace torva
