// The project file: token rules, what each form of card keeps and prints, the first line,
// damaged files, the line readers, replacement parameters, the start-up option checks, the
// time settings and what the project-file stage hands on.
#include <gtest/gtest.h>
#include <omp.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <sstream>
#include <tuple>

#include "frame/clock.hpp"
#include "frame/report.hpp"
#include "input/card_table.hpp"
#include "input/input_stages.hpp"
#include "input/line_reader.hpp"
#include "input/option_checks.hpp"
#include "input/project_reader.hpp"
#include "input/raster.hpp"
#include "input/replace.hpp"
#include "input/time_settings.hpp"
#include "model/model_state.hpp"
#include "support/project_run.hpp"
#include "support/reader_sweep.hpp"

namespace torva {
namespace {

using support::has;

// The values joined by blanks, as the rows of a table state them.
template <class... T>
std::string text(const T&... v) {
  std::ostringstream o;
  ((o << v << ' '), ...);
  std::string s = o.str();
  return s.substr(0, s.size() - 1);
}

const char* kRejected =
    "File Does not Appear to be a Valid TORVA/KEVRIN Project file\n"
    "Perhaps you Should Issue a 'dos2unix' Command if you are on a Unix machine?\n"
    "TORVA Terminating....\n";

class CardsTest : public support::ScratchTest<> {
 protected:
  // Reads `bytes` as a project file; returns what it printed (standard error in `err`).
  std::string read_file(const std::string& bytes) {
    write("cards.prj", bytes);
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    read_project_file(path("cards.prj"), settings, series);
    err = ::testing::internal::GetCapturedStderr();
    return ::testing::internal::GetCapturedStdout();
  }
  std::string read(const std::string& body) { return read_file("TORVAPROJECT\n" + body); }
  Settings settings;
  SeriesStore series;
  std::string err;
};

// Each row reads `body` in a fresh run context and states the fields it sets as text, and
// (unless "?") the exact console.
TEST_F(CardsTest, WhatEachCardKeepsAndPrints) {
  using Get = std::function<std::string(const Settings&)>;
  const Get grid = [](auto& s) { return text(s.site.gridsize, s.site.gridsize_given); };
  const Get over = [](auto& s) { return text(s.overland.overtype); };
  const Get code_rows = [](auto& s) { return text(error_code().code, s.site.rows); };
  const Get chan = [](auto& s) {
    return text(int(s.channel.chan_method), int(s.infil.infil_method));
  };
  const Get reten = [](auto& s) {
    return text(s.overland.retention, s.maps.reten_depth, s.maps.reten_depth_given);
  };
  const Get files = [](auto& s) {
    const RunContext& c = run_context();
    return text(c.output_folder, c.project_folder, c.batch_index, c.super_quiet, s.site.super_quiet,
                omp_get_max_threads());
  };
  const Get elev = [](auto& s) { return text(s.maps.elevation, s.site.rows); };
  const Get rows_etc = [](auto& s) {
    const SiteCards& t = s.site;
    return text(t.rows, t.rows_given, t.cols, t.tot_time, t.start_year, t.start_month, t.start_day);
  };
  const Get richards = [](auto& s) {
    return text(s.infil.richards_k_option, s.infil.richards_c_option,
                s.infil.richards_upper_option);
  };
  const std::string es(300, 'e'), warn = " is not simulated by this version; the card is ignored\n";
  const std::string unknown = "Warning: unknown card found in the project file: ";
  const struct {
    std::string body;
    Get got;
    std::string want, console = "?";
  } rows[] = {
      // clang-format off
      {"\t GridSize , 30.5\n", grid, "30.5 1", ""},
      {"GRIDSIZEX 30.5\nGRID 5\n", grid, "0 0", unknown + "GRIDSIZEX\n" + unknown + "GRID\n"},
      {"\n# GRIDSIZE 9\n#x\nQEX 1\nMETRIC\nSIMULATION_INPUT x\n", grid, "0 0", ""},
      {"ELEVATION \"my maps/elev map.asc\"  trailing\nROWS 12x\n", elev, "my maps/elev map.asc 12", ""},
      {"ELEVATION " + es + "\n", elev, es + " 0", ""},  // a name cut short opens another file
      {"ROWS 4\r\nELEVATION e.asc\r\n", elev, "e.asc 4", ""},
      {",,,\n\t\nELEVATION \"open quote\n\"\nROWS \"\"\n", elev, "open quote 0", unknown + "\n"},
      {"ROWS\nCOLS abc\nTOT_TIME 60\nSTART_DATE 2020 7\n", rows_etc, "0 1 0 60 2020 7 0", ""},
      {"OVERTYPE ADE-PC\n", over, "3", ""},
      {"OVERTYPE explicit\n", over, "1", ""},
      {"OVERTYPE 1\n", over, "1", ""},
      {"OVERTYPE kinematic\n", over, "2", ""},
      {"RICHARDS_K_OPTION ARITHMETIC\nRICHARDS_C_OPTION haverkamp\nRICHARDS_UPPER_OPTION avg\n", richards, "1 2 0", ""},
      {"RICHARDS_K_OPTION other\nRICHARDS_UPPER_OPTION Average\nRICHARDS_C_OPTION haverkamp\n", richards, "2 2 3", ""},
      {"CHAN_EXPLIC\nCHAN_DRAIN\nINF_RICHARDS\nINF_REDIST\n", chan, text(int(ChannelMethod::drain), int(InfilMethod::redist)), ""},
      {"DIFFUSIVE_WAVE\nINF_RICHARDS\n", chan, text(int(ChannelMethod::diffusive_wave), int(InfilMethod::richards)), ""},
      {"RETEN_DEPTH 2.5\n", reten, "2.5  0", "Warning: Incorrect use of RETEN_DEPTH card\n  Usage: RETEN_DEPTH "
       "<filename>-or-\nRETENTION <value>  -or-\nRETEN_DEPTH \n  Using 2.500000 for the uniform retention depth\n\n"},
      {"RETEN_DEPTH 3dmap.asc\n", reten, "0 3dmap.asc 1", ""},
      {"OUTPUT_FOLDER out\nPROJECT_FOLDER \"\"\nREPLACE_LINE 3\nNUM_THREADS 1\n", files, "out\\  2 0 0 1",
       "Setting the thread level to 1.\n"},
      {"PROJECT_PATH proj\\\nSUPER_QUIET\nNUM_THREADS 0\n", files, text("", "proj\\", 0, 1, 1, omp_get_max_threads())},
      {"ALPHA 0.25\nCHANNEL_DELTAT 5\nUNITS 1\nNUM_THREADS 0\n", code_rows, "0 0", "Alpha = 0.250000\nChannel time "
       "step = 5\nWarning: UNITS" + warn + "Units flag = 1\nError: unable to set the thread level to 0.\n"},
      // Calibration and nutrients are not simulated, but a malformed or misplaced card still
      // ends the file with its error.
      {"CALIB_OBJ_FUNC RMSE\nCALIB_OBJ_FUNC HMLE\nCALIB_COMP_DATA DAILYX\nCALIB_COMP_DATA EVENT\nNUTRIENTS\n"
       "OV_INIT_NO3 0.5\nST_INIT_DO\nOV_DOC_INIT doc.asc\nOUT_HYD_DP x\nROWS 5\n", code_rows, "0 5"},
      {"CALIB_OBJ_FUNC RMSE2\nROWS 5\n", code_rows, "104 0"},
      {"CALIB_COMP_DATA hourly\nROWS 5\n", code_rows, "103 0"},
      {"OUT_ST_NH4 x.out\nROWS 4\n", [](auto& s) { return text(error_code().what, s.site.rows); }, "OUT_ST_XX 0"},
      // clang-format on
  };
  const int level = omp_get_max_threads();
  for (const auto& row : rows) {
    SCOPED_TRACE(row.body);
    run_context() = RunContext{};
    omp_set_num_threads(level);
    const std::string out = read(row.body);
    EXPECT_EQ(row.got(settings), row.want);
    EXPECT_TRUE(row.console == "?" || out == row.console) << out;
  }
  omp_set_num_threads(level);
}

// Every field starts at the default its table row documents (the card list shows these), and
// every simulated card is described.
TEST_F(CardsTest, FirstLineAloneLeavesEveryFieldAtItsDocumentedDefault) {
  settings.site.rows = 99;
  read("");
  for (const CardSpec& c : card_table()) {
    SCOPED_TRACE(std::string(c.keyword));
    EXPECT_TRUE(c.unsimulated || c.form == CardForm::none || !c.description.empty());
    if (!c.locate) continue;
    const CardTarget at = c.locate(settings);
    const std::string d(c.default_value);
    char* end = nullptr;
    const double x = std::strtod(d.c_str(), &end);
    const bool number = !d.empty() && *end == '\0';  // the whole text, as a number
    EXPECT_TRUE(!at.i || (number && *at.i == x)) << d;
    EXPECT_TRUE(!at.d || (number && *at.d == x)) << d;
    EXPECT_TRUE(!at.text || *at.text == d);
    EXPECT_TRUE(!at.opt || (d.empty() && *at.opt == OptionalValue{}));
    for (int k = 0; at.six && k < 6; ++k) EXPECT_EQ(at.six[k], d);
    EXPECT_TRUE(!at.given || !*at.given);
  }
}

TEST_F(CardsTest, FirstLineMustBeExact) {
  for (const char* bytes : {"", "TORVAPROJECT \nROWS 3\n", "TORVAPROJECT\r\nROWS 3\r\n"}) {
    run_context() = RunContext{};
    read_file(bytes);
    EXPECT_EQ(err, kRejected) << bytes;
    EXPECT_EQ(error_code().stopping_code, 4000);
  }
  run_context() = RunContext{};
  read_file("KEVRINPROJECT");
  EXPECT_EQ(err + std::to_string(error_code().stop), "0");
}

TEST_F(CardsTest, OverlongLinesAreCutAndWarnedAbout) {
  const std::string out = read("ELEVATION " + std::string(100000, 'x') + "\nROWS 2\n");
  EXPECT_TRUE(has(out, "Warning: line 2 of the project file"));
  EXPECT_EQ(settings.maps.elevation.size(), kMaxLine - std::string("ELEVATION ").size());
  EXPECT_EQ(settings.site.rows, 2) << "the rest of the long line is not read as cards";
}

// Quiet runs: a stop with code 4000 has printed its own text, any other code has its message.
TEST_F(CardsTest, DamagedFilesAreReadOrRefused) {
  ::testing::internal::CaptureStderr();  // the rejected first lines
  support::reader_sweep(
      *this,
      "TORVAPROJECT\nROWS 3\nELEVATION \"e m.asc\"\nCALIB_OBJ_FUNC RMSE\nNUTRIENTS\nOUT_HYD_DP x\n"
      "OVERTYPE ade\n",
      [&](const std::string& p) {
        Settings s;
        run_context().super_quiet = true;
        read_project_file(p, s, series);
        const ErrorCode& e = error_code();
        return e.code == 0 || e.code == 4000 || !error_message(e.code, e).empty();
      });
  ::testing::internal::GetCapturedStderr();
}

// Replacement parameters: declarations, the value line a batch index selects, the
// substitution and its messages.
TEST_F(CardsTest, ReplacementParameters) {
  const std::string n600(600, 'n');
  const struct {
    std::string params, values;
    int batch;
    std::string line, want, console;
  } rows[] = {
      {"3\n[KS_1] \"v=%-9.3e m\"\n  [N]  \"%+04i\"\n[NAME]\n", "1.5 7\n", 0, "KS [KS_1] N [N]",
       "KS v=1.500e+00 m N +007",
       "Error: Improperly formatted line in the replacement parameter file\nline:[NAME]\n"
       "---> The format must be a C-style format in quotes, such as \"%4.2lf\"\n"},
      {"1\n[A] %d\n", "5\n", 0, "a [B] [A]", "a [B] 5",
       "Error: unable to match replace pair: a [B] [A]\n"},
      {"1\n[A] %d\n", "1\n2\n3\n", 1, "[A]", "2", ""},
      {"1\n[A] %d\n", "1\n2\n3\n", 5, "[A]", "3", ""},  // beyond the end: the last line
      {"1\n[A] %d\n", "1\n", -1, "[A]", "[A]", ""},     // no line at all
      {"1\n[F] %s\n", "\"" + n600 + " x\"\n", 0, "MAP [F]", "MAP " + n600 + " x", ""},
      {"1\n[A] %s\n", "x[A]\n", 0, "[A]", "", "?"},  // a value holding its own key stops
      {"2\n[K] %5.2lf\n[N] %d\n", "0 0\n", -2, "[K] [N]", " 1.25 4", ""},  // trial values
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.params + row.line);
    run_context() = RunContext{};
    run_context().batch_index = row.batch;
    write("params.txt", row.params);
    write("values.txt", row.values);
    std::string line = row.line;
    ::testing::internal::CaptureStdout();
    load_replace_parameters(path("params.txt"));
    load_replace_values(path("values.txt"));
    const double trial[] = {1.25, 4.0};
    if (row.batch == -2) assign_trial_values(trial);
    if (run_context().replace.active) apply_replacements(line);
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_TRUE(row.console == "?" || out == row.console) << out;
    EXPECT_TRUE(row.want.empty() || line == row.want) << line;
    EXPECT_LE(line.size(), kMaxLine);
  }
}

TEST_F(CardsTest, ReplacementFormatsAndFileFaults) {
  // No conversion, overlong width or precision, an unknown conversion, two conversions.
  write("p.txt", "5\n[A] plain\n[A] %999lf\n[A] %.999f\n[A] %n\n[A] \"%d%d\"\n");
  ::testing::internal::CaptureStdout();
  load_replace_parameters(path("p.txt"));
  const std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(std::count(out.begin(), out.end(), '>'), 5) << out;  // each refused
  EXPECT_TRUE(run_context().replace.params.empty());
  const struct {
    const char* params;  // null: no such file
    bool values;
    std::string message;
  } rows[] = {
      // clang-format off
      {nullptr, false, "Error: unable to open the replace parameter file.\n"},
      {"3\n[A] %d\n", false, "Error: unexpected end of parameter list file after 1 parameters. Expecting 3\n"},
      {"many\n", false, "Error: unable to read the number of parameters in the parameter list file\n"},
      {nullptr, true, "Error: unable to open the value file " + path("none.txt")},
      // clang-format on
  };
  for (const auto& row : rows) {
    if (row.params) write("p.txt", row.params);
    const std::string file = path(row.params ? "p.txt" : "none.txt");
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(row.values ? load_replace_values(file) : load_replace_parameters(file), -1);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), row.message);
  }
}

// The first line too is read after replacement.
TEST_F(CardsTest, ReplacementInTheFirstLine) {
  write("p.txt", "2\n[MAGIC] %s\n[R] %d\n");
  write("v.txt", "TORVAPROJECT 12\n");
  ::testing::internal::CaptureStdout();
  load_replace_parameters(path("p.txt"));
  load_replace_values(path("v.txt"));
  ::testing::internal::GetCapturedStdout();
  read_file("[MAGIC]\nROWS [R]\n");
  EXPECT_EQ(text(error_code().code, settings.site.rows), "0 12");
}

class ReplaceRunTest : public support::ProjectRunTest<> {};

// The value list at start-up and the use report at the end of initialisation, in a real run.
TEST_F(ReplaceRunTest, ReportsComeInStartUpOrder) {
  write("p.txt", "2\n[DT] \"%d\"\n[UNUSED] %4.2lf\n");
  write("v.txt", "60 1.5\n30 2.5\n");
  std::string cards = basin(1, 1, 10.0, 2, 1);
  cards.replace(cards.find("SUPER_QUIET\n"), 12, "");
  cards.replace(cards.find("TIMESTEP 30"), 11, "TIMESTEP [DT]");
  cards.insert(cards.find('\n') + 1, "REPLACE_LINE 2\nREPLACE_PARAMS p.txt\nREPLACE_VALS v.txt\n");
  quiet = false;
  ASSERT_EQ(run(cards), 0) << console;
  const auto list =
      console.find("\nUsing replacement values:\n [DT]           = 30\n [UNUSED]       = 2.50\n\n");
  const auto use = console.find(
      "\nTotal times a value was replaced: 1\n\n\nWas replacement value used?:\n"
      " [DT]           = Yes\n [UNUSED]       = No\n\n");
  ASSERT_NE(list, std::string::npos) << console;
  ASSERT_NE(use, std::string::npos) << console;
  EXPECT_LT(list, use);
  EXPECT_LT(use, console.find("total time to init(s)"));
}

// Each sequence changes one Settings step by step; each step names the code the first failing
// check then gives, and a part of what it prints. (Checks of unsimulated cards are left out:
// the reader keeps those cards apart, so no project file reaches them.)
TEST(OptionChecks, FirstFailingCheckWins) {
  struct Step {
    std::function<void(Settings&)> change;
    int code;
    std::string says = "";
  };
  using S = Settings&;
  // clang-format off
  const std::vector<std::vector<Step>> sequences = {
      {{[](S) {}, 0},
       {[](S s) { s.maps.roughness_given = s.overland.manning_n_given = true, s.precip.precip_unif = 1; }, 6},
       {[](S s) { s.overland.manning_n_given = false; }, 11},  // uniform rain without intensity
       {[](S s) { s.precip.precip_file_given = true; }, 10}},
      {{[](S s) { s.channel.chan_drain = s.channel.chan_backwater = 1; }, 34},
       {[](S s) { s.channel.chan_backwater = 0, s.channel.chan_method = ChannelMethod::drain; }, 35},
       // Routing without a network would keep all water on the land.
       {[](S s) { s.channel.chan_method = ChannelMethod::diffusive_wave; }, 4000, "\nError: channel routing "
        "(CHAN_EXPLIC or DIFFUSIVE_WAVE) needs the channel network: give its file with the CHANNEL_INPUT card.\n"},
       {[](S s) { s.channel.channel_input_given = true; }, 0}},
  };
  // clang-format on
  for (const auto& steps : sequences) {
    Settings s;
    for (std::size_t k = 0; k < steps.size(); ++k) {
      steps[k].change(s);
      ::testing::internal::CaptureStdout();
      EXPECT_EQ(check_options(s), steps[k].code) << "step " << k;
      const std::string out = ::testing::internal::GetCapturedStdout();
      EXPECT_TRUE(has(out, steps[k].says)) << out;
    }
  }
}

// Steps per hydrograph and map output from the time step and the frequencies (their defaults
// one and six hours), and the codes of impossible settings.
TEST(TimeSettingsTest, StepsFromFrequenciesAndDefaults) {
  // TIMESTEP, ST_TIME_STEP, HYD_FREQ, MAP_FREQ and OUTSLOPE; the code, or 0 and the steps.
  for (const auto& [dt, st, hyd, map, slope, want] :
       {std::tuple(30.0, 10.0, 5.0, 60, 0.01, "0 10 30 360"),
        std::tuple(30.0, 0.0, 0.0, 0, 0.01, "0 30 120 720"),
        std::tuple(30.0, 0.0, 0.0, 0, 0.0, "56"), std::tuple(0.001, 0.0, 0.0, 0, 0.01, "52")}) {
    run_context() = RunContext{};
    Settings set;
    set.site.timestep = dt, set.site.st_time_step = st, set.site.hyd_freq = hyd;
    set.site.map_freq = map, set.site.outslope = slope;
    ::testing::internal::CaptureStdout();
    const TimeSettings t = derive_time_settings(set, false);
    const std::string out = ::testing::internal::GetCapturedStdout();
    const int code = error_code().code;
    EXPECT_EQ(code ? std::to_string(code) : text(code, int(t.dt), t.hyd_steps, t.map_steps), want);
    EXPECT_TRUE(
        code ||
        (has(out, "Warning: Write hydrograph time step not specified, defaulting to 1 hour.\n") &&
         has(out, "Warning: Write solution time step not specified, defaulting to 6 hours.\n")) ==
            (map == 0));
  }
}

// The project-file stage hands the cards to the clock and the run flags; MAP_TYPE 4 stops.
TEST_F(CardsTest, StageSetsTheClockAndTheRunFlags) {
  std::unique_ptr<ModelState> m;
  auto stage = [&](const std::string& cards) {
    m = std::make_unique<ModelState>();
    write("t.prj", "TORVAPROJECT\n" + cards);
    m->project_file = path("t.prj");
    ::testing::internal::CaptureStdout();
    stage_read_project(*m);
    return ::testing::internal::GetCapturedStdout();
  };
  const std::string out = stage(
      "START_DATE 2020 6 1\nSTART_TIME 12 30\nTOT_TIME 90\nEND_TIME 2020 6 2 0 0\nQUIET\nQOUT_CFS\n"
      "FLUSH_BUFFER 4\nCHAN_EXPLIC\n");
  EXPECT_EQ(out, "reading run parameters from project file: " + m->project_file +
                     "\n\nfinished reading project file\n");
  EXPECT_EQ(error_code().code, 0);
  EXPECT_DOUBLE_EQ(m->clock.start_time, julian_date(2020, 6, 1, 12, 30, 0.0));
  EXPECT_NEAR(m->clock.end_time - m->clock.start_time, 90.0 / 1440.0, 1e-12);
  EXPECT_DOUBLE_EQ(m->clock.fixed_end_time, julian_date(2020, 6, 2, 0, 0, 0.0));
  EXPECT_EQ(text(m->clock.fixed_end, m->run.quiet, m->run.flow_cfs, m->run.flush_period,
                 int(m->run.channel_method)),
            text(1, 1, 1, 4, int(ChannelMethod::diffusive_wave)));
  stage("MAP_TYPE 4\n");
  EXPECT_EQ(error_code().code, 5);
}

// Only grid cards given in the file override the mask header.
TEST(TimeStage, CopiesOnlyGivenGridCards) {
  ModelState m;
  m.grid.rows = 7;  // as a mask header would have set it
  SiteCards& site = m.settings.site;
  site.timestep = 60.0, site.hyd_freq = 10.0, site.map_freq = 30, site.outslope = 0.02;
  site.cols = 11;
  site.cols_given = true;
  stage_time_settings(m);
  EXPECT_EQ(error_code().code, 0);
  EXPECT_DOUBLE_EQ(m.clock.dt_days * 86400.0, 60.0);
  EXPECT_EQ(std::to_string(m.run.hyd_steps) + " " + std::to_string(m.run.map_steps) + " " +
                std::to_string(m.grid.rows) + " " + std::to_string(m.grid.cols),
            "10 30 7 11");
}

}  // namespace
}  // namespace torva
