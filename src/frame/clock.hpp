#pragma once
// Model clock: astronomical Julian dates (days from noon), calendar conversion, day of year.

namespace torva {

constexpr double kSecondsPerDay = 86400.0;
// Two times count as equal when they differ by less than 0.01 s.
constexpr double kTimeTolerance = 1.1574074074074074e-7;  // days

struct CalendarTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// Gregorian calendar date and time to Julian date.
double julian_date(int year, int month, int day, int hour, int minute, double second);
inline double julian_date(const CalendarTime& t) {
  return julian_date(t.year, t.month, t.day, t.hour, t.minute, t.second);
}
// Julian date to calendar; 0.01 s is added first so that times built from step counts do
// not fall short of the full minute.
CalendarTime calendar_time(double jd);
// Day of the month plus the preceding months; February has 29 days when (year - 1900) is
// divisible by 4.
int day_of_year(int year, int month, int day);
inline bool same_time(double a, double b) {
  return (a > b ? a - b : b - a) < kTimeTolerance;
}

struct ClockState {
  double dt = 0.0;          // s
  double dt_days = 0.0;     // days
  double start_time = 0.0;  // Julian date
  double current_time = 0.0;
  double end_time = 0.0;   // start + TOT_TIME
  bool fixed_end = false;  // END_TIME given
  double fixed_end_time = 0.0;
  long step = 0;
  long step_aux1 = 0;
  long step_aux2 = 0;
  long pass = 0;
  double elapsed_minutes = 0.0;
  CalendarTime now;
  int day_of_year = 0;
  double next_hydrograph_time = 0.0;  // written by the hydrograph stage
  // Long-term runs: model steps in one hour of weather, and the steps the next pass advances
  // (more than one while overland routing is suspended between events).
  long long_term_steps = 0;
  long stride = 1;
  double next_channel_output_time = 0.0;
};

// First stage of every pass.
void advance_clock(ClockState& c);

}  // namespace torva
