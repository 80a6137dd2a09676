#include <gtest/gtest.h>

#include <memory>

#include "model/driver.hpp"
#include "model/model_state.hpp"

namespace torva {
namespace {

TEST(Driver, ProgressLineInCmsOrCfs) {
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

// One-minute steps from midnight: the first pass runs at the start time itself, and the run
// ends in the pass that reaches the total time or goes past the fixed end date.
TEST(Driver, PassesUntilTheEventOrTheFixedEndDateEnds) {
  const struct {
    const char* name;
    double total_days, fixed_end_days;  // no fixed end date when negative
    int passes, hour, minute;
  } rows[] = {{"total time of an hour", 60.0 / 1440.0, -1.0, 61, 1, 0},
              {"end date after five minutes", 10.0, 5.0 / 1440.0, 7, 0, 6}};
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    auto s = std::make_unique<ModelState>();
    ClockState& c = s->clock;
    c.dt = 60.0;
    c.dt_days = 60.0 / 86400.0;
    c.start_time = c.current_time = julian_date(2001, 1, 1, 0, 0, 0);
    c.end_time = c.start_time + r.total_days;
    c.fixed_end = r.fixed_end_days >= 0.0;
    c.fixed_end_time = c.start_time + r.fixed_end_days;
    int passes = 0;
    for (; s->event.simulation_continues && passes < 1000; ++passes) {
      stage_advance_clock(*s);
      stage_event_decision(*s);
    }
    EXPECT_EQ(passes, r.passes);
    EXPECT_EQ(c.now.hour * 60 + c.now.minute, r.hour * 60 + r.minute);
    EXPECT_TRUE(s->event.end_of_event_due && s->event.event_ended && !s->event.event_running);
  }
}

TEST(Driver, PeakTrackingKeepsTheLargestDischargeAndItsTime) {
  auto s = std::make_unique<ModelState>();
  for (const auto& [hour, q] : {std::pair{1, 3.0}, {2, 2.0}}) {
    s->clock.now = CalendarTime{2001, 1, 1, hour, 0, 0};
    s->event.outlet_q = q;
    stage_outlet_peak(*s);
  }
  EXPECT_EQ(s->event.peak_q, 3.0);
  EXPECT_EQ(s->event.peak_time.hour, 1);
}

}  // namespace
}  // namespace torva
