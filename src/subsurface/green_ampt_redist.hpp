#pragma once
// Green and Ampt with redistribution: explicit Green and Ampt while water is supplied at
// or above the soil's capacity, wetting-front moisture redistribution during a hiatus
// (Ogden and Saghafian 1997), and the interaction of a new front with an older, deeper one.
// Pure kernel over 1-based spans (slot 0 unused); lengths in m, rates in m/s.
#include <span>

namespace torva {

struct RedistCells {
  // Parameters.
  std::span<const double> ksat;      // m/s
  std::span<const double> cap_head;  // m
  std::span<const double> porosity;
  std::span<const double> theta_init;
  std::span<const double> pore_index;   // Brooks-Corey lambda
  std::span<const double> residual;     // residual water content
  std::span<const double> area_factor;  // empty when area reduction is off
  std::span<const int> excluded;        // > 0: cell takes no water (empty = none)
  std::span<const int> gw_saturated;    // > 0: saturated by the groundwater (empty = none)
  // State.
  std::span<double> depth;            // ponded depth, m
  std::span<double> cum;              // cumulative infiltrated depth F, m
  std::span<double> rate;             // cm/h
  std::span<double> front_moisture;   // theta0
  std::span<double> front_ref_depth;  // Fr, m
  std::span<double> surface_moisture;
  std::span<int> ponding_step;
  std::span<int> redist_step;
  std::span<int> front_state;
  std::span<int> dry_step;
  std::span<double> clipped;  // m of water created by clipping, per cell
};

// Relative conductivity and capillary drive of the Brooks-Corey soil.
double redist_effective_saturation(double theta, double theta_r, double phi);
double redist_conductivity(double k, double theta, double theta_r, double phi, double lambda);
double redist_capillary_drive(double psi, double theta_i, double theta0, double theta_r, double phi,
                              double lambda);

// Initial water content of a long-term run from the upper soil store: water W (cm) over the
// top layer depth d_top (cm) when the unsaturated depth d (cm) is deeper, over d when it is
// not, and porosity when there is no unsaturated soil.
double redist_initial_moisture(double w, double d, double d_top, double phi);

// One interval of `dt` seconds at method step `step` over cells 1..n (parallel, static
// schedule).  A negative ponded depth larger than F resets the cell to zero; the water this
// creates is written to `clipped` for the ledger.  Returns the number of such cells.
int redist_step_cells(const RedistCells& c, int n, double dt, int step);

}  // namespace torva
