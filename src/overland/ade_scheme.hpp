#pragma once
// Alternating-direction explicit overland schemes: ADE with halving restarts, and ADE with a
// predictor-corrector in each direction (ADE-PC).
#include <span>

#include "frame/fault.hpp"
#include "overland/face_flux.hpp"

namespace torva {

// Faults of the overland schemes.  Only the first stops a step; the explicit scheme notes what
// it did to its sub-step and goes on.
enum OverlandFault : int {
  kAdeStepTooSmall = 101,      // the ADE sub-step fell below 0.001 s: the step is given up
  kExplicitSplitX = 102,       // cell: its east face moves too much water in one sub-step;
                               // value: |q dt/dx|, q dt/dx and the depth the giving cell keeps
  kExplicitSplitY = 103,       // the same for the south face
  kExplicitStepDivided = 104,  // value[0]: the sub-step, s, after a division by 3
  kExplicitStepKept = 105,     // divisions spent: the step goes on with its current sub-step
  kExplicitStepReset = 106,    // value[0]: the full step, s, in force again
};

// The arrays an overland step works on (1-based spans of ncells + 1 slots).
struct OverlandArrays {
  std::span<double> depth;         // ov_depth, m
  std::span<double> saved;         // start-of-step depths (ADE-PC: predicted depths)
  std::span<double> qx, qy;        // face discharges; reported flows after the step
  std::span<double> vol_x, vol_y;  // face volumes of the step, m^3 (ADE-PC: scratch)
};

// Where water leaves the grid when no channel network takes it.
struct OutletDrain {
  bool on = false;
  int cell = 0;
  double outslope = 0.0;  // friction slope at the outlet
};

// What a step did, beyond its outflow.
struct StepResult {
  double clipped = 0.0;     // m^3 created by clipping depths in (-1e-6, 0) to 0
  double last_delta = 0.0;  // s, the sub-step that completed the step
  int restarts = 0;         // failed attempts before the step passed
  Faults faults;            // in the order met
};

// Applies one sweep: depth[i] += (q[up[i]] - q[i]) * delta / dx^2, tests the result and adds
// delta * q to the face volumes (or sets them, on the first sub-step of a step).  Returns
// the number of failing cells; `clipped_depth` receives the sum of the negative depths (m)
// that were clipped to 0.  A non-empty `save` receives the depths before the sweep.
int check_sweep(int ncells, double dx, double delta, std::span<const int> upstream,
                std::span<const double> q, std::span<double> depth, std::span<double> vol,
                double& clipped_depth, bool first_substep = false, std::span<double> save = {});

// One ADE overland step of dt seconds; returns the outlet volume (m^3), or -1.0 when the
// sub-step falls below 0.001 s (kAdeStepTooSmall; the depths are those of the step's start).
double route_ade(const SurfaceView& g, const OverlandArrays& a, double dt, int sweep_order,
                 const OutletDrain& outlet, StepResult& result);

// One ADE-PC overland step of dt seconds; returns the outlet volume (m^3).
double route_ade_pc(const SurfaceView& g, const OverlandArrays& a, double dt, int sweep_order,
                    const OutletDrain& outlet);

}  // namespace torva
