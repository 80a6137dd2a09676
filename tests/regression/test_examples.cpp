// Every bundled example runs to completion through the real program; its outputs match the
// stored references (tests/regression/reference, rebuilt by tools/regen_references.sh) to the
// tolerance stored beside them, and its water balance closes.  The plane follows the kinematic
// wave, the committed examples are what their generator writes, and vcatchment with added cards
// carries its water through a hotstart and its roughness from a stream table.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "../../tools/cardsdoc/cards_doc.hpp"
#include "compare.hpp"
#include "example_run.hpp"

namespace torva::regression {
namespace {

const fs::path references = fs::path(TORVA_SOURCE_DIR) / "tests/regression/reference";

// The relative tolerance that tolerance.txt gives `example`; 0 when it gives none.
double stored_tolerance(const std::string& example) {
  std::istringstream rows(slurp(references / "tolerance.txt"));
  std::string name;
  double tolerance = 0.0;
  for (std::string line; std::getline(rows, line);)
    if (!line.starts_with('#') && std::istringstream(line) >> name >> tolerance && name == example)
      return tolerance;
  return 0.0;
}

class Examples : public testing::TestWithParam<const char*> {};

TEST_P(Examples, MatchTheStoredReferences) {
  const std::string name = GetParam();
  const ExampleRun& r = run_example(name);
  ASSERT_EQ(r.status, 0) << r.console.substr(r.console.size() -
                                             std::min<size_t>(3000, r.console.size()));
  EXPECT_NE(r.console.find("finished event"), std::string::npos);
  const double tolerance = stored_tolerance(name);
  ASSERT_GT(tolerance, 0.0) << "no tolerance for " << name << " in tolerance.txt";
  int compared = 0;
  for (const auto& ref : fs::directory_iterator(references / name)) {
    const std::string file = ref.path().filename().string();
    SCOPED_TRACE(name + "/" + file);
    ASSERT_TRUE(fs::exists(r.dir / file)) << "not written";
    EXPECT_EQ(difference(r.file(file), slurp(ref.path()), tolerance), "");
    ++compared;
  }
  EXPECT_GT(compared, 0) << "no references: run tools/regen_references.sh";
  const std::string summary = r.file("summary.txt");
  const double in = value_after(summary, "Mass input + original mass:");
  const double out = value_after(summary, "Mass output + final mass:");
  EXPECT_LT(100.0 * std::fabs(in - out) / in, 1e-4) << "percent mass balance error";
}

INSTANTIATE_TEST_SUITE_P(, Examples, testing::Values("plane", "vcatchment", "basin"),
                         [](const auto& info) { return std::string(info.param); });

// Kinematic-wave solution for a plane of length L, slope S, Manning n under rain i that
// stops at tr (Eagleson 1970; Woolhiser and Liggett 1967): rising limb alpha (i t)^m, then
// equilibrium i L; in the recession the characteristic that leaves x0 = alpha h^m / i at tr
// with depth h reaches the outlet at tr + (L - x0) / (alpha m h^(m-1)).
double kinematic_q(double t, double L, double S, double n, double i, double tr, double width) {
  const double a = std::sqrt(S) / n, m = 5.0 / 3.0;
  const double tc = std::pow(L / (a * std::pow(i, m - 1.0)), 1.0 / m);
  if (t <= std::min(tc, tr)) return width * a * std::pow(i * t, m);
  if (t <= tr) return width * i * L;
  double lo = 0.0, hi = std::pow(i * L / a, 1.0 / m);
  for (int k = 0; k < 200; ++k) {
    const double h = 0.5 * (lo + hi);
    const double arrive = tr + (L - a * std::pow(h, m) / i) / (a * m * std::pow(h, m - 1.0));
    (arrive > t ? lo : hi) = h;
  }
  return width * a * std::pow(0.5 * (lo + hi), m);
}

TEST(KinematicWave, PlaneOutletFollowsTheAnalyticHydrograph) {
  const ExampleRun& r = run_example("plane");
  ASSERT_EQ(r.status, 0) << r.console;
  // 40 cells of 10 m, slope 0.01, n 0.05, 50 mm/h for 60 minutes (examples/plane/README.md).
  const double L = 400.0, S = 0.01, n = 0.05, i = 50.0 / 3.6e6, tr = 3600.0, w = 10.0;
  const double qe = i * L * w;
  const double tc = std::pow(L / (std::sqrt(S) / n * std::pow(i, 2.0 / 3.0)), 0.6);
  std::istringstream in(r.file("outlet_precise.hyd"));
  double minutes = 0.0, q = 0.0, worst = 0.0, worst_away = 0.0;
  int lines = 0;
  for (; in >> minutes >> q; ++lines) {
    const double t = minutes * 60.0, d = std::fabs(q - kinematic_q(t, L, S, n, i, tr, w)) / qe;
    worst = std::max(worst, d);
    // Away from the two corners of the analytic hydrograph, which the diffusive scheme rounds.
    if (std::fabs(t - tc) > 600.0 && std::fabs(t - tr) > 300.0)
      worst_away = std::max(worst_away, d);
  }
  EXPECT_EQ(lines, 121);
  EXPECT_LT(worst, 0.08) << "largest difference, fraction of the equilibrium discharge";
  EXPECT_LT(worst_away, 0.01);
}

// The committed examples and the card list are exactly what their generators print.
TEST(GeneratedFiles, CardListMatchesTheKeywordTable) {
  EXPECT_EQ(slurp(fs::path(TORVA_SOURCE_DIR) / "docs/cards.md"), cards_markdown())
      << "regenerate with: build/tools/examplegen/cardsdoc > docs/cards.md";
}

TEST(GeneratedFiles, GeneratorRebuildsTheCommittedExamples) {
  const fs::path tmp =
      fs::temp_directory_path() / ("torva_examplegen_" + std::to_string(::getpid()));
  for (const std::string name : {"plane", "vcatchment", "basin", "longterm"}) {
    SCOPED_TRACE(name);
    const std::string cmd = std::string("'") + EXAMPLEGEN_BINARY + "' " + name + " --out '" +
                            (tmp / name).string() + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    int files = 0;
    for (const auto& e : fs::directory_iterator(tmp / name)) {
      ++files;
      const fs::path committed =
          fs::path(TORVA_SOURCE_DIR) / "examples" / name / e.path().filename();
      ASSERT_TRUE(fs::exists(committed)) << e.path().filename() << " is not committed";
      EXPECT_TRUE(slurp(committed) == slurp(e.path())) << e.path().filename() << " differs";
    }
    EXPECT_GT(files, 2);
  }
  fs::remove_all(tmp);
}

TEST(GeneratedFiles, GeneratorRefusesBadArguments) {
  for (const char* args : {"", " river --out /tmp/x", " basin --size 3 --out /tmp/x",
                           " basin --size 12x --out /tmp/x", " basin"}) {
    SCOPED_TRACE(args);
    const std::string cmd = std::string("'") + EXAMPLEGEN_BINARY + "'" + args + " 2>/dev/null";
    EXPECT_NE(std::system(cmd.c_str()), 0);
  }
}

// The vcatchment example with cards added: a hotstart round trip, and a stream mapping table.
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
  const double surface = value_after(first, "Final volume on surface=");
  const double channel = value_after(first, "Final volume in channels=");
  EXPECT_GT(surface, 100.0);
  EXPECT_GT(channel, 10.0);
  // Depths and elevations are stored to 1e-6 m, so a few thousandths of a percent.
  EXPECT_NEAR(value_after(second, "Initial volume on surface="), surface, 1e-4 * surface);
  EXPECT_NEAR(value_after(second, "Initial volume in channels="), channel, 1e-4 * channel);
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
