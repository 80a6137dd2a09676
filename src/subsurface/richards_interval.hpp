#pragma once
// One infiltration interval of one column: sub-steps, the upper boundary states and the
// surface water they exchange with the column (cm, hours).  The rules are in
// docs/richards.md.
#include "subsurface/richards_solver.hpp"

namespace torva {

enum UpperState : int { kUpperFlux = 1, kUpperHead = 2, kUpperTransition = 3 };

constexpr double kPondedFirstStep = 0.001388888888888889;  // h, 5 s
constexpr double kTransitionStep = 0.02;                   // h
constexpr double kMinSubstep = 1e-7;                       // h
constexpr int kMaxSubsteps = 2000000;

// The surface of one cell, carried from interval to interval.
struct ColumnSurface {
  double depth = 0.0;                 // ponded water, cm
  double evap_demand = 0.0;           // direct evaporation demand, cm/h
  int state = kUpperFlux;             // upper boundary state
  double last_dt = kPondedFirstStep;  // sub-step length used last, h
};

struct IntervalTotals {
  double infiltrated = 0.0;      // cm taken from the surface water into the soil
  double evaporated = 0.0;       // cm evaporated from the surface water and the top node
  double soil_evaporated = 0.0;  // cm of `evaporated` taken from the top node
  double drained = 0.0;          // cm leaving the bottom of the column
  double source = 0.0;           // cm added by SOURCE terms
  double mass_error = 0.0;       // cm created by the scheme (saturated nodes, clipping)
  double first_dt = 0.0;         // h, length of the first sub-step
  int substeps = 0;
  bool failed = false;  // the sub-step limit was reached
};

IntervalTotals richards_interval(const ColumnView& c, const RichardsWork& w,
                                 const RichardsOptions& o, const BottomBoundary& bottom,
                                 double interval, ColumnSurface& surf);

}  // namespace torva
