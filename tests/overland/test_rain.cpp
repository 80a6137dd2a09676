#include <gtest/gtest.h>
#include <omp.h>

#include <cmath>
#include <limits>
#include <vector>

#include "model/model_state.hpp"
#include "overland/overland_stages.hpp"
#include "overland/rain.hpp"
#include "test_connectivity_helpers.hpp"

namespace torva {
namespace {

using testing_grid::clear_error;
using testing_grid::make_grid;

// Cell centres of a rows x cols grid of 10 m cells with its north-west corner at (0, 100).
struct Centres {
  std::vector<double> x, y;
  Centres(int rows, int cols) : x(1), y(1) {
    for (int r = 1; r <= rows; ++r)
      for (int c = 1; c <= cols; ++c) {
        x.push_back((c - 0.5) * 10.0);
        y.push_back(100.0 - (r - 0.5) * 10.0);
      }
  }
};

TEST(RainAssignment, OneGageGivesItsValueEverywhereUnderBothRules) {
  Centres c(3, 4);
  const std::vector<double> gx = {0.0, 5000.0}, gy = {0.0, -700.0}, v = {0.0, 7.25};
  std::vector<double> idw(c.x.size(), -1.0), near(c.x.size(), -1.0);
  std::vector<int> nearest(c.x.size(), 0);
  assign_inverse_distance(c.x, c.y, gx, gy, v, 10.0, idw);
  assign_nearest(nearest, v, near);
  for (std::size_t k = 1; k < c.x.size(); ++k) {
    EXPECT_EQ(idw[k], 7.25);
    EXPECT_EQ(near[k], 7.25);
  }
}

TEST(RainAssignment, GageAtACellCentreGivesThatCellItsValue) {
  Centres c(2, 2);
  // Gage 2 sits on the centre of cell 4; gage 1 is far off.
  const std::vector<double> gx = {0.0, -300.0, 15.0}, gy = {0.0, 900.0, 85.0};
  const std::vector<double> v = {0.0, 1.0, 9.0};
  std::vector<double> rate(5, 0.0);
  assign_inverse_distance(c.x, c.y, gx, gy, v, 10.0, rate);
  EXPECT_EQ(rate[4], 9.0);
  std::vector<int> nearest(5, 0);
  ASSERT_TRUE(find_nearest_gage(c.x, c.y, gx, gy, nearest));
  EXPECT_EQ(nearest[4], 2);
}

TEST(RainAssignment, InverseDistanceSquaredWeights) {
  // One cell at (5, 95); gages 30 m east and 40 m south of it.
  Centres c(1, 1);
  const std::vector<double> gx = {0.0, 35.0, 5.0}, gy = {0.0, 95.0, 55.0};
  const std::vector<double> v = {0.0, 10.0, 20.0};
  std::vector<double> rate(2, 0.0);
  assign_inverse_distance(c.x, c.y, gx, gy, v, 10.0, rate);
  const double w1 = 1.0 / 900.0, w2 = 1.0 / 1600.0;
  EXPECT_DOUBLE_EQ(rate[1], (10.0 * w1 + 20.0 * w2) / (w1 + w2));
}

TEST(RainAssignment, NearestGageTiesGoToTheLowerNumberAndFarGagesFail) {
  Centres c(1, 1);  // centre (5, 95)
  const std::vector<double> gx = {0.0, 15.0, -5.0}, gy = {0.0, 95.0, 95.0};
  std::vector<int> nearest(2, 0);
  ASSERT_TRUE(find_nearest_gage(c.x, c.y, gx, gy, nearest));
  EXPECT_EQ(nearest[1], 1);
  const std::vector<double> fx = {0.0, 1.0e6, 2.0e6}, fy = {0.0, 0.0, 0.0};
  EXPECT_FALSE(find_nearest_gage(c.x, c.y, fx, fy, nearest));
}

// Interception and the depth update run cell-parallel on large grids; their totals are
// summed in cell order, so both threads counts give the same bits, and a non-finite depth
// is reported at its lowest cell.
TEST(RainApplication, InterceptionAndDepthBitIdenticalForOneAndTwoThreads) {
  const std::size_t n = 10000;
  std::vector<double> rate(n + 1), storage(n + 1), coeff(n + 1);
  for (std::size_t k = 1; k <= n; ++k) {
    rate[k] = 3.0 + std::fmod(k * 0.37, 40.0);
    storage[k] = std::fmod(k * 0.011, 1.3);
    coeff[k] = std::fmod(k * 0.003, 1.0);
  }
  struct Out {
    std::vector<double> used, net, caught, depth;
    double total_caught = 0.0, total_added = 0.0;
    int bad = -1;
  };
  auto run = [&](int threads) {
    omp_set_num_threads(threads);
    Out o;
    o.used.assign(n + 1, 0.0);
    o.net.assign(n + 1, 0.0);
    o.caught.assign(n + 1, 0.0);
    o.depth.assign(n + 1, 0.001);
    o.depth[7777] = std::nan("");
    o.depth[9000] = std::numeric_limits<double>::infinity();
    for (int step = 0; step < 5; ++step) {
      o.total_caught += intercept(rate, storage, coeff, 1.0, 30.0, o.used, o.net, o.caught);
      o.total_added += add_rain(o.net, 30.0, o.depth, o.bad);
    }
    return o;
  };
  const Out a = run(1), b = run(2);
  omp_set_num_threads(1);
  EXPECT_EQ(a.total_caught, b.total_caught);
  EXPECT_EQ(a.total_added, b.total_added);
  EXPECT_EQ(a.used, b.used);
  EXPECT_EQ(a.net, b.net);
  EXPECT_EQ(a.bad, 7777);
  EXPECT_EQ(b.bad, 7777);
}

TEST(RainAssignment, BitIdenticalForOneAndTwoThreads) {
  Centres c(40, 50);
  std::vector<double> gx = {0.0}, gy = {0.0}, v = {0.0};
  for (int g = 1; g <= 7; ++g) {
    gx.push_back(37.0 * g);
    gy.push_back(100.0 - 53.0 * g);
    v.push_back(1.5 * g);
  }
  auto run = [&](int threads, std::vector<double>& idw, std::vector<int>& near) {
    omp_set_num_threads(threads);
    idw.assign(c.x.size(), 0.0);
    near.assign(c.x.size(), 0);
    assign_inverse_distance(c.x, c.y, gx, gy, v, 10.0, idw);
    find_nearest_gage(c.x, c.y, gx, gy, near);
  };
  std::vector<double> a, b;
  std::vector<int> na, nb;
  run(1, a, na);
  run(2, b, nb);
  EXPECT_EQ(a, b);
  EXPECT_EQ(na, nb);
  omp_set_num_threads(1);
}

TEST(Interception, SeasonalDivisorByMonthAndLatitude) {
  EXPECT_EQ(interception_divisor(false, 1, 50.0), 1.0);
  const double low[] = {0, 4, 4, 4, 2.5, 1, 1, 1, 1, 1, 2.5, 4, 4};
  const double high[] = {0, 4, 4, 4, 4, 3, 2, 1, 1, 1, 2.5, 4, 4};
  for (int m = 1; m <= 12; ++m) {
    EXPECT_EQ(interception_divisor(true, m, 36.9), low[m]) << m;
    EXPECT_EQ(interception_divisor(true, m, 37.0), high[m]) << m;
  }
}

TEST(Interception, StorageFillsFirstThenTheCoefficientActs) {
  // 10 mm/h over 360 s = 1 mm per step; storage 1.5 mm, coefficient 0.2.
  const std::vector<double> rate = {0.0, 10.0}, storage = {0.0, 1.5}, coeff = {0.0, 0.2};
  std::vector<double> used(2, 0.0), net(2, 0.0), caught(2, 0.0);
  EXPECT_DOUBLE_EQ(intercept(rate, storage, coeff, 1.0, 360.0, used, net, caught), 1.0);
  EXPECT_EQ(net[1], 0.0);
  // 0.5 mm of room left: it fills, 0.2 of the remaining 0.5 mm is caught too.
  EXPECT_DOUBLE_EQ(intercept(rate, storage, coeff, 1.0, 360.0, used, net, caught), 0.6);
  EXPECT_DOUBLE_EQ(net[1], 4.0);
  // Full storage: only the coefficient.
  intercept(rate, storage, coeff, 1.0, 360.0, used, net, caught);
  EXPECT_DOUBLE_EQ(caught[1], 0.2);
  EXPECT_DOUBLE_EQ(net[1], 8.0);
  EXPECT_DOUBLE_EQ(used[1], 1.8);
}

TEST(Interception, InterceptedPlusNetEqualsGrossOverARun) {
  clear_error();
  ModelState s;
  make_grid(s.grid, {"111", "111"}, 30.0);
  const int n = s.grid.ncells;
  s.clock.dt = 17.0;
  s.event.precip_state = kRainRunning;
  s.run.rain_source = RainSource::gages;
  s.rain.interception = true;
  s.rain.rain_rate.allocate(n);
  s.rain.net_rain_rate.allocate(n);
  s.rain.int_used.allocate(n);
  s.rain.int_caught.allocate(n);
  s.params.int_storage.allocate(n);
  s.params.int_coeff.allocate(n);
  for (int k = 1; k <= n; ++k) {
    s.params.int_storage[k] = 0.3 * k;
    s.params.int_coeff[k] = 0.07 * k;
  }
  std::vector<double> depth(n + 1, 0.0);
  double gross = 0.0;
  for (int step = 0; step < 500; ++step) {
    for (int k = 1; k <= n; ++k) {
      s.rain.rain_rate[k] = std::fmod(3.7 * k + 1.3 * step, 41.0) - (k == 2 ? 5.0 : 0.0);
      gross += std::max(s.rain.rain_rate[k], 0.0) * s.clock.dt / 3600.0 * 900.0 / 1000.0;
    }
    apply_rain(s, depth);
  }
  double stored = 0.0;
  for (int k = 1; k <= n; ++k) stored += depth[k] * 900.0;
  EXPECT_GT(s.ledger.interception, 0.0);
  EXPECT_NEAR(s.ledger.precip + s.ledger.interception, gross, 1e-12 * gross);
  EXPECT_NEAR(s.ledger.precip, stored, 1e-12 * stored);
  EXPECT_EQ(error_code().code, 0);
}

TEST(RainDepth, NetRateAddsDepthAndNonRealDepthStops) {
  clear_error();
  ModelState s;
  make_grid(s.grid, {"11"}, 10.0);
  s.clock.dt = 36.0;
  s.event.precip_state = kRainRunning;
  s.run.rain_source = RainSource::gages;
  s.rain.rain_rate.allocate(2);
  s.rain.rain_rate[1] = 100.0;
  s.rain.rain_rate[2] = 100.0;
  std::vector<double> depth = {0.0, 0.5, std::numeric_limits<double>::quiet_NaN()};
  testing::internal::CaptureStdout();
  apply_rain(s, depth);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "A non-real number for water depth has been detected for overland cell 2 after "
            "applying rainfall\n");
  EXPECT_DOUBLE_EQ(depth[1], 0.501);
  EXPECT_EQ(error_code().code, 4000);
  clear_error();
}

TEST(UniformRain, SixtyMinutesAtThirtySecondStepsIs120StepsOfRain) {
  clear_error();
  ModelState s;
  make_grid(s.grid, {"11", "01"}, 10.0);
  s.settings.precip.precip_unif = 1;
  s.settings.precip.rain_intensity = 12.0;
  s.settings.precip.rain_duration = 60;
  s.settings.site.start_date_given = s.settings.site.start_time_given = true;
  s.settings.site.start_year = 2010;
  s.settings.site.start_month = 5;
  s.settings.site.start_day = 3;
  s.settings.site.start_hour = 6;
  s.settings.site.tot_time = 180;
  s.clock.dt = 30.0;
  s.clock.dt_days = 30.0 / kSecondsPerDay;
  stage_first_event_setup(s);
  ASSERT_EQ(error_code().code, 0);
  EXPECT_DOUBLE_EQ(s.clock.start_time, julian_date(2010, 5, 3, 6, 0, 0.0));
  EXPECT_DOUBLE_EQ(s.clock.end_time, s.clock.start_time + 180.0 / 1440.0);
  std::vector<double> depth(4, 0.0);
  int rain_steps = 0;
  for (int step = 0; step < 360; ++step) {
    advance_clock(s.clock);
    update_uniform_rain(s);
    if (s.event.precip_state == kRainRunning) ++rain_steps;
    apply_rain(s, depth);
  }
  EXPECT_EQ(rain_steps, 120);
  EXPECT_EQ(s.ledger.rain_steps, 120);
  EXPECT_EQ(s.ledger.rain_first_pass, 1);
  EXPECT_EQ(s.event.precip_state, kRainUniformEnded);
  EXPECT_EQ(s.rain.rain_rate[1], 0.0);
  EXPECT_NEAR(depth[3], 0.012, 1e-15);  // 12 mm/h for one hour
  EXPECT_NEAR(s.ledger.precip, 3 * 100.0 * 0.012, 1e-12);
}

TEST(UniformRain, MissingStartDateOrRainCardsStop) {
  clear_error();
  ModelState s;
  make_grid(s.grid, {"1"}, 10.0);
  s.settings.precip.precip_unif = 1;
  s.settings.precip.rain_intensity = 5.0;
  s.settings.precip.rain_duration = 10;
  s.clock.dt = 60.0;
  testing::internal::CaptureStdout();
  stage_first_event_setup(s);
  EXPECT_EQ(testing::internal::GetCapturedStdout().rfind(
                "You did not specify the starting date and time in the\n", 0),
            0u);
  EXPECT_EQ(error_code().code, 4000);

  clear_error();
  s.settings.precip.rain_duration = 0;
  stage_first_event_setup(s);
  EXPECT_EQ(error_code().code, 11);
  clear_error();
  s.settings.precip.precip_unif = 0;
  stage_first_event_setup(s);
  EXPECT_EQ(error_code().code, 11);
  clear_error();
  s.settings.precip.precip_unif = 1;
  s.settings.precip.precip_file_given = true;
  stage_first_event_setup(s);
  EXPECT_EQ(error_code().code, 10);
  clear_error();
}

TEST(UniformRain, StagesLandTheRainOnTheOverlandDepthAndTheLedger) {
  clear_error();
  ModelState s;
  s.run.quiet = true;
  make_grid(s.grid, {"11"}, 20.0);
  s.settings.precip.precip_unif = 1;
  s.settings.precip.rain_intensity = 36.0;
  s.settings.precip.rain_duration = 2;
  s.settings.site.start_date_given = s.settings.site.start_time_given = true;
  s.settings.site.start_year = 2010;
  s.settings.site.start_month = 1;
  s.settings.site.start_day = 1;
  s.clock.dt = 60.0;
  s.clock.dt_days = 60.0 / kSecondsPerDay;
  stage_allocate_overland(s);
  testing::internal::CaptureStdout();
  stage_first_event_setup(s);
  for (int step = 0; step < 5; ++step) {
    advance_clock(s.clock);
    stage_precipitation(s);
    stage_event_start(s);
    stage_radar(s);
  }
  const std::string out = testing::internal::GetCapturedStdout();
  ASSERT_EQ(error_code().code, 0);
  EXPECT_EQ(out, "simulation duration 0 minutes\n");   // once, at the first step
  EXPECT_NEAR(s.overland.ov_depth[1], 0.0012, 1e-15);  // 36 mm/h for two minutes
  EXPECT_NEAR(s.ledger.precip, 2 * 400.0 * 0.0012, 1e-12);
  EXPECT_EQ(s.ledger.interception, 0.0);
}

}  // namespace
}  // namespace torva
