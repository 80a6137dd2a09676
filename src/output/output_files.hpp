#pragma once
// File handles of the run's output files; all start closed and close with the run.
#include "frame/file_handle.hpp"

namespace torva {

struct OutputFiles {
  FileHandle summary;
  FileHandle hydrograph;
  FileHandle sig_hydrograph;
  FileHandle location_hydrograph;
  FileHandle linknode_depth;

  void close_all() {
    summary.close();
    hydrograph.close();
    sig_hydrograph.close();
    location_hydrograph.close();
    linknode_depth.close();
  }
};

}  // namespace torva
