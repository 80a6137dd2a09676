#pragma once
// Compares an output file with its stored reference: text exactly, numbers to a relative
// tolerance, so that a last-digit change of a printed value is told from a changed result.
#include <charconv>
#include <cmath>
#include <string>
#include <string_view>
#include <vector>

namespace torva::regression {

struct Piece {
  bool number = false;
  std::string text;
  double value = 0.0;
};

// Splits text into runs of number characters and everything else.
inline std::vector<Piece> pieces(std::string_view s) {
  std::vector<Piece> out;
  auto numeric = [](char c) {
    return (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E';
  };
  std::size_t i = 0;
  while (i < s.size()) {
    std::size_t j = i;
    if (numeric(s[i])) {
      while (j < s.size() && numeric(s[j])) ++j;
      Piece p;
      p.text = std::string(s.substr(i, j - i));
      const auto r = std::from_chars(p.text.data(), p.text.data() + p.text.size(), p.value);
      p.number = r.ec == std::errc{} && r.ptr == p.text.data() + p.text.size();
      out.push_back(p);
    } else {
      while (j < s.size() && !numeric(s[j])) ++j;
      out.push_back(Piece{false, std::string(s.substr(i, j - i)), 0.0});
    }
    i = j;
  }
  return out;
}

// Empty when the two agree; otherwise the first difference, with its line number.
inline std::string difference(std::string_view got, std::string_view want, double rel_tol) {
  const auto a = pieces(got), b = pieces(want);
  int line = 1;
  for (std::size_t k = 0; k < std::max(a.size(), b.size()); ++k) {
    if (k >= a.size() || k >= b.size())
      return "line " + std::to_string(line) + ": output " +
             (k >= a.size() ? "ends early" : "has more text: " + a[k].text);
    const Piece &p = a[k], &q = b[k];
    if (p.number && q.number) {
      const double scale = std::max(std::fabs(p.value), std::fabs(q.value));
      if (std::fabs(p.value - q.value) > rel_tol * scale)
        return "line " + std::to_string(line) + ": " + p.text + " differs from " + q.text;
    } else if (p.text != q.text) {
      return "line " + std::to_string(line) + ": \"" + p.text + "\" differs from \"" + q.text +
             "\"";
    }
    for (char c : q.text)
      if (c == '\n') ++line;
  }
  return {};
}

}  // namespace torva::regression
