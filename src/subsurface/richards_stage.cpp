#include "subsurface/richards_stage.hpp"

#include <omp.h>

#include <algorithm>
#include <string>

#include "frame/console.hpp"
#include "frame/run_context.hpp"
#include "model/model_state.hpp"
#include "subsurface/richards_column.hpp"

namespace torva {
namespace {

std::span<double> nodes_of(std::vector<double>& v, std::size_t first, int n) {
  return {v.data() + first, static_cast<std::size_t>(n) + 1};
}

bool read_options(const InfilCards& c, RichardsOptions& o) {
  o.retention = c.richards_c_option == 2 ? Retention::havercamp : Retention::brooks_corey;
  o.k_option = c.richards_k_option == 1 ? 1 : 2;
  o.weight = c.richards_weight;
  o.upper_option = c.richards_upper_option;
  o.iter_max = c.richards_iter_max;
  o.dtheta_max = c.richards_dtheta_max;
  if (!(o.weight >= 0.0 && o.weight <= 1.0)) {
    say("\nError: RICHARDS_WEIGHT = %lf must lie between 0 and 1.\n", o.weight);
    return false;
  }
  if (o.iter_max < 1 || o.iter_max > 1000) {
    say("\nError: RICHARDS_ITER_MAX = %d must lie between 1 and 1000.\n", o.iter_max);
    return false;
  }
  if (!(o.dtheta_max > 0.0 && o.dtheta_max <= 1.0)) {
    say("\nError: RICHARDS_DTHETA_MAX = %lf must lie above 0 and at most 1.\n", o.dtheta_max);
    return false;
  }
  return true;
}

double volume_of(const ModelState& s, int last_layer) {
  const RichardsState& r = s.richards;
  if (!r.active) return 0.0;
  double sum = 0.0;  // cm
  for (int i = 1; i <= s.grid.ncells; ++i) {
    const std::size_t o = r.offset[i];
    const int last = last_layer == 1 ? r.layer1_last[i] : r.nodes[i] - 1;
    for (int k = 1; k <= last; ++k) sum += r.THETA[o + k] * r.DZ[o + k];
  }
  return sum / 100.0 * s.grid.dx * s.grid.dx;
}

}  // namespace

ColumnView richards_column(RichardsState& r, int cell) {
  const std::size_t o = r.offset[cell];
  const int n = r.nodes[cell];
  const std::size_t m = static_cast<std::size_t>(n) + 1;
  ColumnView c;
  c.PHEAD = nodes_of(r.PHEAD, o, n);
  c.KHEAD = nodes_of(r.KHEAD, o, n);
  c.THETA = nodes_of(r.THETA, o, n);
  c.WATCAP = nodes_of(r.WATCAP, o, n);
  c.WATFLUX = nodes_of(r.WATFLUX, o, n);
  c.SOURCE = {r.SOURCE.data() + o, m};
  c.DZ = {r.DZ.data() + o, m};
  c.soil = {r.node_soil.data() + o, m};
  c.n = n;
  return c;
}

bool richards_init(ModelState& s) {
  const Settings& c = s.settings;
  RichardsState& r = s.richards;
  InfilState& f = s.infil;
  const int ncell = s.grid.ncells;
  if (static_cast<int>(s.params.soil_id.size()) < ncell) {
    set_error(132, 0, 0, {}, c.maps.soil_type_map);
    return false;
  }
  if (!read_options(c.infil, r.options)) {
    set_error(4000);
    return false;
  }
  say("Reading Soil Table\n");
  if (!c.infil.soil_layer_input_file_given || f.soil_records.empty()) {
    say("\nError: Richards' equation needs the soil table of every soil type (card "
        "SOIL_LAYER_INPUT_FILE).\n");
    set_error(4000);
    return false;
  }
  const Retention ret = r.options.retention;
  const std::size_t ids = f.soil_records.size();
  r.layer_table.assign(3 * ids, SoilHydraulics{});
  std::vector<ColumnLayout> layouts(ids);
  std::vector<bool> checked(ids, false);
  r.offset.allocate(ncell);
  r.nodes.allocate(ncell);
  r.layer1_last.allocate(ncell);
  r.layer2_last.allocate(ncell);
  r.layer3_last.allocate(ncell);
  std::size_t total = 0;
  for (int i = 1; i <= ncell; ++i) {
    const int id = s.params.soil_id[i];
    if (id < 1 || id >= static_cast<int>(ids) ||
        !f.soil_record_given[static_cast<std::size_t>(id)]) {
      say("\nError: soil type %d of grid cell %d has no block in the soil table %s\n", id, i,
          c.infil.soil_layer_input_file.c_str());
      set_error(4000);
      return false;
    }
    const std::size_t u = static_cast<std::size_t>(id);
    if (!checked[u]) {
      const SoilRecord& rec = f.soil_records[u];
      std::string why;
      bool ok = column_layout(rec, 0, layouts[u], why);
      for (int k = 1; ok && k <= 3; ++k)
        ok = layer_hydraulics(rec, k, ret, r.layer_table[3 * u + k - 1], why);
      if (!ok) {
        say("\nError: soil table %s, soil type %d: %s.\n", c.infil.soil_layer_input_file.c_str(),
            id, why.c_str());
        set_error(4000);
        return false;
      }
      checked[u] = true;
    }
    const ColumnLayout& lay = layouts[u];
    r.offset[i] = total;
    r.nodes[i] = lay.n;
    r.layer1_last[i] = lay.last[0];
    r.layer2_last[i] = lay.last[1];
    r.layer3_last[i] = lay.last[2];
    r.max_n = std::max(r.max_n, lay.n);
    total += static_cast<std::size_t>(lay.n) + 1;
  }
  for (auto* v : {&r.PHEAD, &r.KHEAD, &r.THETA, &r.WATCAP, &r.WATFLUX, &r.SOURCE, &r.DZ})
    v->assign(total, 0.0);
  r.node_soil.assign(total, nullptr);
  for (int i = 1; i <= ncell; ++i) {
    const std::size_t u = static_cast<std::size_t>(s.params.soil_id[i]);
    const ColumnLayout& lay = layouts[u];
    for (int k = 0; k <= lay.n; ++k) {
      const int layer = k <= lay.last[0] ? 1 : k <= lay.last[1] ? 2 : 3;
      r.node_soil[r.offset[i] + k] = &r.layer_table[3 * u + layer - 1];
    }
    const ColumnView col = richards_column(r, i);
    initial_column(col, nodes_of(r.DZ, r.offset[i], lay.n), f.soil_records[u], lay, 0.0, ret);
  }
  r.upper_state.allocate(ncell);
  r.upper_state.fill(kUpperFlux);
  r.last_dt.allocate(ncell);
  r.last_dt.fill(kPondedFirstStep);
  r.evap_demand.allocate(ncell);
  r.drained.allocate(ncell);
  r.evaporated.allocate(ncell);
  r.soil_evaporated.allocate(ncell);
  r.mass_error.allocate(ncell);
  const int threads = std::max(1, omp_get_max_threads());
  r.scratch.assign(richards_work_size(r.max_n) * static_cast<std::size_t>(threads), 0.0);
  say("   Done\n");
  say("Initialize Richards Params\n");
  r.active = true;
  r.initial_root_zone = richards_root_zone_volume(s);
  r.initial_volume = richards_soil_volume(s);
  say("Inital volume of water in root zone= %lf \n \n", r.initial_root_zone);
  say("Inital volume of water in soil column= %lf \n \n", r.initial_volume);
  return true;
}

void richards_step(ModelState& s, std::span<double> depth, double dt) {
  RichardsState& r = s.richards;
  InfilState& f = s.infil;
  if (!r.active) return;
  const int ncell = s.grid.ncells;
  const double interval = dt / 3600.0;
  const RichardsOptions opts = r.options;
  const BottomBoundary bottom{};
  const bool exclude = f.lake_exclusion && static_cast<int>(s.params.lake_id.size()) >= ncell;
  const std::size_t work_size = richards_work_size(r.max_n);
  const int threads = std::max(1, omp_get_max_threads());
  // Sized at start-up; grows only if the thread count was raised since.
  if (r.scratch.size() < work_size * static_cast<std::size_t>(threads))
    r.scratch.assign(work_size * static_cast<std::size_t>(threads), 0.0);
  int failed = ncell + 1;
  // Columns are independent, so the cells may run in parallel with identical results.
#pragma omp parallel num_threads(threads) reduction(min : failed)
  {
    const std::size_t t = static_cast<std::size_t>(omp_get_thread_num());
    const RichardsWork w =
        richards_work(std::span<double>(r.scratch).subspan(t * work_size, work_size), r.max_n);
#pragma omp for schedule(static)
    for (int i = 1; i <= ncell; ++i) {
      r.drained[i] = r.evaporated[i] = r.soil_evaporated[i] = r.mass_error[i] = 0.0;
      if (exclude && s.params.lake_id[i] > 0) {
        f.infil_rate[i] = 0.0;
        continue;
      }
      const ColumnView col = richards_column(r, i);
      ColumnSurface surf{depth[i] * 100.0, r.evap_demand[i], r.upper_state[i], r.last_dt[i]};
      const IntervalTotals tot = richards_interval(col, w, opts, bottom, interval, surf);
      if (tot.failed) failed = std::min(failed, i);
      depth[i] = surf.depth / 100.0;
      r.upper_state[i] = surf.state;
      r.last_dt[i] = surf.last_dt;
      r.drained[i] = tot.drained;
      r.evaporated[i] = tot.evaporated;
      r.soil_evaporated[i] = tot.soil_evaporated;
      r.mass_error[i] = tot.mass_error;
      f.infil_cum_depth[i] += tot.infiltrated / 100.0;
      f.infil_rate[i] = tot.infiltrated / interval;
      f.surface_moisture[i] = col.THETA[1];
    }
  }

  // Sums in cell order, so they do not depend on the thread count.
  const double area = s.grid.dx * s.grid.dx;
  const bool recharge = !f.gw_recharge_depth.empty();
  double infil = 0.0, drain = 0.0, evap = 0.0, soil_evap = 0.0, err = 0.0, source = 0.0;
  for (int i = 1; i <= ncell; ++i) {
    const double d = f.infil_cum_depth[i] - f.infil_cum_prev[i];
    infil += d;
    f.infil_event_depth[i] += d;
    f.infil_cum_prev[i] = f.infil_cum_depth[i];
    drain += r.drained[i];
    evap += r.evaporated[i];
    soil_evap += r.soil_evaporated[i];
    err += r.mass_error[i];
    if (recharge) f.gw_recharge_depth[i] += r.drained[i] / 100.0;
    const std::size_t o = r.offset[i];
    for (int k = 1; k < r.nodes[i]; ++k) source += r.SOURCE[o + k] * r.DZ[o + k];
  }
  f.infiltrated_volume += infil * area;
  s.ledger.infiltration += infil * area;
  // Evaporation of ponded water is direct evaporation; what the column gives up is soil
  // evaporation, which the soil balance of the totals counts.
  s.ledger.direct_evaporation += (evap - soil_evap) / 100.0 * area;
  s.ledger.evaporation += soil_evap / 100.0 * area;
  s.ledger.unsat_downward_flux += drain / 100.0 * area;
  r.infiltrated_volume += infil * area;
  r.evaporated_volume += evap / 100.0 * area;
  r.soil_evaporated_volume += soil_evap / 100.0 * area;
  r.drained_volume += drain / 100.0 * area;
  r.error_volume += err / 100.0 * area;
  r.source_volume += source * interval / 100.0 * area;
  if (failed <= ncell) {
    say("\nError: the Richards solver of grid cell %d took more than %d sub-steps in one "
        "interval.\n",
        failed, kMaxSubsteps);
    set_error(4000);
  }
}

double richards_soil_volume(const ModelState& s) {
  return volume_of(s, 3);
}

double richards_root_zone_volume(const ModelState& s) {
  return volume_of(s, 1);
}

}  // namespace torva
