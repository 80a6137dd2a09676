// Calibration and Monte Carlo run thousands of simulations in one process: a run must give
// what a fresh process gives, whatever ran before it.  Project A (the plane, its roughness a
// replacement parameter) runs, then project B (the V-catchment: gages, soils, channels,
// maps), then A again in the same context; every file A writes is the same bit for bit.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "frame/run_context.hpp"
#include "model/driver.hpp"
#include "support/scratch.hpp"

namespace torva {
namespace {

namespace fs = std::filesystem;
using support::slurp;

// Copies an example into a fresh folder, runs it there and returns what it wrote.
std::map<std::string, std::string> run_example(RunContext& ctx, const std::string& example,
                                               const std::string& extra_cards,
                                               const fs::path& root) {
  const fs::path dir = root / example;
  fs::remove_all(dir);
  fs::copy(fs::path(TORVA_SOURCE_DIR) / "examples" / example, dir, fs::copy_options::recursive);
  std::string project = slurp(dir / (example + ".prj"));
  project += extra_cards;
  std::ofstream(dir / (example + ".prj")) << project;
  std::ofstream(dir / "params.txt") << "1\n[N] %5.3lf\n";
  std::ofstream(dir / "values.txt") << "0.040\n";
  const fs::path old = fs::current_path();
  fs::current_path(dir);
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(run_simulation(ctx, example + ".prj"), 0);
  ::testing::internal::GetCapturedStdout();
  fs::current_path(old);
  std::map<std::string, std::string> out;
  for (const auto& e : fs::directory_iterator(dir)) {
    const std::string name = e.path().filename().string();
    // The run-time log holds wall-clock seconds, and the inputs are not outputs.
    if (name == "out_time.out" ||
        fs::exists(fs::path(TORVA_SOURCE_DIR) / "examples" / example / name))
      continue;
    out[name] = slurp(e.path());
  }
  fs::remove_all(dir);
  return out;
}

TEST(RunIsolation, AThenBThenAGivesAAgainBitForBit) {
  const fs::path root =
      fs::temp_directory_path() / ("torva_isolation_" + std::to_string(::getpid()));
  fs::create_directories(root);
  RunContext ctx;
  const std::string a_cards =
      "REPLACE_PARAMS params.txt\nREPLACE_VALS values.txt\nMANNING_N [N]\nDEPTH depth\n"
      "MAP_FREQ 30\n";
  const auto first = run_example(ctx, "plane", a_cards, root);
  const auto b =
      run_example(ctx, "vcatchment", "INTERCEPTION\nMAP_FREQ 20\nDEPTH depth\nTOT_TIME 40\n", root);
  const auto second = run_example(ctx, "plane", a_cards, root);
  fs::remove_all(root);
  ASSERT_GE(first.size(), 4u);  // summary, two hydrographs, depth maps
  EXPECT_FALSE(b.empty());
  ASSERT_EQ(first.size(), second.size());
  for (const auto& [name, text] : first) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(second.contains(name));
    EXPECT_TRUE(text == second.at(name)) << "first and second run of A differ";
  }
  // The replacement value reached the run: A is not the plain plane.
  EXPECT_NE(first.at("summary.txt").find("  [N]            = 0.040\n"), std::string::npos);
}

}  // namespace
}  // namespace torva
