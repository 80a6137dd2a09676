// Whole runs whose summary and map files must tell the truth: discharge maps in m^3/s for
// every overland scheme, start-up announcements and loading errors in the summary, the
// rain interpolation and the process list as computed, and the simple soil store.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "frame/run_context.hpp"
#include "model/driver.hpp"

namespace torva {
namespace {

namespace fs = std::filesystem;

class SummaryRuns : public testing::Test {
 protected:
  fs::path dir;
  void SetUp() override {
    dir = fs::temp_directory_path() / ("torva_sumruns_" + std::to_string(::getpid()));
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
  static double value_after(const std::string& text, const std::string& label) {
    const std::size_t at = text.find(label);
    if (at == std::string::npos) return NAN;
    return std::strtod(text.c_str() + at + label.size(), nullptr);
  }
  static std::string raster(int rows, int cols, double dx, const std::string& body) {
    std::ostringstream o;
    o << "north: " << rows * dx << "\nsouth: 0.0\neast: " << cols * dx
      << "\nwest: 0.0\nrows: " << rows << "\ncols: " << cols << "\n"
      << body;
    return o.str();
  }
  // Same value in every cell of a rows x cols raster.
  static std::string uniform(int rows, int cols, double dx, const std::string& v) {
    std::string body;
    for (int r = 0; r < rows; ++r) {
      for (int c = 0; c < cols; ++c) body += v + " ";
      body += "\n";
    }
    return raster(rows, cols, dx, body);
  }
  // A 3 x 3 basin of 10 m cells draining to its south-east corner, 50 mm/h for 10 min.
  std::string basin(const std::string& name, int tot_time = 30) const {
    write("mask.msk", uniform(3, 3, 10.0, "1"));
    write("elev.ele", raster(3, 3, 10.0, "10.3 10.2 10.1\n10.2 10.1 10.0\n10.1 10.0 9.9\n"));
    std::ostringstream p;
    p << "TORVAPROJECT\nSUPER_QUIET\nWATERSHED_MASK " << path("mask.msk") << "\nELEVATION "
      << path("elev.ele") << "\nROWS 3\nCOLS 3\nGRIDSIZE 10\nTOT_TIME " << tot_time
      << "\nTIMESTEP 30\nHYD_FREQ 5\nMAP_FREQ 60\nOUTROW 3\nOUTCOL 3\nOUTSLOPE 0.01\n"
      << "START_DATE 2026 6 1\nSTART_TIME 12 0\nSUMMARY " << path(name + ".sum") << "\n";
    return p.str();
  }
  static std::string uniform_rain() { return "PRECIP_UNIF\nRAIN_INTENSITY 50\nRAIN_DURATION 10\n"; }
  int run(const std::string& name, const std::string& project) const {
    write(name + ".prj", project);
    return run_simulation(run_context(), path(name + ".prj"));
  }
};

// The last frame of a text dataset file: one value per cell of the rectangle.
std::vector<double> last_frame(const std::string& text, int cells) {
  const std::size_t ts = text.rfind("TS 1 ");
  std::istringstream in(text.substr(ts));
  std::string line;
  std::getline(in, line);
  int status = 0;
  for (int i = 0; i < cells; ++i) in >> status;
  std::vector<double> v(static_cast<std::size_t>(cells));
  for (double& x : v) in >> x;
  return v;
}

// A steep strip of five 10 m cells under steady rain: at steady state the flow leaving cell
// k east is the rain on cells 1..k, 36 mm/h x 100 m^2 x k = k x 1e-3 m^3/s, whatever the
// scheme keeps internally.
TEST_F(SummaryRuns, DischargeMapIsTheFlowThroughTheCellInCubicMetresPerSecond) {
  for (const char* scheme : {"explicit", "ade", "ade-pc"}) {
    SCOPED_TRACE(scheme);
    write("strip.msk", uniform(1, 5, 10.0, "1"));
    write("strip.ele", raster(1, 5, 10.0, "10.4 10.3 10.2 10.1 10.0\n"));
    std::ostringstream p;
    p << "TORVAPROJECT\nSUPER_QUIET\nWATERSHED_MASK " << path("strip.msk") << "\nELEVATION "
      << path("strip.ele") << "\nROWS 1\nCOLS 5\nGRIDSIZE 10\nTOT_TIME 120\nTIMESTEP 2\n"
      << "HYD_FREQ 60\nMAP_FREQ 120\nMAP_TYPE 1\nOUTROW 1\nOUTCOL 5\nOUTSLOPE 0.01\n"
      << "MANNING_N 0.02\nOVERTYPE " << scheme << "\nPRECIP_UNIF\nRAIN_INTENSITY 36\n"
      << "RAIN_DURATION 200\nSTART_DATE 2026 6 1\nSTART_TIME 12 0\nDISCHARGE " << path("q.dat")
      << "\n";
    ASSERT_EQ(run("strip", p.str()), 0);
    const std::vector<double> q = last_frame(read("q.dat"), 5);
    for (int k = 1; k <= 4; ++k) EXPECT_NEAR(q[k - 1], k * 1e-3, 2e-5) << "cell " << k;
  }
}

TEST_F(SummaryRuns, StartUpAnnouncementsAndLoadingErrorsReachTheSummary) {
  ASSERT_EQ(run("ok", basin("ok") + uniform_rain() + "MANNING_N 0.05\n"), 0);
  const std::string sum = read("ok.sum");
  EXPECT_NE(sum.find("reading elevation map from file: " + path("elev.ele") + "\n"),
            std::string::npos)
      << sum;
  EXPECT_LT(sum.find("reading elevation map"), sum.find("_________TORVA start-up information"));

  std::string bad = basin("bad") + uniform_rain() + "MANNING_N 0.05\n";
  bad.replace(bad.find(path("elev.ele")), path("elev.ele").size(), path("missing.ele"));
  EXPECT_EQ(run("bad", bad), 4);
  EXPECT_NE(read("bad.sum").find("Error: Unable to open elevation data file.\n  (File: " +
                                 path("missing.ele") + ")\n"),
            std::string::npos)
      << read("bad.sum");
}

TEST_F(SummaryRuns, SummaryNamesTheInterpolationThatWasComputed) {
  write("gage.txt",
        "EVENT \"one\"\nNRGAG 2\nNRPDS 2\nCOORD 0 0 \"a\"\nCOORD 30 30 \"b\"\n"
        "GAGES 2026 6 1 12 0 0 0\nGAGES 2026 6 1 12 10 5 8\n");
  struct Case {
    const char* cards;
    const char* line;
  };
  for (const Case& c :
       {Case{"RAIN_INV_DISTANCE\n", "using inverse-distance squared interpolation.\n\n"},
        Case{"RAIN_THIESSEN\n", "using Thiessen polygon interpolation.\n\n"},
        Case{"RAIN_THIESSEN\nRAIN_INV_DISTANCE\n",
             "using inverse-distance squared interpolation.\n\n"},
        Case{"RAIN_INV_DISTANCE\nRAIN_THIESSEN\n",
             "using inverse-distance squared interpolation.\n\n"}}) {
    SCOPED_TRACE(c.cards);
    ASSERT_EQ(
        run("g", basin("g") + "MANNING_N 0.05\nPRECIP_FILE " + path("gage.txt") + "\n" + c.cards),
        0);
    EXPECT_NE(read("g.sum").find(std::string("With raingage data ") + c.line), std::string::npos)
        << read("g.sum");
  }
}

// A mapping table that supplies roughness and initial moisture lists both as distributed;
// the simple soil store starts with the initial moisture over the simple soil depth.
TEST_F(SummaryRuns, MappingTableProcessesAndTheSimpleSoilStore) {
  write("land.idx", uniform(3, 3, 10.0, "1"));
  auto row = [](int id, const std::string& values) {
    std::string r = std::to_string(id);
    r.resize(86, ' ');
    return r + values + "\n";
  };
  write("tables.cmt", "TORVA_INDEX_MAP_TABLES\nINDEX_MAP " + path("land.idx") +
                          " Land\nROUGHNESS Land\nNUM_IDS 1\nn\n" + row(1, "0.05") +
                          "GREEN_AMPT_INFILTRATION Land\nNUM_IDS 1\nKs Hc por lambda res fc wp\n" +
                          row(1, "0.5 10 0.45 0.3 0.05 0.3 0.1") +
                          "GREEN_AMPT_INITIAL_SOIL_MOISTURE Land\nNUM_IDS 1\ntheta\n" +
                          row(1, "0.15"));
  struct Case {
    const char* depth_card;
    double depth;  // m
  };
  for (const Case& c : {Case{"", 0.4}, Case{"SOIL_MOIST_DEPTH 0.5\n", 0.5}}) {
    SCOPED_TRACE(c.depth);
    ASSERT_EQ(run("t", basin("t", 60) + uniform_rain() + "INF_REDIST\nMAPPING_TABLE " +
                           path("tables.cmt") + "\n" + c.depth_card),
              0);
    const std::string sum = read("t.sum");
    EXPECT_NE(sum.find("Distributed overland roughness.\n"), std::string::npos) << sum;
    EXPECT_NE(sum.find("Distributed initial soil moisture.\n"), std::string::npos) << sum;
    // 0.15 x depth x 900 m^2 to start; the store then gains what infiltrated.
    const double initial = 0.15 * c.depth * 900.0;
    EXPECT_NEAR(value_after(sum, "Initial volume in soil over simple soil depth"), initial, 0.006);
    EXPECT_NEAR(value_after(sum, "Final volume in soil over simple soil depth"),
                initial + value_after(sum, "Total amount of infiltration="), 0.011);
    EXPECT_GT(value_after(sum, "Total amount of infiltration="), 1.0);
    EXPECT_NEAR(value_after(sum, "Simple soil moisture mass balance ="), 0.0, 1e-6);
  }
}

}  // namespace
}  // namespace torva
