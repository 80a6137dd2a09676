// Whole runs of a 3 x 3 basin that keep the card table truthful: every card marked simulated
// changes what a run writes, and the cards that are not simulated change nothing beyond their
// one warning (LONG_TERM used to run for ever, CHAN_MESH to keep all water on the land).
#include <gtest/gtest.h>
#include <omp.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <sstream>

#include "input/card_table.hpp"
#include "model/driver.hpp"
#include "support/project_run.hpp"

namespace torva {
namespace {

using support::has;

struct Outcome {
  int code = 0;
  std::map<std::string, std::string> files;  // all a run wrote but its run-time file
  std::string console;                       // without the two timing lines
};

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);)
    if (!l.empty()) out.push_back(l);
  return out;
}
std::string keyword_of(const std::string& line) {
  return line.substr(0, line.find(' '));
}
std::vector<std::string> split(std::string list) {
  for (std::size_t at; (at = list.find(", ")) != std::string::npos;) list.replace(at, 2, "\n");
  return lines_of(list);
}

const std::string kBase =
    "WATERSHED_MASK mask.asc\nELEVATION elev.asc\nROWS 3\nCOLS 3\nGRIDSIZE 10\nTOT_TIME 10\n"
    "TIMESTEP 30\nHYD_FREQ 1\nMAP_FREQ 5\nOUTROW 3\nOUTCOL 2\nOUTSLOPE 0.01\nMANNING_N 0.05\n"
    "PRECIP_UNIF\nRAIN_INTENSITY 50\nRAIN_DURATION 5\nSTART_DATE 2026 6 1\nSTART_TIME 12 0\n"
    "SUMMARY run.sum\nOUTLET_HYDRO run.hyd\n";
const std::string kCh = "CHAN_EXPLIC\nCHANNEL_INPUT channel.chn\n";
const std::string kSoil =
    "CONDUCTIVITY ksat.asc\nCAPILLARY cap.asc\nPOROSITY por.asc\nMOISTURE moist.asc\n"
    "PORE_INDEX pore.asc\nRESIDUAL_SAT resid.asc\n";
const std::string kGa = "GREEN_AMPT\n" + kSoil, kRedist = "INF_REDIST\n" + kSoil;
const std::string kRichards =
    "INF_RICHARDS\n" + kSoil +
    "SOIL_TYPE_MAP soiltype.asc\nSOIL_LAYER_INPUT_FILE rlayers.txt\nTOT_TIME 2\n";  // costly
const std::string kReplace =
    "REPLACE_PARAMS params.txt\nREPLACE_VALS vals.txt\nRAIN_INTENSITY [RI]\n";
const std::string kUniformRain = "PRECIP_UNIF\nRAIN_INTENSITY\nRAIN_DURATION";

// How a group of cards shows its effect.
enum Shows {
  each,    // each card alone changes the result code or the files
  quiet,   // each card alone changes the console
  files,   // all in one run, each writes a file named by its last word (maps: their result)
  prints,  // all in one run, each prints the text after its "|"
};

struct Group {
  Shows shows;
  std::string with;   // companion lines
  std::string cards;  // card lines, separated by ", "
  std::string left_out = "";
};

void PrintTo(const Group& g, std::ostream* os) {
  *os << g.cards;
}

// The input files are written, and the channel hotstart made, once for all tests.
class CardRuns : public ::testing::TestWithParam<Group> {
 protected:
  static void SetUpTestSuite() {
    scratch_ = std::make_unique<support::Scratch>();
    for (const auto& [name, v] : std::map<std::string, double>{
             {"mask", 1},     {"ksat", 0.5},     {"fast", 20},        {"cap", 10},
             {"por", 0.45},   {"moist", 0.1},    {"moist2", 0.3},     {"pore", 0.3},
             {"resid", 0.03}, {"residhi", 0.15}, {"rough", 0.2},      {"reten", 2},
             {"storage", 1},  {"icoeff", 0.5},   {"area", 0.3},       {"depth0", 0.02},
             {"wtable", 9.5}, {"wthigh", 9.99},  {"aqbottom", 9.985}, {"soiltype", 1},
             {"land", 1},     {"dike", 0}})
      scratch_->write(name + ".asc", support::raster_uniform(3, 3, 10, v));
    scratch_->write("elev.asc",
                    support::raster(3, 3, 10, "10.4 10.2 10.4\n10.3 10.1 10.3\n10.2 10 10.2\n"));
    scratch_->write("layers.txt",
                    "COLUMNS thickness ksat cap_head porosity theta_init\n"
                    "SOIL 1 2\n 10 0.5 11 0.45 0.15\n 100 0.2 30 0.38 0.25\n");
    scratch_->write(
        "rlayers.txt",
        "COLUMNS thickness node_dz ksat cap_head porosity theta_init residual pore_index "
        "bubbling wilting_point\nSOIL 1 2\n 10 1.0 1.3 11 0.43 0.20 0.027 0.25 -11.1 0.05\n"
        " 20 2.0 0.6 20 0.40 0.25 0.030 0.30 -20.0 0.05\n");
    // Table values start at character 87.
    scratch_->write(
        "map.tbl",
        "TORVA_INDEX_MAP_TABLES\nINDEX_MAP land.asc landuse\nROUGHNESS landuse\nNUM_IDS 1\n"
        "ID    DESCRIPTION\n" +
            std::string("1     grass").append(76, ' ') + "0.2000\n");
    scratch_->write(
        "rain.gag",
        "EVENT \"two gages\"\nNRGAG 2\nNRPDS 3\nCOORD 0.0 30.0 \"nw\"\nCOORD 30.0 0.0 \"se\"\n"
        "RATES 2026 6 1 12 00 10.0 90.0\nRATES 2026 6 1 12 05 0.0 0.0\n"
        "RATES 2026 6 1 12 10 0.0 0.0\n");
    // One link of three nodes under the middle column, its bed 0.3 m below the ground.
    scratch_->write(
        "channel.chn",
        "TORVA_CHAN\nALPHA 1\nBETA 1\nTHETA 1\nLINKS 1\nMAXNODES 3\nCONNECT 1 0 0\nLINK 1\n"
        "DX 10.00\nNODES 3\nMANNINGS_N 0.035\nTRAPEZOID\nNODE 1\nX_Y 15.00 25.00\n"
        "ELEV 9.9000\nXSEC\nBOTTOM_WIDTH 1.00\nBANKFULL_DEPTH 0.50\nSIDE_SLOPE 1.00\nNODE 2\n"
        "X_Y 15.00 15.00\nELEV 9.8000\nNODE 3\nX_Y 15.00 5.00\nELEV 9.7000\n");
    scratch_->write("loc.txt", "1\n1 2\n");
    scratch_->write("params.txt", "1\n[RI] %lf\n");
    scratch_->write("vals.txt", "50\n20\n");
    // A channel hotstart written by a run of its own, for the cards that read one.
    const Outcome& first = run(kBase + kCh + "WRITE_CHAN_HOTSTART chan.hot\n");
    ASSERT_TRUE(first.code == 0 && first.files.contains("chan.hot")) << first.console;
    scratch_->write("chan.hot", first.files.at("chan.hot"));
  }
  static void TearDownTestSuite() { scratch_.reset(); }

  // The outcome of a project of `body` run in the scratch folder as a fresh program would run
  // it; equal projects run once in the suite.
  static const Outcome& run(const std::string& body) {
    if (const auto hit = cache_.find(body); hit != cache_.end()) return hit->second;
    scratch_->write("card.prj", "TORVAPROJECT\n" + body);
    std::set<std::string> inputs;
    for (const auto& e : std::filesystem::directory_iterator(scratch_->dir()))
      inputs.insert(e.path().filename());
    RunContext ctx;
    // One thread: these runs are tiny, and on a busy machine idle threads only cost time.
    const int level = omp_get_max_threads();
    omp_set_num_threads(1);
    Outcome& o = cache_[body];
    ::testing::internal::CaptureStdout();
    o.code = run_simulation(ctx, "card.prj");
    for (const std::string& l : lines_of(::testing::internal::GetCapturedStdout()))
      if (!has(l, "time to init") && !has(l, "Run time")) o.console += l + "\n";
    omp_set_num_threads(level);
    for (const auto& e : std::filesystem::directory_iterator(scratch_->dir())) {
      const std::string name = e.path().filename();
      if (inputs.contains(name)) continue;
      if (name != "out_time.out") o.files[name] = scratch_->read(name);
      std::filesystem::remove_all(e.path());
    }
    return o;
  }
  static inline std::unique_ptr<support::Scratch> scratch_;
  static inline std::map<std::string, Outcome> cache_;
};

// The base project without `cards` and with them: each card and each companion line replaces
// the base line of its keyword, "@" among the companions marks where the cards go (first by
// default), and the keywords in `left_out` are dropped from both.
std::pair<std::string, std::string> projects(const std::vector<std::string>& cards,
                                             const std::string& with, const std::string& left_out) {
  const std::vector<std::string> extra = lines_of(has(with, "@") ? with : "@\n" + with);
  std::set<std::string> mine, drop;
  for (const std::string& l : cards) mine.insert(keyword_of(l));
  for (const std::string& l : lines_of(left_out + "\n" + with)) drop.insert(keyword_of(l));
  std::string without, with_cards;
  for (const std::string& l : lines_of(kBase))
    if (!mine.contains(keyword_of(l)) && !drop.contains(keyword_of(l))) without += l + "\n";
  with_cards = without;
  for (const std::string& l : extra) {
    if (l == "@") {
      for (const std::string& c : cards) with_cards += c + "\n";
    } else if (!mine.contains(keyword_of(l))) {
      without += l + "\n";
      with_cards += l + "\n";
    }
  }
  return {without, with_cards};
}

// Simulated cards that no run can tell apart: FLUSH_BUFFER only changes when the console is
// flushed; NON_ORTHO_CHANNELS is set already by CHAN_EXPLIC and DIFFUSIVE_WAVE, the only
// routing there is; ST_MAPPING_TABLE needs a stream index map of the network and has its own
// runs (tests/regression/test_stream_roughness.cpp).
const char* const kUnobservable[] = {"FLUSH_BUFFER", "NON_ORTHO_CHANNELS", "ST_MAPPING_TABLE"};
// The program stops a long-term run until evapotranspiration is simulated; the long-term tests
// show each of these cards changing a run through the driver.
const char* const kLongTerm[] = {"LONG_TERM",   "LATITUDE",       "LONGITUDE",
                                 "GMT",         "EVENT_MIN_Q",    "HMET_ZEB",
                                 "HMET_SAMSON", "HMET_SURFAWAYS", "INIT_SWE_DEPTH"};

const Group kGroups[] = {
    {each, "",
     "QOUT_CFS, CHAN_DRAIN, CHAN_BACKWATER, INTERCEPTION, STRICT_JULIAN_DATE, PRECIP_UNIF, "
     "OVERTYPE explicit, ROWS 3, COLS 3, TOT_TIME 10, OUTROW 3, OUTCOL 2, RAIN_DURATION 5, "
     "START_DATE 2026 6 1, START_TIME 12 0, END_TIME 2026 6 1 12 5, GRIDSIZE 10, TIMESTEP 30, "
     "OUTSLOPE 0.01, MANNING_N 0.05, HYD_FREQ 1, RAIN_INTENSITY 50, RETENTION 2, "
     "INIT_ELEV_HEAD 10.35, ST_TIME_STEP 10, WATERSHED_MASK mask.asc, ELEVATION elev.asc, "
     "RETEN_DEPTH reten.asc, DIKE_MAP dike.asc, EMBANKMENT dike.asc, LOWSPOT_FILE missing.low, "
     "OV_INIT_DEPTH depth0.asc, READ_OV_HOTSTART depth0.asc, REPLACE_FOLDER sub, "
     "OUTPUT_FOLDER sub, PROJECT_FOLDER proj, PROJECT_PATH proj"},
    {files, "",
     "DISCHARGE discharge, DEPTH depth, DIS_RAIN rain, SUMMARY run.sum, OUTLET_HYDRO run.hyd, "
     "SIG_OUTLET_HYDRO sig.hyd, QEX_HYDRO qex.hyd, WRITE_OV_HOTSTART ovout.hot"},
    {quiet, "", "QUIET, SUPER_QUIET"},
    {prints, "",
     "NUM_THREADS 2|Setting the thread level to 2., CHANNEL_DELTAT 5|Channel time step = 5, "
     "DRAIN_TIME 6|Drainage time = 6, N_LINKS 7|Number of links = 7, "
     "MAX_NODES 8|Number of nodes = 8, ALPHA 0.5|Alpha = 0.500000, BETA 0.5|Beta = 0.500000, "
     "THETA 0.5|Theta = 0.500000, CHANNEL_GRIDSIZE 5|Channel grid size = 5.000000, "
     "Q_MIN 0.01|Minimum channel flow = 0.010000, "
     "TIME_SERIES_FILE missing.ts|Error: Time series file not found [missing.ts], "
     "ELEV_SERIES_FILE missing.es|Error: Elevation series file not found [missing.es]"},
    {each, "DEPTH depth", "MAP_FREQ 5, MAP_TYPE 1"},
    {each, "CHANNEL_INPUT channel.chn", "CHAN_EXPLIC, DIFFUSIVE_WAVE"},
    {each, "CHAN_EXPLIC", "CHANNEL_INPUT channel.chn"},
    {each, kCh + "FIRST_ORDER_CHAN_Q 2", "OVERBANK_FLOW, OVERLAND_BACKWATER"},  // a full channel
    {each, kCh + "BOUND_DEPTH 0.4", "HEAD_BOUND"},
    {each, kCh + "READ_CHAN_HOTSTART chan.hot", "HOTSTART_IS_DEPTH"},
    {each, kCh,
     "STREAM_LOSS, MAX_COURANT_NUMBER 0.01, FIRST_ORDER_CHAN_Q 0.05, EXPLIC_BACKWATER "
     "chanout.hot, EXPLIC_HOTSTART chan.hot, READ_CHAN_HOTSTART chan.hot, IN_HYD_LOCATION "
     "loc.txt, OUT_HYD_LOCATION loc.txt, CHAN_POINT_INPUT missing.pts"},
    {files, kCh,
     "WRITE_CHAN_HOTSTART chanout.hot, CHAN_DEPTH d.lnk, CHAN_DISCHARGE q.lnk, CHAN_STAGE s.lnk, "
     "CHAN_VELOCITY v.lnk, FLOOD_STREAM f.lnk"},
    {each, kCh + "HEAD_BOUND", "BOUND_DEPTH 0.4, BOUND_TS missing"},
    {each, kCh + "STREAM_LOSS", "K_RIVER 0.5, WATER_TABLE wtable.asc"},
    {each, kCh + "STREAM_LOSS\nK_RIVER 0.5", "M_RIVER 2"},
    // An aquifer 5 mm thick above the bed gives the stream nothing.
    {each, kCh + "STREAM_LOSS\nK_RIVER 1\nWATER_TABLE wthigh.asc", "AQUIFER_BOTTOM aqbottom.asc"},
    {each, kCh + "NON_ORTHO_CHANNELS", "STREAM_CELL missing.gst"},
    {each, kSoil, "GREEN_AMPT, INF_REDIST"},
    {each, kGa, "UNIF_AREA_REDUCTION 0.3, AREA_REDUCTION area.asc"},
    {files, kGa, "INF_DEPTH infdep, RATE_OF_INFIL infrate"},
    // RESIDUAL_SAT above the initial moisture, which the redistribution then raises.
    {each, kRedist,
     "SOIL_MOIST_DEPTH 0.6, CONDUCTIVITY ksat.asc, CAPILLARY cap.asc, POROSITY por.asc, MOISTURE "
     "moist.asc, PORE_INDEX pore.asc, RESIDUAL_SAT residhi.asc, READ_SM_HOTSTART moist2.asc"},
    {files, kRedist, "SURF_MOIST surf, WRITE_SM_HOTSTART smout.hot"},
    {each, kSoil + "SOIL_TYPE_MAP soiltype.asc\nSOIL_LAYER_INPUT_FILE layers.txt",
     "INF_LAYERED_SOIL"},
    {each, kRichards,
     "INF_RICHARDS, RICHARDS_C_OPTION haverkamp, SOIL_TYPE_MAP soiltype.asc, "
     "SOIL_LAYER_INPUT_FILE rlayers.txt"},
    // Heavy rain that ponds and moves the heads far in one step.
    {each, kRichards + "RAIN_INTENSITY 300",
     "RICHARDS_UPPER_OPTION green, RICHARDS_ITER_MAX 5, RICHARDS_K_OPTION arithmetic, "
     "RICHARDS_DTHETA_MAX 0.05"},
    {each, kRichards + "RICHARDS_K_OPTION arithmetic\nRAIN_INTENSITY 300", "RICHARDS_WEIGHT 0.5"},
    {each, "PRECIP_FILE rain.gag\nRAIN_THIESSEN", "RAIN_INV_DISTANCE", kUniformRain},
    {each, "PRECIP_FILE rain.gag", "RAIN_THIESSEN", kUniformRain},
    {each, "", "PRECIP_FILE rain.gag", kUniformRain},
    {each, "", "MAPPING_TABLE map.tbl, ROUGHNESS rough.asc", "MANNING_N"},
    {each, "INTERCEPTION_COEFF icoeff.asc", "STORAGE_CAPACITY storage.asc"},
    {each, "STORAGE_CAPACITY storage.asc", "INTERCEPTION_COEFF icoeff.asc"},
    {each, "@\n" + kReplace, "REPLACE_LINE 2"},
    {each, kReplace, "REPLACE_PARAMS params.txt"},
    {each, "REPLACE_PARAMS params.txt\n@\nRAIN_INTENSITY [RI]", "REPLACE_VALS vals.txt"},
};

// The card lines of a group, without what a card prints.
std::vector<std::string> cards_of(const Group& g) {
  std::vector<std::string> out = split(g.cards);
  for (std::string& c : out) c = c.substr(0, c.find('|'));
  return out;
}

// The guard of the "Simulated" column: each card so marked has one row and is simulated.
TEST(CardTable, EverySimulatedCardHasARow) {
  std::set<std::string> simulated, covered(std::begin(kUnobservable), std::end(kUnobservable));
  covered.insert(std::begin(kLongTerm), std::end(kLongTerm));
  for (const CardSpec& c : card_table())
    if (!c.unsimulated && c.form != CardForm::none && c.form != CardForm::ignore)
      simulated.emplace(c.keyword);
  for (const Group& g : kGroups)
    for (const std::string& card : cards_of(g)) {
      EXPECT_TRUE(simulated.contains(keyword_of(card))) << card << " is not a simulated card";
      EXPECT_TRUE(covered.insert(keyword_of(card)).second) << card << " has two rows";
    }
  EXPECT_EQ(covered, simulated) << "every simulated card needs a row";
}

// Each card changes the run against the same run without it; the runs of a group share
// what they can and the cards that leave their own mark share one run.
TEST_P(CardRuns, EachCardOfTheGroupChangesTheRun) {
  const Group& g = GetParam();
  const std::vector<std::string> cards = cards_of(g);
  if (g.shows == files || g.shows == prints) {
    const auto [without, with] = projects(cards, g.with, g.left_out);
    const Outcome &a = run(without), &b = run(with);
    for (const std::string& card : split(g.cards)) {
      if (g.shows == prints) {
        const std::string text = card.substr(card.find('|') + 1) + "\n";
        EXPECT_FALSE(has(a.console, text)) << card;
        EXPECT_TRUE(has(b.console, text)) << card << "\n" << b.console;
        continue;
      }
      const std::string stem = card.substr(card.rfind(' ') + 1);
      const auto it = b.files.lower_bound(stem);
      EXPECT_TRUE(it != b.files.end() && it->first.starts_with(stem) &&
                  !a.files.contains(it->first))
          << card << " wrote no file of its name";
    }
    return;
  }
  for (const std::string& card : cards) {
    SCOPED_TRACE(card);
    const auto [without, with] = projects({card}, g.with, g.left_out);
    const Outcome &a = run(without), &b = run(with);
    if (g.shows == quiet) {
      EXPECT_NE(a.console, b.console);
    } else {
      EXPECT_TRUE(a.code != b.code || a.files != b.files) << "no change; code " << a.code;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Groups, CardRuns, ::testing::ValuesIn(kGroups),
                         [](const auto& info) { return keyword_of(cards_of(info.param)[0]); });

// The base run, without and with channels, and the same with every unsimulated card twice
// (nutrient cards after NUTRIENTS): each card only warns, once on the console and once in
// the summary.
TEST_F(CardRuns, UnsimulatedCardsLeaveTheRunAlone) {
  std::string cards = "NUTRIENTS\n";
  int count = 0;
  for (const CardSpec& c : card_table()) {
    const char* args = c.action == CardAction::calib_obj    ? " RMSE\n"
                       : c.action == CardAction::calib_comp ? " DAILY\n"
                                                            : " 1 2 3 4 5 6\n";
    // UNITS also prints its value (tests/input/test_project_file.cpp).
    if (c.unsimulated && c.keyword != "UNITS") cards += std::string(c.keyword) + args, ++count;
  }
  for (const std::string& both : {std::string(), kCh}) {
    const Outcome &a = run(kBase + both), &b = run(kBase + both + cards + cards);
    ASSERT_EQ(a.code + b.code, 0) << b.console;
    int warned = 0;
    // The lines of `text` but the warnings, which are counted.
    auto rest = [&](const std::string& text) {
      std::string out;
      for (const std::string& l : lines_of(text)) {
        if (has(l, " is not simulated by this version; the card is ignored")) {
          ++warned;
        } else {
          out += l + "\n";
        }
      }
      return out;
    };
    EXPECT_EQ(rest(b.console), rest(a.console));
    EXPECT_EQ(rest(b.files.at("run.sum")), rest(a.files.at("run.sum")));
    EXPECT_EQ(warned, 2 * count);
    std::map<std::string, std::string> files = b.files;
    files["run.sum"] = a.files.at("run.sum");
    EXPECT_TRUE(files == a.files);
    EXPECT_TRUE(has(b.files.at("run.hyd"), "   10.00 ")) << "the hydrograph reaches TOT_TIME";
  }
}

}  // namespace
}  // namespace torva
