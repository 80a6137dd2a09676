// A stream mapping table on the vcatchment example: the run checks it right after the channel
// summary, a table that repeats the channel file's n changes nothing, and a rougher channel
// lowers and delays the outlet peak.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "regression/example_run.hpp"

namespace torva::regression {
namespace {

// The number after a summary label such as "Event peak discharge (cubic meters per second):".
double value_after(const std::string& text, const std::string& label) {
  const auto at = text.find(label);
  if (at == std::string::npos) return -1.0;
  return std::strtod(text.c_str() + at + label.size(), nullptr);
}

struct TableRun {
  int status = -1;
  std::string console, summary, hydrograph, discharge;
};

// vcatchment with every channel node in one stream class of Manning's n `n`.  Its links hold
// 10, 10, 7, 2 (the culvert) and 3 computational nodes.
TableRun run_with(const std::string& n) {
  const fs::path dir = fs::temp_directory_path() /
                       ("torva_stream_n" + n + "_" + std::to_string(static_cast<long>(::getpid())));
  fs::remove_all(dir);
  fs::copy(fs::path(TORVA_SOURCE_DIR) / "examples" / "vcatchment", dir,
           fs::copy_options::recursive);
  char id[16];
  std::snprintf(id, sizeof id, "%-6d", 1);
  std::ofstream(dir / "st.cmt") << "TORVA_STREAM_INDEX_MAP_TABLES\nST_INDEX_MAP st.map Reaches\n"
                                   "ROUGHNESS Reaches\nNUM_IDS 1\nID  DESCRIPTION  N\n"
                                << id << std::string(80, ' ') << n << "\n";
  std::ofstream map(dir / "st.map");
  map << "STREAM_MAP\nNLINKS 5\n";
  for (int i = 0; i < 10 + 10 + 7 + 2 + 3; ++i) map << "1\n";
  map.close();
  std::ofstream(dir / "vcatchment.prj", std::ios::app) << "ST_MAPPING_TABLE st.cmt\n";
  const std::string cmd =
      "cd '" + dir.string() + "' && '" + TORVA_BINARY + "' vcatchment.prj > console.txt 2>&1";
  const int raw = std::system(cmd.c_str());
  TableRun r;
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.console = slurp(dir / "console.txt");
  r.summary = slurp(dir / "summary.txt");
  r.hydrograph = slurp(dir / "outlet.hyd");
  r.discharge = slurp(dir / "discharge.lnk");
  fs::remove_all(dir);
  return r;
}

TEST(StreamRoughness, TableRoughnessDrivesTheChannelRouting) {
  const ExampleRun& plain = run_example("vcatchment");
  ASSERT_EQ(plain.status, 0) << plain.console;
  const std::string plain_summary = slurp(plain.dir / "summary.txt");

  const TableRun same = run_with("0.035");  // the channel file's MANNINGS_N
  ASSERT_EQ(same.status, 0) << same.console;
  const std::string check =
      "  number of groundwater links:           0\n"
      "\nChecking stream mapping table file...\n"
      "  Roughness..........................Y\n"
      "  NSM Nitrogen.......................N\n"
      "  NSM Phosphorus.....................N\n"
      "  NSM Carbon.........................N\n"
      "  NSM Other..........................N\n"
      "  Dispersion.........................N\n";
  const auto at = same.console.find(check);
  EXPECT_NE(at, std::string::npos) << same.console;
  EXPECT_LT(at, same.console.find("Running....\n"));
  EXPECT_EQ(same.hydrograph, slurp(plain.dir / "outlet.hyd"));
  EXPECT_EQ(same.discharge, slurp(plain.dir / "discharge.lnk"));

  const TableRun rough = run_with("0.07");
  ASSERT_EQ(rough.status, 0) << rough.console;
  const std::string peak = "Event peak discharge (cubic meters per second):";
  const std::string when = "peak occured on strict Julian date:";
  EXPECT_GT(value_after(rough.summary, peak), 0.0);
  EXPECT_LT(value_after(rough.summary, peak), value_after(plain_summary, peak));
  EXPECT_GT(value_after(rough.summary, when), value_after(plain_summary, when));
}

}  // namespace
}  // namespace torva::regression
