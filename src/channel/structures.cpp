#include "channel/structures.hpp"

#include <algorithm>
#include <cmath>

namespace torva {

StructureRecord structure_record(int type) {
  switch (type) {
    case kWeir:
      return Weir{};
    case kSagWeir:
      return SagWeir{};
    case kOvalCulvert:
      return Culvert{.shape = CulvertShape::oval};
    case kRectCulvert:
      return Culvert{.shape = CulvertShape::rect};
    case kRatingCurve:
      return RatingCurve{};
    case kScheduledRelease:
      return ScheduledRelease{};
    case kRuleCurve:
      return RuleCurve{};
    case kRoundCulvert:
    default:
      return Culvert{};
  }
}

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

}  // namespace torva
