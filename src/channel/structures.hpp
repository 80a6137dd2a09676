#pragma once
// Weirs among the structure elements: sharp-crested and sag (parabolic-crest).  Each gives a
// discharge from the head h1 and tailwater h2, positive in the link's direction.  Rating
// curves, rule curves and scheduled releases are series lookups (input/series.hpp).
#include "channel/culvert.hpp"

namespace torva {

// Sharp-crested weir: free flow Q = 2/3 C L sqrt(2g/3 hu^3); submerged (hd >= 2/3 hu)
// Q = C L hd sqrt(2g (hu - hd)), linearised below a head difference of 0.01 m.
double weir_flow(double h1, double h2, double crest, double length, double coef);

// Weir whose crest is a parabola across length L with slopes s1 and s2 and minimum z.
double sag_weir_flow(double h1, double h2, double crest, double length, double coef, double s1,
                     double s2);

}  // namespace torva
