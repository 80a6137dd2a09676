// Start-up option checks, time settings and the transfer step of the project-file stage.
#include <gtest/gtest.h>

#include "frame/clock.hpp"
#include "frame/run_context.hpp"
#include "input/input_stages.hpp"
#include "input/option_checks.hpp"
#include "input/time_settings.hpp"
#include "model/model_state.hpp"
#include "test_cards_helpers.hpp"

namespace torva {
namespace {

using testing_support::write_file;

class OptionsTest : public testing_support::ProcessTest {
 protected:
  int check() {
    ::testing::internal::CaptureStdout();
    const int code = check_options(s);
    out = ::testing::internal::GetCapturedStdout();
    return code;
  }
  Settings s;
  std::string out;
};

TEST_F(OptionsTest, FirstFailingCheckWins) {
  EXPECT_EQ(check(), 0);
  s.maps.roughness_given = s.overland.manning_n_given = true;
  s.precip.precip_unif = 1;
  EXPECT_EQ(check(), 6);
  s.overland.manning_n_given = false;
  EXPECT_EQ(check(), 11) << "uniform rain without intensity";
  s.precip.precip_file_given = true;
  EXPECT_EQ(check(), 10);
}

TEST_F(OptionsTest, HydrometFilesAndLongTerm) {
  s.unsimulated.hmet_samson_given = s.unsimulated.hmet_zeb_given = true;
  EXPECT_EQ(check(), 8);
  s.unsimulated.hmet_zeb_given = false;
  s.unsimulated.long_term = 1;
  EXPECT_EQ(check(), 9);
  s.unsimulated.et_calc_penman = s.unsimulated.et_calc_deardorff = 1;
  EXPECT_EQ(check(), 7);
  s.unsimulated.et_calc_deardorff = 0;
  EXPECT_EQ(check(), 20);
  s.infil.infil_method = InfilMethod::redist;
  EXPECT_EQ(check(), 21);
  s.unsimulated.albedo_given = true;
  EXPECT_EQ(check(), 22);
  s.unsimulated.vheight_given = s.unsimulated.tcoeff_given = s.unsimulated.canopy_given = true;
  EXPECT_EQ(check(), 25);
  s.infil.infil_method = InfilMethod::richards;  // Richards brings its own surface values
  s.unsimulated.albedo_given = false;
  EXPECT_EQ(check(), 0);
}

TEST_F(OptionsTest, ChannelSchemes) {
  s.infil.infil_method = InfilMethod::richards;
  s.unsimulated.gw_simulation = 1;
  s.unsimulated.gw_unif_porosity_given = s.unsimulated.gw_unif_hycond_given = true;
  EXPECT_EQ(check(), 32);
  s.unsimulated.aquifer_delta_z = 1.0;
  s.channel.chan_drain = s.channel.chan_backwater = 1;
  EXPECT_EQ(check(), 34);
  s.channel.chan_backwater = 0;
  s.channel.chan_method = ChannelMethod::drain;
  EXPECT_EQ(check(), 35);
  s.channel.chan_method = ChannelMethod::diffusive_wave;
  EXPECT_EQ(check(), 4000);  // routing without a network would keep all water on the land
  EXPECT_NE(out.find("\nError: channel routing (CHAN_EXPLIC or DIFFUSIVE_WAVE) needs the channel "
                     "network: give its file with the CHANNEL_INPUT card.\n"),
            std::string::npos)
      << out;
  s.channel.channel_input_given = true;
  EXPECT_EQ(check(), 0);
}

TEST_F(OptionsTest, GroundwaterWarningGoesOn) {
  s.unsimulated.gw_simulation = 1;
  s.unsimulated.gw_unif_hycond_given = s.unsimulated.gw_hycond_map_given = true;
  EXPECT_EQ(check(), 40);
  EXPECT_NE(out.find("Warning: You have specified neither spatially-varied, uniform, or mapping "
                     "table porosity"),
            std::string::npos)
      << "39 is reported at once";
  s.unsimulated.gw_hycond_map_given = s.unsimulated.gw_unif_hycond_given = false;
  EXPECT_EQ(check(), 41);
  s.unsimulated.gw_unif_hycond_given = true;
  s.unsimulated.sacramento_given = true;
  EXPECT_EQ(check(), 42);
}

TEST_F(OptionsTest, CoRun) {
  s.unsimulated.krn = 1;
  EXPECT_EQ(check(), 43);
  EXPECT_EQ(out,
            "Running TORVA in KRN environment\n"
            "This is an event call of TORVA by KRN, krn_event_num=-1\n");
  s.unsimulated.plov_given = true;
  s.unsimulated.plov = "x.plov";
  EXPECT_EQ(check(), 44);
  s.unsimulated.krn_event_num = 2;
  s.unsimulated.gw_simulation = 1;
  s.unsimulated.gw_unif_porosity_given = s.unsimulated.gw_unif_hycond_given = true;
  EXPECT_EQ(check(), 45);
  s.unsimulated.krn = 0;
  s.unsimulated.gw_simulation = 0;
  EXPECT_EQ(check(), 46);
}

TEST_F(OptionsTest, TimeSettings) {
  Settings set;
  SiteCards& site = set.site;
  site.timestep = 30.0;
  site.st_time_step = 10.0;
  site.hyd_freq = 5.0;
  site.map_freq = 60;
  site.outslope = 0.01;
  TimeSettings t = derive_time_settings(set, false);
  EXPECT_DOUBLE_EQ(t.dt, 10.0);
  EXPECT_EQ(t.hyd_steps, 30);
  EXPECT_EQ(t.map_steps, 360);
  EXPECT_EQ(error_code().code, 0);

  site.st_time_step = 0.0;
  site.hyd_freq = 0.0;
  site.map_freq = 0;
  ::testing::internal::CaptureStdout();
  t = derive_time_settings(set, false);
  const std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(t.hyd_steps, 120);
  EXPECT_EQ(t.map_steps, 720);
  EXPECT_NE(out.find("Warning: Write hydrograph time step not specified, defaulting to 1 hour.\n"),
            std::string::npos);
  EXPECT_NE(out.find("Warning: Write solution time step not specified, defaulting to 6 hours.\n"),
            std::string::npos);
  EXPECT_EQ(error_code().stop, 0);

  site.outslope = 0.0;
  derive_time_settings(set, false);
  EXPECT_EQ(error_code().code, 56);
  run_context() = RunContext{};  // each case as in a fresh program
  site.outslope = 0.01;
  derive_time_settings(set, true);
  EXPECT_EQ(error_code().code, 57);
  run_context() = RunContext{};  // each case as in a fresh program
  set.unsimulated.latitude = set.unsimulated.longitude = 40.0;
  derive_time_settings(set, true);
  EXPECT_EQ(error_code().code, 58);
  run_context() = RunContext{};  // each case as in a fresh program
  site.timestep = 0.001;
  derive_time_settings(set, false);
  EXPECT_EQ(error_code().code, 52);
}

TEST_F(OptionsTest, TransferStep) {
  ModelState m;
  m.project_file = write_file(
      "transfer.prj",
      "TORVAPROJECT\nSTART_DATE 2020 6 1\nSTART_TIME 12 30\nTOT_TIME 90\nEND_TIME 2020 6 2 0 0\n"
      "QUIET\nQOUT_CFS\nFLUSH_BUFFER 4\nCHAN_EXPLIC\n");
  ::testing::internal::CaptureStdout();
  stage_read_project(m);
  const std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(error_code().code, 0);
  EXPECT_EQ(out, "reading run parameters from project file: " + m.project_file +
                     "\n\nfinished reading project file\n");
  EXPECT_DOUBLE_EQ(m.clock.start_time, julian_date(2020, 6, 1, 12, 30, 0.0));
  EXPECT_NEAR(m.clock.end_time - m.clock.start_time, 90.0 / 1440.0, 1e-12);
  EXPECT_TRUE(m.clock.fixed_end);
  EXPECT_DOUBLE_EQ(m.clock.fixed_end_time, julian_date(2020, 6, 2, 0, 0, 0.0));
  EXPECT_TRUE(m.run.quiet);
  EXPECT_TRUE(m.run.flow_cfs);
  EXPECT_EQ(m.run.flush_period, 4);
  EXPECT_EQ(m.run.channel_method, ChannelMethod::diffusive_wave);
}

TEST_F(OptionsTest, TransferStopsOnMapTypeFourAndMissingFile) {
  ModelState m;
  m.project_file = write_file("maptype.prj", "TORVAPROJECT\nMAP_TYPE 4\n");
  ::testing::internal::CaptureStdout();
  stage_read_project(m);
  ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(error_code().code, 5);

  run_context() = RunContext{};  // each case as in a fresh program
  ModelState n;
  n.project_file = testing_support::scratch_path("absent.prj");
  ::testing::internal::CaptureStdout();
  ::testing::internal::CaptureStderr();
  stage_read_project(n);
  ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "Error opening project file named: " + n.project_file + "\n");
  EXPECT_EQ(error_code().code, 3);
  EXPECT_TRUE(n.settings.site.project_not_opened);
}

}  // namespace
}  // namespace torva

namespace torva {
namespace {

TEST_F(OptionsTest, TimeStageCopiesOnlyGivenGridCardsAndShiftsSeriesOnce) {
  ModelState m;
  m.grid.rows = 7;  // as a mask header would have set it
  m.settings.site.timestep = 60.0;
  m.settings.site.hyd_freq = 10.0;
  m.settings.site.map_freq = 30;
  m.settings.site.outslope = 0.02;
  m.settings.site.cols = 11;
  m.settings.site.cols_given = true;
  stage_time_settings(m);
  EXPECT_EQ(error_code().code, 0);
  EXPECT_DOUBLE_EQ(m.clock.dt, 60.0);
  EXPECT_DOUBLE_EQ(m.clock.dt_days, 60.0 / 86400.0);
  EXPECT_EQ(m.run.hyd_steps, 10);
  EXPECT_EQ(m.run.map_steps, 30);
  EXPECT_EQ(m.grid.rows, 7);
  EXPECT_EQ(m.grid.cols, 11);

  TimeSeries rel;
  rel.relative = true;
  rel.times = {0.0, 1.0};
  rel.values = {1.0, 2.0};
  m.series.time_series.push_back(rel);
  m.clock.start_time = 2459000.5;
  stage_shift_relative_series(m);
  stage_shift_relative_series(m);
  EXPECT_DOUBLE_EQ(m.series.time_series[0].times[1], 2459001.5);
}

}  // namespace
}  // namespace torva
