// Whole event runs of tiny projects: the overall and event mass balances close to well
// below 1e-4 percent for rain alone and rain with channels (with infiltration: the
// subsurface runs).
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>

#include "support/project_run.hpp"

namespace torva {
namespace {

using support::value_after;

class TinyRuns : public support::ProjectRunTest<> {
 protected:
  // Runs the cards and checks all three balances; returns the summary text.
  std::string run_and_check(const std::string& cards) {
    EXPECT_EQ(run(cards), 0);
    const std::string sum = summary();
    for (const char* label : {"Overall mass balance error =", "mass conservation error:",
                              "Mass balance error of surface components ="}) {
      EXPECT_LT(std::fabs(value_after(sum, label)), 1e-4) << label << "\n" << sum;
    }
    return sum;
  }
};

TEST_F(TinyRuns, RainOnly) {
  const std::string sum = run_and_check(basin(3, 3, 10.0, 60, 10));
  // 50 mm/h for 10 minutes over 900 m^2.
  EXPECT_NEAR(value_after(sum, "Total amount of precip="), 7.5, 1e-9);
  EXPECT_TRUE(support::has(sum, "number of timesteps with rain:             20\n"));
  EXPECT_GT(value_after(sum, "Total amount of discharge="), 7.0);
}

// Two trapezoid links of 50 m nodes along a strip of 14 cells, a weir link between them.
TEST_F(TinyRuns, RainWithChannelsAndAStructure) {
  std::ostringstream chan;
  chan << "TORVA_CHAN\nALPHA 1\nBETA 1\nTHETA 1\nLINKS 3\nMAXNODES 9\n"
       << "CONNECT 1 2 0\nCONNECT 2 3 1 1\nCONNECT 3 0 1 2\n"
       << "LINK 1\nDX 50\nNODES 9\nMANNINGS_N 0.035\nTRAPEZOID\n";
  for (int k = 1; k <= 9; ++k) {
    chan << "NODE " << k << "\nX_Y " << 50 * (k - 1) + 25 << " 25\nELEV " << 100.0 - 0.1 * (k - 1)
         << "\n";
    if (k == 1) chan << "XSEC\nBOTTOM_WIDTH 2\nBANKFULL_DEPTH 1\nSIDE_SLOPE 1\n";
  }
  chan << "LINK 2\nSTRUCTURE\nNUMSTRUCTS 1\nSTRUCTTYPE weir\nCREST_LENGTH 3\n"
       << "CREST_LOW_ELEV 99.3\nDISCHARGE_COEFF_FORWARD 0.6\nDISCHARGE_COEFF_REVERSE 0.6\n"
       << "NODE 1\nELEV 99.1\nNODE 2\nELEV 99.1\n"
       << "LINK 3\nDX 50\nNODES 7\nMANNINGS_N 0.03\nTRAPEZOID\n";
  for (int k = 1; k <= 7; ++k) {
    chan << "NODE " << k << "\nX_Y " << 400 + 50 * (k - 1) + 25 << " 25\nELEV "
         << 99.0 - 0.1 * (k - 1) << "\n";
    if (k == 1) chan << "XSEC\nBOTTOM_WIDTH 3\nBANKFULL_DEPTH 1\nSIDE_SLOPE 1.5\n";
  }
  write("chan.txt", chan.str());
  const std::string cards = basin(1, 14, 50.0, 120, 30);
  write("elev.ele", support::raster_of(1, 14, 50.0, [](int, int c) { return 101.0 - 0.1 * c; }));
  const std::string sum =
      run_and_check(cards + "CHAN_EXPLIC\nMAX_COURANT_NUMBER 0.5\nCHANNEL_INPUT " +
                    path("chan.txt") + "\nCHAN_DEPTH " + path("chan.cdp") + "\n");
  EXPECT_NEAR(value_after(sum, "Total amount of precip="), 875.0, 1e-9);
  EXPECT_GT(value_after(sum, "Total lateral inflow into channels="), 800.0);
  EXPECT_GT(value_after(sum, "Final volume in channels="), 1.0);
  EXPECT_EQ(read("chan.cdp")
                .rfind("TORVA_LINKNODE_STREAM_DEPTH\nNUM_LINKS     3\nTIME_STEP     5\n"
                       "NUM_TS        24\n",
                       0),
            0u);
}

}  // namespace
}  // namespace torva
