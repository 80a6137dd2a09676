#include "overland/rain.hpp"

#include <algorithm>
#include <cmath>

#include "frame/console.hpp"
#include "frame/run_context.hpp"
#include "model/model_state.hpp"
#include "overland/face_flux.hpp"

namespace torva {

void cell_centres(std::span<const int> cell_row, std::span<const int> cell_col, double west,
                  double north, double dx, std::span<double> x, std::span<double> y) {
  const long n = static_cast<long>(x.size()) - 1;
#pragma omp parallel for schedule(static)
  for (long k = 1; k <= n; ++k) {
    x[k] = west + (cell_col[k] - 0.5) * dx;
    y[k] = north - (cell_row[k] - 0.5) * dx;
  }
}

bool find_nearest_gage(std::span<const double> x, std::span<const double> y,
                       std::span<const double> gx, std::span<const double> gy,
                       std::span<int> nearest) {
  const long n = static_cast<long>(x.size()) - 1;
  const int ngages = static_cast<int>(gx.size()) - 1;
  int failures = 0;
#pragma omp parallel for schedule(static) reduction(+ : failures)
  for (long k = 1; k <= n; ++k) {
    int best = 0;
    double best_d2 = 0.0;
    for (int g = 1; g <= ngages; ++g) {
      const double dx = x[k] - gx[g], dy = y[k] - gy[g];
      const double d2 = dx * dx + dy * dy;
      if (best == 0 || d2 < best_d2) {
        best = g;
        best_d2 = d2;
      }
    }
    nearest[k] = best;
    if (best == 0 || !(std::sqrt(best_d2) <= kMaxGageDistance)) ++failures;
  }
  return failures == 0;
}

void assign_nearest(std::span<const int> nearest, std::span<const double> values,
                    std::span<double> rate) {
  const long n = static_cast<long>(rate.size()) - 1;
  const bool one = values.size() == 2;
#pragma omp parallel for schedule(static)
  for (long k = 1; k <= n; ++k) rate[k] = values[one ? 1 : nearest[k]];
}

void assign_inverse_distance(std::span<const double> x, std::span<const double> y,
                             std::span<const double> gx, std::span<const double> gy,
                             std::span<const double> values, double dx, std::span<double> rate) {
  const long n = static_cast<long>(rate.size()) - 1;
  const int ngages = static_cast<int>(gx.size()) - 1;
#pragma omp parallel for schedule(static)
  for (long k = 1; k <= n; ++k) {
    if (ngages == 1) {
      rate[k] = values[1];
      continue;
    }
    double num = 0.0, den = 0.0;
    int close = 0;
    for (int g = 1; g <= ngages; ++g) {
      const double ex = x[k] - gx[g], ey = y[k] - gy[g];
      const double d2 = ex * ex + ey * ey;
      if (std::sqrt(d2) < dx) {
        close = g;
        break;
      }
      num += values[g] / d2;
      den += 1.0 / d2;
    }
    rate[k] = close != 0 ? values[close] : num / den;
  }
}

double interception_divisor(bool long_term, int month, double latitude) {
  if (!long_term) return 1.0;
  if (latitude < 37.0) {
    if (month <= 3 || month >= 11) return 4.0;
    if (month == 4 || month == 10) return 2.5;
    return 1.0;
  }
  if (month <= 4 || month >= 11) return 4.0;
  if (month == 5) return 3.0;
  if (month == 6) return 2.0;
  if (month == 10) return 2.5;
  return 1.0;
}

double intercept(std::span<const double> rain_rate, std::span<const double> int_storage,
                 std::span<const double> int_coeff, double divisor, double dt,
                 std::span<double> int_used, std::span<double> net_rate,
                 std::span<double> intercepted) {
  const long n = static_cast<long>(rain_rate.size()) - 1;
#pragma omp parallel for schedule(static) if (n >= kParallelMinCells)
  for (long k = 1; k <= n; ++k) {
    const double rate = rain_rate[k] > 0.0 ? rain_rate[k] : 0.0;
    const double storage = int_storage.empty() ? 0.0 : int_storage[k] / divisor;
    const double coeff = std::clamp(int_coeff.empty() ? 0.0 : int_coeff[k] / divisor, 0.0, 1.0);
    const double room = std::max(storage - int_used[k], 0.0);
    const double p = rate * dt / 3600.0;  // mm
    double caught;
    if (room > p) {
      caught = p;
      net_rate[k] = 0.0;
    } else {
      // The coefficient acts on the rain that passes the filled storage, so that
      // caught + net = gross.
      const double passing = p - room;
      caught = room + coeff * passing;
      net_rate[k] = (p - caught) * 3600.0 / dt;
    }
    int_used[k] += caught;
    intercepted[k] = caught;
  }
  // Summed apart and in cell order, so the total does not depend on the thread count.
  double total = 0.0;
  for (long k = 1; k <= n; ++k) total += intercepted[k];
  return total;
}

double add_rain(std::span<const double> rate, double dt, std::span<double> depth, int& bad_cell) {
  const long n = static_cast<long>(rate.size()) - 1;
  int first_bad = static_cast<int>(n) + 1;
#pragma omp parallel for schedule(static) reduction(min : first_bad) if (n >= kParallelMinCells)
  for (long k = 1; k <= n; ++k) {
    const double i = rate[k] > 0.0 ? rate[k] : 0.0;
    depth[k] += i * dt / 3600000.0;  // mm/h over dt seconds, in m
    if (!std::isfinite(depth[k]) && k < first_bad) first_bad = static_cast<int>(k);
  }
  bad_cell = first_bad <= n ? first_bad : 0;
  // The same increments, summed in cell order whatever the thread count.
  double total = 0.0;
  for (long k = 1; k <= n; ++k) total += (rate[k] > 0.0 ? rate[k] : 0.0) * dt / 3600000.0;
  return total;
}

}  // namespace torva

namespace torva {
namespace {

void zero_rates(RainState& r) {
  r.rain_rate.fill(0.0);
  r.net_rain_rate.fill(0.0);
}

// The intensities of record k of a radar-file event; false on a fault (code set).
bool assign_radar_record(RainState& r, int k) {
  const std::string& path = r.event.radar_file[k];
  say("Reading radar precip file %s.\n", path.c_str());
  double peak = 0.0;
  if (!read_radar_values(path, r.radar, r.radar_values, peak)) {
    set_error(4000);
    return false;
  }
  say("Peak rainfall rate read: %lf mm/hr\n", peak);
  if (assign_radar(r.radar_index.slots(), r.radar_values, r.rain_rate.slots(), peak) != 0) {
    set_error(4000);
    return false;
  }
  say("Peak rainfall applied to watershed: %lf mm/hr\n", peak);
  return true;
}

}  // namespace

void update_precip(ModelState& s) {
  RainState& r = s.rain;
  EventControl& ev = s.event;
  const PrecipEvent& e = r.event;
  const double now = s.clock.current_time;
  // Several records may fall within one step (equal times are allowed); the last one
  // whose time has come is the one in force.
  while (ev.precip_state == kRainRunning && (now >= r.next_time || same_time(now, r.next_time))) {
    if (r.record >= e.nrecords) {
      // The last record only closes the last interval: the rainfall is over.
      zero_rates(r);
      ev.precip_state = kRainEnded;
      return;
    }
    const int k = r.record;
    if (e.radar_files) {
      if (!assign_radar_record(r, k)) return;
    } else {
      const std::span<const double> values(e.value[k], static_cast<std::size_t>(e.ngages) + 1);
      if (r.thiessen)
        assign_nearest(r.nearest_gage.slots(), values, r.rain_rate.slots());
      else
        assign_inverse_distance(r.cell_x.slots(), r.cell_y.slots(), e.gage_x, e.gage_y, values,
                                s.grid.dx > 0.0 ? s.grid.dx : s.settings.site.gridsize,
                                r.rain_rate.slots());
    }
    ++r.record;
    r.next_time = e.time[r.record];
  }
}

void update_uniform_rain(ModelState& s) {
  RainState& r = s.rain;
  if (s.event.precip_state != kRainRunning) return;
  if (r.uniform_count == 0) {
    r.rain_rate.fill(r.uniform_intensity);
    r.rain_rate[0] = 0.0;
    r.uniform_count = 1;
  }
  if (r.uniform_count >= r.uniform_steps + 1) {
    zero_rates(r);
    s.event.precip_state = kRainUniformEnded;
  }
}

void apply_rain(ModelState& s, std::span<double> depth) {
  RainState& r = s.rain;
  const double dt = s.clock.dt;
  if (s.event.precip_state != kRainRunning || depth.empty() || !(dt > 0.0)) return;
  const double dx = s.grid.dx > 0.0 ? s.grid.dx : s.settings.site.gridsize;
  const double area = dx * dx;
  std::span<const double> rate = r.rain_rate.slots();
  if (r.interception) {
    const double f =
        interception_divisor(s.run.long_term, s.clock.now.month, s.settings.unsimulated.latitude);
    const double caught =
        intercept(r.rain_rate.slots(), s.params.int_storage.slots(), s.params.int_coeff.slots(), f,
                  dt, r.int_used.slots(), r.net_rain_rate.slots(), r.int_caught.slots());
    s.ledger.interception += caught * area / 1000.0;
    rate = r.net_rain_rate.slots();
  }
  // Precipitation in frost lies as snow on the ground of a long-term run.
  const HmetState& h = s.hmet;
  const bool snow =
      s.run.long_term && h.swe.size() == r.rain_rate.size() && h.record.temperature < 0.0;
  int bad = 0;
  const double added = add_rain(rate, dt, snow ? s.hmet.swe.slots() : depth, bad);
  s.ledger.precip += added * area;
  bool raining = false;
  for (std::size_t k = 1; k <= r.rain_rate.size() && !raining; ++k) raining = r.rain_rate[k] > 0.0;
  if (raining) {
    ++s.ledger.rain_steps;
    // Counted in model steps, which a long-term clock may stride over between storms.
    if (s.ledger.rain_first_pass == 0) s.ledger.rain_first_pass = s.clock.step + 1;
  }
  if (s.run.rain_source == RainSource::uniform) ++r.uniform_count;
  if (bad != 0) {
    say("A non-real number for water depth has been detected for overland cell %d after "
        "applying rainfall\n",
        bad);
    set_error(4000);
  }
}

}  // namespace torva
