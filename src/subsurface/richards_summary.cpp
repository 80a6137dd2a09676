#include "subsurface/richards_summary.hpp"

#include "frame/console.hpp"
#include "model/model_state.hpp"
#include "subsurface/richards_stage.hpp"

namespace torva {

RichardsSummary richards_summary(const ModelState& s) {
  const RichardsState& r = s.richards;
  RichardsSummary m;
  if (!r.active) return m;
  m.active = true;
  m.evaporated = r.soil_evaporated_volume;
  m.net_infiltrated = r.infiltrated_volume - r.soil_evaporated_volume;
  m.recharge = r.drained_volume;
  m.initial = r.initial_volume;
  m.final_volume = richards_soil_volume(s);
  m.source = r.source_volume;
  m.cells_start = m.cells_end = s.grid.ncells;
  return m;
}

double richards_balance_percent(const RichardsSummary& r) {
  const double in = r.initial + r.net_infiltrated + r.evaporated + r.source;
  if (!(in > 0.0)) return 0.0;
  return (r.initial + r.net_infiltrated + r.source - r.recharge - r.final_volume) / in * 100.0;
}

void append_richards_summary(std::string& out, const RichardsSummary& r) {
  out += "\n \n Richard's EQ. Computations \n \n";
  appendf(out, "volume lost due to dir. evap (cu. m):  %9.1lf\n", r.evaporated);
  appendf(out, "net vol infiltrated to soil (cu. m.):  %9.1lf\n", r.net_infiltrated);
  appendf(out, "vol groundwater recharge (cu. m):      %9.1lf\n", r.recharge);
  appendf(out, "Initial volume in soils (cu. m.):      %9.1lf\n", r.initial);
  appendf(out, "Final volume in soils (cu. m.):        %9.1lf\n", r.final_volume);
  appendf(out, "Richard equation mass balance error         %5.4lf percent\n",
          richards_balance_percent(r));
  appendf(out, "Number of cells at start of event   %12d\n", r.cells_start);
  appendf(out, "Number of cells at end of event     %12d\n", r.cells_end);
  out += "net volume of infiltration is infiltration minus evaporation\n";
}

}  // namespace torva
