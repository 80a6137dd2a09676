#include "input/line_reader.hpp"

#include <charconv>
#include <cstdlib>

#include "input/replace.hpp"

namespace torva {

bool LineReader::open(const std::string& path) {
  path_ = output_name(path, "r");
  line_number_ = 0;
  return file_.open(path, "r");
}

bool LineReader::next(std::string& line) {
  line.clear();
  truncated_ = false;
  if (!file_.fp) return false;
  int ch;
  bool any = false;
  while ((ch = std::fgetc(file_.fp)) != EOF) {
    any = true;
    if (ch == '\n') break;
    if (line.size() < kMaxLine)
      line.push_back(static_cast<char>(ch));
    else
      truncated_ = true;
  }
  if (!any) return false;
  ++line_number_;
  if (replace_) apply_replacements(line);
  return true;
}

bool Tokens::empty() {
  std::size_t i = 0;
  while (i < rest_.size() && is_separator(rest_[i])) ++i;
  rest_.remove_prefix(i);
  return rest_.empty();
}

bool Tokens::text(std::string& out) {
  out.clear();
  if (empty()) return false;
  std::size_t end;
  if (rest_.front() == '"') {
    const std::size_t close = rest_.find('"', 1);
    if (close == std::string_view::npos) {
      out.assign(rest_.substr(1));
      end = rest_.size();
    } else {
      out.assign(rest_.substr(1, close - 1));
      end = close + 1;
    }
  } else {
    end = 0;
    while (end < rest_.size() && !is_separator(rest_[end])) ++end;
    out.assign(rest_.substr(0, end));
  }
  rest_.remove_prefix(end);
  std::size_t i = 0;
  while (i < rest_.size() && is_separator(rest_[i])) ++i;
  rest_.remove_prefix(i);
  return true;
}

bool parse_int_prefix(std::string_view t, long& out) {
  std::size_t i = 0;
  if (i < t.size() && t[i] == '+') ++i;
  const char* first = t.data() + i;
  const char* last = t.data() + t.size();
  long v = 0;
  auto [p, ec] = std::from_chars(first, last, v);
  if (ec != std::errc() || p == first) return false;
  out = v;
  return true;
}

bool parse_double_prefix(std::string_view t, double& out) {
  std::size_t i = 0;
  if (i < t.size() && t[i] == '+') ++i;
  const char* first = t.data() + i;
  const char* last = t.data() + t.size();
  double v = 0.0;
  auto [p, ec] = std::from_chars(first, last, v);
  if (p == first || (ec != std::errc() && ec != std::errc::result_out_of_range)) return false;
  out = v;
  return true;
}

bool Tokens::integer(long& out) {
  out = 0;
  std::string tok;
  if (!text(tok)) return false;
  long v = 0;
  if (parse_int_prefix(tok, v)) out = v;
  return true;
}

bool Tokens::integer(int& out) {
  long v = 0;
  const bool found = integer(v);
  out = static_cast<int>(v);
  return found;
}

bool Tokens::number(double& out) {
  out = 0.0;
  std::string tok;
  if (!text(tok)) return false;
  double v = 0.0;
  if (parse_double_prefix(tok, v)) out = v;
  return true;
}

}  // namespace torva
