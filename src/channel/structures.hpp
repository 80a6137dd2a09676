#pragma once
// Structure elements other than culverts: sharp-crested weir, sag (parabolic-crest) weir,
// rating curve, rule curve and scheduled release.  Each gives a discharge from the head h1
// and tailwater h2, positive in the link's direction.
#include <span>
#include <string>

#include "channel/culvert.hpp"

namespace torva {

// Sharp-crested weir: free flow Q = 2/3 C L sqrt(2g/3 hu^3); submerged (hd >= 2/3 hu)
// Q = C L hd sqrt(2g (hu - hd)), linearised below a head difference of 0.01 m.
double weir_flow(double h1, double h2, double crest, double length, double coef);

// Weir whose crest is a parabola across length L with slopes s1 and s2 and minimum z.
double sag_weir_flow(double h1, double h2, double crest, double length, double coef, double s1,
                     double s2);

enum class CurveStatus { ok, empty, outside };

struct CurveValue {
  double value = 0.0;
  CurveStatus status = CurveStatus::ok;
};

// Rating curve: linear interpolation in (args, vals), clamped to the end values.
CurveValue curve_interpolated(std::span<const double> args, std::span<const double> vals, double x);
// Rule curve: the value of the lower bracketing entry, clamped to the end values.
CurveValue curve_stepped(std::span<const double> args, std::span<const double> vals, double x);
// Time series: linear interpolation searched from `last` (the interval found last time) and
// once more from the start; `last` is updated.
CurveValue series_interpolated(std::span<const double> times, std::span<const double> vals,
                               double t, int& last);

// The messages of a failed curve or series lookup (ErrorCode 4000 for missing and empty
// series); `name` is the series name, `time_series` picks the wording.
void report_curve_failure(const CurveValue& v, const std::string& name, bool time_series);
void report_missing_series(bool time_series);

}  // namespace torva
