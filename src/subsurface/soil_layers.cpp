#include "subsurface/soil_layers.hpp"

#include <array>
#include <charconv>
#include <cmath>
#include <optional>
#include <string_view>

#include "frame/console.hpp"
#include "frame/run_context.hpp"
#include "input/line_reader.hpp"

namespace torva {
namespace {

struct Column {
  std::string_view name;
  SoilField field;
  bool required;
};

constexpr std::array<Column, 15> kColumns = {{
    {"thickness", kThickness, true},
    {"ksat", kKsat, true},
    {"cap_head", kCapHead, true},
    {"porosity", kPorosity, true},
    {"theta_init", kThetaInit, true},
    {"wilting_point", kWiltingPoint, false},
    {"field_capacity", kFieldCap, false},
    {"residual", kResidual, false},
    {"pore_index", kPoreIndex, false},
    {"bubbling", kBubbling, false},
    {"node_dz", kNodeDz, false},
    {"hav_alpha", kHavAlpha, false},
    {"hav_beta", kHavBeta, false},
    {"hav_a", kHavA, false},
    {"hav_b", kHavB, false},
}};

bool same_word(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

std::optional<double> whole_number(const std::string& tok) {
  const char* first = tok.data();
  const char* last = tok.data() + tok.size();
  if (first != last && *first == '+') ++first;
  double v = 0.0;
  auto [p, ec] = std::from_chars(first, last, v);
  if (ec != std::errc() || p != last || !std::isfinite(v)) return std::nullopt;
  return v;
}

std::optional<long> whole_integer(const std::string& tok) {
  long v = 0;
  auto [p, ec] = std::from_chars(tok.data(), tok.data() + tok.size(), v);
  if (ec != std::errc() || p != tok.data() + tok.size()) return std::nullopt;
  return v;
}

class Reader {
 public:
  Reader(const std::string& path, SoilLayerTable& table) : path_(path), table_(table) {}

  bool run() {
    if (!in_.open(path_)) {
      set_error(4, 0, 0, "soil layer input", path_);
      return false;
    }
    say("reading soil layer input from file: %s\n", path_.c_str());
    std::string line;
    while (in_.next(line)) {
      if (in_.last_line_truncated()) return fail("the line is longer than 20000 characters");
      Tokens t(line);
      std::string word;
      if (!t.text(word) || (!word.empty() && word[0] == '#')) continue;
      if (same_word(word, "COLUMNS")) {
        if (!columns(t)) return false;
      } else if (same_word(word, "SOIL")) {
        if (!block(t)) return false;
      } else {
        return fail("expected COLUMNS or SOIL, found \"" + word + "\"");
      }
    }
    if (order_.empty()) return fail_at(0, "no COLUMNS line");
    if (soils_ == 0) return fail_at(0, "no SOIL block");
    in_.close();
    return true;
  }

 private:
  bool fail(const std::string& what) { return fail_at(in_.line_number(), what); }
  bool fail_at(int line, const std::string& what) {
    if (line > 0)
      say("\nError: soil layer input file %s, line %d: %s\n", path_.c_str(), line, what.c_str());
    else
      say("\nError: soil layer input file %s: %s\n", path_.c_str(), what.c_str());
    set_error(4000);
    table_.records.clear();
    table_.given.clear();
    in_.close();
    return false;
  }

  bool columns(Tokens& t) {
    if (!order_.empty()) return fail("a second COLUMNS line");
    std::string name;
    std::array<bool, kColumns.size()> seen{};
    while (t.text(name)) {
      std::size_t j = 0;
      while (j < kColumns.size() && !same_word(name, kColumns[j].name)) ++j;
      if (j == kColumns.size()) return fail("unknown column \"" + name + "\"");
      if (seen[j]) return fail("column \"" + name + "\" named twice");
      seen[j] = true;
      order_.push_back(j);
    }
    for (std::size_t j = 0; j < kColumns.size(); ++j)
      if (kColumns[j].required && !seen[j])
        return fail("the required column \"" + std::string(kColumns[j].name) + "\" is missing");
    return true;
  }

  bool block(Tokens& t) {
    if (order_.empty()) return fail("SOIL block before the COLUMNS line");
    std::string tok;
    if (!t.text(tok)) return fail("missing field \"soil id\"");
    const auto id = whole_integer(tok);
    if (!id || *id < 1 || *id > kMaxSoilId)
      return fail("soil id \"" + tok + "\" is not an integer in 1.." + std::to_string(kMaxSoilId));
    if (!t.text(tok)) return fail("missing field \"layers\"");
    const auto layers = whole_integer(tok);
    if (!layers || *layers < 1 || *layers > kSoilLayers)
      return fail("layer count \"" + tok + "\" is not an integer in 1..3");
    if (!t.empty()) return fail("extra values after the layer count");
    const auto slot = static_cast<std::size_t>(*id);
    if (table_.records.size() <= slot) {
      table_.records.resize(slot + 1);
      table_.given.resize(slot + 1, false);
    }
    if (table_.given[slot]) return fail("soil id " + tok + " is given twice");
    const int block_line = in_.line_number();
    SoilRecord rec;
    rec.layers = static_cast<int>(*layers);
    for (int k = 1; k <= rec.layers; ++k) {
      std::string line;
      if (!in_.next(line))
        return fail_at(block_line, "soil " + std::to_string(*id) + " declares " +
                                       std::to_string(rec.layers) +
                                       " layers but the file ends after " + std::to_string(k - 1));
      if (!layer(line, rec, k)) return false;
    }
    // Layers not given continue the deepest one, so every method sees three layers.
    for (int k = rec.layers + 1; k <= kSoilLayers; ++k)
      for (const Column& c : kColumns) rec.at(c.field, k) = rec.at(c.field, rec.layers);
    table_.records[slot] = rec;
    table_.given[slot] = true;
    ++soils_;
    return true;
  }

  bool layer(const std::string& line, SoilRecord& rec, int k) {
    if (in_.last_line_truncated()) return fail("the line is longer than 20000 characters");
    Tokens t(line);
    std::string tok;
    for (std::size_t j : order_) {
      const std::string name(kColumns[j].name);
      if (!t.text(tok)) return fail("missing field \"" + name + "\" of layer " + std::to_string(k));
      const auto v = whole_number(tok);
      if (!v) return fail("field \"" + name + "\" = \"" + tok + "\" is not a number");
      rec.at(kColumns[j].field, k) = *v;
    }
    if (!t.empty()) return fail("more values than columns in layer " + std::to_string(k));
    auto bad = [&](const char* name, double v, const char* rule) {
      char buf[64];
      std::snprintf(buf, sizeof buf, "%g", v);
      return fail(std::string("field \"") + name + "\" = " + buf + " " + rule);
    };
    const double phi = rec.porosity(k);
    if (rec.thickness(k) < 0.0) return bad("thickness", rec.thickness(k), "is negative");
    if (rec.ksat(k) < 0.0) return bad("ksat", rec.ksat(k), "is negative");
    if (rec.cap_head(k) < 0.0) return bad("cap_head", rec.cap_head(k), "is negative");
    if (!(phi > 0.0 && phi <= 1.0)) return bad("porosity", phi, "is outside 0..1");
    const std::array<std::pair<const char*, SoilField>, 4> contents = {
        {{"theta_init", kThetaInit},
         {"wilting_point", kWiltingPoint},
         {"field_capacity", kFieldCap},
         {"residual", kResidual}}};
    for (const auto& [name, field] : contents) {
      const double v = rec.at(field, k);
      if (v < 0.0 || v > phi) return bad(name, v, "is outside 0..porosity");
    }
    return true;
  }

  std::string path_;
  SoilLayerTable& table_;
  LineReader in_;
  std::vector<std::size_t> order_;
  int soils_ = 0;
};

}  // namespace

bool read_soil_layer_file(const std::string& path, SoilLayerTable& table) {
  table.records.clear();
  table.given.clear();
  return Reader(path, table).run();
}

}  // namespace torva
