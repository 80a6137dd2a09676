#include "output/totals.hpp"

#include "output/summary.hpp"

namespace torva {
namespace {

// Label padded to 48 characters, then the value.
void total_line(std::string& out, const char* label, double value, bool initial = false) {
  appendf(out, initial ? "%-48s%14.2lf \n" : "%-48s%14.2lf\n", label, value);
}

double net_boundary_loss(const WaterLedger& w) {
  return w.slope_boundary_loss + w.head_boundary_loss - w.head_boundary_gain;
}

}  // namespace

OverallBalance overall_balance(const WaterLedger& w, const BalanceOptions& o) {
  OverallBalance b;
  b.s0 = w.initial_surface + w.initial_channel + w.initial_soil + w.initial_groundwater +
         w.initial_lakes + w.initial_snow;
  b.in = w.precip + w.gw_boundary_flux + w.overland_point_sources + w.channel_point_sources +
         w.gw_to_lakes + w.overland_clipped + w.channel_clipped;
  b.s1 = w.final_channel + w.final_surface + w.final_soil + w.final_groundwater + w.final_snow +
         w.final_lakes + w.final_drains;
  b.out = w.discharge + w.evaporation + net_boundary_loss(w) + w.lakes_to_gw + w.lake_evaporation +
          w.channel_point_sinks;
  if (o.groundwater) {
    b.out += w.unsat_downward_flux - w.gw_recharge + w.gw_leakage + w.gw_pumping;
  } else {
    b.out += w.river_to_gw + (o.plain_green_ampt ? w.infiltration : w.unsat_downward_flux);
    b.in += w.gw_to_river;
  }
  // An empty model (no storage, no input) has no error to report rather than 0/0.
  const double base = b.s0 + b.in;
  if (base > 0.0) b.error_percent = (base - b.s1 - b.out) / base * 100.0;
  return b;
}

double surface_balance_error(const WaterLedger& w) {
  const double j = w.precip + w.gw_to_river + w.gw_to_lakes + w.exfiltration +
                   w.overland_point_sources + w.channel_point_sources + w.drains_to_channels +
                   w.drains_to_overland + w.overland_clipped + w.channel_clipped;
  const double f = w.final_channel + w.final_surface + w.final_lakes;
  if (!(j > 0.0)) return 0.0;
  const double out = w.lakes_to_gw + w.river_to_gw + w.direct_evaporation + w.discharge +
                     w.infiltration + net_boundary_loss(w) + w.lake_evaporation +
                     w.overland_to_drains + w.channel_point_sinks + f;
  return (w.initial_lakes + w.initial_surface + w.initial_channel + j - out) * 100.0 / (f + j);
}

double surface_volume(std::span<const double> depth, double dx) {
  double v = 0.0;
  for (std::size_t i = 1; i < depth.size(); ++i) v += depth[i] * dx * dx;
  return v;
}

double channel_volume(int links, std::span<const int> linktype, std::span<const int> nodes,
                      std::span<const double> link_dx, const Array2<double>& area) {
  double v = 0.0;
  for (int j = 1; j <= links; ++j) {
    if (linktype[j] & (32 | 64 | 128)) continue;
    for (int i = 1; i <= nodes[j]; ++i) v += area(i, j) * link_dx[j];
  }
  return v;
}

void append_simulation_totals(std::string& out, const WaterLedger& w, const BalanceOptions& o) {
  const bool simple_soil = o.simple_soil_store && !o.groundwater;
  out += "\n \n";
  out += "SIMULATION TOTALS";
  out += "\n";
  out += "GLOBAL MASS BALANCE CALCULATIONS \n";
  out += "All volumes are in cubic meters \n \n";
  total_line(out, "Initial volume on surface=", w.initial_surface, true);
  total_line(out, "Initial volume in channels=", w.initial_channel, true);
  total_line(
      out,
      simple_soil ? "Initial volume in soil over simple soil depth" : "Initial volume in soils=",
      w.initial_soil, true);
  total_line(out, "Initial volume in groundwater=", w.initial_groundwater, true);
  if (o.lakes) total_line(out, "Initial volume in perennial lakes", w.initial_lakes, true);
  out += "\n";
  total_line(out, "Final volume on surface=", w.final_surface);
  total_line(out, "Final volume in channels=", w.final_channel);
  if (o.storm_sewer) total_line(out, "Final volume in drains=", w.final_drains);
  total_line(out,
             simple_soil ? "Final volume in soil over simple soil depth" : "Final volume in soils=",
             w.final_soil);
  total_line(out, "Final volume in groundwater=", w.final_groundwater);
  total_line(out, "Final volume of snow=", w.final_snow);
  if (o.lakes) total_line(out, "Final volume in perennial lakes", w.final_lakes);
  out += "\n";
  total_line(out, "Total amount of precip=", w.precip);
  total_line(out, "Total amount of interception=", w.interception);
  total_line(out, "Total amount of infiltration=", w.infiltration);
  total_line(out, "Total amount of evaporation=", w.evaporation);
  total_line(out, "Total direct evaporation=", w.direct_evaporation);
  total_line(out, "Total amount of exfiltration=", w.exfiltration);
  out += "\n";
  if (o.groundwater) {
    total_line(out, "Total recharge inputs to groundwater=", w.gw_recharge);
    total_line(out, "Total pumping from groundwater=", w.gw_pumping);
  }
  total_line(out, "Total downward flux from unsaturated zone=", w.unsat_downward_flux);
  total_line(out, "Total flux of gw across bounds=", w.gw_boundary_flux);
  total_line(out, "Total overland point sources=", w.overland_point_sources);
  total_line(out, "Total channel point sources=", w.channel_point_sources);
  out += "\n";
  total_line(out, "Volume lost to specified slope boundary=", w.slope_boundary_loss);
  total_line(out, "Volume lost to specified head boundary=", w.head_boundary_loss);
  total_line(out, "Volume gained from specified head boundary=", w.head_boundary_gain);
  out += "\n";
  total_line(out, "Total lateral inflow into channels=", w.channel_lateral_inflow);
  total_line(out, "Total amount of discharge=", w.discharge);
  if (o.stream_aquifer) {
    total_line(out, "Total flux from river to gw=", w.river_to_gw);
    if (o.water_table) total_line(out, "Total flux from gw to river=", w.gw_to_river);
  }
  if (o.lakes) {
    out += "\n";
    total_line(out, "Volume precip to lakes=", w.precip_to_lakes);
    total_line(out, "Volume of flow into lakes=", w.flow_into_lakes);
    total_line(out, "Volume of flow from lakes=", w.flow_from_lakes);
    total_line(out, "Volume of lake evap=", w.lake_evaporation);
    if (o.groundwater) {
      total_line(out, "Total flux from lakes to gw=", w.lakes_to_gw);
      total_line(out, "Total flux from gw to lakes=", w.gw_to_lakes);
    }
  }
  if (o.storm_sewer) {
    out += "\n";
    total_line(out, "Volume of overland to subsurface drains=", w.overland_to_drains);
    total_line(out, "Volume of subsurface drains to overland=", w.drains_to_overland);
    total_line(out, "Volume of subsurface drains to channels=", w.drains_to_channels);
    total_line(out, "Volume of groundwater to tile drains=", w.gw_to_tile_drains);
  }
  if (o.xy_boundaries) {
    out += "\n";
    total_line(out, "Volume gained from XY boundaries=", w.xy_gain);
    total_line(out, "Volume lost to XY boundaries=", w.xy_loss);
  }
  out += "\n";
  appendf(out, "Mass balance error of surface components =              %10.6lf percent\n\n",
          w.surface_error_percent);
  appendf(out, "Overall mass balance error =                        %14.6lf percent\n \n",
          w.overall_error_percent);
  if (o.simple_soil_store) {
    // Soil store: what entered (initial + infiltrated) against what is left or went on.
    const double in = w.initial_soil + w.infiltration;
    const double error =
        in > 0.0 ? (in - w.final_soil - w.evaporation - w.unsat_downward_flux) / in * 100.0 : 0.0;
    appendf(out, "Simple soil moisture mass balance =             %19.6lf percent \n\n", error);
  }
  if (o.lakes) {
    appendf(out, "Perennial lake mass bal error m^3=              %14.2lf\n\n",
            w.flow_into_lakes - w.flow_from_lakes - w.final_lakes + w.initial_lakes -
                w.lake_evaporation);
  }
  if (o.storm_sewer) {
    appendf(out, "Subsurface drain mass bal error m^3=            %14.2lf\n\n",
            w.overland_to_drains + w.gw_to_tile_drains - w.drains_to_overland -
                w.drains_to_channels - w.final_drains);
  }
}

}  // namespace torva
