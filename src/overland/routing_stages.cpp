// Overland stages: allocation over the mask, the depth check after rain and the overland
// routing step with its boundary cells, low spots and outlet.
#include <cmath>

#include "frame/clock.hpp"
#include "frame/console.hpp"
#include "frame/run_context.hpp"
#include "input/mapping_table.hpp"
#include "input/series.hpp"
#include "model/model_state.hpp"
#include "overland/ade_scheme.hpp"
#include "overland/explicit_scheme.hpp"
#include "overland/low_spot_flow.hpp"
#include "overland/overland_boundary.hpp"
#include "overland/overland_stages.hpp"
#include "overland/rain_state.hpp"

namespace torva {
namespace {

bool channels_on(const ModelState& s) {
  return s.run.channels_routed();
}

bool any_water(const Array1<double>& h, int n) {
  for (int i = 1; i <= n; ++i)
    if (h[i] > 1e-16) return true;
  return false;
}

// First non-real depth (cell number), or 0.
int first_non_real(const Array1<double>& h, int n) {
  const double* d = h.data();
  int first = n + 1;  // the lowest bad cell, whatever the thread count
#pragma omp parallel for schedule(static) reduction(min : first) if (n >= kParallelMinCells)
  for (int i = 1; i <= n; ++i)
    if (!std::isfinite(d[i]) && i < first) first = i;
  return first <= n ? first : 0;
}

// Per-cell roughness and retention as the sweeps read them; the uniform cards stand in for
// maps that were not given.
bool prepare_surface(ModelState& s, bool report) {
  OverlandState& o = s.overland;
  const int n = s.grid.ncells;
  const CellParams& p = s.params;
  const bool rough_map = p.rough.size() == static_cast<std::size_t>(n);
  for (int i = 1; i <= n; ++i) {
    const double rough = rough_map ? p.rough[i] : s.settings.overland.manning_n;
    if (!(rough > 0.0)) {
      if (report) {
        say("Overland Manning n=0 at grid cell %d.  Program terminating.\n", i);
        set_error(4000);
      }
      return false;
    }
    o.inv_rough[i] = 1.0 / rough;
  }
  if (p.retention_depth.size() == static_cast<std::size_t>(n)) {
    for (int i = 1; i <= n; ++i) o.retention[i] = p.retention_depth[i];
  } else {
    o.retention.fill(s.settings.overland.retention / 1000.0);
    o.retention[0] = 0.0;
  }
  return true;
}

// Low spots by cell number, in file order (the connectivity exists from start-up step 15).
void prepare_low_spots(ModelState& s) {
  OverlandState& o = s.overland;
  o.low_spots.clear();
  const GridState& g = s.grid;
  for (const LowSpot& sp : s.connect.low_spots) {
    if (sp.row < 1 || sp.row > g.rows || sp.col < 1 || sp.col > g.cols) continue;
    const int k = g.mask(sp.row, sp.col);
    int m = 0;
    if (k != 0) {
      switch (sp.side) {
        case 1:
          m = g.north_cell[k];
          break;
        case 2:
          m = g.east_cell[k];
          break;
        case 4:
          m = g.south_cell[k];
          break;
        case 8:
          m = g.west_cell[k];
          break;
        default:
          break;
      }
    }
    o.low_spots.push_back({k, m, sp.width, sp.crest});
  }
  o.low_spot_q.assign(o.low_spots.size(), 0.0);
}

// End of runoff in event runs with channels: the rain has stopped, the land is dry and the
// channels hold less than 1e-4 of the event's rain.
void check_end_of_runoff(ModelState& s) {
  OverlandState& o = s.overland;
  EventControl& ev = s.event;
  if (s.run.long_term || !channels_on(s) || o.wet || o.runoff_ended) return;
  if (ev.precip_state == kRainRunning) return;
  // An event run has one event, so its rain is the run's rain.
  if (!(s.exchange.channel_storage < 0.0001 * s.ledger.precip)) return;
  o.runoff_ended = true;
  say("Rainfall for this event has ended.\n");
  say_summary("Rainfall for this event ended. Runoff is complete\n");
  ev.event_ended = true;
  ev.event_running = false;
  ev.end_of_event_due = true;
  ev.simulation_continues = false;
}

SurfaceView surface_view(const ModelState& s) {
  const GridState& g = s.grid;
  const OverlandState& o = s.overland;
  SurfaceView v;
  v.ncells = g.ncells;
  v.dx = g.dx > 0.0 ? g.dx : s.settings.site.gridsize;
  v.elevation = g.elevation.slots();
  v.inv_rough = o.inv_rough.slots();
  v.retention = o.retention.slots();
  v.east_cell = g.east_cell.slots();
  v.west_cell = g.west_cell.slots();
  v.north_cell = g.north_cell.slots();
  v.south_cell = g.south_cell.slots();
  if (s.connect.has_dikes && s.connect.dike_code.size() == static_cast<std::size_t>(g.ncells))
    v.dike_code = s.connect.dike_code.slots();
  return v;
}

// Boundary types and values from the OVERLAND_BOUNDARY mapping table, when it has one.
bool load_boundaries(ModelState& s) {
  OverlandState& o = s.overland;
  const int n = s.grid.ncells;
  const MapCards& c = s.settings.maps;
  if (!c.mapping_table_given || !s.params.mapping_tables[kTableOverlandBoundary]) return true;
  Array1<double> type{"bound_type"};
  if (!type.allocate(n) || !o.bound_type.allocate(n) || !o.bound_value.allocate(n) ||
      !o.bound_now.allocate(n)) {
    set_error(4000);
    return false;
  }
  const std::span<double> dest[2] = {type.slots(), o.bound_value.slots()};
  GridHeader h;
  if (!map_table_lookup(c.mapping_table, kTableOverlandBoundary, dest, h, s.grid.mask, s.grid.rows,
                        s.grid.cols))
    return false;
  for (int i = 1; i <= n; ++i) {
    const double t = type[i];
    const int k = static_cast<int>(t);
    if (t != static_cast<double>(k) || k < kNoBoundary || k > kFlowSeries) {
      say("Invalid overland boundary type %g in grid cell %d; the types are 0 to 5.\n", t, i);
      set_error(4000);
      return false;
    }
    o.bound_type[i] = k;
    if (k != kNoBoundary) o.boundaries = true;
  }
  return true;
}

void apply_boundaries(ModelState& s, double dt) {
  OverlandState& o = s.overland;
  const int n = s.grid.ncells;
  for (int i = 1; i <= n; ++i) {
    const int k = o.bound_type[i];
    o.bound_now[i] = k >= kHeadSeries
                         ? time_series_value_by_index(s.series, static_cast<int>(o.bound_value[i]),
                                                      s.clock.current_time)
                         : o.bound_value[i];
  }
  const double dx = s.grid.dx > 0.0 ? s.grid.dx : s.settings.site.gridsize;
  const BoundaryVolumes v =
      apply_overland_boundary(o.bound_type.slots(), o.bound_now.slots(), s.grid.elevation.slots(),
                              o.inv_rough.slots(), dx, dt, o.ov_depth.slots());
  s.ledger.head_boundary_gain += v.head_gain;
  s.ledger.head_boundary_loss += v.head_loss;
  s.ledger.slope_boundary_loss += v.slope_loss;
  s.ledger.overland_point_sources += v.flow_in;
}

void say_overland_fault(const Fault& f) {
  switch (f.code) {
    case kAdeStepTooSmall:
      say("The ADE overland routing time step is getting really small\n");
      say("less than 1/100 of a second\n");
      say("Reduce the model time step by a factor of 2 and try again.\n");
      say("Program stopped.\n");
      break;
    case kExplicitSplitX:
      say("need to split...(x-dir) curr_du=%lf, dhh=%lf, h[j]+dhh=%lf\n", f.value[0], f.value[1],
          f.value[2]);
      break;
    case kExplicitSplitY:
      say("need to split...(y-dir) curr_du=%lf, dhh=%lf, h[j]+dhh=%lf\n", f.value[0], f.value[1],
          f.value[2]);
      break;
    case kExplicitStepDivided:
      say(" *Changing overland time step to %4.2lf seconds...\n", f.value[0]);
      break;
    case kExplicitStepKept:
      say(" *Time step to small to divide, continuing with current time step\n");
      break;
    case kExplicitStepReset:
      say("Resetting time step to %4.2lf for overland flow...\n", f.value[0]);
      break;
    default:
      break;
  }
}

// Runs the selected scheme for dt seconds; the outlet volume, or a negative value on a stop.
double run_scheme(ModelState& s, double dt) {
  OverlandState& o = s.overland;
  const SurfaceView g = surface_view(s);
  const OverlandArrays a{o.ov_depth.slots(), o.saved_depth.slots(), o.face_q_x.slots(),
                         o.face_q_y.slots(), o.face_vol_x.slots(),  o.face_vol_y.slots()};
  OutletDrain outlet;
  outlet.on = !channels_on(s) && s.grid.outlet_cell > 0 && s.grid.outlet_cell <= g.ncells;
  outlet.cell = s.grid.outlet_cell;
  outlet.outslope = s.settings.site.outslope;
  StepResult r;
  double v = 0.0;
  switch (s.run.overland_scheme) {
    case OverlandScheme::kExplicit:
      v = route_explicit(g, s.connect.slope_x.slots(), s.connect.slope_y.slots(), a, dt,
                         o.sweep_order, outlet, o.explicit_control, r);
      break;
    case OverlandScheme::kAdePc:
      v = route_ade_pc(g, a, dt, o.sweep_order, outlet);
      break;
    case OverlandScheme::kAde:
      v = route_ade(g, a, dt, o.sweep_order, outlet, r);
      break;
  }
  for (const Fault& f : r.faults) say_overland_fault(f);
  if (v < 0.0) {
    set_error(4000);
    return v;
  }
  s.ledger.overland_clipped += r.clipped;
  if (!o.low_spots.empty())
    low_spot_flow(o.low_spots, g.dx, dt, g.elevation, o.ov_depth.slots(), o.low_spot_q);
  return v;
}

}  // namespace

void stage_allocate_overland(ModelState& s) {
  OverlandState& o = s.overland;
  const int n = s.grid.ncells;
  if (n <= 0) return;
  if (!o.ov_depth.allocate(n) || !o.saved_depth.allocate(n) || !o.face_q_x.allocate(n) ||
      !o.face_q_y.allocate(n) || !o.face_vol_x.allocate(n) || !o.face_vol_y.allocate(n) ||
      !o.inv_rough.allocate(n) || !o.retention.allocate(n)) {
    set_error(4000);
    return;
  }
  o.sweep_order = 1;
  // Filled now for the channel exchange; checked, with its message, at the first step.
  prepare_surface(s, false);
  if (s.params.init_depth.size() == static_cast<std::size_t>(n))
    for (int i = 1; i <= n; ++i) o.ov_depth[i] = s.params.init_depth[i];
  load_boundaries(s);
}

std::span<const double> overland_discharge_map(ModelState& s) {
  OverlandState& o = s.overland;
  const int n = static_cast<int>(o.face_q_x.size());
  if (n == 0) return {};
  if (o.map_discharge.size() != static_cast<std::size_t>(n) && !o.map_discharge.allocate(n))
    return {};
  // The explicit scheme keeps flows per unit width (m^2/s), the ADE schemes whole-face
  // discharges (m^3/s): only the former needs the cell width to give m^3/s.
  const double dx = s.grid.dx > 0.0 ? s.grid.dx : s.settings.site.gridsize;
  const double width = s.run.overland_scheme == OverlandScheme::kExplicit ? dx : 1.0;
  discharge_magnitude(width, o.face_q_x.slots(), o.face_q_y.slots(), o.map_discharge.slots());
  return o.map_discharge.slots();
}

void stage_depth_check(ModelState& s) {
  const int bad = first_non_real(s.overland.ov_depth, static_cast<int>(s.overland.ov_depth.size()));
  if (bad == 0) return;
  say("A non-real number for water depth has been detected for overland cell %d\n", bad);
  set_error(4000);
}

void stage_overland(ModelState& s) {
  OverlandState& o = s.overland;
  const int n = s.grid.ncells;
  if (o.ov_depth.empty() || n <= 0) return;
  ClockState& c = s.clock;
  if (!o.started) {
    o.started = true;
    o.prev_time = c.current_time - c.dt_days;
    o.next_time = c.current_time;
    if (!prepare_surface(s, true)) return;
    prepare_low_spots(s);
  }
  if (o.event != s.event.event) {
    o.event = s.event.event;
    o.outlet_event_volume = 0.0;
    o.runoff_ended = false;
  }
  if (o.suspended) {
    const double wake = overland_wake_time(s);
    if (c.current_time < wake && !same_time(c.current_time, wake) && !any_water(o.ov_depth, n)) {
      if (!channels_on(s)) o.outlet_q = s.event.outlet_q = 0.0;
      return;
    }
    o.suspended = false;
    o.prev_time = c.current_time - c.dt_days;
    o.next_time = c.current_time;
  }
  if (!(c.current_time >= o.next_time || same_time(c.current_time, o.next_time))) return;
  double dt = (c.current_time - o.prev_time) * kSecondsPerDay;
  // Julian dates near 2.4e6 days carry about 4e-5 s of round-off; a step of one model time
  // step is taken as exactly that long.
  if (std::fabs(dt - c.dt) < 0.01) dt = c.dt;

  if (o.boundaries) apply_boundaries(s, dt);
  bool wet = false, moving = false;
  int first_bad = n + 1;
  {
    const double* h = o.ov_depth.data();
    const double* qx = o.face_q_x.data();
    const double* qy = o.face_q_y.data();
#pragma omp parallel for schedule(static) reduction(||             \
                                                    : wet, moving) \
    reduction(min                                                  \
              : first_bad) if (n >= kParallelMinCells)
    for (int i = 1; i <= n; ++i) {
      if (!std::isfinite(h[i]) && i < first_bad) first_bad = i;
      wet = wet || h[i] > 1e-16;
      moving = moving || std::fabs(qx[i]) > 1e-16 || std::fabs(qy[i]) > 1e-16;
    }
  }
  if (first_bad <= n) {
    say("A non-real overland flow water depth has been detected in cell %d after applying "
        "overland boundary conditions and overland pumping.\n",
        first_bad);
    set_error(4000);
    return;
  }
  o.wet = wet;
  o.moving = moving;

  double outflow = 0.0;
  if (o.wet) {
    outflow = run_scheme(s, dt);
    if (outflow < 0.0) return;  // the scheme's fault is printed and the code set
    o.sweep_order = o.sweep_order == 1 ? 2 : 1;
  } else if (o.moving) {
    // A dry surface carries no flow; the discharge map should say so.
    o.face_q_x.fill(0.0);
    o.face_q_y.fill(0.0);
  }
  o.outlet_step_volume = outflow;
  if (!channels_on(s)) {
    o.outlet_event_volume += outflow;
    o.outlet_total_volume += outflow;
    s.ledger.discharge += outflow;
    o.outlet_q = dt > 0.0 ? outflow / dt : 0.0;
    s.event.outlet_q = o.outlet_q;
  }
  o.prev_time = c.current_time;
  o.next_time = c.current_time + c.dt_days;

  const int bad = first_non_real(o.ov_depth, n);
  if (bad != 0) {
    say("A non-real overland flow water depth has been detected in cell %d after overland flow "
        "routing.\n",
        bad);
    set_error(4000);
    return;
  }
  o.wet = any_water(o.ov_depth, n);
  check_end_of_runoff(s);
  // Between storms of a long-term run a dry or still surface needs no routing.
  if (s.run.long_term && (!o.wet || (!o.moving && s.event.precip_state != kRainRunning)) &&
      overland_wake_time(s) > c.current_time)
    o.suspended = true;
}

double overland_wake_time(const ModelState& s) {
  if (s.event.precip_state != kRainRunning) return 1e300;
  const Array1<double>& rate = s.rain.rain_rate;
  for (std::size_t i = 1; i <= rate.size(); ++i)
    if (rate[i] > 0.0) return s.clock.current_time;  // raining now
  return s.rain.next_time;
}

}  // namespace torva
