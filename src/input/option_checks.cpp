#include "input/option_checks.hpp"

#include "frame/console.hpp"
#include "frame/report.hpp"
#include "frame/run_context.hpp"

namespace torva {
namespace {

int fail(int code) {
  set_error(code);
  return code;
}

int long_term_checks(const Settings& s, const TableSupplies& t) {
  const CardRecord& c = s.cards;
  const int inf = s.site.infil_method;
  if (inf != 2 && inf != 3 && inf != 4) return fail(20);
  // The Richards method brings its own surface parameters.
  if (inf == 4) return 0;
  if (!c.albedo_given && !t.albedo) return fail(21);
  if (c.et_calc_penman) {
    if (!c.vheight_given && !t.vheight) return fail(22);
    if (!c.tcoeff_given && !t.tcoeff) return fail(23);
    if (!c.canopy_given && !t.canopy) return fail(24);
    if (!c.wilting_point_given && !t.wilting_point) return fail(25);
  }
  return 0;
}

int groundwater_checks(const Settings& s, const TableSupplies& t) {
  const CardRecord& c = s.cards;
  if (c.gw_unif_porosity_given && c.gw_porosity_map_given) return fail(38);
  if (!c.gw_unif_porosity_given && !c.gw_porosity_map_given && !t.gw_porosity) {
    set_error(39);
    report();
  }
  if (c.gw_unif_hycond_given && c.gw_hycond_map_given) return fail(40);
  if (!c.gw_unif_hycond_given && !c.gw_hycond_map_given && !t.gw_hycond) return fail(41);
  if (c.sacramento_given) return fail(42);
  return 0;
}

int corun_checks(const Settings& s) {
  const CardRecord& c = s.cards;
  say("Running TORVA in KRN environment\n");
  if (c.plov_given) say("TORVA will share data with PLOV through file: %s\n", c.plov.c_str());
  const bool event_call = !c.long_term;
  if (event_call) say("This is an event call of TORVA by KRN, krn_event_num=%d\n", c.krn_event_num);
  if (!c.plov_given) return fail(43);
  if (event_call && c.krn_event_num < 0) return fail(44);
  if (c.gw_simulation) return fail(45);
  return 0;
}

}  // namespace

int check_options(const Settings& s, const TableSupplies& t) {
  const CardRecord& c = s.cards;
  const RainRecord& rain = s.rain;
  const bool lt = c.long_term != 0;
  if (c.roughness_given && c.manning_n_given) return fail(6);
  if (lt && c.et_calc_penman && c.et_calc_deardorff) return fail(7);
  const int hmet = int(c.hmet_surfaways_given) + int(c.hmet_samson_given) + int(c.hmet_zeb_given);
  if (hmet >= 2) return fail(8);
  if (lt && !c.et_calc_penman && !c.et_calc_deardorff) return fail(9);
  if (rain.precip_file_given && rain.precip_unif) return fail(10);
  if (rain.precip_unif && (rain.rain_intensity == 0.0 || rain.rain_duration == 0)) return fail(11);
  if (lt) {
    if (const int code = long_term_checks(s, t)) return code;
  }
  if (s.site.infil_method == 4 && c.gw_simulation && c.aquifer_delta_z == -999.9) return fail(32);
  if (c.chan_drain && c.chan_backwater) return fail(34);
  if (s.site.chan_method == 2 || s.site.chan_method == 5) return fail(35);
  if (c.gw_simulation) {
    if (const int code = groundwater_checks(s, t)) return code;
  }
  if (c.krn) {
    if (const int code = corun_checks(s)) return code;
  }
  if (c.plov_given && !c.krn) return fail(46);
  return 0;
}

}  // namespace torva
