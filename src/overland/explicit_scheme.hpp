#pragma once
// Explicit overland scheme: unit-width Manning flows over the friction slope, with the
// sub-step divided by 3 (at most five times) when a face moves too much water.
#include <span>

#include "overland/ade_scheme.hpp"
#include "overland/face_flux.hpp"

namespace torva {

// The reduced sub-step and how many more overland steps it stays in force.
struct ExplicitControl {
  double reduced_dt = 0.0;  // s; 0 when the full step is in use
  int hold = 0;
};

// Unit-width flow (m^2/s) through the east (x) or south (y) face of every cell, positive
// toward the neighbour; the cell's own roughness and retention are used either way.
void explicit_flux(const SurfaceView& g, bool x_dir, std::span<const double> slope,
                   std::span<const double> depth, std::span<double> q);

// Counts the faces whose transfer over `delta` s fails the celerity and depth tests; a failure
// at delta <= 0.005 s sets `stop` instead of being counted.
int check_explicit_faces(const SurfaceView& g, bool x_dir, double delta,
                         std::span<const double> depth, std::span<const double> q, int& stop);

// One explicit overland step of dt seconds; returns the outlet volume (m^3).  The result's
// faults tell the failing faces and what became of the sub-step.
double route_explicit(const SurfaceView& g, std::span<const double> slope_x,
                      std::span<const double> slope_y, const OverlandArrays& a, double dt,
                      int sweep_order, const OutletDrain& outlet, ExplicitControl& control,
                      StepResult& result);

}  // namespace torva
