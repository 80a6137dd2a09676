// The floors of the source tree: frame/ includes nothing outside itself, no header below the
// roof sees model/ (only sources that work on a whole run reach up to the ModelState), and
// the folders between them include each other without a cycle.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace torva {
namespace {

namespace fs = std::filesystem;

struct Include {
  std::string file;    // relative to src/
  std::string folder;  // folder of the including file
  std::string target;  // folder of the included header
};

std::string folder_of(const std::string& relative) {
  const std::size_t slash = relative.find('/');
  return slash == std::string::npos ? "" : relative.substr(0, slash);
}

std::vector<Include> project_includes(const fs::path& src,
                                      std::map<std::string, std::string>& text) {
  static const std::regex inc(R"re(#include\s+"([a-z_]+)/[^"]+")re");
  std::vector<Include> out;
  for (const auto& e : fs::recursive_directory_iterator(src)) {
    if (!e.is_regular_file()) continue;
    const std::string ext = e.path().extension().string();
    if (ext != ".cpp" && ext != ".hpp") continue;
    const std::string rel = fs::relative(e.path(), src).generic_string();
    std::ifstream in(e.path());
    std::stringstream ss;
    ss << in.rdbuf();
    text[rel] = ss.str();
    const std::string& t = text[rel];
    for (std::sregex_iterator m(t.begin(), t.end(), inc), end; m != end; ++m)
      out.push_back({rel, folder_of(rel), (*m)[1]});
  }
  return out;
}

// Folders on a cycle of `edges`, empty when there is none.
std::vector<std::string> find_cycle(const std::map<std::string, std::set<std::string>>& edges) {
  std::map<std::string, int> mark;  // 0 unseen, 1 on the path, 2 done
  std::vector<std::string> path, cycle;
  std::function<bool(const std::string&)> visit = [&](const std::string& f) {
    mark[f] = 1;
    path.push_back(f);
    auto it = edges.find(f);
    if (it != edges.end())
      for (const std::string& g : it->second) {
        if (mark[g] == 1) {
          cycle.assign(std::find(path.begin(), path.end(), g), path.end());
          cycle.push_back(g);
          return true;
        }
        if (mark[g] == 0 && visit(g)) return true;
      }
    path.pop_back();
    mark[f] = 2;
    return false;
  };
  for (const auto& [f, targets] : edges)
    if (mark[f] == 0 && visit(f)) return cycle;
  return {};
}

std::vector<std::string> layer_faults(const fs::path& src) {
  std::map<std::string, std::string> text;
  const std::vector<Include> includes = project_includes(src, text);
  std::vector<std::string> faults;
  std::map<std::string, std::set<std::string>> edges;
  for (const Include& i : includes) {
    if (i.folder == i.target || i.folder.empty()) continue;
    if (i.folder == "frame") faults.push_back(i.file + ": the ground floor includes " + i.target);
    if (i.target == "model") {
      if (i.file.ends_with(".hpp"))
        faults.push_back(i.file + ": a header below the roof includes model/");
      continue;
    }
    if (i.folder != "model") edges[i.folder].insert(i.target);
  }
  const std::vector<std::string> cycle = find_cycle(edges);
  if (!cycle.empty()) {
    std::string c = "folders include each other:";
    for (const std::string& f : cycle) c += " " + f;
    faults.push_back(c);
  }
  return faults;
}

TEST(Layers, SourceTreeKeepsItsFloors) {
  const std::vector<std::string> faults = layer_faults(fs::path(TORVA_SOURCE_DIR) / "src");
  for (const std::string& f : faults) ADD_FAILURE() << f;
}

// The check itself finds each kind of fault in a scratch tree.
TEST(Layers, CheckFindsEveryKindOfFault) {
  const fs::path root = fs::temp_directory_path() / ("torva_layers_" + std::to_string(::getpid()));
  struct Case {
    const char* name;
    std::map<std::string, std::string> files;
    std::string fault;
  };
  const std::vector<Case> cases = {
      {"clean",
       {{"frame/a.hpp", "#pragma once\n"},
        {"input/b.cpp", "#include \"frame/a.hpp\"\n"},
        {"model/m.hpp", "#include \"input/b.hpp\"\n"},
        {"input/s.cpp", "#include \"model/m.hpp\"\n"}},
       ""},
      {"frame up",
       {{"frame/a.cpp", "#include \"input/b.hpp\"\n"}},
       "frame/a.cpp: the ground floor"},
      {"header up", {{"input/b.hpp", "#include \"model/m.hpp\"\n"}}, "input/b.hpp: a header below"},
      {"cycle",
       {{"input/b.cpp", "#include \"output/c.hpp\"\n"},
        {"output/c.cpp", "#include \"input/b.hpp\"\n"}},
       "folders include each other: input output input"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(root);
    for (const auto& [name, body] : c.files) {
      fs::create_directories((root / name).parent_path());
      std::ofstream(root / name) << body;
    }
    const std::vector<std::string> faults = layer_faults(root);
    if (c.fault.empty()) {
      EXPECT_TRUE(faults.empty()) << faults.front();
    } else {
      ASSERT_EQ(faults.size(), 1u);
      EXPECT_NE(faults[0].find(c.fault), std::string::npos) << faults[0];
    }
  }
  fs::remove_all(root);
}

}  // namespace
}  // namespace torva
