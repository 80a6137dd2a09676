#pragma once
// The implicit head-form Richards equation on one soil column (cm, hours), solved by
// Picard iteration with the Thomas algorithm (Celia et al. 1990 use the same grid form).
// Node 0 is the surface node, nodes 1..n-1 the soil, node n the bottom node; depth is
// positive downward and fluxes are positive downward.
#include <span>

#include "subsurface/richards_soil.hpp"

namespace torva {

struct RichardsOptions {
  Retention retention = Retention::brooks_corey;
  int k_option = 2;      // interface conductivity: 1 weighted arithmetic, 2 geometric mean
  double weight = 1.0;   // weight of the upper node in the arithmetic mean
  int upper_option = 1;  // ponded top interface: 2 "green_ampt" (Kr 1), 3 "average", else node 1
  int iter_max = 1;      // Picard iterations (at most 5 in head or transition state)
  double dtheta_max = 0.0025;  // largest change of water content wanted in one sub-step
};

// One column: nodes 0..n (n + 1 entries in every span).
struct ColumnView {
  std::span<double> PHEAD;         // pressure head, cm
  std::span<double> KHEAD;         // relative conductivity
  std::span<double> THETA;         // water content
  std::span<double> WATCAP;        // specific moisture capacity, 1/cm
  std::span<double> WATFLUX;       // flux through the top of node k, cm/h (entry n is drainage)
  std::span<const double> SOURCE;  // source (+) or uptake (-) per node, 1/h
  std::span<const double> DZ;      // node spacing, cm
  std::span<const SoilHydraulics* const> soil;  // parameters of each node
  int n = 0;                                    // index of the bottom node (>= 2)
};

// Scratch of a column solve; sized once for the longest column.
struct RichardsWork {
  std::span<double> lower, diag, upper, rhs, kint, h_iter, theta_old;
};
// Doubles one work record needs for columns of up to `max_n` + 1 nodes.
inline std::size_t richards_work_size(int max_n) {
  return 7 * (static_cast<std::size_t>(max_n) + 2);
}
// Lays the work record over `block` (at least richards_work_size(max_n) doubles).
RichardsWork richards_work(std::span<double> block, int max_n);

enum class TopKind { flux, head };

struct TopBoundary {
  TopKind kind = TopKind::flux;
  double value = 0.0;     // flux (cm/h, downward) or surface head h0 (cm)
  bool ponded_k = false;  // head state: apply RICHARDS_UPPER_OPTION at the top interface
};

struct BottomBoundary {
  bool water_table = false;  // else free drainage
  double head = 0.0;         // water-table head of the bottom node, cm
};

struct SubstepResult {
  double top_flux = 0.0;     // cm/h into node 1
  double bottom_flux = 0.0;  // cm/h out of node n - 1
  double max_dtheta = 0.0;
  double mass_error = 0.0;  // cm: water content set from head or clipped (+ created)
  int iterations = 0;
};

// Sets KHEAD and WATCAP of every node from PHEAD.
void richards_properties(const ColumnView& c, Retention r);

// One implicit sub-step of length dt (h).  Updates PHEAD, THETA, KHEAD, WATCAP, WATFLUX.
// KHEAD and WATCAP of the soil nodes must be current with PHEAD on entry (they are after
// richards_properties and after every sub-step).
SubstepResult richards_substep(const ColumnView& c, const RichardsWork& w, const RichardsOptions& o,
                               const TopBoundary& top, const BottomBoundary& bottom, double dt,
                               int iter_max);

// Water held by soil nodes 1..n-1, cm.
double column_water(const ColumnView& c);

}  // namespace torva
