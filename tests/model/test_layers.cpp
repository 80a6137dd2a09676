// The floors of the source tree: frame/ includes nothing outside itself, no header below the
// roof sees model/ (only sources that work on a whole run reach up to the ModelState), and
// the folders between them include each other without a cycle.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace torva {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> layer_faults(const fs::path& src) {
  std::vector<std::string> faults;
  std::map<std::string, std::set<std::string>> edges;  // folder -> folders it includes
  for (const auto& e : fs::recursive_directory_iterator(src)) {
    const std::string file = fs::relative(e.path(), src).generic_string();
    const std::string folder = file.substr(0, file.find('/'));
    if (folder == file || !(file.ends_with(".cpp") || file.ends_with(".hpp"))) continue;
    std::stringstream text;
    text << std::ifstream(e.path()).rdbuf();
    const std::string t = text.str();
    // A plain scan: std::regex over the whole tree is slow in the sanitizer build.
    for (std::size_t at = t.find("#include \""); at != std::string::npos;
         at = t.find("#include \"", at + 1)) {
      const std::size_t from = at + 10, slash = t.find_first_of("/\"\n", from);
      if (slash == std::string::npos || t[slash] != '/') continue;
      const std::string target = t.substr(from, slash - from);
      if (target == folder) continue;
      if (folder == "frame") faults.push_back(file + ": the ground floor includes " + target);
      if (target == "model" && file.ends_with(".hpp"))
        faults.push_back(file + ": a header below the roof includes model/");
      if (target != "model" && folder != "model") edges[folder].insert(target);
    }
  }
  // A folder is on a cycle when it reaches itself through the include edges.
  std::string cycle;
  for (const auto& [start, next] : edges) {
    std::set<std::string> seen;
    std::vector<std::string> todo(next.begin(), next.end());
    while (!todo.empty()) {
      const std::string f = todo.back();
      todo.pop_back();
      if (seen.insert(f).second && edges.count(f))
        todo.insert(todo.end(), edges[f].begin(), edges[f].end());
    }
    if (seen.count(start)) cycle += " " + start;
  }
  if (!cycle.empty()) faults.push_back("folders include each other:" + cycle);
  return faults;
}

TEST(Layers, SourceTreeKeepsItsFloors) {
  for (const std::string& f : layer_faults(fs::path(TORVA_SOURCE_DIR) / "src")) ADD_FAILURE() << f;
}

std::string inc(const std::string& header) {
  return "#include \"" + header + "\"\n";
}

// The check itself finds each kind of fault in a scratch tree.
TEST(Layers, CheckFindsEveryKindOfFault) {
  const fs::path root = fs::temp_directory_path() / ("torva_layers_" + std::to_string(::getpid()));
  const struct {
    const char* name;
    std::map<std::string, std::string> files;
    std::string fault;
  } rows[] = {
      // clang-format off
      {"clean", {{"frame/a.hpp", "#pragma once\n"}, {"input/b.cpp", inc("frame/a.hpp")},
                 {"model/m.hpp", inc("input/b.hpp")}, {"input/s.cpp", inc("model/m.hpp")},
                 {"main.cpp", inc("model/m.hpp")}}, ""},
      {"frame up", {{"frame/a.cpp", inc("input/b.hpp")}}, "frame/a.cpp: the ground floor"},
      {"header up", {{"input/b.hpp", inc("model/m.hpp")}}, "input/b.hpp: a header below"},
      {"cycle", {{"input/b.cpp", inc("output/c.hpp")}, {"output/c.cpp", inc("input/b.hpp")},
                 {"output/d.cpp", inc("frame/a.hpp")}}, "folders include each other: input output"},
      // clang-format on
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    fs::remove_all(root);
    for (const auto& [name, body] : r.files) {
      fs::create_directories((root / name).parent_path());
      std::ofstream(root / name) << body;
    }
    const std::vector<std::string> faults = layer_faults(root);
    ASSERT_EQ(faults.size(), r.fault.empty() ? 0u : 1u) << (faults.empty() ? "" : faults[0]);
    for (const std::string& f : faults) EXPECT_EQ(f.rfind(r.fault, 0), 0u) << f;
  }
  fs::remove_all(root);
}

}  // namespace
}  // namespace torva
