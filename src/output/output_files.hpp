#pragma once
// File handles of the run's output files; all start closed and close with the run.
#include <string>
#include <vector>

#include "frame/file_handle.hpp"
#include "output/hydrograph.hpp"
#include "output/linknode.hpp"

namespace torva {

// The link/node stream files, in the order of their kinds (depth, flow, stage, velocity,
// flood, sediment flux).
constexpr int kLinkNodeFiles = 6;

struct OutputFiles {
  FileHandle summary;
  FileHandle hydrograph;
  FileHandle sig_hydrograph;
  FileHandle location_hydrograph;
  FileHandle linknode_depth;
  FileHandle linknode_flow;
  FileHandle linknode_stage;
  FileHandle linknode_velocity;
  FileHandle linknode_flood;
  FileHandle linknode_sed_flux;
  int linknode_blocks[kLinkNodeFiles] = {0, 0, 0, 0, 0, 0};  // blocks written per file
  // Selected hydrograph locations, and their list lines as read (for the host file).
  std::vector<HydLocation> locations;
  std::vector<std::string> location_lines;
  std::string hydrograph_name;  // as opened, for reading back at shutdown
  std::string location_hydrograph_name;
  long hydrograph_records = 0;
  // Work buffers of the output stages, kept so that output steps reuse their capacity.
  std::vector<LinkNodeLink> linknode_links;
  std::string linknode_text;
  std::vector<double> location_values;

  FileHandle& linknode(int k) {
    FileHandle* all[kLinkNodeFiles] = {&linknode_depth,    &linknode_flow,  &linknode_stage,
                                       &linknode_velocity, &linknode_flood, &linknode_sed_flux};
    return *all[k];
  }

  void close_all() {
    summary.close();
    hydrograph.close();
    sig_hydrograph.close();
    location_hydrograph.close();
    for (int k = 0; k < kLinkNodeFiles; ++k) linknode(k).close();
  }
};

}  // namespace torva
