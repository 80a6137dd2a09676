#include "input/time_settings.hpp"

#include "frame/console.hpp"
#include "frame/report.hpp"
#include "frame/run_context.hpp"
#include "model/settings.hpp"

namespace torva {

TimeSettings derive_time_settings(const Settings& settings, bool long_term) {
  const SiteCards& site = settings.site;
  TimeSettings t;
  t.dt = site.timestep;
  if (site.st_time_step >= 0.01 && t.dt > site.st_time_step) t.dt = site.st_time_step;
  if (t.dt <= 0.001) {
    set_error(52);
    return t;
  }
  double hyd_freq = site.hyd_freq;  // minutes
  if (hyd_freq <= 0.0) {
    hyd_freq = 60.0;
    // A warning; reported here so that a later code of this stage cannot hide it.
    set_error(55);
    report();
  }
  t.hyd_steps = static_cast<int>(60.0 / t.dt * hyd_freq);
  int map_freq = site.map_freq;  // minutes
  if (map_freq == 0) {
    map_freq = 360;
    say("Warning: Write solution time step not specified, defaulting to 6 hours.\n");
  }
  t.map_steps = static_cast<int>(60.0 / t.dt * map_freq);
  if (site.outslope < 1e-9) {
    set_error(56);
    return t;
  }
  if (long_term) {
    if (settings.unsimulated.latitude < 0.01 || settings.unsimulated.longitude < 0.01) {
      set_error(57);
      return t;
    }
    if (!settings.unsimulated.gmt_given) {
      set_error(58);
      return t;
    }
  }
  return t;
}

}  // namespace torva
