#pragma once
// End-of-run water balance: storage volumes, the overall and surface balances and the
// "SIMULATION TOTALS" block, as pure functions of the ledger and plain arrays.
#include <span>
#include <string>

#include "frame/arrays.hpp"
#include "output/ledger.hpp"

namespace torva {

// Which processes ran; terms of the others are zero in the ledger anyway, but some lines
// and formula branches depend on these.
struct BalanceOptions {
  bool channels = false;           // channel routing
  bool groundwater = false;        // GW_SIMULATION
  bool plain_green_ampt = false;   // infiltrated water leaves the model
  bool simple_soil_store = false;  // redistribution or layered soil keep a soil store
  bool stream_aquifer = false;     // STREAM_LOSS
  bool water_table = false;        // WATER_TABLE given
  bool lakes = false;
  bool storm_sewer = false;
  bool xy_boundaries = false;
};

struct OverallBalance {
  double s0 = 0.0;   // initial storage
  double in = 0.0;   // inputs
  double s1 = 0.0;   // final storage
  double out = 0.0;  // outputs
  double error_percent = 0.0;
};

// Overall balance (S0 + I - S1 - O) / (S0 + I) x 100.  Clipping corrections count as
// inputs, channel point sinks as outputs, so that the balance closes to round-off.
OverallBalance overall_balance(const WaterLedger& w, const BalanceOptions& o);

// Balance of the surface components (land, channels, lakes); 0 unless its inputs exceed 0.
double surface_balance_error(const WaterLedger& w);

// Volume on the surface: sum of depth x dx^2 over cells 1..n (slot 0 unused), in cell order.
double surface_volume(std::span<const double> depth, double dx);

// Volume in channels: sum over links that are neither lakes (32), structures (64) nor taken
// over by a lake (128) of area(node, link) x dx[link] over the link's computational nodes.
double channel_volume(int links, std::span<const int> linktype, std::span<const int> nodes,
                      std::span<const double> link_dx, const Array2<double>& area);

// The "SIMULATION TOTALS" block and the balance lines, appended to `out`.
void append_simulation_totals(std::string& out, const WaterLedger& w, const BalanceOptions& o);

}  // namespace torva
