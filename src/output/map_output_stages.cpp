#include <string>
#include <vector>

#include "frame/console.hpp"
#include "frame/run_context.hpp"
#include "model/model_state.hpp"
#include "output/map_writer.hpp"
#include "output/output_stages.hpp"
#include "overland/overland_stages.hpp"
#include "subsurface/infiltration.hpp"

namespace torva {
namespace {

constexpr const char* kNames[kMapResults + 1] = {
    "",     "depth",        "swe",     "discharge",     "rain",          "infdep",        "infrate",
    "surf", "max_sed_flux", "gw_head", "gwrechargecum", "gwrechargeinc", "net_sed_volume"};

// The card that selects each result and names its dataset file, empty when the result is not
// selected (snow is not simulated).
std::string result_card(const Settings& c, int result) {
  auto pick = [](bool given, const std::string& file) { return given ? file : std::string(); };
  const OutputCards& o = c.output;
  const UnsimulatedCards& u = c.unsimulated;
  switch (result) {
    case 1:
      return pick(o.depth_given, o.depth);
    case 3:
      return pick(o.discharge_given, o.discharge);
    case 4:
      return pick(o.dis_rain_given, o.dis_rain);
    case 5:
      return pick(o.inf_depth_given, o.inf_depth);
    case 6:
      return pick(o.rate_of_infil_given, o.rate_of_infil);
    case 7:
      return pick(o.surf_moist_given, o.surf_moist);
    case 8:
      return pick(u.max_sed_flux_given, u.max_sed_flux);
    case 9:
      return pick(u.gw_output_given, u.gw_output);
    case 10:
      return pick(u.gw_recharge_cum_given, u.gw_recharge_cum);
    case 11:
      return pick(u.gw_recharge_inc_given, u.gw_recharge_inc);
    case 12:
      return pick(u.net_sed_volume_given, u.net_sed_volume);
    default:
      return {};
  }
}

MapFrame frame_of(const GridState& g) {
  return {g.north, g.south, g.east, g.west, g.rows, g.cols};
}

}  // namespace

const char* map_result_name(int result) {
  return result >= 1 && result <= kMapResults ? kNames[result] : "";
}

void write_map_instant(ModelState& s, std::span<const std::span<const double>> values) {
  MapOutputState& m = s.map_output;
  const GridState& g = s.grid;
  const int type = s.settings.output.map_type;
  ++m.instant;
  for (int r = 1; r <= kMapResults && static_cast<std::size_t>(r) < values.size(); ++r) {
    const std::string card = result_card(s.settings, r);
    if (card.empty() || values[r].empty()) continue;
    if (type == 1 || type == 2) {
      DatasetSeries& ds = m.series[r];
      if (!ds.file.is_open() && !open_dataset(ds, card, type == 2, r, g.rows, g.cols, kNames[r])) {
        set_error(59, 0, 0, {}, card);
        return;
      }
      write_dataset_frame(ds, g.mask, g.rows, g.cols, values[r], s.clock.elapsed_minutes);
      continue;
    }
    FileHandle f;
    const std::string name = instant_map_name(kNames[r], m.instant);
    if (!f.open(name, "w")) {
      say("Can't open %s map for writing: %s\n", kNames[r], name.c_str());
      set_error(4000);
      return;
    }
    write_grid_arc(f.fp, g.mask, frame_of(g), values[r], g.dx);
    f.close();
  }
}

void close_map_output(ModelState& s) {
  for (DatasetSeries& ds : s.map_output.series) close_dataset(ds);
}

void stage_map_output(ModelState& s) {
  const long every = s.run.map_steps;
  if (every <= 0 || s.clock.step <= 0 || s.clock.step % every != 0) return;
  std::array<std::span<const double>, kMapResults + 1> v{};
  v[1] = s.overland.ov_depth.slots();
  v[3] = overland_discharge_map(s);
  v[4] = s.rain.rain_rate.slots();
  for (int r = 5; r <= 7; ++r) v[r] = infiltration_map(s, kNames[r]);
  // The groundwater results (9-11) join here once groundwater is simulated.
  write_map_instant(s, v);
}

}  // namespace torva
