#include "input/time_settings.hpp"

#include "frame/console.hpp"
#include "frame/report.hpp"
#include "frame/run_context.hpp"

namespace torva {

TimeSettings derive_time_settings(SiteRecord& site, bool long_term) {
  TimeSettings t;
  t.dt = site.timestep;
  if (site.st_time_step >= 0.01) {
    if (t.dt > site.st_time_step) t.dt = site.st_time_step;
  } else {
    site.st_time_step = site.timestep;
  }
  if (t.dt <= 0.001) {
    set_error(52);
    return t;
  }
  if (site.hyd_freq <= 0.0) {
    site.hyd_freq = 60.0;
    // A warning; reported here so that a later code of this stage cannot hide it.
    set_error(55);
    report();
  }
  t.hyd_steps = static_cast<int>(60.0 / t.dt * site.hyd_freq);
  if (site.map_freq == 0) {
    site.map_freq = 360;
    say("Warning: Write solution time step not specified, defaulting to 6 hours.\n");
  }
  t.map_steps = static_cast<int>(60.0 / t.dt * site.map_freq);
  if (site.outslope < 1e-9) {
    set_error(56);
    return t;
  }
  if (long_term) {
    if (site.latitude < 0.01 || site.longitude < 0.01) {
      set_error(57);
      return t;
    }
    if (!site.gmt_given) {
      set_error(58);
      return t;
    }
  }
  return t;
}

}  // namespace torva
