#pragma once
// Runs a bundled example through the real program in a fresh folder of its own.
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>

#include "support/project_run.hpp"

namespace torva::regression {

using support::slurp;
using support::value_after;

namespace fs = std::filesystem;

// The number after `label` in `text`; NaN when the label is missing.
struct ExampleRun {
  fs::path dir;
  std::shared_ptr<const fs::path> owner;  // removes the folder with the last copy
  int status = -1;
  std::string console;
  std::string file(const std::string& name) const { return slurp(dir / name); }
  // Runs the program on `project` in the folder, again when it ran before.
  int run(const std::string& project) {
    const std::string cmd =
        "cd '" + dir.string() + "' && '" + TORVA_BINARY + "' " + project + " > console.txt 2>&1";
    const int raw = std::system(cmd.c_str());
    console = file("console.txt");
    return status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  }
};

// A copy of the committed example, not yet run, in a folder named after `tag`.
inline ExampleRun copy_example(const std::string& example, const std::string& tag) {
  ExampleRun r;
  r.dir = fs::temp_directory_path() / ("torva_" + tag + "_" + std::to_string(::getpid()));
  fs::remove_all(r.dir);
  r.owner.reset(new fs::path(r.dir), [](const fs::path* p) {
    std::error_code ec;
    fs::remove_all(*p, ec);
    delete p;
  });
  fs::copy(fs::path(TORVA_SOURCE_DIR) / "examples" / example, r.dir, fs::copy_options::recursive);
  return r;
}

// The example as committed, run once per test program.
inline const ExampleRun& run_example(const std::string& example) {
  static std::map<std::string, ExampleRun> runs;
  auto [it, fresh] = runs.try_emplace(example);
  if (fresh) {
    it->second = copy_example(example, "regression_" + example);
    it->second.run(example + ".prj");
  }
  return it->second;
}

}  // namespace torva::regression
