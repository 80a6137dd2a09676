// The vcatchment example with cards added: a hotstart round trip, and a stream mapping table.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <string>

#include "example_run.hpp"

namespace torva::regression {
namespace {

// A run stopped mid-storm writes its channel, overland and soil moisture hotstarts, and a
// second run started from them begins with the water the first one ended with.
TEST(Hotstart, SecondRunStartsWithTheFirstRunsWater) {
  ExampleRun r = copy_example("vcatchment", "hotstart");
  std::string prj =
      std::regex_replace(r.file("vcatchment.prj"), std::regex("TOT_TIME 180"), "TOT_TIME 40");
  std::ofstream(r.dir / "vcatchment.prj")
      << prj
      << "WRITE_CHAN_HOTSTART chan.hot\nWRITE_OV_HOTSTART ov.hot\nWRITE_SM_HOTSTART sm.hot\n";
  ASSERT_EQ(r.run("vcatchment.prj"), 0) << r.console;
  const std::string first = r.file("summary.txt");
  // Node, link and water-surface elevation; node, link and discharge beside it.
  EXPECT_TRUE(std::regex_search(r.file("chan.hot"), std::regex("^1 1 [0-9]+\\.[0-9]{6} \n2 1 ")));
  EXPECT_TRUE(
      std::regex_search(r.file("chan.hot.dis"), std::regex("^1 1 [0-9]+\\.[0-9]{6}\n2 1 ")));
  // Green and Ampt leaves the initial moisture as it was: the mapping table's 0.2.
  EXPECT_TRUE(std::regex_search(r.file("sm.hot"), std::regex("\ncols: +21\n0\\.200000 ")));

  prj = std::regex_replace(prj, std::regex("SUMMARY summary.txt"), "SUMMARY second.txt");
  std::ofstream(r.dir / "vcatchment.prj")
      << prj << "READ_CHAN_HOTSTART chan.hot\nREAD_OV_HOTSTART ov.hot\nREAD_SM_HOTSTART sm.hot\n";
  ASSERT_EQ(r.run("vcatchment.prj"), 0) << r.console;
  EXPECT_NE(r.console.find("initial soil moisture map from file: sm.hot"), std::string::npos);
  const std::string second = r.file("second.txt");
  // Depths and elevations are stored to 1e-6 m, so a few thousandths of a percent.
  const struct {
    const char *end, *start;
    double least;
  } volumes[] = {{"Final volume on surface=", "Initial volume on surface=", 100.0},
                 {"Final volume in channels=", "Initial volume in channels=", 10.0}};
  for (const auto& v : volumes) {
    SCOPED_TRACE(v.start);
    const double end = value_after(first, v.end);
    EXPECT_GT(end, v.least);
    EXPECT_NEAR(value_after(second, v.start), end, 1e-4 * end);
  }
  EXPECT_NEAR(value_after(second, "Overall mass balance error ="), 0.0, 1e-4);
}

// vcatchment with every channel node in one stream class of Manning's n `n`; its links hold
// 10, 10, 7, 2 (the culvert) and 3 computational nodes.
ExampleRun run_with_stream_n(const std::string& n) {
  ExampleRun r = copy_example("vcatchment", "stream_n" + n);
  std::ofstream(r.dir / "st.cmt") << "TORVA_STREAM_INDEX_MAP_TABLES\nST_INDEX_MAP st.map Reaches\n"
                                     "ROUGHNESS Reaches\nNUM_IDS 1\nID  DESCRIPTION  N\n1     "
                                  << std::string(80, ' ') << n << "\n";
  std::string map = "STREAM_MAP\nNLINKS 5\n";
  for (int i = 0; i < 10 + 10 + 7 + 2 + 3; ++i) map += "1\n";
  std::ofstream(r.dir / "st.map") << map;
  std::ofstream(r.dir / "vcatchment.prj", std::ios::app) << "ST_MAPPING_TABLE st.cmt\n";
  r.run("vcatchment.prj");
  return r;
}

// The run checks the table right after the channel summary, a table that repeats the
// channel file's n changes nothing, and a rougher channel lowers and delays the outlet peak.
TEST(StreamRoughness, TableRoughnessDrivesTheChannelRouting) {
  const ExampleRun& plain = run_example("vcatchment");
  ASSERT_EQ(plain.status, 0) << plain.console;
  const ExampleRun same = run_with_stream_n("0.035"), rough = run_with_stream_n("0.07");
  ASSERT_EQ(same.status, 0) << same.console;
  ASSERT_EQ(rough.status, 0) << rough.console;
  const auto at = same.console.find(
      "  number of groundwater links:           0\n\nChecking stream mapping table file...\n"
      "  Roughness..........................Y\n  NSM Nitrogen.......................N\n"
      "  NSM Phosphorus.....................N\n  NSM Carbon.........................N\n"
      "  NSM Other..........................N\n  Dispersion.........................N\n");
  EXPECT_LT(at, same.console.find("Running....\n")) << same.console;
  for (const char* f : {"outlet.hyd", "discharge.lnk"}) EXPECT_EQ(same.file(f), plain.file(f)) << f;
  const std::string peak = "Event peak discharge (cubic meters per second):";
  const std::string when = "peak occured on strict Julian date:";
  const std::string was = plain.file("summary.txt"), is = rough.file("summary.txt");
  EXPECT_GT(value_after(is, peak), 0.0);
  EXPECT_LT(value_after(is, peak), value_after(was, peak));
  EXPECT_GT(value_after(is, when), value_after(was, when));
}

}  // namespace
}  // namespace torva::regression
