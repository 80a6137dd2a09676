// Whole runs of a 3 x 3 basin, card by card, that keep the card table truthful: every card
// marked simulated must change what a run writes, and the cards that are not simulated must
// change nothing (LONG_TERM, CHAN_MESH) beyond their one warning.
#include <gtest/gtest.h>
#include <omp.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "frame/run_context.hpp"
#include "input/card_table.hpp"
#include "model/driver.hpp"
#include "test_cards_helpers.hpp"

namespace torva {
namespace {

namespace fs = std::filesystem;

// Three rows of three 10 m cells draining to the middle of the south edge.
std::string raster(const std::string& rows) {
  return "north: 30\nsouth: 0\neast: 30\nwest: 0\nrows: 3\ncols: 3\n" + rows;
}
std::string uniform(const std::string& v) {
  const std::string row = v + " " + v + " " + v + "\n";
  return raster(row + row + row);
}

// A run as seen from outside: its result code, the files it wrote and its console.
struct Outcome {
  int code = 0;
  std::map<std::string, std::string> files;
  std::string console;
};

std::string keyword_of(const std::string& line) {
  return line.substr(0, line.find_first_of(" \t"));
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);)
    if (!l.empty()) out.push_back(l);
  return out;
}

// The console without the two timing lines, which differ from run to run.
std::string steady(const std::string& console) {
  std::string out;
  for (const std::string& l : lines_of(console))
    if (l.find("time to init") == std::string::npos && l.find("Run time") == std::string::npos)
      out += l + "\n";
  return out;
}

class CardRuns : public testing_support::ProcessTest {
 protected:
  static inline const std::string kBase =
      "WATERSHED_MASK mask.asc\nELEVATION elev.asc\nROWS 3\nCOLS 3\nGRIDSIZE 10\n"
      "TOT_TIME 10\nTIMESTEP 30\nHYD_FREQ 1\nMAP_FREQ 5\nOUTROW 3\nOUTCOL 2\nOUTSLOPE 0.01\n"
      "MANNING_N 0.05\nPRECIP_UNIF\nRAIN_INTENSITY 50\nRAIN_DURATION 5\n"
      "START_DATE 2026 6 1\nSTART_TIME 12 0\nSUMMARY run.sum\nOUTLET_HYDRO run.hyd\n";

  void SetUp() override {
    ::testing::Test::SetUp();
    dir_ = fs::temp_directory_path() / ("torva_card_runs_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
    old_ = fs::current_path();
    fs::current_path(dir_);
    put("mask.asc", uniform("1"));
    put("elev.asc", raster("10.4 10.2 10.4\n10.3 10.1 10.3\n10.2 10.0 10.2\n"));
    // Uniform parameter maps.
    const std::pair<const char*, const char*> maps[] = {
        {"ksat", "0.5"},     {"fast", "20"},        {"cap", "10"},      {"por", "0.45"},
        {"moist", "0.1"},    {"moist2", "0.3"},     {"pore", "0.3"},    {"resid", "0.03"},
        {"residhi", "0.15"}, {"rough", "0.2"},      {"reten", "2"},     {"storage", "1"},
        {"icoeff", "0.5"},   {"area", "0.3"},       {"depth0", "0.02"}, {"wtable", "9.5"},
        {"wthigh", "9.99"},  {"aqbottom", "9.985"}, {"soiltype", "1"},  {"land", "1"},
        {"dike", "0"}};
    for (const auto& [name, v] : maps) put(std::string(name) + ".asc", uniform(v));
    put("layers.txt",
        "COLUMNS thickness ksat cap_head porosity theta_init\n"
        "SOIL 1 2\n 10 0.5 11 0.45 0.15\n 100 0.2 30 0.38 0.25\n");
    put("rlayers.txt",
        "COLUMNS thickness node_dz ksat cap_head porosity theta_init residual pore_index "
        "bubbling wilting_point\nSOIL 1 2\n 10 1.0 1.3 11 0.43 0.20 0.027 0.25 -11.1 0.05\n"
        " 20 2.0 0.6 20 0.40 0.25 0.030 0.30 -20.0 0.05\n");
    // Table values start at character 87.
    put("map.tbl",
        "TORVA_INDEX_MAP_TABLES\nINDEX_MAP land.asc landuse\nROUGHNESS landuse\n"
        "NUM_IDS 1\nID    DESCRIPTION\n" +
            std::string("1     grass").append(76, ' ') + "0.2000\n");
    put("rain.gag",
        "EVENT \"two gages\"\nNRGAG 2\nNRPDS 3\nCOORD 0.0 30.0 \"nw\"\nCOORD 30.0 0.0 \"se\"\n"
        "RATES 2026 6 1 12 00 10.0 90.0\nRATES 2026 6 1 12 05 0.0 0.0\n"
        "RATES 2026 6 1 12 10 0.0 0.0\n");
    // One link of three nodes under the middle column, its bed 0.3 m below the ground.
    put("channel.chn",
        "TORVA_CHAN\nALPHA 1\nBETA 1\nTHETA 1\nLINKS 1\nMAXNODES 3\nCONNECT 1 0 0\nLINK 1\n"
        "DX 10.00\nNODES 3\nMANNINGS_N 0.035\nTRAPEZOID\nNODE 1\nX_Y 15.00 25.00\n"
        "ELEV 9.9000\nXSEC\nBOTTOM_WIDTH 1.00\nBANKFULL_DEPTH 0.50\nSIDE_SLOPE 1.00\nNODE 2\n"
        "X_Y 15.00 15.00\nELEV 9.8000\nNODE 3\nX_Y 15.00 5.00\nELEV 9.7000\n");
    put("loc.txt", "1\n1 2\n");
    put("params.txt", "1\n[RI] %lf\n");
    put("vals.txt", "50\n20\n");
    for (const auto& e : fs::directory_iterator(dir_)) inputs_.insert(e.path().filename());
    // A channel hotstart written by a run of its own, for the cards that read one.
    const Outcome first =
        run(kBase + "CHAN_EXPLIC\nCHANNEL_INPUT channel.chn\nWRITE_CHAN_HOTSTART chan.hot\n");
    ASSERT_EQ(first.code, 0) << first.console;
    ASSERT_TRUE(first.files.contains("chan.hot")) << first.console;
    put("chan.hot", first.files.at("chan.hot"));
    inputs_.insert("chan.hot");
  }
  void TearDown() override {
    fs::current_path(old_);
    fs::remove_all(dir_);
    ::testing::Test::TearDown();
  }
  static void put(const std::string& name, const std::string& text) {
    std::ofstream(name, std::ios::binary) << text;
  }

  // Runs a project of `body` in the scratch folder, in a context of its own as a fresh
  // program would, and takes back everything it wrote.
  Outcome run(const std::string& body) {
    put("card.prj", "TORVAPROJECT\n" + body);
    RunContext ctx;
    // One thread: these runs are tiny, and on a busy machine idle threads only cost time.
    const int level = omp_get_max_threads();
    omp_set_num_threads(1);
    Outcome o;
    ::testing::internal::CaptureStdout();
    o.code = run_simulation(ctx, "card.prj");
    o.console = ::testing::internal::GetCapturedStdout();
    omp_set_num_threads(level);
    collect(o);
    return o;
  }

  // The same through the program itself, stopped after 20 s: for runs that might not end.
  Outcome run_program(const std::string& body) {
    put("card.prj", "TORVAPROJECT\n" + body);
    const std::string cmd = "cd '" + dir_.string() + "' && timeout 20 '" + TORVA_BINARY +
                            "' card.prj > console.out 2>&1";
    const int raw = std::system(cmd.c_str());
    Outcome o;
    o.code = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    collect(o);
    o.console = o.files["console.out"];
    o.files.erase("console.out");
    return o;
  }

  // Takes the files a run wrote into `o` and removes them.
  void collect(Outcome& o) {
    for (const auto& e : fs::directory_iterator(dir_)) {
      const std::string name = e.path().filename();
      if (inputs_.contains(name) || name == "card.prj") continue;
      // The run time is the one thing that differs between two equal runs.
      if (name != "out_time.out") {
        std::ifstream in(e.path(), std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        o.files[name] = text.str();
      }
      fs::remove_all(e.path());
    }
  }

  fs::path dir_, old_;
  std::set<std::string> inputs_;
};

// One card of the guard table: the card line, the companion lines it needs to matter (in
// both runs, each replacing the base line of its card; "@" marks where the card goes,
// first by default), base cards left out of both runs, and, for a card whose only effect is
// on the console, the text it prints (empty: the console merely differs).
struct CardCase {
  CardCase(std::string card_line, std::string with_lines = {}, std::string left_out = {},
           const char* prints = nullptr)
      : card(std::move(card_line)),
        with(std::move(with_lines)),
        without(std::move(left_out)),
        console(prints) {}
  std::string card;
  std::string with;
  std::string without;
  const char* console;
};

// Base project and companions without the card, and with it.
std::pair<std::string, std::string> projects(const std::string& base, const CardCase& c) {
  const std::string kw = keyword_of(c.card);
  std::vector<std::string> extra = lines_of(c.with);
  if (std::find(extra.begin(), extra.end(), "@") == extra.end()) extra.insert(extra.begin(), "@");
  std::set<std::string> drop{kw};
  for (const std::string& l : extra) drop.insert(keyword_of(l));
  std::istringstream words(c.without);
  for (std::string w; words >> w;) drop.insert(w);
  std::string without, with;
  for (const std::string& l : lines_of(base))
    if (!drop.contains(keyword_of(l))) without += l + "\n";
  with = without;
  for (const std::string& l : extra) {
    if (l == "@") {
      with += c.card + "\n";
    } else if (keyword_of(l) != kw) {
      without += l + "\n";
      with += l + "\n";
    }
  }
  return {without, with};
}

std::vector<CardCase> simulated_cases() {
  const std::string ch = "CHAN_EXPLIC\nCHANNEL_INPUT channel.chn\n";
  const std::string soil =
      "CONDUCTIVITY ksat.asc\nCAPILLARY cap.asc\nPOROSITY por.asc\nMOISTURE moist.asc\n"
      "PORE_INDEX pore.asc\nRESIDUAL_SAT resid.asc\n";
  const std::string ga = "GREEN_AMPT\n" + soil;
  const std::string redist = "INF_REDIST\n" + soil;
  const std::string layers =
      soil + "SOIL_TYPE_MAP soiltype.asc\nSOIL_LAYER_INPUT_FILE layers.txt\n";
  const std::string richards =
      "INF_RICHARDS\n" + soil + "SOIL_TYPE_MAP soiltype.asc\nSOIL_LAYER_INPUT_FILE rlayers.txt\n";
  const std::string uniform_rain = "PRECIP_UNIF RAIN_INTENSITY RAIN_DURATION";
  const std::string replace =
      "REPLACE_PARAMS params.txt\nREPLACE_VALS vals.txt\nRAIN_INTENSITY [RI]\n";
  return {
      {"QOUT_CFS"},
      {"QUIET", "", "", ""},
      {"CHAN_EXPLIC", "CHANNEL_INPUT channel.chn"},
      {"DIFFUSIVE_WAVE", "CHANNEL_INPUT channel.chn"},
      {"CHAN_DRAIN"},  // refused with code 35, as is CHAN_BACKWATER
      {"CHAN_BACKWATER"},
      {"INTERCEPTION"},
      {"STRICT_JULIAN_DATE"},
      {"OVERBANK_FLOW", ch + "FIRST_ORDER_CHAN_Q 2"},  // a full channel
      {"OVERLAND_BACKWATER", ch + "FIRST_ORDER_CHAN_Q 2"},
      {"HEAD_BOUND", ch + "BOUND_DEPTH 0.4"},
      {"HOTSTART_IS_DEPTH", ch + "READ_CHAN_HOTSTART chan.hot"},
      {"STREAM_LOSS", ch},
      {"PRECIP_UNIF"},
      {"GREEN_AMPT", soil},
      {"INF_REDIST", soil},
      {"SOIL_MOIST_DEPTH 0.6", redist},
      {"INF_LAYERED_SOIL", layers},
      {"INF_RICHARDS", richards},
      {"RAIN_INV_DISTANCE", "PRECIP_FILE rain.gag\nRAIN_THIESSEN", uniform_rain},
      {"RAIN_THIESSEN", "PRECIP_FILE rain.gag", uniform_rain},
      {"SUPER_QUIET", "", "", ""},
      {"OVERTYPE explicit"},
      {"RICHARDS_K_OPTION arithmetic", richards},
      {"RICHARDS_C_OPTION haverkamp", richards},
      // Heavy rain that ponds and moves the heads far in one step.
      {"RICHARDS_UPPER_OPTION green", richards + "RAIN_INTENSITY 300"},
      {"RICHARDS_ITER_MAX 5", richards + "RAIN_INTENSITY 300"},
      {"RICHARDS_WEIGHT 0.5", richards + "RICHARDS_K_OPTION arithmetic\nRAIN_INTENSITY 300"},
      {"RICHARDS_DTHETA_MAX 0.05", richards},
      {"SOIL_TYPE_MAP soiltype.asc", richards},
      {"SOIL_LAYER_INPUT_FILE rlayers.txt", richards},
      {"ROWS 3"},
      {"COLS 3"},
      {"TOT_TIME 10"},
      {"OUTROW 3"},
      {"OUTCOL 2"},
      {"MAP_FREQ 5", "DEPTH depth"},
      {"MAP_TYPE 1", "DEPTH depth"},
      {"RAIN_DURATION 5"},
      {"REPLACE_LINE 2", "@\n" + replace},
      {"REPLACE_PARAMS params.txt", replace},
      {"REPLACE_VALS vals.txt", "REPLACE_PARAMS params.txt\n@\nRAIN_INTENSITY [RI]"},
      {"NUM_THREADS 2", "", "", "Setting the thread level to 2.\n"},
      {"CHANNEL_DELTAT 5", "", "", "Channel time step = 5\n"},
      {"DRAIN_TIME 6", "", "", "Drainage time = 6\n"},
      {"N_LINKS 7", "", "", "Number of links = 7\n"},
      {"MAX_NODES 8", "", "", "Number of nodes = 8\n"},
      {"ALPHA 0.5", "", "", "Alpha = 0.500000\n"},
      {"BETA 0.5", "", "", "Beta = 0.500000\n"},
      {"THETA 0.5", "", "", "Theta = 0.500000\n"},
      {"CHANNEL_GRIDSIZE 5", "", "", "Channel grid size = 5.000000\n"},
      {"Q_MIN 0.01", "", "", "Minimum channel flow = 0.010000\n"},
      {"START_DATE 2026 6 1"},
      {"START_TIME 12 0"},
      {"END_TIME 2026 6 1 12 5"},
      {"GRIDSIZE 10"},
      {"TIMESTEP 30"},
      {"OUTSLOPE 0.01"},
      {"MANNING_N 0.05"},
      {"HYD_FREQ 1"},
      {"RAIN_INTENSITY 50"},
      {"MAX_COURANT_NUMBER 0.01", ch},
      {"BOUND_DEPTH 0.4", ch + "HEAD_BOUND"},
      {"K_RIVER 0.5", ch + "STREAM_LOSS"},
      {"FIRST_ORDER_CHAN_Q 0.05", ch},
      {"M_RIVER 2", ch + "STREAM_LOSS\nK_RIVER 0.5"},
      {"RETENTION 2"},
      {"UNIF_AREA_REDUCTION 0.3", ga},
      {"INIT_ELEV_HEAD 10.35"},
      {"ST_TIME_STEP 10"},
      {"WATERSHED_MASK mask.asc"},
      {"MAPPING_TABLE map.tbl", "", "MANNING_N"},
      {"ELEVATION elev.asc"},
      {"RETEN_DEPTH reten.asc"},
      {"STORAGE_CAPACITY storage.asc", "INTERCEPTION_COEFF icoeff.asc"},
      {"INTERCEPTION_COEFF icoeff.asc", "STORAGE_CAPACITY storage.asc"},
      {"ROUGHNESS rough.asc", "", "MANNING_N"},
      {"STREAM_CELL missing.gst", ch + "NON_ORTHO_CHANNELS"},
      {"BOUND_TS missing", ch + "HEAD_BOUND"},
      {"EXPLIC_BACKWATER chanout.hot", ch},
      {"EXPLIC_HOTSTART chan.hot", ch},
      {"WRITE_CHAN_HOTSTART chanout.hot", ch},
      {"READ_CHAN_HOTSTART chan.hot", ch},
      {"CONDUCTIVITY ksat.asc", redist},
      {"CAPILLARY cap.asc", redist},
      {"POROSITY por.asc", redist},
      {"MOISTURE moist.asc", redist},
      {"PORE_INDEX pore.asc", redist},
      // Above the initial moisture, which the redistribution then raises to match.
      {"RESIDUAL_SAT residhi.asc", redist},
      {"CHANNEL_INPUT channel.chn", "CHAN_EXPLIC"},
      {"PRECIP_FILE rain.gag", "", uniform_rain},
      {"DISCHARGE disch"},
      {"DEPTH depth"},
      {"INF_DEPTH infdep", ga},
      {"SURF_MOIST surf", redist},
      {"RATE_OF_INFIL infrate", ga},
      {"DIS_RAIN rainmap"},
      {"CHAN_DEPTH d.lnk", ch},
      {"CHAN_DISCHARGE q.lnk", ch},
      {"CHAN_STAGE s.lnk", ch},
      {"CHAN_VELOCITY v.lnk", ch},
      {"FLOOD_STREAM f.lnk", ch},
      {"IN_HYD_LOCATION loc.txt", ch},
      {"OUT_HYD_LOCATION loc.txt", ch},
      {"CHAN_POINT_INPUT missing.pts", ch},
      {"WATER_TABLE wtable.asc", ch + "STREAM_LOSS"},
      // An aquifer 5 mm thick above the bed gives the stream nothing.
      {"AQUIFER_BOTTOM aqbottom.asc", ch + "STREAM_LOSS\nK_RIVER 1\nWATER_TABLE wthigh.asc"},
      {"AREA_REDUCTION area.asc", ga},
      {"SUMMARY run.sum"},
      {"OUTLET_HYDRO run.hyd"},
      {"SIG_OUTLET_HYDRO sig.hyd"},
      {"QEX_HYDRO qex.hyd"},
      {"DIKE_MAP dike.asc"},
      {"EMBANKMENT dike.asc"},
      {"LOWSPOT_FILE missing.low"},
      {"TIME_SERIES_FILE missing.ts", "", "", "Error: Time series file not found [missing.ts]\n"},
      {"ELEV_SERIES_FILE missing.es", "", "",
       "Error: Elevation series file not found [missing.es]\n"},
      {"OV_INIT_DEPTH depth0.asc"},
      {"WRITE_OV_HOTSTART ovout.hot"},
      {"READ_OV_HOTSTART depth0.asc"},
      {"WRITE_SM_HOTSTART smout.hot", redist},
      {"READ_SM_HOTSTART moist2.asc", redist},
      {"REPLACE_FOLDER sub"},
      {"OUTPUT_FOLDER sub"},
      {"PROJECT_FOLDER proj"},
      {"PROJECT_PATH proj"},
  };
}

// Simulated cards that no run can tell apart: FLUSH_BUFFER only changes when the console is
// flushed; NON_ORTHO_CHANNELS is set already by CHAN_EXPLIC and DIFFUSIVE_WAVE, the only
// routing there is; ST_MAPPING_TABLE needs a stream index map of the network and has its
// own runs (tests/regression/test_stream_roughness.cpp).
const std::set<std::string> kUnobservable = {"FLUSH_BUFFER", "NON_ORTHO_CHANNELS",
                                             "ST_MAPPING_TABLE"};

// The guard of the "Simulated" column: each card marked simulated changes the result code or
// the files of a run (or prints its message), against the same run without it.
TEST_F(CardRuns, EverySimulatedCardChangesTheRun) {
  std::set<std::string> simulated, covered;
  for (const CardSpec& c : card_table())
    if (!c.unsimulated && c.form != CardForm::none && c.form != CardForm::ignore)
      simulated.emplace(c.keyword);
  for (const CardCase& c : simulated_cases()) {
    SCOPED_TRACE(c.card);
    const std::string kw = keyword_of(c.card);
    EXPECT_TRUE(simulated.contains(kw)) << "not a simulated card";
    EXPECT_TRUE(covered.insert(kw).second) << "two rows";
    const auto [without, with] = projects(kBase, c);
    const Outcome a = run(without), b = run(with);
    if (c.console) {
      EXPECT_NE(steady(a.console), steady(b.console));
      if (*c.console) {
        EXPECT_EQ(a.console.find(c.console), std::string::npos);
        EXPECT_NE(b.console.find(c.console), std::string::npos) << b.console;
      }
    } else {
      EXPECT_TRUE(a.code != b.code || a.files != b.files)
          << "the card changed nothing; code " << a.code << "\n"
          << b.console.substr(b.console.size() > 1500 ? b.console.size() - 1500 : 0);
    }
  }
  for (const std::string& kw : kUnobservable) EXPECT_TRUE(covered.insert(kw).second) << kw;
  EXPECT_EQ(covered, simulated) << "every simulated card needs a row";
}

// Cards that this version does not simulate leave a run exactly as it is without them, apart
// from one warning per card.  LONG_TERM used to keep a run going past TOT_TIME for ever, and
// CHAN_MESH to keep all water on the surface.
TEST_F(CardRuns, UnsimulatedCardsLeaveTheRunAlone) {
  struct Row {
    const char* name;
    std::string both;   // companion lines of both runs
    std::string cards;  // the unsimulated cards
    std::vector<std::string> warned;
  };
  const std::string redist =
      "INF_REDIST\nCONDUCTIVITY ksat.asc\nCAPILLARY cap.asc\nPOROSITY por.asc\n"
      "MOISTURE moist.asc\nPORE_INDEX pore.asc\nRESIDUAL_SAT resid.asc\n";
  const Row rows[] = {
      // With every card a long-term run asks for, so that nothing else stops it.
      {"long-term run",
       redist,
       "LONG_TERM\nET_CALC_DEARDORFF\nALBEDO por.asc\nLATITUDE 40\nLONGITUDE 105\nGMT -7\n",
       {"LONG_TERM", "ET_CALC_DEARDORFF", "ALBEDO", "LATITUDE", "LONGITUDE", "GMT"}},
      {"mesh channels on a plane", "", "CHAN_MESH\nCHAN_MESH\n", {"CHAN_MESH"}},
      {"mesh channels after explicit ones",
       "CHAN_EXPLIC\nCHANNEL_INPUT channel.chn\n",
       "CHAN_MESH\n",
       {"CHAN_MESH"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const Outcome a = run_program(kBase + row.both);
    Outcome b = run_program(kBase + row.both + row.cards);
    ASSERT_EQ(a.code, 0) << a.console;
    EXPECT_EQ(b.code, 0) << (b.code == 124 ? "still running after 20 s\n" : "") << b.console;
    if (b.code != 0) continue;
    // The summary keeps the start-up lines, the warnings among them.
    std::string& sum = b.files["run.sum"];
    for (const std::string& kw : row.warned) {
      const std::string w =
          "Warning: " + kw + " is not simulated by this version; the card is ignored\n";
      if (const std::size_t at = sum.find(w); at != std::string::npos) sum.erase(at, w.size());
    }
    EXPECT_TRUE(a.files == b.files);
    // The hydrograph reaches TOT_TIME, 10 minutes.
    EXPECT_NE(b.files["run.hyd"].find("   10.00 "), std::string::npos) << b.files["run.hyd"];
    std::string console = steady(b.console);
    for (const std::string& kw : row.warned) {
      const std::string w =
          "Warning: " + kw + " is not simulated by this version; the card is ignored\n";
      const std::size_t at = console.find(w);
      if (at == std::string::npos) {
        ADD_FAILURE() << "no warning for " << kw;
        continue;
      }
      console.erase(at, w.size());
      EXPECT_EQ(console.find(w), std::string::npos) << kw << " warned twice";
    }
    EXPECT_EQ(console, steady(a.console));
  }
}

}  // namespace
}  // namespace torva
