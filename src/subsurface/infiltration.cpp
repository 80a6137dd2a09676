#include "subsurface/infiltration.hpp"

#include <string>

#include "frame/console.hpp"
#include "frame/run_context.hpp"
#include "model/model_state.hpp"
#include "subsurface/green_ampt.hpp"
#include "subsurface/green_ampt_redist.hpp"
#include "subsurface/layered_soil.hpp"
#include "subsurface/richards_stage.hpp"
#include "subsurface/soil_layers.hpp"

namespace torva {
namespace {

template <class T>
std::span<const T> cspan(const Array1<T>& a) {
  return a.slots();
}

bool covers(const Array1<double>& a, int n) {
  return static_cast<int>(a.size()) >= n;
}

bool need(const Array1<double>& a, int n, const char* method, const char* what, const char* card) {
  if (covers(a, n)) return true;
  say("\nError: %s infiltration needs the %s of every cell (card %s or the mapping table).\n",
      method, what, card);
  set_error(4000);
  return false;
}

bool bad_cell(int cell, const char* what, double v, const char* rule) {
  say("\nError: grid cell %d has %s = %lf, %s.\n", cell, what, v, rule);
  set_error(4000);
  return false;
}

// Soil parameters of methods 1 and 2 (m/s, m, fractions), checked cell by cell.
bool check_green_ampt_params(const CellParams& p, int n, bool redist) {
  const char* method = redist ? "Green and Ampt with redistribution" : "Green and Ampt";
  if (!need(p.ksat, n, method, "hydraulic conductivity", "CONDUCTIVITY") ||
      !need(p.cap_head, n, method, "capillary head", "CAPILLARY") ||
      !need(p.porosity, n, method, "porosity", "POROSITY") ||
      !need(p.theta_init, n, method, "initial moisture", "MOISTURE"))
    return false;
  if (redist && !covers(p.pore_index, n)) {
    say("For infiltration redistribution, pore index map must be specified\n");
    set_error(4000);
    return false;
  }
  for (int i = 1; i <= n; ++i) {
    const double phi = p.porosity[i];
    if (!(p.ksat[i] >= 0.0)) return bad_cell(i, "hydraulic conductivity", p.ksat[i], "below 0");
    if (!(p.cap_head[i] >= 0.0)) return bad_cell(i, "capillary head", p.cap_head[i], "below 0");
    if (!(phi > 0.0 && phi <= 1.0)) return bad_cell(i, "porosity", phi, "outside 0..1");
    if (!redist && !(p.theta_init[i] >= 0.0 && p.theta_init[i] <= phi))
      return bad_cell(i, "initial moisture", p.theta_init[i], "outside 0..porosity");
    if (redist) {
      if (!(p.pore_index[i] > 0.0))
        return bad_cell(i, "pore index", p.pore_index[i], "not above 0");
      const double tr = covers(p.residual_sat, n) ? p.residual_sat[i] : 0.0;
      if (!(tr >= 0.0 && tr < phi))
        return bad_cell(i, "residual water content", tr, "outside 0..porosity");
    }
  }
  return true;
}

bool load_layered(ModelState& s, int n) {
  InfilState& f = s.infil;
  const InfilCards& c = s.settings.infil;
  if (!c.soil_layer_input_file_given) {
    say("\nError: multi-layered infiltration needs a soil layer input file (card "
        "SOIL_LAYER_INPUT_FILE).\n");
    set_error(4000);
    return false;
  }
  if (static_cast<int>(s.params.soil_id.size()) < n) {
    say("\nError: multi-layered infiltration needs a soil type index map (card SOIL_TYPE_MAP).\n");
    set_error(4000);
    return false;
  }
  f.front_depth.allocate(n);
  f.layer_theta1.allocate(n);
  f.layer_theta2.allocate(n);
  f.layer_theta3.allocate(n);
  for (int i = 1; i <= n; ++i) {
    const int id = s.params.soil_id[i];
    if (id < 1 || id >= static_cast<int>(f.soil_records.size()) ||
        !f.soil_record_given[static_cast<std::size_t>(id)]) {
      say("\nError: soil type %d of grid cell %d has no block in the soil layer input file %s\n",
          id, i, c.soil_layer_input_file.c_str());
      set_error(4000);
      return false;
    }
    const SoilRecord& rec = f.soil_records[static_cast<std::size_t>(id)];
    for (int k = 1; k <= kSoilLayers; ++k) {
      if (!(rec.ksat(k) > 0.0)) {
        say("\nError: soil type %d, layer %d has hydraulic conductivity %lf; the multi-layered "
            "method needs a positive value (grid cell %d).\n",
            id, k, rec.ksat(k), i);
        set_error(4000);
        return false;
      }
    }
    f.layer_theta1[i] = rec.theta_init(1);
    f.layer_theta2[i] = rec.theta_init(2);
    f.layer_theta3[i] = rec.theta_init(3);
  }
  return true;
}

// The simple soil store holds the water of the soil column over the simple soil depth: the
// initial moisture of SOIL_MOIST_DEPTH (redistribution) or of the first two layers
// (layered soils), to which infiltration is added.
void fill_soil_store(ModelState& s, int n) {
  InfilState& f = s.infil;
  const InfilMethod method = s.run.infil_method;
  if (method == InfilMethod::layered) {
    for (int i = 1; i <= n; ++i) {
      const SoilRecord& rec = f.soil_records[static_cast<std::size_t>(s.params.soil_id[i])];
      f.soil_store[i] =
          (rec.theta_init(1) * rec.thickness(1) + rec.theta_init(2) * rec.thickness(2)) / 100.0;
    }
    return;
  }
  const double depth = s.settings.infil.soil_moist_depth;  // m
  for (int i = 1; i <= n; ++i) f.soil_store[i] = s.params.theta_init[i] * depth;
}

}  // namespace

int infiltration_conflict_code(const InfilCards& c) {
  if (c.inf_layered_soil) {
    if (c.green_ampt) return 26;
    if (c.inf_redist) return 27;
    if (c.inf_richards) return 28;
  }
  if (c.inf_richards) {
    if (c.green_ampt) return 29;
    if (c.inf_redist) return 30;
    if (c.inf_layered_soil) return 31;
  }
  if (c.green_ampt && c.inf_redist) return 33;
  return 0;
}

void infiltration_init(ModelState& s) {
  const Settings& c = s.settings;
  InfilState& f = s.infil;
  const InfilMethod method = s.run.infil_method;
  if (const int code = infiltration_conflict_code(c.infil)) {
    set_error(code);
    return;
  }
  if (method == InfilMethod::none) return;

  const int n = s.grid.ncells;
  if (n <= 0) return;
  if (c.infil.soil_layer_input_file_given &&
      (method == InfilMethod::layered || method == InfilMethod::richards)) {
    SoilLayerTable table;
    if (!read_soil_layer_file(c.infil.soil_layer_input_file, table)) return;
    f.soil_records = std::move(table.records);
    f.soil_record_given = std::move(table.given);
  }
  // Arrays every method keeps per cell.
  f.infil_cum_depth.allocate(n);
  f.infil_cum_prev.allocate(n);
  f.infil_event_depth.allocate(n);
  f.infil_rate.allocate(n);
  f.surface_moisture.allocate(n);
  if (c.unsimulated.gw_simulation) f.gw_recharge_depth.allocate(n);
  f.lake_exclusion =
      c.unsimulated.overland_lake_map_given && static_cast<int>(s.params.lake_id.size()) >= n;
  if (method == InfilMethod::richards) {
    f.initialised = richards_init(s);
    return;
  }

  // The factor defaults to 1 where no map or table gave one, so applying it is exact; a
  // uniform value fills it only when nothing else did.
  if (!covers(s.params.area_factor, n)) {
    s.params.area_factor.allocate(n);
    s.params.area_factor.fill(1.0);
  }
  if (c.infil.unif_area_reduction_given && !c.maps.area_reduction_given) {
    bool untouched = true;
    for (int i = 1; i <= n && untouched; ++i) untouched = s.params.area_factor[i] == 1.0;
    if (untouched) s.params.area_factor.fill(1.0 - c.infil.unif_area_reduction);
  }
  for (int i = 1; i <= n; ++i) {
    const double a = s.params.area_factor[i];
    if (!(a >= 0.0 && a <= 1.0)) {
      bad_cell(i, "area reduction factor (1 - reduction)", a, "outside 0..1");
      return;
    }
  }
  f.area_reduction = true;

  if (method == InfilMethod::green_ampt || method == InfilMethod::redist) {
    if (!check_green_ampt_params(s.params, n, method == InfilMethod::redist)) return;
  }
  if (keeps_soil_store(method)) f.soil_store.allocate(n);
  if (method == InfilMethod::green_ampt) f.psi_dtheta.allocate(n);
  if (method == InfilMethod::redist) {
    f.front_moisture.allocate(n);
    f.front_ref_depth.allocate(n);
    f.ponding_step.allocate(n);
    f.redist_step.allocate(n);
    f.front_state.allocate(n);
    f.dry_step.allocate(n);
    f.theta_i.allocate(n);
    f.clipped.allocate(n);
    if (c.unsimulated.gw_simulation) f.gw_saturated.allocate(n);
    if (!covers(s.params.residual_sat, n)) s.params.residual_sat.allocate(n);
  }
  if (method == InfilMethod::layered && !load_layered(s, n)) return;
  if (keeps_soil_store(method)) fill_soil_store(s, n);
  f.initialised = true;
}

void infiltration_redist_start(ModelState& s) {
  InfilState& f = s.infil;
  const InfilMethod method = s.run.infil_method;
  if (method != InfilMethod::redist || !f.initialised || f.redist_started) return;
  const int n = s.grid.ncells;
  f.ponding_step.fill(0);
  f.redist_step.fill(0);
  f.front_state.fill(0);
  f.dry_step.fill(0);
  f.front_ref_depth.fill(0.0);
  f.infil_cum_depth.fill(0.0);
  f.infil_cum_prev.fill(0.0);
  f.infil_step = 0;
  const CellParams& p = s.params;
  for (int i = 1; i <= n; ++i) {
    double ti = p.theta_init[i];
    const double tr = p.residual_sat[i];
    const double phi = p.porosity[i];
    if (ti < tr || ti > phi) {
      say("cell: %d  thi: %lf  thr: %lf   phi: %lf\n", i, ti, tr, phi);
      if (ti < tr) {
        ti = tr + 0.01;
        say("Problem initializing inf_redist in main loop, thi<thr at grid cell %d, increasing "
            "it to %lf\n",
            i, ti);
      } else {
        ti = phi - 0.01;
        say("Problem initializing inf_redist in main loop, thi>phi at grid cell %d, decreasing "
            "it to %lf\n",
            i, ti);
      }
    }
    f.theta_i[i] = ti;
  }
  f.redist_started = true;
}

void infiltration_step(ModelState& s, std::span<double> depth) {
  InfilState& f = s.infil;
  const InfilMethod method = s.run.infil_method;
  if (!f.initialised || method == InfilMethod::none) return;
  if (method == InfilMethod::redist && !f.redist_started) infiltration_redist_start(s);
  const int n = s.grid.ncells;
  if (static_cast<int>(depth.size()) < n + 1) {
    say("\nError: infiltration was given %zu overland depths for %d grid cells.\n",
        depth.empty() ? std::size_t{0} : depth.size() - 1, n);
    set_error(4000);
    return;
  }
  ClockState& clock = s.clock;
  const double now = clock.current_time;
  if (!f.scheduled) {
    // The first interval ends at the first pass, which covers one model step of rain.
    f.interval = clock.dt_days;
    f.prev_time = now - f.interval;
    f.next_time = now;
    f.scheduled = true;
  }
  if (!same_time(now, f.next_time) && now < f.next_time) return;
  const double dt = (now - f.prev_time) * kSecondsPerDay;
  f.prev_time = now;
  f.next_time = now + f.interval;
  if (!(dt > 0.0)) return;
  if (method == InfilMethod::richards) {
    richards_step(s, depth, dt);
    return;
  }

  const CellParams& p = s.params;
  const std::span<const double> area =
      f.area_reduction ? cspan(p.area_factor) : std::span<const double>{};
  Fault failed;
  int clipped_cells = 0;
  if (method == InfilMethod::green_ampt) {
    if (!f.psi_ready) {
      green_ampt_psi_dtheta(cspan(p.porosity), cspan(p.theta_init), cspan(p.cap_head),
                            f.psi_dtheta.slots(), n);
      f.psi_ready = true;
    }
    failed = green_ampt_step({depth, f.infil_cum_depth.slots(), f.infil_rate.slots(), cspan(p.ksat),
                              cspan(f.psi_dtheta), area},
                             n, dt);
  } else if (method == InfilMethod::redist) {
    RedistCells c;
    c.ksat = cspan(p.ksat);
    c.cap_head = cspan(p.cap_head);
    c.porosity = cspan(p.porosity);
    c.theta_init = cspan(f.theta_i);
    c.pore_index = cspan(p.pore_index);
    c.residual = cspan(p.residual_sat);
    c.area_factor = area;
    if (f.lake_exclusion)
      c.excluded = cspan(p.lake_id);
    else if (s.hmet.frozen.size() == static_cast<std::size_t>(n))
      c.excluded = cspan(s.hmet.frozen);  // frozen ground takes no water
    if (!f.gw_saturated.empty()) c.gw_saturated = cspan(f.gw_saturated);
    c.depth = depth;
    c.cum = f.infil_cum_depth.slots();
    c.rate = f.infil_rate.slots();
    c.front_moisture = f.front_moisture.slots();
    c.front_ref_depth = f.front_ref_depth.slots();
    c.surface_moisture = f.surface_moisture.slots();
    c.ponding_step = f.ponding_step.slots();
    c.redist_step = f.redist_step.slots();
    c.front_state = f.front_state.slots();
    c.dry_step = f.dry_step.slots();
    c.clipped = f.clipped.slots();
    clipped_cells = redist_step_cells(c, n, dt, f.infil_step);
    ++f.infil_step;
  } else if (method == InfilMethod::layered) {
    LayeredCells c;
    c.soil_id = cspan(p.soil_id);
    c.records = &f.soil_records;
    c.theta1 = cspan(f.layer_theta1);
    c.theta2 = cspan(f.layer_theta2);
    c.theta3 = cspan(f.layer_theta3);
    c.area_factor = area;
    c.depth = depth;
    c.cum = f.infil_cum_depth.slots();
    c.rate = f.infil_rate.slots();
    c.front_depth = f.front_depth.slots();
    failed = layered_step(c, n, dt);
  }

  // Bookkeeping in cell order, so the sums do not depend on the thread count.
  const double cell_area = s.grid.cell_area > 0.0 ? s.grid.cell_area : s.grid.dx * s.grid.dx;
  const bool recharge = !f.gw_recharge_depth.empty();
  double sum = 0.0;
  for (int i = 1; i <= n; ++i) sum += f.infil_cum_depth[i] - f.infil_cum_prev[i];
  {
    const double* cum = f.infil_cum_depth.data();
    double* prev = f.infil_cum_prev.data();
    double* event = f.infil_event_depth.data();
    double* store = keeps_soil_store(method) ? f.soil_store.data() : nullptr;
    double* gw = recharge ? f.gw_recharge_depth.data() : nullptr;
#pragma omp parallel for schedule(static) if (n >= kMinParallelCells)
    for (int i = 1; i <= n; ++i) {
      const double d = cum[i] - prev[i];
      event[i] += d;
      if (store) store[i] += d;
      if (gw) gw[i] += d;
      prev[i] = cum[i];
    }
  }
  f.infiltrated_volume += sum * cell_area;
  s.ledger.infiltration += sum * cell_area;
  if (clipped_cells > 0) {
    double created = 0.0;
    for (int i = 1; i <= n; ++i) {
      created += f.clipped[i];
      f.clipped[i] = 0.0;
    }
    s.ledger.overland_clipped += created * cell_area;
  }
  if (failed.code == kGreenAmptNoConvergence) {
    say("\nError: the Green and Ampt iteration did not converge in %d iterations at grid cell "
        "%d.\n",
        kGreenAmptMaxIterations, failed.cell);
    set_error(4000);
  }
}

std::span<const double> infiltration_map(const ModelState& s, std::string_view result) {
  const InfilState& f = s.infil;
  if (result == "infdep") return f.infil_event_depth.slots();
  if (result == "infrate") return f.infil_rate.slots();
  if (result == "surf") return f.surface_moisture.slots();
  return {};
}

std::vector<double> restart_moisture(const ModelState& s) {
  const InfilState& f = s.infil;
  const InfilMethod method = s.run.infil_method;
  const CellParams& p = s.params;
  const int n = s.grid.ncells;
  const bool tracked =
      (method == InfilMethod::richards || (method == InfilMethod::redist && f.redist_started)) &&
      covers(f.surface_moisture, n);
  const Array1<double>& base =
      method == InfilMethod::redist && f.redist_started ? f.theta_i : p.theta_init;
  std::vector<double> m;
  if (covers(base, n))
    m.assign(base.slots().begin(), base.slots().end());
  else if (tracked)
    m.assign(static_cast<std::size_t>(n) + 1, 0.0);
  else
    return m;
  // Cells a step never reached (lakes, saturated from below) keep the initial content.
  if (tracked)
    for (int i = 1; i <= n; ++i)
      if (f.surface_moisture[i] > 0.0) m[i] = f.surface_moisture[i];
  return m;
}

}  // namespace torva
