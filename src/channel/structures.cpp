#include "channel/structures.hpp"

#include <algorithm>
#include <cmath>

#include "frame/console.hpp"
#include "frame/process.hpp"

namespace torva {

double weir_flow(double h1, double h2, double crest, double length, double coef) {
  if (h1 <= crest && h2 <= crest) return 0.0;
  const double hu = std::max(h1, h2) - crest;
  const double hd = std::min(h1, h2) - crest;
  const double diff = hu - hd;
  double q;
  if (hd >= 2.0 / 3.0 * hu) {
    // sqrt(2g diff) is linearised near equal levels so that dQ/dH stays finite.
    if (diff < 0.01)
      q = std::sqrt(1962.0) * coef * length * hd * diff;
    else
      q = coef * length * hd * std::sqrt(kTwoG * diff);
  } else {
    q = 2.0 / 3.0 * coef * length * std::sqrt(hu * hu * hu * kTwoG / 3.0);
  }
  return h1 > h2 ? q : -q;
}

double sag_weir_flow(double h1, double h2, double crest, double length, double coef, double s1,
                     double s2) {
  if (h1 <= crest && h2 <= crest) return 0.0;
  if (s2 == s1 || length <= 0.0) return 0.0;
  const double a = (s2 - s1) / (2.0 * length);
  const double x0 = -s1 * length / (s2 - s1);
  const double c = crest - a * x0 * x0 - s1 * x0;
  const double h = std::max(h1, h2);
  const double q = std::sqrt(kTwoG) * coef * std::sqrt(std::max((h - c) * 4.0 * a + s1 * s1, 0.0)) *
                   std::sqrt(h - crest) * 2.0 * (s1 * s1 - (c + crest - 2.0 * h) * 4.0 * a) /
                   (32.0 * a * a);
  return h1 > h2 ? q : -q;
}

namespace {

CurveValue clamp_ends(std::span<const double> args, std::span<const double> vals, double x,
                      bool& done) {
  CurveValue r;
  done = true;
  const std::size_t n = std::min(args.size(), vals.size());
  if (n == 0) {
    r.status = CurveStatus::empty;
  } else if (n == 1 || x <= args[0]) {
    r.value = vals[0];
  } else if (x >= args[n - 1]) {
    r.value = vals[n - 1];
  } else {
    done = false;
  }
  return r;
}

}  // namespace

CurveValue curve_interpolated(std::span<const double> args, std::span<const double> vals,
                              double x) {
  bool done = false;
  CurveValue r = clamp_ends(args, vals, x, done);
  if (done) return r;
  const std::size_t n = std::min(args.size(), vals.size());
  for (std::size_t k = 0; k + 1 < n; ++k) {
    if (x >= args[k] && x <= args[k + 1]) {
      const double span = args[k + 1] - args[k];
      const double w = span > 0.0 ? (x - args[k]) / span : 0.0;
      r.value = (1.0 - w) * vals[k] + w * vals[k + 1];
      return r;
    }
  }
  r.status = CurveStatus::outside;
  return r;
}

CurveValue curve_stepped(std::span<const double> args, std::span<const double> vals, double x) {
  bool done = false;
  CurveValue r = clamp_ends(args, vals, x, done);
  if (done) return r;
  const std::size_t n = std::min(args.size(), vals.size());
  for (std::size_t k = 0; k + 1 < n; ++k) {
    if (x >= args[k] && x <= args[k + 1]) {
      r.value = vals[k];
      return r;
    }
  }
  r.status = CurveStatus::outside;
  return r;
}

CurveValue series_interpolated(std::span<const double> times, std::span<const double> vals,
                               double t, int& last) {
  bool done = false;
  CurveValue r = clamp_ends(times, vals, t, done);
  if (done) return r;
  const int n = static_cast<int>(std::min(times.size(), vals.size()));
  auto search = [&](int from) {
    for (int k = std::max(from, 0); k + 1 < n; ++k) {
      if (t >= times[k] && t <= times[k + 1]) {
        const double span = times[k + 1] - times[k];
        const double w = span > 0.0 ? (t - times[k]) / span : 0.0;
        r.value = (1.0 - w) * vals[k] + w * vals[k + 1];
        last = k;
        return true;
      }
    }
    return false;
  };
  if (search(last) || search(0)) return r;
  r.status = CurveStatus::outside;
  return r;
}

void report_curve_failure(const CurveValue& v, const std::string& name, bool time_series) {
  const char* kind = time_series ? "time" : "elevation";
  if (v.status == CurveStatus::empty) {
    say("Error: attempting to extract a value from a%s %s series [%s] with no entries.\n",
        time_series ? "" : "n", kind, name.c_str());
    set_error(4000);
  } else if (v.status == CurveStatus::outside) {
    say("Error: something is really messed up with your %s series [%s].\n", kind, name.c_str());
  }
}

void report_missing_series(bool time_series) {
  if (time_series)
    say("Error: attempting to extract a value from a time series that does not exist.\n");
  else
    say("Error: attempting to extract a value from an elevation series that does not exist.\n");
  set_error(4000);
}

}  // namespace torva
