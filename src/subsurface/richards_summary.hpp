#pragma once
// The "Richard's EQ. Computations" block of the event summary.
#include <string>

namespace torva {

struct ModelState;

struct RichardsSummary {
  bool active = false;
  double evaporated = 0.0;       // m^3 evaporated from the columns
  double net_infiltrated = 0.0;  // m^3, infiltration less that evaporation
  double recharge = 0.0;         // m^3 drained out of the column bottoms
  double initial = 0.0;          // m^3 in the columns at the start
  double final_volume = 0.0;     // m^3 in the columns now
  double source = 0.0;           // m^3 added by source terms (negative: uptake)
  int cells_start = 0;
  int cells_end = 0;
};

RichardsSummary richards_summary(const ModelState& s);

// (initial + net infiltration + sources - recharge - final) / (initial + infiltration +
// sources) in percent; 0 when nothing came in.
double richards_balance_percent(const RichardsSummary& r);

void append_richards_summary(std::string& out, const RichardsSummary& r);

}  // namespace torva
