// Whole runs whose summary and map files must tell the truth: discharge maps in m^3/s for
// every overland scheme, start-up announcements and loading errors in the summary, the
// Thiessen interpolation named, and the overall, event and surface balances closing for
// rain alone and rain with channels.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "support/project_run.hpp"

namespace torva {
namespace {

using support::has;
using support::value_after;

using SummaryRuns = support::ProjectRunTest<>;

// All three balances close to well below 1e-4 percent.
void expect_balances_close(const std::string& sum) {
  for (const char* label : {"Overall mass balance error =", "mass conservation error:",
                            "Mass balance error of surface components ="}) {
    EXPECT_LT(std::fabs(value_after(sum, label)), 1e-4) << label << "\n" << sum;
  }
}

// The values of the last frame of a text dataset file, after a status per cell.
std::vector<double> last_frame(const std::string& text, std::size_t cells) {
  std::istringstream in(text.substr(text.find('\n', text.rfind("TS 1 "))));
  std::vector<double> v(2 * cells);
  for (double& x : v) in >> x;
  return {v.begin() + static_cast<std::ptrdiff_t>(cells), v.end()};
}

// A steep strip of five 10 m cells under steady rain: at steady state the flow leaving cell
// k east is the rain on cells 1..k, 36 mm/h x 100 m^2 x k = k x 1e-3 m^3/s, whatever the
// scheme keeps internally.
TEST_F(SummaryRuns, DischargeMapIsTheFlowThroughTheCellInCubicMetresPerSecond) {
  for (const char* scheme : {"explicit", "ade", "ade-pc"}) {
    SCOPED_TRACE(scheme);
    // Later cards win: two-second steps, a smoother plane and steady rain.
    ASSERT_EQ(run(basin(1, 5, 10.0, 40, 200) +
                  "TIMESTEP 2\nHYD_FREQ 40\nMAP_FREQ 40\n"
                  "MAP_TYPE 1\nMANNING_N 0.02\nRAIN_INTENSITY 36\nOVERTYPE " +
                  scheme + "\nDISCHARGE " + path("q.dat") + "\n"),
              0);
    ASSERT_TRUE(has(summary(), "timestep                                     2.0 seconds\n"));
    const std::vector<double> q = last_frame(read("q.dat"), 5);
    for (int k = 1; k <= 4; ++k) EXPECT_NEAR(q[k - 1], k * 1e-3, 2e-5) << "cell " << k;
  }
}

TEST_F(SummaryRuns, StartUpAnnouncementsLoadingErrorsAndBalancesInTheSummary) {
  const std::string cards = basin(3, 3, 10.0, 30, 10);
  ASSERT_EQ(run(cards, "ok"), 0);
  const std::string sum = summary("ok");
  expect_balances_close(sum);
  // 50 mm/h for 10 minutes over 900 m^2.
  EXPECT_NEAR(value_after(sum, "Total amount of precip="), 7.5, 1e-9);
  EXPECT_TRUE(has(sum, "reading elevation map from file: " + path("elev.ele") + "\n")) << sum;
  EXPECT_LT(sum.find("reading elevation map"), sum.find("_________TORVA start-up information"));
  std::string bad = cards;
  bad.replace(bad.find(path("elev.ele")), path("elev.ele").size(), path("missing.ele"));
  EXPECT_EQ(run(bad, "bad"), 4);
  EXPECT_TRUE(has(summary("bad"), "Error: Unable to open elevation data file.\n  (File: " +
                                      path("missing.ele") + ")\n"))
      << summary("bad");
}

// Gages with Thiessen polygons (the examples cover inverse distance).
TEST_F(SummaryRuns, SummaryNamesTheThiessenInterpolation) {
  write("gage.txt",
        "EVENT \"one\"\nNRGAG 2\nNRPDS 2\nCOORD 0 0 \"a\"\nCOORD 30 30 \"b\"\n"
        "GAGES 2026 6 1 12 0 0 0\nGAGES 2026 6 1 12 10 5 8\n");
  std::string cards = basin(3, 3, 10.0, 30, 10);
  cards.erase(cards.find("PRECIP_UNIF"));  // the gages instead of uniform rain
  ASSERT_EQ(run(cards + "PRECIP_FILE " + path("gage.txt") + "\nRAIN_THIESSEN\n"), 0);
  EXPECT_TRUE(has(summary(), "With raingage data using Thiessen polygon interpolation.\n\n"))
      << summary();
}

// Two trapezoid links of 50 m nodes along a strip of 14 cells, a weir link between them.
TEST_F(SummaryRuns, BalancesCloseWithChannelsAndAStructure) {
  std::ostringstream chan;
  chan << "TORVA_CHAN\nALPHA 1\nBETA 1\nTHETA 1\nLINKS 3\nMAXNODES 9\n"
       << "CONNECT 1 2 0\nCONNECT 2 3 1 1\nCONNECT 3 0 1 2\n";
  // `n` nodes from x0 falling 0.1 m a node from z0; the first carries the trapezoid.
  auto link = [&chan](int id, int n, double x0, double z0, const char* xsec) {
    chan << "LINK " << id << "\nDX 50\nNODES " << n << "\nMANNINGS_N 0.035\nTRAPEZOID\n";
    for (int k = 1; k <= n; ++k) {
      chan << "NODE " << k << "\nX_Y " << x0 + 50 * (k - 1) << " 25\nELEV " << z0 - 0.1 * (k - 1)
           << "\n"
           << (k == 1 ? xsec : "");
    }
  };
  link(1, 9, 25, 100.0, "XSEC\nBOTTOM_WIDTH 2\nBANKFULL_DEPTH 1\nSIDE_SLOPE 1\n");
  chan << "LINK 2\nSTRUCTURE\nNUMSTRUCTS 1\nSTRUCTTYPE weir\nCREST_LENGTH 3\n"
       << "CREST_LOW_ELEV 99.3\nDISCHARGE_COEFF_FORWARD 0.6\nDISCHARGE_COEFF_REVERSE 0.6\n"
       << "NODE 1\nELEV 99.1\nNODE 2\nELEV 99.1\n";
  link(3, 7, 425, 99.0, "XSEC\nBOTTOM_WIDTH 3\nBANKFULL_DEPTH 1\nSIDE_SLOPE 1.5\n");
  write("chan.txt", chan.str());
  const std::string cards = basin(1, 14, 50.0, 120, 30);
  write("elev.ele", support::raster_of(1, 14, 50.0, [](int, int c) { return 101.0 - 0.1 * c; }));
  ASSERT_EQ(
      run(cards + "CHAN_EXPLIC\nMAX_COURANT_NUMBER 0.5\nCHANNEL_INPUT " + path("chan.txt") + "\n"),
      0);
  const std::string sum = summary();
  expect_balances_close(sum);
  EXPECT_GT(value_after(sum, "Total lateral inflow into channels="), 800.0);
}

}  // namespace
}  // namespace torva
