#pragma once
// Water exchange of the channel nodes with the land surface of their grid cells (weir
// inflow, overbank flow both ways, overland backwater) and with the aquifer beneath them.
#include <span>
#include <vector>

#include "channel/routing.hpp"

namespace torva {

// A channel node and the grid cell that holds it; `factor` is the node's share of the cell.
struct StreamCellLink {
  int link = 0;
  int node = 0;
  int cell = 0;
  double factor = 1.0;
};

struct LandExchangeInput {
  double dt = 0.0;                    // s
  double cell_area = 0.0;             // m^2
  double cell_size = 0.0;             // m
  bool overbank = false;              // OVERBANK_FLOW
  bool backwater = false;             // OVERLAND_BACKWATER (without OVERBANK_FLOW)
  std::span<const double> ground;     // cell ground elevation (1-based), m
  std::span<const double> inv_rough;  // cell 1/n (1-based)
};

struct LandExchangeVolumes {
  double to_channel = 0.0;  // m^3 from cells into channels (as qlat)
  double to_land = 0.0;     // m^3 from channels onto cells (overbank)
};

// Weir submergence factor Qs/Qf for the ratio r = (hd/hu)^1.5 of downstream to upstream
// head, tabulated from Villemonte (1947): Qs/Qf = (1 - r)^0.385.  Ratios above the table's
// last entry count as submerged exchange.
double villemonte_factor(double ratio);
constexpr double kSubmergenceTableEnd = 0.95;

// Adds the land inflow of every listed node to qlat (m^2/s) and moves overbank water between
// channel areas and cell depths (ov_depth, 1-based).  qlat of the listed nodes is not
// cleared here.  Nodes of unrouted links are skipped.
void exchange_with_land(const std::vector<StreamCellLink>& nodes, const LandExchangeInput& in,
                        RouteNetwork& net, const SectionModel& sections, std::span<double> ov_depth,
                        LandExchangeVolumes& vol);

// One grid-stream entry of the aquifer exchange.
struct AquiferEntry {
  int link = 0;
  int node = 0;
  int cell = 0;
  double weight = 1.0;
};

struct AquiferInput {
  const Array2<double>* krb = nullptr;  // bed conductivity, m/h
  const Array2<double>* mrb = nullptr;  // bed thickness, m
  // Water-table elevation per cell (1-based), empty when no water table is known; the
  // aquifer bottom and ground elevations go with it.
  std::span<const double> water_table;
  std::span<const double> aquifer_bottom;
  std::span<const double> ground;
};

// Rebuilds qriv (m^2/s, positive into the channel) of every routed node from the entries
// (Darcy seepage through the bed: q = (Krb/Mrb) * head difference * width).  Returns 1 when
// some node ends with a positive qriv, 2 when none does but a wet node has a non-zero one,
// else 0.
int stream_aquifer_exchange(const std::vector<AquiferEntry>& entries, const AquiferInput& in,
                            RouteNetwork& net, const SectionModel& sections);

}  // namespace torva
