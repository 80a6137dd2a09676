// Start-up option checks, time settings and the transfer step of the project-file stage.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "frame/clock.hpp"
#include "input/input_stages.hpp"
#include "input/option_checks.hpp"
#include "input/time_settings.hpp"
#include "model/model_state.hpp"
#include "support/project_run.hpp"

namespace torva {
namespace {

using support::has;

// Each sequence changes one Settings step by step; each step names the code the first failing
// check then gives, and a part of what it prints.
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
      {{[](S s) { s.unsimulated.hmet_samson_given = s.unsimulated.hmet_zeb_given = true; }, 8},
       {[](S s) { s.unsimulated.hmet_zeb_given = false, s.unsimulated.long_term = 1; }, 9},
       {[](S s) { s.unsimulated.et_calc_penman = s.unsimulated.et_calc_deardorff = 1; }, 7},
       {[](S s) { s.unsimulated.et_calc_deardorff = 0; }, 20},
       {[](S s) { s.infil.infil_method = InfilMethod::redist; }, 21},
       {[](S s) { s.unsimulated.albedo_given = true; }, 22},
       {[](S s) { auto& u = s.unsimulated; u.vheight_given = u.tcoeff_given = u.canopy_given = true; }, 25},
       // Richards brings its own surface values.
       {[](S s) { s.infil.infil_method = InfilMethod::richards, s.unsimulated.albedo_given = 0; }, 0}},
      {{[](S s) { auto& u = s.unsimulated; s.infil.infil_method = InfilMethod::richards;
                  u.gw_simulation = u.gw_unif_porosity_given = u.gw_unif_hycond_given = 1; }, 32},
       {[](S s) { s.unsimulated.aquifer_delta_z = 1.0, s.channel.chan_drain = s.channel.chan_backwater = 1; }, 34},
       {[](S s) { s.channel.chan_backwater = 0, s.channel.chan_method = ChannelMethod::drain; }, 35},
       // Routing without a network would keep all water on the land.
       {[](S s) { s.channel.chan_method = ChannelMethod::diffusive_wave; }, 4000, "\nError: channel routing "
        "(CHAN_EXPLIC or DIFFUSIVE_WAVE) needs the channel network: give its file with the CHANNEL_INPUT card.\n"},
       {[](S s) { s.channel.channel_input_given = true; }, 0}},
      {{[](S s) { auto& u = s.unsimulated; u.gw_simulation = u.gw_unif_hycond_given = u.gw_hycond_map_given = 1; },
        40, "Warning: You have specified neither spatially-varied, uniform, or mapping table porosity"},  // 39 at once
       {[](S s) { s.unsimulated.gw_hycond_map_given = s.unsimulated.gw_unif_hycond_given = 0; }, 41},
       {[](S s) { s.unsimulated.gw_unif_hycond_given = s.unsimulated.sacramento_given = 1; }, 42}},
      {{[](S s) { s.unsimulated.krn = 1; }, 43,
        "Running TORVA in KRN environment\nThis is an event call of TORVA by KRN, krn_event_num=-1\n"},
       {[](S s) { s.unsimulated.plov_given = true, s.unsimulated.plov = "x.plov"; }, 44},
       {[](S s) { auto& u = s.unsimulated; u.krn_event_num = 2;
                  u.gw_simulation = u.gw_unif_porosity_given = u.gw_unif_hycond_given = 1; }, 45},
       {[](S s) { s.unsimulated.krn = s.unsimulated.gw_simulation = 0; }, 46}},
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
  const struct {
    double timestep, st_step, hyd_freq;
    int map_freq;
    double outslope, latitude;
    bool long_term;
    int code;
    std::string counts;
  } rows[] = {
      {30, 10, 5, 60, 0.01, 0, false, 0, "10 30 360"},
      {30, 0, 0, 0, 0.01, 0, false, 0, "30 120 720"},
      {30, 0, 0, 0, 0, 0, false, 56, "?"},
      {30, 0, 0, 0, 0.01, 0, true, 57, "?"},
      {30, 0, 0, 0, 0.01, 40, true, 58, "?"},
      {0.001, 0, 0, 0, 0.01, 0, false, 52, "?"},
  };
  for (const auto& r : rows) {
    run_context() = RunContext{};
    Settings set;
    SiteCards& site = set.site;
    site.timestep = r.timestep, site.st_time_step = r.st_step, site.hyd_freq = r.hyd_freq;
    site.map_freq = r.map_freq, site.outslope = r.outslope;
    set.unsimulated.latitude = set.unsimulated.longitude = r.latitude;
    ::testing::internal::CaptureStdout();
    const TimeSettings t = derive_time_settings(set, r.long_term);
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(error_code().code, r.code) << r.timestep << " " << r.outslope;
    if (r.code) continue;
    EXPECT_EQ(std::to_string(int(t.dt)) + " " + std::to_string(t.hyd_steps) + " " +
                  std::to_string(t.map_steps),
              r.counts);
    EXPECT_EQ(
        has(out, "Warning: Write hydrograph time step not specified, defaulting to 1 hour.\n") &&
            has(out, "Warning: Write solution time step not specified, defaulting to 6 hours.\n"),
        r.map_freq == 0);
  }
}

class TransferTest : public support::ScratchTest<> {
 protected:
  std::string read_project(const std::string& text, const std::string& name = "t.prj") {
    if (!text.empty()) write(name, text);
    m->project_file = path(name);
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    stage_read_project(*m);
    err = ::testing::internal::GetCapturedStderr();
    return ::testing::internal::GetCapturedStdout();
  }
  std::unique_ptr<ModelState> m = std::make_unique<ModelState>();
  std::string err;
};

TEST_F(TransferTest, ClockAndRunFlagsFromTheCards) {
  const std::string out = read_project(
      "TORVAPROJECT\nSTART_DATE 2020 6 1\nSTART_TIME 12 30\nTOT_TIME 90\nEND_TIME 2020 6 2 0 0\n"
      "QUIET\nQOUT_CFS\nFLUSH_BUFFER 4\nCHAN_EXPLIC\n");
  EXPECT_EQ(out, "reading run parameters from project file: " + m->project_file +
                     "\n\nfinished reading project file\n");
  EXPECT_EQ(error_code().code, 0);
  EXPECT_DOUBLE_EQ(m->clock.start_time, julian_date(2020, 6, 1, 12, 30, 0.0));
  EXPECT_NEAR(m->clock.end_time - m->clock.start_time, 90.0 / 1440.0, 1e-12);
  EXPECT_TRUE(m->clock.fixed_end && m->run.quiet && m->run.flow_cfs);
  EXPECT_DOUBLE_EQ(m->clock.fixed_end_time, julian_date(2020, 6, 2, 0, 0, 0.0));
  EXPECT_EQ(m->run.flush_period, 4);
  EXPECT_EQ(m->run.channel_method, ChannelMethod::diffusive_wave);
}

TEST_F(TransferTest, MapTypeFourAndAMissingFileStop) {
  read_project("TORVAPROJECT\nMAP_TYPE 4\n");
  EXPECT_EQ(error_code().code, 5);
  run_context() = RunContext{};
  m = std::make_unique<ModelState>();
  read_project("", "absent.prj");
  EXPECT_EQ(err, "Error opening project file named: " + m->project_file + "\n");
  EXPECT_EQ(error_code().code, 3);
  EXPECT_TRUE(m->settings.site.project_not_opened);
}

// Only grid cards given in the file override the mask header.
TEST_F(TransferTest, TimeStageCopiesOnlyGivenGridCards) {
  m->grid.rows = 7;  // as a mask header would have set it
  SiteCards& site = m->settings.site;
  site.timestep = 60.0, site.hyd_freq = 10.0, site.map_freq = 30, site.outslope = 0.02;
  site.cols = 11;
  site.cols_given = true;
  stage_time_settings(*m);
  EXPECT_EQ(error_code().code, 0);
  EXPECT_DOUBLE_EQ(m->clock.dt_days * 86400.0, 60.0);
  EXPECT_EQ(std::to_string(m->run.hyd_steps) + " " + std::to_string(m->run.map_steps) + " " +
                std::to_string(m->grid.rows) + " " + std::to_string(m->grid.cols),
            "10 30 7 11");
}

}  // namespace
}  // namespace torva
