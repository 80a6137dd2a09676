#pragma once
// The shared line reader of every input file: lines of up to 20000 characters, newline
// removed, replacement parameters applied while active.  Tokens are separated by blanks,
// tabs, commas or newlines; a double-quoted token may hold separators.
#include <string>
#include <string_view>

#include "frame/file_handle.hpp"

namespace torva {

constexpr std::size_t kMaxLine = 20000;

class LineReader {
 public:
  // Opens for reading (input names are used as given, less one pair of quotes).
  bool open(const std::string& path);
  // Next line without its newline; false at the end of the file.
  bool next(std::string& line);
  int line_number() const { return line_number_; }
  const std::string& path() const { return path_; }
  bool is_open() const { return file_.is_open(); }
  void close() { file_.close(); }
  // True when the last line read was longer than kMaxLine (it was cut to that length).
  bool last_line_truncated() const { return truncated_; }
  // Files that declare the replacement itself (parameter and value files) are read raw.
  void set_replacement(bool on) { replace_ = on; }

 private:
  FileHandle file_;
  std::string path_;
  int line_number_ = 0;
  bool truncated_ = false;
  bool replace_ = true;
};

// Consumes tokens from the front of a line.  A missing token leaves the destination at
// 0, 0.0 or empty; a token that is not a number still is consumed and gives 0.
class Tokens {
 public:
  explicit Tokens(std::string_view line) : rest_(line) {}
  bool text(std::string& out);
  bool integer(int& out);
  bool number(double& out);
  bool integer(long& out);
  // The rest of the line after the separators that follow the last token.
  std::string_view rest() const { return rest_; }
  bool empty();

 private:
  std::string_view rest_;
};

inline bool is_separator(char c) {
  return c == ' ' || c == '\t' || c == ',' || c == '\n' || c == '\r';
}

// Parses the leading number of a token as "%d" / "%lf" would; false when none.
bool parse_int_prefix(std::string_view token, long& out);
bool parse_double_prefix(std::string_view token, double& out);

}  // namespace torva
