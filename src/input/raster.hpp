#pragma once
// The text raster format every map of a run uses, and the one generic reader of it.
// Six header lines (north, south, east, west, rows, cols: a label word and a number), then
// one line per row from the north.  Real maps are read line by line, integer maps as a
// stream of integers without regard to line breaks.
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "frame/arrays.hpp"
#include "frame/file_handle.hpp"

namespace torva {

struct GridHeader {
  double north = 0.0, south = 0.0, east = 0.0, west = 0.0;
  int rows = 0;
  int cols = 0;
};

// Buffered scanner over an open stream: one buffer per map, grown only for a line longer
// than the buffer, so a wide raster row is never cut.
class TextScanner {
 public:
  explicit TextScanner(std::FILE* fp, std::size_t buffer_size = 1 << 16);
  // Next line without its newline; false at the end of the stream.
  bool next_line(std::string_view& line);
  // Next token separated by blanks, tabs, commas, carriage returns or newlines, across
  // lines; false at the end of the stream.
  bool next_token(std::string_view& token);
  int line_number() const { return line_number_; }

 private:
  bool refill();

  std::FILE* fp_;
  std::vector<char> buf_;
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
  bool eof_ = false;
  int line_number_ = 0;
};

inline bool is_map_separator(char c) {
  return c == ' ' || c == '\t' || c == ',' || c == '\n' || c == '\r';
}

// Whole-token parses ("12abc" and "" fail); a leading '+' is allowed.  Non-finite reals
// (nan, inf) fail too, since no map value may be one.
bool parse_map_real(std::string_view token, double& out);
bool parse_map_int(std::string_view token, int& out);

// Reads the six header lines.  Prints its own message and sets code 4000 on a missing or
// malformed line.
bool read_grid_header(TextScanner& in, const std::string& path, GridHeader& h);

// The rows/columns check against the project's ROWS and COLS: 0 when both agree, else 1
// rows and columns differ, 2 rows only, 3 columns only.
int header_size_mismatch(const GridHeader& h, int rows, int cols);

// Reading modes of read_grid.
enum GridMode : int {
  kRealFirst = 1,    // real per-cell map into `first`
  kIntegerGrid = 2,  // integer map over the whole rectangle into `grid` [row][col]
  kRealSecond = 3,   // real per-cell map into `second`
  kCategory = 4,     // integer category map per cell into `ids`, with category counts
};

constexpr int kMaxCategory = 10000;

struct GridDestination {
  std::span<double> first;   // modes 1: per-cell slots 0..N
  std::span<double> second;  // mode 3
  std::span<int> ids;        // mode 4
};

struct GridReadResult {
  bool all_zero = true;
  int zero_cells = 0;                // cells inside the mask holding 0.0 (real modes)
  std::vector<int> category_counts;  // mode 4: index = category (0..10000)
};

// Reads one raster from an open handle.  `grid` is the finished mask for modes 1, 3 and 4
// and the destination for mode 2.  On any fault it prints a message naming the file (and
// row and column for a bad value), sets code 4000 and returns false; nothing is stored
// when the header disagrees with `rows`/`cols`.
bool read_grid(FileHandle& file, const std::string& path, int mode, GridHeader& header,
               Array2<int>& grid, GridDestination dest, int rows, int cols,
               GridReadResult* result = nullptr);

}  // namespace torva
