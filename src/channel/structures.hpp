#pragma once
// Structure elements of a structure link, one record per kind, and the weirs among them:
// sharp-crested and sag (parabolic-crest).  Each gives a discharge from the head h1 and
// tailwater h2, positive in the link's direction.  Rating curves, rule curves and scheduled
// releases are series lookups (input/series.hpp).
#include <variant>

#include "channel/culvert.hpp"

namespace torva {

// Structure element types, in the order their STRUCTTYPE names are matched.
enum StructureType : int {
  kWeir = 1,
  kSagWeir = 2,
  kRoundCulvert = 3,
  kOvalCulvert = 4,
  kRectCulvert = 5,
  kRatingCurve = 6,
  kScheduledRelease = 7,
  kRuleCurve = 8,
};

struct Weir {
  double crest_length = 0.0;  // m
  double crest_elev = 0.0;    // m
  double coef_forward = 0.0;  // discharge coefficient for flow in the link's direction
  double coef_reverse = 0.0;  // for reverse flow
};

// A crest that is a parabola across its length, running from slope s1 to slope s2, with its
// minimum at the crest elevation.
struct SagWeir {
  double crest_length = 0.0;  // m
  double crest_elev = 0.0;    // m, the crest minimum
  double coef_forward = 0.0;
  double coef_reverse = 0.0;
  double slope1 = 0.0;         // s1
  double slope2 = 0.0;         // s2
  double crest_low_loc = 0.0;  // read, not used by the formula
};

// Discharge against the head elevation, interpolated in an elevation series.
struct RatingCurve {
  int elev_series = 0;  // 1-based number in the run's elevation series, 0 none
};

// Discharge over time from a time series.
struct ScheduledRelease {
  int time_series = 0;  // 1-based number in the run's time series, 0 none
};

// Discharge against the head elevation: the value of the series entry at or below the head.
struct RuleCurve {
  int elev_series = 0;
};

using StructureRecord =
    std::variant<Weir, SagWeir, Culvert, RatingCurve, ScheduledRelease, RuleCurve>;

// The record of a fresh element of type `type` (a StructureType).
StructureRecord structure_record(int type);

// Sharp-crested weir: free flow Q = 2/3 C L sqrt(2g/3 hu^3); submerged (hd >= 2/3 hu)
// Q = C L hd sqrt(2g (hu - hd)), linearised below a head difference of 0.01 m.
double weir_flow(double h1, double h2, double crest, double length, double coef);

// Weir whose crest is a parabola across length L with slopes s1 and s2 and minimum z.
double sag_weir_flow(double h1, double h2, double crest, double length, double coef, double s1,
                     double s2);

}  // namespace torva
