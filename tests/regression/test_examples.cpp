// Every bundled example runs to completion through the real program; its outputs match the
// stored references (tests/regression/reference, rebuilt by tools/regen_references.sh) and
// its water balance closes.
#include <gtest/gtest.h>

#include <cmath>
#include <regex>
#include <sstream>
#include <string>

#include "compare.hpp"
#include "example_run.hpp"

namespace torva::regression {
namespace {

// Relative error of the summary's "Mass input + original mass" against "Mass output + final
// mass", in percent; NaN when either line is missing.
double mass_error_percent(const std::string& summary) {
  const std::regex in(R"(Mass input \+ original mass:\s+([-0-9.eE+]+))");
  const std::regex out(R"(Mass output \+ final mass:\s+([-0-9.eE+]+))");
  std::smatch a, b;
  if (!std::regex_search(summary, a, in) || !std::regex_search(summary, b, out)) return NAN;
  const double i = std::stod(a[1]), o = std::stod(b[1]);
  return 100.0 * std::fabs(i - o) / i;
}

void check_example(const std::string& name) {
  const ExampleRun& r = run_example(name);
  ASSERT_EQ(r.status, 0) << r.console.substr(r.console.size() > 3000 ? r.console.size() - 3000 : 0);
  EXPECT_NE(r.console.find("finished event"), std::string::npos);
  for (const std::string& f : compared_files(name)) {
    SCOPED_TRACE(name + "/" + f);
    ASSERT_TRUE(fs::exists(r.dir / f)) << "not written";
    const fs::path ref = fs::path(TORVA_SOURCE_DIR) / "tests/regression/reference" / name / f;
    ASSERT_TRUE(fs::exists(ref)) << "no reference: run tools/regen_references.sh";
    EXPECT_EQ(difference(slurp(r.dir / f), slurp(ref), 1e-9), "");
  }
  const std::string summary = slurp(r.dir / "summary.txt");
  const double err = mass_error_percent(summary);
  EXPECT_LT(err, 1e-4) << "mass balance error " << err << " percent";
  std::printf("%s: mass balance error %.3g percent\n", name.c_str(), err);
}

TEST(Examples, Vcatchment) {
  check_example("vcatchment");
}
TEST(Examples, Basin) {
  check_example("basin");
}

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

TEST(Examples, PlaneFollowsTheKinematicWave) {
  check_example("plane");
  const ExampleRun& r = run_example("plane");
  ASSERT_EQ(r.status, 0);
  // 40 cells of 10 m, slope 0.01, n 0.05, 50 mm/h for 60 minutes (examples/plane/README.md).
  const double L = 400.0, S = 0.01, n = 0.05, i = 50.0 / 3.6e6, tr = 3600.0, w = 10.0;
  const double qe = i * L * w;
  const double tc = std::pow(L / (std::sqrt(S) / n * std::pow(i, 2.0 / 3.0)), 0.6);
  std::istringstream in(slurp(r.dir / "outlet_precise.hyd"));
  double minutes = 0.0, q = 0.0, worst = 0.0, worst_away = 0.0;
  int lines = 0;
  while (in >> minutes >> q) {
    ++lines;
    const double t = minutes * 60.0;
    const double d = std::fabs(q - kinematic_q(t, L, S, n, i, tr, w)) / qe;
    worst = std::max(worst, d);
    // Away from the two corners of the analytic hydrograph, where the diffusive scheme
    // rounds what the kinematic wave keeps sharp.
    if (std::fabs(t - tc) > 600.0 && std::fabs(t - tr) > 300.0)
      worst_away = std::max(worst_away, d);
  }
  EXPECT_EQ(lines, 121);
  EXPECT_LT(worst, 0.08) << "largest difference, fraction of the equilibrium discharge";
  EXPECT_LT(worst_away, 0.01);
  std::printf("plane: largest difference %.4f, away from the corners %.4f of %.6f m3/s\n", worst,
              worst_away, qe);
}

}  // namespace
}  // namespace torva::regression
