// Project-file reader: token rules, card actions, special cards and the first line.
#include <gtest/gtest.h>
#include <omp.h>

#include <charconv>

#include "frame/run_context.hpp"
#include "input/card_table.hpp"
#include "input/project_reader.hpp"
#include "input/series_store.hpp"
#include "model/settings.hpp"
#include "test_cards_helpers.hpp"

namespace torva {
namespace {

using testing_support::write_file;

class CardsTest : public testing_support::ProcessTest {
 protected:
  // Reads "TORVAPROJECT\n" + body; returns what went to standard output.
  std::string read(const std::string& body, const char* name = "cards.prj") {
    const std::string path = write_file(name, "TORVAPROJECT\n" + body);
    ::testing::internal::CaptureStdout();
    read_project_file(path, settings, series);
    return ::testing::internal::GetCapturedStdout();
  }
  Settings settings;
  SeriesStore series;
};

TEST_F(CardsTest, GridSizeInAnyCaseAndWithAnySeparator) {
  for (const char* line : {"GRIDSIZE 30.5\n", "gridsize 30.5\n", "GridSize\t30.5\n",
                           "   GRIDSIZE,30.5\n", "\t GRIDSIZE , 30.5\n"}) {
    settings = Settings{};
    read(line);
    EXPECT_DOUBLE_EQ(settings.site.gridsize, 30.5) << line;
    EXPECT_TRUE(settings.site.gridsize_given) << line;
  }
  const std::string out = read("GRIDSIZEX 30.5\n");
  EXPECT_EQ(out, "Warning: unknown card found in the project file: GRIDSIZEX\n");
  EXPECT_FALSE(settings.site.gridsize_given);
}

// Every card field starts at the default its table row documents (what the card list shows),
// so the table and the records cannot drift apart; every simulated card is described.
TEST_F(CardsTest, FirstLineAloneLeavesEveryFieldAtItsDocumentedDefault) {
  read("");
  auto number = [](std::string_view text, auto& out) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size();
  };
  int fields = 0;
  for (const CardSpec& c : card_table()) {
    SCOPED_TRACE(std::string(c.keyword));
    if (!c.unsimulated && c.form != CardForm::none) {
      EXPECT_FALSE(c.description.empty());
    }
    if (!c.locate) continue;
    ++fields;
    const CardTarget at = c.locate(settings);
    const std::string_view d = c.default_value;
    int i = 0;
    double x = 0.0;
    if (at.i) {
      EXPECT_TRUE(number(d, i) && *at.i == i) << *at.i << " vs " << d;
    } else if (at.d) {
      EXPECT_TRUE(number(d, x) && *at.d == x) << *at.d << " vs " << d;
    } else if (at.text) {
      EXPECT_EQ(*at.text, d);
    } else if (at.opt) {
      EXPECT_TRUE(d.empty() && *at.opt == OptionalValue{});
    } else {
      for (int k = 0; k < 6; ++k) EXPECT_EQ(at.six[k], d);
    }
    if (at.given) {
      EXPECT_FALSE(*at.given);
    }
  }
  EXPECT_GT(fields, 300);
}

TEST_F(CardsTest, QuotedFileNameKeepsItsBlanks) {
  read("ELEVATION \"my maps/elev map.asc\"  trailing\nWATERSHED_MASK mask.asc\n");
  EXPECT_EQ(settings.maps.elevation, "my maps/elev map.asc");
  EXPECT_TRUE(settings.maps.elevation_given);
  EXPECT_EQ(settings.maps.watershed_mask, "mask.asc");
}

// Names are kept whole: a name cut to a fixed width would open some other file.
TEST_F(CardsTest, LongFileNameIsKeptWhole) {
  read("ELEVATION " + std::string(300, 'e') + "\n");
  EXPECT_EQ(settings.maps.elevation, std::string(300, 'e'));
}

TEST_F(CardsTest, MissingOrInvalidIntegersStoreZero) {
  read("ROWS\nCOLS abc\nTOT_TIME 60\nSTART_DATE 2020 7\n");
  EXPECT_EQ(settings.site.rows, 0);
  EXPECT_TRUE(settings.site.rows_given);
  EXPECT_EQ(settings.site.cols, 0);
  EXPECT_EQ(settings.site.tot_time, 60);
  EXPECT_EQ(settings.site.start_year, 2020);
  EXPECT_EQ(settings.site.start_month, 7);
  EXPECT_EQ(settings.site.start_day, 0);
}

TEST_F(CardsTest, DefaultsAreSetWhenTheFirstLineIsAccepted) {
  settings.site.rows = 99;
  read("");
  EXPECT_EQ(settings.site.rows, 0);
  EXPECT_DOUBLE_EQ(settings.unsimulated.event_min_q, 0.1);
  EXPECT_DOUBLE_EQ(settings.unsimulated.aquifer_delta_z, -999.9);
  EXPECT_EQ(settings.overland.overtype, 2);
  EXPECT_EQ(settings.unsimulated.calib_obj_func, 2);
  EXPECT_DOUBLE_EQ(settings.unsimulated.chan_ph, 7.2);
  EXPECT_EQ(settings.unsimulated.xwin_height, 660);
}

// Calibration is not simulated, so these cards keep nothing, but a malformed one is still a
// reading error that ends the file.
TEST_F(CardsTest, CalibrationCardsAreCheckedThoughIgnored) {
  struct Row {
    const char* line;
    int code;
  };
  const Row rows[] = {{"CALIB_OBJ_FUNC RMSE", 0},      {"CALIB_OBJ_FUNC HMLE", 0},
                      {"CALIB_OBJ_FUNC RMSE2", 104},   {"CALIB_OBJ_FUNC rmse", 104},
                      {"CALIB_COMP_DATA DAILYX", 0},   {"CALIB_COMP_DATA EVENT", 0},
                      {"CALIB_COMP_DATA hourly", 103}, {"CALIB_COMP_DATA", 103}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    run_context() = RunContext{};  // each case as in a fresh program
    read(std::string(row.line) + "\nROWS 5\n");
    EXPECT_EQ(error_code().code, row.code);
    EXPECT_EQ(settings.site.rows, row.code ? 0 : 5) << "reading must end at a bad card";
    EXPECT_EQ(settings.unsimulated.calib_obj_func, 2);
    EXPECT_EQ(settings.unsimulated.calib_comp_data, 2);
  }
}

TEST_F(CardsTest, OvertypeWordsAndNumbers) {
  read("OVERTYPE ADE-PC\n");
  EXPECT_EQ(settings.overland.overtype, 3);
  read("OVERTYPE explicit\n");
  EXPECT_EQ(settings.overland.overtype, 1);
  read("OVERTYPE 1\n");
  EXPECT_EQ(settings.overland.overtype, 1);
  read("OVERTYPE kinematic\n");
  EXPECT_EQ(settings.overland.overtype, 2);
}

TEST_F(CardsTest, RichardsOptionWords) {
  read("RICHARDS_K_OPTION ARITHMETIC\nRICHARDS_C_OPTION haverkamp\nRICHARDS_UPPER_OPTION avg\n");
  EXPECT_EQ(settings.infil.richards_k_option, 1);
  EXPECT_EQ(settings.infil.richards_c_option, 2);
  EXPECT_EQ(settings.infil.richards_upper_option, 0);
  read("RICHARDS_K_OPTION other\nRICHARDS_UPPER_OPTION Average\n");
  EXPECT_EQ(settings.infil.richards_k_option, 2);
  EXPECT_EQ(settings.infil.richards_upper_option, 3);
}

TEST_F(CardsTest, ChannelSelectorLastCardWins) {
  read("CHAN_EXPLIC\nCHAN_DRAIN\n");
  EXPECT_EQ(settings.channel.chan_method, ChannelMethod::drain);
  EXPECT_EQ(settings.channel.non_ortho_channels, 1);
  read("DIFFUSIVE_WAVE\n");
  EXPECT_EQ(settings.channel.chan_method, ChannelMethod::diffusive_wave);
  read("INF_RICHARDS\nINF_REDIST\n");
  EXPECT_EQ(settings.infil.infil_method, InfilMethod::redist);
}

TEST_F(CardsTest, RetentionDepthNumberOrFile) {
  std::string out = read("RETEN_DEPTH 2.5\n");
  EXPECT_DOUBLE_EQ(settings.overland.retention, 2.5);
  EXPECT_FALSE(settings.maps.reten_depth_given);
  EXPECT_NE(out.find("Using 2.500000 for the uniform retention depth\n\n"), std::string::npos);
  read("RETEN_DEPTH 3dmap.asc\n");
  EXPECT_EQ(settings.maps.reten_depth, "3dmap.asc");
  EXPECT_TRUE(settings.maps.reten_depth_given);
}

// Nutrients are not simulated: the cards keep nothing, but their order is still checked.
TEST_F(CardsTest, NutrientCardsNeedTheNutrientsCardFirst) {
  read("NUTRIENTS\nOV_INIT_NO3 0.5\nST_INIT_DO\nOV_DOC_INIT doc.asc\nOUT_HYD_DP dp.out\n");
  EXPECT_EQ(error_code().code, 0);
  EXPECT_EQ(settings.unsimulated.nutrients, 0);
  EXPECT_EQ(settings.unsimulated.ov_init_no3.kind, 0);
  EXPECT_EQ(settings.unsimulated.out_hyd_dp, "");

  read("OUT_ST_NH4 x.out\nROWS 4\n");
  EXPECT_EQ(error_code().code, 79);
  EXPECT_EQ(error_code().what, "OUT_ST_XX");
  EXPECT_EQ(settings.site.rows, 0);
}

TEST_F(CardsTest, EchoCardsPrintAndKeepNothing) {
  const std::string out = read("ALPHA 0.25\nCHANNEL_DELTAT 5\nUNITS 1\n");
  // Every run is metric whatever UNITS says, so the flag is echoed but not kept.
  EXPECT_EQ(out,
            "Alpha = 0.250000\nChannel time step = 5\n"
            "Warning: UNITS is not simulated by this version; the card is ignored\n"
            "Units flag = 1\n");
  EXPECT_EQ(settings.unsimulated.units, 0);
}

TEST_F(CardsTest, UnsimulatedCardsWarnOncePerCard) {
  const std::string out = read("LONG_TERM\nSTORM_SEWER pipes.txt\nLONG_TERM\nGW_SIMULATION\n");
  EXPECT_EQ(out,
            "Warning: LONG_TERM is not simulated by this version; the card is ignored\n"
            "Warning: STORM_SEWER is not simulated by this version; the card is ignored\n"
            "Warning: GW_SIMULATION is not simulated by this version; the card is ignored\n");
  EXPECT_TRUE(settings == Settings{}) << "nothing of an ignored card is kept";
}

// An ignored card must not reach any value a stage reads, nor the process settings: the
// records come out exactly as for the same file without the card.
TEST_F(CardsTest, UnsimulatedCardsChangeNothing) {
  const std::string base = "GRIDSIZE 10\nTOT_TIME 60\nMANNING_N 0.05\nCHAN_EXPLIC\nGREEN_AMPT\n";
  read(base);
  const Settings expected = settings;
  const int threads = run_context().thread_count;
  int cards = 0;
  for (const CardSpec& c : card_table()) {
    if (!c.unsimulated) continue;
    const std::string kw(c.keyword);
    SCOPED_TRACE(kw);
    run_context() = RunContext{};  // each case as in a fresh program
    // Arguments that read without error; NUTRIENTS first so the nutrient cards pass their
    // order check.
    const std::string args = c.action == CardAction::calib_obj    ? " RMSE"
                             : c.action == CardAction::calib_comp ? " DAILY"
                                                                  : " 1 2 3 4 5 6";
    const std::string out = read("NUTRIENTS\n" + base + kw + args + "\n");
    EXPECT_EQ(error_code().code, 0);
    EXPECT_TRUE(settings == expected);
    EXPECT_EQ(run_context().output_folder, "");
    EXPECT_EQ(run_context().batch_index, 0);
    EXPECT_FALSE(run_context().super_quiet);
    EXPECT_EQ(run_context().thread_count, threads);
    const std::string warning = "Warning: " + kw + " is not simulated by this version";
    EXPECT_NE(out.find(warning + "; the card is ignored\n"), std::string::npos);
    ++cards;
  }
  EXPECT_GT(cards, 200);
}

TEST_F(CardsTest, CommentsBlankLinesAndIgnoredCards) {
  const std::string out = read("\n# GRIDSIZE 9\n#x\nQEX 1\nMETRIC\nSIMULATION_INPUT x\n");
  EXPECT_EQ(out, "");
  EXPECT_FALSE(settings.site.gridsize_given);
}

// NUM_THREADS sets the OpenMP level only; the process thread count (which prefixes the run
// time line) stays what the command line found.
TEST_F(CardsTest, ThreadLevel) {
  const int saved_level = omp_get_max_threads();
  const int saved_count = run_context().thread_count;
  run_context().thread_count = 5;
  omp_set_num_threads(3);
  EXPECT_EQ(read("NUM_THREADS 0\n"), "Error: unable to set the thread level to 0.\n");
  EXPECT_EQ(omp_get_max_threads(), 3);
  EXPECT_EQ(read("NUM_THREADS 1\n"), "Setting the thread level to 1.\n");
  EXPECT_EQ(omp_get_max_threads(), 1);
  EXPECT_EQ(run_context().thread_count, 5);
  run_context().thread_count = saved_count;
  omp_set_num_threads(saved_level);
}

TEST_F(CardsTest, FoldersAndReplaceLine) {
  read("OUTPUT_FOLDER out\nPROJECT_FOLDER \"\"\nREPLACE_LINE 3\n");
  EXPECT_EQ(run_context().output_folder, "out\\");
  EXPECT_EQ(run_context().project_folder, "");
  EXPECT_EQ(run_context().batch_index, 2);
  read("PROJECT_PATH proj\\\n");
  EXPECT_EQ(run_context().project_folder, "proj\\");
}

TEST_F(CardsTest, SuperQuietIsProcessWide) {
  read("SUPER_QUIET\n");
  EXPECT_EQ(settings.site.super_quiet, 1);
  EXPECT_TRUE(run_context().super_quiet);
}

TEST_F(CardsTest, KeywordCompare) {
  EXPECT_TRUE(keyword_equal("GridSize 3", "  gridsize"));
  EXPECT_FALSE(keyword_equal("GRIDSIZE", "GRIDSIZEX"));
  EXPECT_FALSE(keyword_equal("GRID", "GRIDSIZE"));
}

// Every keyword of the table is recognised in upper and lower case, and one letter more
// makes it unknown.
TEST_F(CardsTest, EveryKeywordIsRecognised) {
  std::size_t n = 0;
  for (const CardSpec& c : card_table()) {
    const std::string kw(c.keyword);
    ASSERT_EQ(find_card(kw), &c) << kw;
    std::string low = kw;
    for (char& ch : low) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    EXPECT_EQ(find_card(low), &c) << kw;
    EXPECT_EQ(find_card(kw + "X"), nullptr) << kw;
    ++n;
  }
  EXPECT_EQ(n, 394u);
  // A project file of every keyword reads without an unknown-card warning.
  std::string body = "NUTRIENTS\n";
  for (const CardSpec& c : card_table())
    if (c.form != CardForm::keyword && c.action != CardAction::super_quiet)
      body += std::string(c.keyword) + " 1\n";
  const std::string out = read(body);
  EXPECT_EQ(out.find("unknown card"), std::string::npos);
  EXPECT_NE(out.find("Warning: XBIG is not simulated"), std::string::npos);
  EXPECT_EQ(error_code().code, 0);
}

}  // namespace
}  // namespace torva
