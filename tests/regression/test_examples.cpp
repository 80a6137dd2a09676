// Every bundled example runs to completion through the real program; its outputs match the
// stored references (tests/regression/reference, rebuilt by tools/regen_references.sh) to the
// tolerance stored beside them, and its water balance closes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
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
  for (const std::string name : {"plane", "vcatchment", "basin"}) {
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

}  // namespace
}  // namespace torva::regression
