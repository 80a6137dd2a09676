#include <gtest/gtest.h>

#include <memory>

#include "model/driver.hpp"
#include "model/model_state.hpp"

namespace torva {
namespace {

TEST(Driver, ProgressLineFormats) {
  auto s = std::make_unique<ModelState>();
  s->event.event = 1;
  s->clock.elapsed_minutes = 90.5;
  s->clock.now = CalendarTime{2003, 7, 9, 14, 5, 0};
  s->event.outlet_q = 12.345;
  EXPECT_EQ(progress_line(*s),
            "event  1 elapsed time    90.50   7/09/2003 14:05:00 Qout=   12.35 cms\n");
  s->run.flow_cfs = true;
  EXPECT_EQ(progress_line(*s),
            "event  1 elapsed time    90.50   7/09/2003 14:05:00 Qout=     436.0 cfs\n");
}

TEST(Driver, EventModeEndsInThePassThatReachesTheTotalTime) {
  auto s = std::make_unique<ModelState>();
  ClockState& c = s->clock;
  c.dt = 60.0;
  c.dt_days = 60.0 / 86400.0;
  c.start_time = julian_date(2001, 1, 1, 0, 0, 0);
  c.current_time = c.start_time;
  c.end_time = c.start_time + 60.0 / 1440.0;
  int passes = 0;
  while (s->event.simulation_continues && passes < 1000) {
    stage_advance_clock(*s);
    stage_event_decision(*s);
    ++passes;
  }
  EXPECT_EQ(passes, 61);  // the first pass runs at the start time itself
  EXPECT_TRUE(s->event.end_of_event_due);
  EXPECT_TRUE(s->event.event_ended);
  EXPECT_FALSE(s->event.event_running);
  EXPECT_EQ(c.now.hour, 1);
  EXPECT_EQ(c.now.minute, 0);
}

TEST(Driver, FixedEndDateStopsTheSimulation) {
  auto s = std::make_unique<ModelState>();
  ClockState& c = s->clock;
  c.dt = 60.0;
  c.dt_days = 60.0 / 86400.0;
  c.start_time = julian_date(2001, 1, 1, 0, 0, 0);
  c.current_time = c.start_time;
  c.end_time = c.start_time + 10.0;
  c.fixed_end = true;
  c.fixed_end_time = c.start_time + 5.0 / 1440.0;
  int passes = 0;
  while (s->event.simulation_continues && passes < 1000) {
    stage_advance_clock(*s);
    stage_event_decision(*s);
    ++passes;
  }
  EXPECT_EQ(passes, 7);  // past the end date, not at it
}

TEST(Driver, PeakTrackingKeepsTheLargestDischargeAndItsTime) {
  auto s = std::make_unique<ModelState>();
  s->clock.now = CalendarTime{2001, 1, 1, 1, 0, 0};
  s->event.outlet_q = 3.0;
  stage_outlet_peak(*s);
  s->clock.now = CalendarTime{2001, 1, 1, 2, 0, 0};
  s->event.outlet_q = 2.0;
  stage_outlet_peak(*s);
  EXPECT_EQ(s->event.peak_q, 3.0);
  EXPECT_EQ(s->event.peak_time.hour, 1);
}

}  // namespace
}  // namespace torva
