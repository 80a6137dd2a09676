#include "input/option_checks.hpp"

#include "frame/console.hpp"
#include "frame/report.hpp"
#include "frame/run_context.hpp"
#include "model/settings.hpp"

namespace torva {
namespace {

int fail(int code) {
  set_error(code);
  return code;
}

int long_term_checks(const Settings& s, const TableSupplies& t, bool et_supplied) {
  const UnsimulatedCards& c = s.unsimulated;
  const InfilMethod inf = s.infil.infil_method;
  if (inf != InfilMethod::redist && inf != InfilMethod::layered && inf != InfilMethod::richards)
    return fail(20);
  // The Richards method brings its own surface parameters.
  if (inf == InfilMethod::richards || et_supplied) return 0;
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
  const UnsimulatedCards& c = s.unsimulated;
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
  const UnsimulatedCards& c = s.unsimulated;
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

int check_options(const Settings& s, const TableSupplies& t, bool et_supplied) {
  const UnsimulatedCards& u = s.unsimulated;
  const PrecipCards& rain = s.precip;
  const bool lt = u.long_term != 0;
  if (s.maps.roughness_given && s.overland.manning_n_given) return fail(6);
  if (lt && u.et_calc_penman && u.et_calc_deardorff) return fail(7);
  const int hmet = int(u.hmet_surfaways_given) + int(u.hmet_samson_given) + int(u.hmet_zeb_given);
  if (hmet >= 2) return fail(8);
  if (lt && !u.et_calc_penman && !u.et_calc_deardorff && !et_supplied) return fail(9);
  if (rain.precip_file_given && rain.precip_unif) return fail(10);
  if (rain.precip_unif && (rain.rain_intensity == 0.0 || rain.rain_duration == 0)) return fail(11);
  if (lt) {
    if (const int code = long_term_checks(s, t, et_supplied)) return code;
  }
  if (s.infil.infil_method == InfilMethod::richards && u.gw_simulation &&
      u.aquifer_delta_z == kAquiferDeltaZNotGiven)
    return fail(32);
  if (s.channel.chan_drain && s.channel.chan_backwater) return fail(34);
  if (s.channel.chan_method == ChannelMethod::drain ||
      s.channel.chan_method == ChannelMethod::backwater)
    return fail(35);
  // Channel routing turns the overland outlet off: without a network the water would stay on
  // the land while the run still ended as normal.
  if (s.channel.chan_method == ChannelMethod::diffusive_wave && !s.channel.channel_input_given) {
    say("\nError: channel routing (CHAN_EXPLIC or DIFFUSIVE_WAVE) needs the channel network: "
        "give its file with the CHANNEL_INPUT card.\n");
    return fail(4000);
  }
  if (u.gw_simulation) {
    if (const int code = groundwater_checks(s, t)) return code;
  }
  if (u.krn) {
    if (const int code = corun_checks(s)) return code;
  }
  if (u.plov_given && !u.krn) return fail(46);
  return 0;
}

}  // namespace torva
