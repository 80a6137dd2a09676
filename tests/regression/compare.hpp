#pragma once
// Compares an output file with its stored reference: text exactly, numbers to a relative
// tolerance, so that a last-digit change of a printed value is told from a changed result.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>
#include <string_view>

namespace torva::regression {

// Cuts the next run of number characters, or of other characters, off the front of `s`.
inline std::string_view next_piece(std::string_view& s) {
  static constexpr std::string_view digits = "0123456789.-+eE";
  const bool number = digits.find(s.front()) != std::string_view::npos;
  const std::size_t n =
      std::min(s.size(), number ? s.find_first_not_of(digits) : s.find_first_of(digits));
  const std::string_view piece = s.substr(0, n);
  s.remove_prefix(n);
  return piece;
}

inline bool as_number(std::string_view s, double& v) {
  const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  return r.ec == std::errc{} && r.ptr == s.data() + s.size();
}

// Empty when the two agree; otherwise the first difference, with its line number.
inline std::string difference(std::string_view got, std::string_view want, double rel_tol) {
  for (long line = 1; !got.empty() || !want.empty();) {
    const std::string at = "line " + std::to_string(line) + ": ";
    if (got.empty() || want.empty())
      return at + (got.empty() ? "output ends early"
                               : "output has more text: " + std::string(next_piece(got)));
    const std::string_view p = next_piece(got), q = next_piece(want);
    double x = 0.0, y = 0.0;
    const bool close = as_number(p, x) && as_number(q, y) &&
                       std::fabs(x - y) <= rel_tol * std::max(std::fabs(x), std::fabs(y));
    if (p != q && !close)
      return at + "\"" + std::string(p) + "\" differs from \"" + std::string(q) + "\"";
    line += std::count(q.begin(), q.end(), '\n');
  }
  return {};
}

}  // namespace torva::regression
