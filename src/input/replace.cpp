#include "input/replace.hpp"

#include <cstdio>
#include <vector>

#include "frame/console.hpp"
#include "frame/run_context.hpp"
#include "input/line_reader.hpp"

namespace torva {
namespace {

ReplaceList& list() {
  return run_context().replace;
}

// Width and precision above two digits are refused: nothing needs them and a width of
// 99999999 only serves to exhaust memory.
bool digits(std::string_view f, std::size_t& i) {
  const std::size_t start = i;
  while (i < f.size() && f[i] >= '0' && f[i] <= '9') ++i;
  return i - start <= 2;
}

// Splits a checked format into literal prefix, conversion and literal suffix.
struct FormatParts {
  std::string_view prefix, conversion, suffix;
  int kind = -1;
};

FormatParts split_format(std::string_view f) {
  FormatParts parts;
  const std::size_t pct = f.find('%');
  if (pct == std::string_view::npos) return parts;
  std::size_t i = pct + 1;
  while (i < f.size() && (f[i] == '-' || f[i] == '+' || f[i] == ' ' || f[i] == '#' || f[i] == '0'))
    ++i;
  if (!digits(f, i)) return parts;
  if (i < f.size() && f[i] == '.') {
    ++i;
    if (!digits(f, i)) return parts;
  }
  int kind = -1;
  if (i < f.size() && (f[i] == 'd' || f[i] == 'i')) {
    kind = 0;
    ++i;
  } else if (i + 1 < f.size() && f[i] == 'l' && f[i + 1] == 'f') {
    kind = 1;
    i += 2;
  } else if (i < f.size() && (f[i] == 'f' || f[i] == 'e' || f[i] == 'g')) {
    kind = 1;
    ++i;
  } else if (i < f.size() && f[i] == 's') {
    kind = 2;
    ++i;
  }
  if (kind < 0 || f.find('%', i) != std::string_view::npos) return parts;
  parts.prefix = f.substr(0, pct);
  parts.conversion = f.substr(pct, i - pct);
  parts.suffix = f.substr(i);
  parts.kind = kind;
  return parts;
}

// Writes one value with a checked conversion; the buffer is sized by a first pass, so
// nothing is cut.
template <typename T>
std::string write_value(const std::string& conversion, T value) {
  const int n = std::snprintf(nullptr, 0, conversion.c_str(), value);
  if (n < 0) return {};
  std::vector<char> buf(static_cast<std::size_t>(n) + 1);
  std::snprintf(buf.data(), buf.size(), conversion.c_str(), value);
  return std::string(buf.data(), static_cast<std::size_t>(n));
}

void improper_line(const std::string& line, bool bad_format) {
  say("Error: Improperly formatted line in the replacement parameter file\nline:%s\n",
      line.c_str());
  if (bad_format) say("---> The format must be a C-style format in quotes, such as \"%%4.2lf\"\n");
}

// One declaration line: the key from the last '[' to the last ']', then the format token.
void declare(const std::string& line) {
  const std::size_t open = line.rfind('[');
  const std::size_t close = line.rfind(']');
  if (open == std::string::npos || close == std::string::npos || close < open) {
    improper_line(line, false);
    return;
  }
  Tokens t(std::string_view(line).substr(close + 1));
  std::string format;
  t.text(format);
  const int kind = replace_format_kind(format);
  if (kind < 0) {
    improper_line(line, true);
    return;
  }
  ReplaceParam p;
  p.key = line.substr(open, close - open + 1);
  p.key_length = static_cast<int>(p.key.size());
  p.format = format;
  p.kind = kind;
  list().params.push_back(std::move(p));
}

void read_value(ReplaceParam& p, Tokens& t) {
  switch (p.kind) {
    case 0:
      t.integer(p.integer_value);
      break;
    case 1:
      t.number(p.number_value);
      break;
    default:
      t.text(p.text_value);
      break;
  }
  p.used = false;
}

}  // namespace

int replace_format_kind(std::string_view format) {
  return split_format(format).kind;
}

std::string format_replace_value(const ReplaceParam& p) {
  const FormatParts parts = split_format(p.format);
  if (parts.kind < 0) return {};
  const std::string conv(parts.conversion);
  std::string value;
  // The value is written by the kind its conversion expects, never by the stored kind
  // alone, so a mismatch cannot reach printf.
  if (parts.kind == 0)
    value = write_value(conv, p.kind == 1 ? static_cast<int>(p.number_value) : p.integer_value);
  else if (parts.kind == 1)
    value = write_value(conv, p.kind == 0 ? static_cast<double>(p.integer_value) : p.number_value);
  else
    value = write_value(conv, p.text_value.c_str());
  return std::string(parts.prefix) + value + std::string(parts.suffix);
}

int load_replace_parameters(const std::string& file_name) {
  ReplaceList& r = list();
  r.params.clear();
  LineReader in;
  in.set_replacement(false);
  if (!in.open(file_name)) {
    say("Error: unable to open the replace parameter file.\n");
    return -1;
  }
  std::string line;
  long n = 0;
  std::string tok;
  if (!in.next(line) || !Tokens(line).text(tok) || !parse_int_prefix(tok, n)) {
    say("Error: unable to read the number of parameters in the parameter list file\n");
    in.close();
    return -1;
  }
  for (long i = 1; i <= n; ++i) {
    if (!in.next(line)) {
      say("Error: unexpected end of parameter list file after %d parameters. Expecting %d\n",
          static_cast<int>(i - 1), static_cast<int>(n));
      in.close();
      return -1;
    }
    declare(line);
  }
  in.close();
  return 0;
}

int load_replace_values(const std::string& file_name) {
  ReplaceList& r = list();
  LineReader in;
  in.set_replacement(false);
  if (!in.open(file_name)) {
    say("Error: unable to open the value file %s", file_name.c_str());
    return -1;
  }
  // A REPLACE_LINE of 0 or less selects no line: the values stay as they were.
  const int wanted = run_context().batch_index;
  if (wanted < 0) {
    in.close();
    return 0;
  }
  std::string line, chosen;
  for (int k = 0; k <= wanted && in.next(line); ++k) chosen = line;
  Tokens t(chosen);
  for (ReplaceParam& p : r.params) read_value(p, t);
  r.count = 0;
  in.close();
  r.active = true;
  return 0;
}

void assign_trial_values(std::span<const double> values) {
  ReplaceList& r = list();
  for (std::size_t k = 0; k < r.params.size() && k < values.size(); ++k) {
    r.params[k].number_value = values[k];
    r.params[k].integer_value = static_cast<int>(values[k]);
    r.params[k].used = false;
  }
  r.count = 0;
  r.active = true;
}

bool replace_at(std::string& line, std::size_t pos) {
  ReplaceList& r = list();
  for (ReplaceParam& p : r.params) {
    if (line.compare(pos, p.key.size(), p.key) != 0) continue;
    const std::string value = format_replace_value(p);
    // A line may not outgrow the reader's limit (a value holding its own key would
    // otherwise grow it without end).
    if (line.size() - p.key.size() + value.size() > kMaxLine) return false;
    line.replace(pos, p.key.size(), value);
    ++r.count;
    p.used = true;
    return true;
  }
  return false;
}

void replace_line(std::string& line) {
  for (std::size_t i = 0; i < line.size(); ++i)
    if (line[i] == '[' && !replace_at(line, i))
      say("Error: unable to match replace pair: %s\n", line.c_str());
}

void apply_replacements(std::string& line) {
  if (!list().active) return;
  replace_line(line);
}

void print_replacement_values() {
  const ReplaceList& r = list();
  say_summary("\nUsing replacement values:\n");
  say_console("\nUsing replacement values:\n");
  for (const ReplaceParam& p : r.params) {
    const std::string v = format_replace_value(p);
    say_summary("  %-14s = %s\n", p.key.c_str(), v.c_str());
    say_console(" %-14s = %s\n", p.key.c_str(), v.c_str());
  }
  say_summary("\n");
  say_console("\n");
}

void print_replacement_use() {
  ReplaceList& r = list();
  say_summary("\nTotal times a value was replaced: %d\n\n", r.count);
  say_console("\nTotal times a value was replaced: %d\n\n", r.count);
  say_summary("\nWas replacement value used?:\n");
  say_console("\nWas replacement value used?:\n");
  for (const ReplaceParam& p : r.params) {
    say_summary("  %-14s = %s", p.key.c_str(), p.used ? "Yes\n" : "No\n");
    say_console(" %-14s = %s", p.key.c_str(), p.used ? "Yes\n" : "No\n");
  }
  say_summary("\n");
  say_console("\n");
  r.count = 0;
}

}  // namespace torva
