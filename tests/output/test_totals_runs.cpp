// Whole event runs of tiny projects: the overall and event mass balances close to well
// below 1e-4 percent for rain alone, rain with Green and Ampt, and rain with channels.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "frame/run_context.hpp"
#include "model/driver.hpp"

namespace torva {
namespace {

namespace fs = std::filesystem;

class TinyRuns : public testing::Test {
 protected:
  fs::path dir;
  void SetUp() override {
    dir = fs::temp_directory_path() / ("torva_runs_" + std::to_string(::getpid()));
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }
  std::string path(const std::string& name) const { return (dir / name).string(); }
  void write(const std::string& name, const std::string& text) const {
    std::ofstream(path(name)) << text;
  }
  std::string read(const std::string& name) const {
    std::ifstream in(path(name));
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  // The number after `label` in the summary file.
  double value_after(const std::string& text, const std::string& label) const {
    const std::size_t at = text.find(label);
    if (at == std::string::npos) return NAN;
    return std::strtod(text.c_str() + at + label.size(), nullptr);
  }

  static std::string raster(int rows, int cols, double dx, const std::string& rows_text) {
    std::ostringstream o;
    o << "north: " << rows * dx << "\nsouth: 0.0\neast: " << cols * dx
      << "\nwest: 0.0\nrows: " << rows << "\ncols: " << cols << "\n"
      << rows_text;
    return o.str();
  }

  std::string base_project(const std::string& name, int rows, int cols, double dx, int tot_time,
                           int rain_minutes) const {
    std::ostringstream p;
    p << "TORVAPROJECT\nSUPER_QUIET\n"
      << "WATERSHED_MASK " << path("mask.msk") << "\nELEVATION " << path("elev.ele") << "\n"
      << "ROWS " << rows << "\nCOLS " << cols << "\nGRIDSIZE " << dx << "\n"
      << "TOT_TIME " << tot_time << "\nTIMESTEP 30\nHYD_FREQ 5\nMAP_FREQ 60\n"
      << "OUTROW " << rows << "\nOUTCOL " << cols << "\nOUTSLOPE 0.01\nMANNING_N 0.05\n"
      << "PRECIP_UNIF\nRAIN_INTENSITY 50\nRAIN_DURATION " << rain_minutes << "\n"
      << "START_DATE 2026 6 1\nSTART_TIME 12 0\n"
      << "SUMMARY " << path(name + ".sum") << "\nOUTLET_HYDRO " << path(name + ".otl") << "\n";
    return p.str();
  }

  void three_by_three() const {
    write("mask.msk", raster(3, 3, 10.0, "1 1 1\n1 1 1\n1 1 1\n"));
    write("elev.ele", raster(3, 3, 10.0, "10.3 10.2 10.1\n10.2 10.1 10.0\n10.1 10.0 9.9\n"));
  }

  // Runs the project and checks both balances; returns the summary text.
  std::string run_and_check(const std::string& name, const std::string& project) const {
    write(name + ".prj", project);
    EXPECT_EQ(run_simulation(run_context(), path(name + ".prj")), 0);
    const std::string sum = read(name + ".sum");
    const double overall = value_after(sum, "Overall mass balance error =");
    const double event = value_after(sum, "mass conservation error:");
    const double surface = value_after(sum, "Mass balance error of surface components =");
    EXPECT_LT(std::fabs(overall), 1e-4) << sum;
    EXPECT_LT(std::fabs(event), 1e-4) << sum;
    EXPECT_LT(std::fabs(surface), 1e-4) << sum;
    return sum;
  }
};

TEST_F(TinyRuns, RainOnly) {
  three_by_three();
  const std::string sum = run_and_check("rain", base_project("rain", 3, 3, 10.0, 60, 10));
  // 50 mm/h for 10 minutes over 900 m^2.
  EXPECT_NEAR(value_after(sum, "Total amount of precip="), 7.5, 1e-9);
  EXPECT_NE(sum.find("number of timesteps with rain:             20\n"), std::string::npos);
  EXPECT_GT(value_after(sum, "Total amount of discharge="), 7.0);
}

TEST_F(TinyRuns, RainWithGreenAndAmpt) {
  three_by_three();
  const std::string soil = "0.5 0.5 0.5\n0.5 0.5 0.5\n0.5 0.5 0.5\n";
  write("cond.map", raster(3, 3, 10.0, soil));
  write("cap.map", raster(3, 3, 10.0, "10 10 10\n10 10 10\n10 10 10\n"));
  write("por.map", raster(3, 3, 10.0, "0.45 0.45 0.45\n0.45 0.45 0.45\n0.45 0.45 0.45\n"));
  write("moist.map", raster(3, 3, 10.0, "0.15 0.15 0.15\n0.15 0.15 0.15\n0.15 0.15 0.15\n"));
  const std::string sum =
      run_and_check("ga", base_project("ga", 3, 3, 10.0, 60, 10) + "GREEN_AMPT\nCONDUCTIVITY " +
                              path("cond.map") + "\nCAPILLARY " + path("cap.map") + "\nPOROSITY " +
                              path("por.map") + "\nMOISTURE " + path("moist.map") + "\n");
  EXPECT_GT(value_after(sum, "Total amount of infiltration="), 1.0);
  EXPECT_NE(sum.find("Green & Ampt infiltration.\n"), std::string::npos);
}

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
  std::string row_mask, row_elev;
  for (int c = 0; c < 14; ++c) {
    row_mask += "1 ";
    row_elev += std::to_string(101.0 - 0.1 * c) + " ";
  }
  write("mask.msk", raster(1, 14, 50.0, row_mask + "\n"));
  write("elev.ele", raster(1, 14, 50.0, row_elev + "\n"));
  const std::string sum =
      run_and_check("chan", base_project("chan", 1, 14, 50.0, 120, 30) +
                                "CHAN_EXPLIC\nMAX_COURANT_NUMBER 0.5\nCHANNEL_INPUT " +
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
