#pragma once
// Channel point sources of the CHAN_POINT_INPUT file: point inflows at (node, link) that hold
// until the file's next timed change.
#include <string>
#include <vector>

#include "frame/arrays.hpp"
#include "input/line_reader.hpp"

namespace torva {

// Whitespace-token view of the point-source file, line-aware so that the rest of a card's
// line can be skipped.
class PointTokenStream {
 public:
  explicit PointTokenStream(LineReader& r) : reader_(r) {}
  bool next(std::string& token);
  void skip_line() { tokens_ = Tokens(std::string_view()); }

 private:
  LineReader& reader_;
  std::string line_;
  Tokens tokens_{std::string_view()};
};

struct ChannelPointSources {
  bool active = false;  // the file was opened and read
  std::string file;
  LineReader reader;
  int count = 0;              // NUMPT
  int changes = 0;            // NRPDS
  int changes_read = 0;       // timed changes applied so far
  int constituents = 0;       // constituent values after each inflow (contaminant runs)
  bool pending = false;       // a timed change is still to come
  double pending_time = 0.0;  // Julian date of the pending change
  int last_date[5] = {};      // year, month, day, hour, minute of the last header read
  std::vector<int> node, link;
  std::vector<double> inflow;  // m^3/s per point
};

// Opens and reads the point cards and the first change header.  A file that cannot be opened
// is not fatal (the run has no point inputs).  False after a fatal fault (ErrorCode 4000).
bool open_point_sources(ChannelPointSources& ps, const std::string& file, int links, int max_nodes);

// Applies every timed change due at `now` (Julian date).  False after a fatal fault.
bool advance_point_sources(ChannelPointSources& ps, double now);

// Adds each point inflow (m^3/s) to its node.
void add_point_inflows(const ChannelPointSources& ps, Array2<double>& point_q);

}  // namespace torva
