#pragma once
// Runs a bundled example through the real program in a fresh folder, once per test program.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace torva::regression {

namespace fs = std::filesystem;

// The files of each example that are compared with the stored references.
inline std::vector<std::string> compared_files(const std::string& example) {
  if (example == "plane") return {"summary.txt", "outlet.hyd", "outlet_precise.hyd"};
  if (example == "vcatchment") return {"summary.txt", "outlet.hyd", "discharge.lnk", "depth.lnk"};
  return {"summary.txt", "outlet.hyd", "locations.hyd", "discharge.lnk", "depth.lnk", "stage.lnk"};
}

inline std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

struct ExampleRun {
  fs::path dir;
  int status = -1;
  std::string console;
};

// The run folders go when the test program ends.
struct ExampleRuns {
  std::map<std::string, ExampleRun> runs;
  ~ExampleRuns() {
    std::error_code ec;
    for (auto& [name, r] : runs) fs::remove_all(r.dir, ec);
  }
};

inline const ExampleRun& run_example(const std::string& example) {
  static ExampleRuns all;
  auto& runs = all.runs;
  auto it = runs.find(example);
  if (it != runs.end()) return it->second;
  ExampleRun r;
  r.dir = fs::temp_directory_path() /
          ("torva_regression_" + example + "_" + std::to_string(static_cast<long>(::getpid())));
  fs::remove_all(r.dir);
  fs::copy(fs::path(TORVA_SOURCE_DIR) / "examples" / example, r.dir, fs::copy_options::recursive);
  const std::string cmd = "cd '" + r.dir.string() + "' && '" + TORVA_BINARY + "' " + example +
                          ".prj > console.txt 2>&1";
  const int raw = std::system(cmd.c_str());
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.console = slurp(r.dir / "console.txt");
  return runs.emplace(example, std::move(r)).first->second;
}

}  // namespace torva::regression
