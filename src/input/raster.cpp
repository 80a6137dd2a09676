#include "input/raster.hpp"

#include <charconv>
#include <cmath>
#include <cstring>

#include "frame/console.hpp"
#include "frame/run_context.hpp"
#include "input/replace.hpp"

namespace torva {

TextScanner::TextScanner(std::FILE* fp, std::size_t buffer_size)
    : fp_(fp), buf_(buffer_size < 64 ? 64 : buffer_size) {}

bool TextScanner::refill() {
  if (eof_ || !fp_) return false;
  if (begin_ > 0) {
    std::memmove(buf_.data(), buf_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  if (end_ == buf_.size()) buf_.resize(buf_.size() * 2);
  const std::size_t got = std::fread(buf_.data() + end_, 1, buf_.size() - end_, fp_);
  if (got == 0) {
    eof_ = true;
    return false;
  }
  end_ += got;
  return true;
}

bool TextScanner::next_line(std::string_view& line) {
  std::size_t scanned = begin_;
  while (true) {
    const void* nl = std::memchr(buf_.data() + scanned, '\n', end_ - scanned);
    if (nl) {
      const std::size_t pos = static_cast<const char*>(nl) - buf_.data();
      line = std::string_view(buf_.data() + begin_, pos - begin_);
      begin_ = pos + 1;
      ++line_number_;
      return true;
    }
    const std::size_t done = end_ - begin_;
    if (!refill()) break;
    scanned = begin_ + done;
  }
  if (begin_ == end_) return false;
  line = std::string_view(buf_.data() + begin_, end_ - begin_);
  begin_ = end_;
  ++line_number_;
  return true;
}

bool TextScanner::next_token(std::string_view& token) {
  while (true) {
    while (begin_ < end_ && is_map_separator(buf_[begin_])) {
      if (buf_[begin_] == '\n') ++line_number_;
      ++begin_;
    }
    if (begin_ < end_) break;
    if (!refill()) return false;
  }
  std::size_t stop = begin_;
  while (true) {
    while (stop < end_ && !is_map_separator(buf_[stop])) ++stop;
    if (stop < end_ || eof_) break;
    const std::size_t done = stop - begin_;
    const bool more = refill();  // moves the unread bytes to the front, even at the end
    stop = begin_ + done;
    if (!more) break;
  }
  token = std::string_view(buf_.data() + begin_, stop - begin_);
  begin_ = stop;
  return true;
}

bool parse_map_real(std::string_view t, double& out) {
  if (!t.empty() && t.front() == '+') t.remove_prefix(1);
  if (t.empty()) return false;
  double v = 0.0;
  const auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
  if (ec != std::errc() || p != t.data() + t.size() || !std::isfinite(v)) return false;
  out = v;
  return true;
}

bool parse_map_int(std::string_view t, int& out) {
  if (!t.empty() && t.front() == '+') t.remove_prefix(1);
  if (t.empty()) return false;
  int v = 0;
  const auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
  if (ec != std::errc() || p != t.data() + t.size()) return false;
  out = v;
  return true;
}

namespace {

void fail(const char* fmt, const std::string& path) {
  say(fmt, path.c_str());
  set_error(4000);
}

void bad_value(const std::string& path, std::string_view token, int row, int col) {
  const std::string shown(token.substr(0, 40));
  say("Error: invalid value \"%s\" in map: %s (row %d, column %d)\n", shown.c_str(), path.c_str(),
      row, col);
  set_error(4000);
}

// Modes 1 and 3: one line per row, missing values of a short line read as 0.0.
bool read_real_rows(TextScanner& in, const std::string& path, const GridHeader& h,
                    const Array2<int>& mask, std::span<double> dest, GridReadResult& r) {
  const bool replacing = run_context().replace.active;
  std::string copy;
  int cell = 0;
  for (int row = 1; row <= h.rows; ++row) {
    std::string_view line;
    if (!in.next_line(line)) {
      fail("Unexpected end of file in file: %s\n", path);
      return false;
    }
    if (replacing) {
      copy.assign(line);
      apply_replacements(copy);
      line = copy;
    }
    const int* mrow = mask[row];
    std::size_t pos = 0;
    const std::size_t n = line.size();
    for (int col = 1; col <= h.cols; ++col) {
      while (pos < n && is_map_separator(line[pos])) ++pos;
      double v = 0.0;
      if (pos < n) {
        std::size_t stop = pos;
        while (stop < n && !is_map_separator(line[stop])) ++stop;
        const std::string_view tok = line.substr(pos, stop - pos);
        if (!parse_map_real(tok, v)) {
          bad_value(path, tok, row, col);
          return false;
        }
        pos = stop;
      }
      if (v != 0.0) r.all_zero = false;
      if (mrow[col] != 0) {
        ++cell;
        if (static_cast<std::size_t>(cell) < dest.size()) dest[cell] = v;
        if (v == 0.0) ++r.zero_cells;
      }
    }
  }
  return true;
}

// Modes 2 and 4: rows x cols integers without regard to line breaks.
bool read_integers(TextScanner& in, const std::string& path, const GridHeader& h, int mode,
                   Array2<int>& grid, std::span<int> ids, GridReadResult& r) {
  if (mode == kCategory) r.category_counts.assign(kMaxCategory + 1, 0);
  int cell = 0;
  for (int row = 1; row <= h.rows; ++row) {
    for (int col = 1; col <= h.cols; ++col) {
      std::string_view tok;
      if (!in.next_token(tok)) {
        fail("Unexpected end of file in file: %s\n", path);
        return false;
      }
      int v = 0;
      if (!parse_map_int(tok, v)) {
        bad_value(path, tok, row, col);
        return false;
      }
      if (v != 0) r.all_zero = false;
      if (mode == kIntegerGrid) {
        grid(row, col) = v;
      } else if (grid(row, col) != 0) {
        if (v < 0 || v > kMaxCategory) {
          say("Error: category %d outside 0..%d in map: %s (row %d, column %d)\n", v, kMaxCategory,
              path.c_str(), row, col);
          set_error(4000);
          return false;
        }
        ++cell;
        if (static_cast<std::size_t>(cell) < ids.size()) ids[cell] = v;
        ++r.category_counts[v];
      }
    }
  }
  return true;
}

}  // namespace

bool read_grid_header(TextScanner& in, const std::string& path, GridHeader& h) {
  double edges[4] = {0, 0, 0, 0};
  int sizes[2] = {0, 0};
  for (int i = 0; i < 6; ++i) {
    std::string_view line;
    if (!in.next_line(line)) {
      fail("Unexpected end of file in file: %s\n", path);
      return false;
    }
    // The label is a word of at most 6 (north, south) or 5 characters; a longer word
    // runs straight into the number ("north:300").
    const std::size_t width = i < 2 ? 6 : 5;
    std::size_t pos = 0;
    while (pos < line.size() && is_map_separator(line[pos])) ++pos;
    const std::size_t label = pos;
    while (pos < line.size() && pos - label < width && !is_map_separator(line[pos])) ++pos;
    while (pos < line.size() && is_map_separator(line[pos])) ++pos;
    std::size_t stop = pos;
    while (stop < line.size() && !is_map_separator(line[stop])) ++stop;
    const std::string_view tok = line.substr(pos, stop - pos);
    const bool ok = i < 4 ? parse_map_real(tok, edges[i]) : parse_map_int(tok, sizes[i - 4]);
    if (!ok) {
      say("Error: header line %d of map %s does not hold a label and a number\n", i + 1,
          path.c_str());
      set_error(4000);
      return false;
    }
  }
  h.north = edges[0];
  h.south = edges[1];
  h.east = edges[2];
  h.west = edges[3];
  h.rows = sizes[0];
  h.cols = sizes[1];
  return true;
}

int header_size_mismatch(const GridHeader& h, int rows, int cols) {
  const bool r = h.rows != rows;
  const bool c = h.cols != cols;
  if (r && c) return 1;
  if (r) return 2;
  if (c) return 3;
  return 0;
}

bool read_grid(FileHandle& file, const std::string& path, int mode, GridHeader& header,
               Array2<int>& grid, GridDestination dest, int rows, int cols,
               GridReadResult* result) {
  GridReadResult local;
  GridReadResult& r = result ? *result : local;
  r = GridReadResult{};
  if (!file.fp || mode < kRealFirst || mode > kCategory) {
    fail("Unexpected end of file in file: %s\n", path);
    return false;
  }
  TextScanner in(file.fp);
  if (!read_grid_header(in, path, header)) return false;
  switch (header_size_mismatch(header, rows, cols)) {
    case 1:
      fail("Incorrect number of rows and columns in map: %s\n", path);
      return false;
    case 2:
      fail("Incorrect number of rows in map: %s\n", path);
      return false;
    case 3:
      fail("Incorrect number of columns in map: %s\n", path);
      return false;
    default:
      break;
  }
  // The mask (or destination) must cover the rectangle; anything else is a caller fault
  // that must not turn into an out-of-bounds write.
  if (grid.rows() < rows || grid.cols() < cols) {
    fail("Error: the grid for map %s has not been allocated\n", path);
    return false;
  }
  bool ok;
  if (mode == kRealFirst || mode == kRealSecond)
    ok = read_real_rows(in, path, header, grid, mode == kRealFirst ? dest.first : dest.second, r);
  else
    ok = read_integers(in, path, header, mode, grid, dest.ids, r);
  if (!ok) return false;

  if (mode == kCategory) {
    for (int c = 1; c <= kMaxCategory; ++c)
      if (r.category_counts[c] > 0)
        say("In map %s category %d has %d values\n", path.c_str(), c, r.category_counts[c]);
  }
  if (r.all_zero) say("Warning: Map contains only zero values. Map: %s\n", path.c_str());
  if ((mode == kRealFirst || mode == kRealSecond) && r.zero_cells > 0)
    say("Warning: Map contains %d cells with zero values. Map: %s\n", r.zero_cells, path.c_str());
  return true;
}

}  // namespace torva
