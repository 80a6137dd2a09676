// Hotstart round trip: a run stopped mid-storm writes its channel, overland and soil
// moisture hotstarts, and a second run started from them begins with the water the first
// one ended with.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <regex>

#include "regression/example_run.hpp"

namespace torva::regression {
namespace {

// The number after a "SIMULATION TOTALS" label such as "Final volume in channels=".
double total(const std::string& summary, const std::string& label) {
  const auto at = summary.find(label);
  if (at == std::string::npos) return -1.0;
  return std::strtod(summary.c_str() + at + label.size(), nullptr);
}

int run(const fs::path& dir) {
  const std::string cmd =
      "cd '" + dir.string() + "' && '" + TORVA_BINARY + "' vcatchment.prj > console.txt 2>&1";
  const int raw = std::system(cmd.c_str());
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

TEST(Hotstart, SecondRunStartsWithTheFirstRunsWater) {
  const fs::path dir = fs::temp_directory_path() /
                       ("torva_hotstart_" + std::to_string(static_cast<long>(::getpid())));
  fs::remove_all(dir);
  fs::copy(fs::path(TORVA_SOURCE_DIR) / "examples" / "vcatchment", dir,
           fs::copy_options::recursive);
  std::string prj = slurp(dir / "vcatchment.prj");
  prj = std::regex_replace(prj, std::regex("TOT_TIME 180"), "TOT_TIME 40");
  std::ofstream(dir / "vcatchment.prj")
      << prj << "WRITE_CHAN_HOTSTART chan.hot\nWRITE_OV_HOTSTART ov.hot\n"
      << "WRITE_SM_HOTSTART sm.hot\n";
  ASSERT_EQ(run(dir), 0) << slurp(dir / "console.txt");
  const std::string first = slurp(dir / "summary.txt");

  // Node, link and water-surface elevation; node, link and discharge beside it.
  const std::string wse = slurp(dir / "chan.hot");
  const std::string q = slurp(dir / "chan.hot.dis");
  EXPECT_TRUE(std::regex_search(wse, std::regex("^1 1 [0-9]+\\.[0-9]{6} \n2 1 ")));
  EXPECT_TRUE(std::regex_search(q, std::regex("^1 1 [0-9]+\\.[0-9]{6}\n2 1 ")));
  // Green and Ampt leaves the initial moisture as it was: the mapping table's 0.2.
  EXPECT_TRUE(std::regex_search(slurp(dir / "sm.hot"), std::regex("\ncols: +21\n0\\.200000 ")));

  prj = std::regex_replace(prj, std::regex("SUMMARY summary.txt"), "SUMMARY second.txt");
  std::ofstream(dir / "vcatchment.prj")
      << prj << "READ_CHAN_HOTSTART chan.hot\nREAD_OV_HOTSTART ov.hot\nREAD_SM_HOTSTART sm.hot\n";
  ASSERT_EQ(run(dir), 0) << slurp(dir / "console.txt");
  const std::string second = slurp(dir / "second.txt");
  EXPECT_NE(slurp(dir / "console.txt").find("initial soil moisture map from file: sm.hot"),
            std::string::npos);

  const double surface = total(first, "Final volume on surface=");
  const double channel = total(first, "Final volume in channels=");
  EXPECT_GT(surface, 100.0);
  EXPECT_GT(channel, 10.0);
  // Depths are stored to 1e-6 m and elevations to 1e-6 m, so a few thousandths of a percent.
  EXPECT_NEAR(total(second, "Initial volume on surface="), surface, 1e-4 * surface);
  EXPECT_NEAR(total(second, "Initial volume in channels="), channel, 1e-4 * channel);
  EXPECT_NEAR(total(second, "Overall mass balance error ="), 0.0, 1e-4);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace torva::regression
