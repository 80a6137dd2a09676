#pragma once
// Green and Ampt (1911) infiltration with one wetting front: the implicit cumulative-depth
// equation  x - F - P ln((x + P)/(F + P)) = K dt  (P = capillary head x moisture deficit)
// solved by Newton iteration.  Pure kernels over 1-based spans (slot 0 unused).
#include <span>

#include "frame/fault.hpp"

namespace torva {

// Newton iterations allowed before a cell is declared unsolved.  The equation is convex and
// increasing in x, so a sound cell converges in a handful; the cap only catches bad numbers.
constexpr int kGreenAmptMaxIterations = 100;

enum GreenAmptFault : int {
  kGreenAmptNoConvergence = 601,  // cell: the lowest cell whose iteration did not converge
};

// Below this many cells a thread team costs more than the loop; each cell is computed
// alone, so the result does not depend on it.
constexpr int kMinParallelCells = 1024;

struct GreenAmptSolution {
  double x = 0.0;  // new cumulative depth
  bool converged = false;
};

// Solves for the cumulative depth x after an interval of ponded infiltration that starts at
// cumulative depth `f`, with P = `psi_dtheta` and `k_dt` = K dt, from the guess `x0`, until
// the residual is at most `tol` (all lengths in one unit).
GreenAmptSolution green_ampt_solve(double f, double psi_dtheta, double k_dt, double x0, double tol);

// Cumulative depth F(t) of ponded infiltration from F = 0 after time t (the closed implicit
// form K t = F - P ln(1 + F/P)), by bisection; used as the analytic reference.
double green_ampt_ponded_depth(double k, double psi_dtheta, double t);

// Per-cell (porosity - theta_init) * capillary head, m.
void green_ampt_psi_dtheta(std::span<const double> porosity, std::span<const double> theta_init,
                           std::span<const double> cap_head, std::span<double> psi_dtheta, int n);

struct GreenAmptCells {
  std::span<double> depth;              // ponded depth, m
  std::span<double> cum;                // cumulative infiltrated depth, m
  std::span<double> rate;               // cm/h
  std::span<const double> ksat;         // m/s
  std::span<const double> psi_dtheta;   // m
  std::span<const double> area_factor;  // empty when area reduction is off
};

// One infiltration interval of `dt` seconds over cells 1..n (parallel, static schedule).  A
// cell whose iteration does not converge keeps its state; the fault names the lowest such cell.
Fault green_ampt_step(const GreenAmptCells& c, int n, double dt);

}  // namespace torva
