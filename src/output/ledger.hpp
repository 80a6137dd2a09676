#pragma once
// The run's water accounting: every stage that moves water into, out of or between stores
// posts the volume here (m^3); the event summary and the simulation totals read only this.
// Terms of processes this version does not simulate (groundwater, lakes, drains, snow,
// XY boundaries) stay zero but keep their place in the balances.

namespace torva {

struct WaterLedger {
  // Cumulative totals, named by the labels the totals print.
  double precip = 0.0;                  // "Total amount of precip" (rain reaching the surface)
  double interception = 0.0;            // "Total amount of interception"
  double infiltration = 0.0;            // "Total amount of infiltration"
  double evaporation = 0.0;             // "Total amount of evaporation"
  double direct_evaporation = 0.0;      // "Total direct evaporation"
  double exfiltration = 0.0;            // "Total amount of exfiltration"
  double gw_recharge = 0.0;             // "Total recharge inputs to groundwater"
  double gw_pumping = 0.0;              // "Total pumping from groundwater"
  double unsat_downward_flux = 0.0;     // "Total downward flux from unsaturated zone"
  double gw_boundary_flux = 0.0;        // "Total flux of gw across bounds"
  double gw_leakage = 0.0;              // "Leakage to deep aquifer"
  double overland_point_sources = 0.0;  // "Total overland point sources"
  double channel_point_sources = 0.0;   // "Total channel point sources"
  double slope_boundary_loss = 0.0;     // "Volume lost to specified slope boundary"
  double head_boundary_loss = 0.0;      // "Volume lost to specified head boundary"
  double head_boundary_gain = 0.0;      // "Volume gained from specified head boundary"
  double channel_lateral_inflow = 0.0;  // "Total lateral inflow into channels"
  double discharge = 0.0;               // "Total amount of discharge"
  double river_to_gw = 0.0;             // "Total flux from river to gw"
  double gw_to_river = 0.0;             // "Total flux from gw to river"
  double overbank_to_land = 0.0;        // channel water returned to the land (overbank flow)
  double channel_point_sinks = 0.0;     // water taken out of channels by point sinks
  double snowmelt = 0.0;                // snow water equivalent melted onto the surface
  // Lakes, storm sewers and XY boundaries: zero in this version.
  double precip_to_lakes = 0.0;   // "Volume precip to lakes"
  double flow_into_lakes = 0.0;   // "Volume of flow into lakes"
  double flow_from_lakes = 0.0;   // "Volume of flow from lakes"
  double lake_evaporation = 0.0;  // "Volume of lake evap"
  double lakes_to_gw = 0.0;       // "Total flux from lakes to gw"
  double gw_to_lakes = 0.0;       // "Total flux from gw to lakes"
  double lake_point_sources = 0.0;
  double lake_point_sinks = 0.0;
  double overland_to_drains = 0.0;  // "Volume of overland to subsurface drains"
  double drains_to_overland = 0.0;  // "Volume of subsurface drains to overland"
  double drains_to_channels = 0.0;  // "Volume of subsurface drains to channels"
  double gw_to_tile_drains = 0.0;   // "Volume of groundwater to tile drains"
  double xy_gain = 0.0;             // "Volume gained from XY boundaries"
  double xy_loss = 0.0;             // "Volume lost to XY boundaries"
  // Water created (positive) or destroyed (negative) by clipping small negative depths or
  // areas to zero.
  double overland_clipped = 0.0;
  double channel_clipped = 0.0;
  // Initial storages.
  double initial_surface = 0.0;
  double initial_channel = 0.0;
  double initial_soil = 0.0;
  double initial_groundwater = 0.0;
  double initial_lakes = 0.0;
  double initial_snow = 0.0;
  double initial_drains = 0.0;
  // Final storages and errors, set by the end-of-event stage and the closing report.
  double final_surface = 0.0;
  double final_channel = 0.0;
  double final_soil = 0.0;
  double final_groundwater = 0.0;
  double final_lakes = 0.0;
  double final_snow = 0.0;
  double final_drains = 0.0;
  double initial_storage_total = 0.0;  // S0 of the overall balance
  double final_storage_total = 0.0;    // S1 of the overall balance
  double overall_error_percent = 0.0;
  double surface_error_percent = 0.0;
  // Event facts posted by the precipitation stage.
  int rain_steps = 0;        // time steps of the event in which rain fell
  long rain_first_pass = 0;  // model step (from 1) of the first rain step; 0 = none yet
  // Event mass balance, set by the end-of-event stage: (I - O) / I, or -1 without rain.
  double event_input = 0.0;   // "Mass input + original mass"
  double event_output = 0.0;  // "Mass output + final mass"
  double mass_balance_fraction = 0.0;
};

// The share of one event of a long-term run: the volumes moved since `at_start` (the ledger
// when the event began, its final storages measured then), starting from those storages.
inline WaterLedger event_share(const WaterLedger& now, const WaterLedger& at_start) {
  WaterLedger w = now;
  w.precip -= at_start.precip;
  w.interception -= at_start.interception;
  w.infiltration -= at_start.infiltration;
  w.evaporation -= at_start.evaporation;
  w.direct_evaporation -= at_start.direct_evaporation;
  w.exfiltration -= at_start.exfiltration;
  w.gw_recharge -= at_start.gw_recharge;
  w.gw_pumping -= at_start.gw_pumping;
  w.unsat_downward_flux -= at_start.unsat_downward_flux;
  w.gw_boundary_flux -= at_start.gw_boundary_flux;
  w.gw_leakage -= at_start.gw_leakage;
  w.overland_point_sources -= at_start.overland_point_sources;
  w.channel_point_sources -= at_start.channel_point_sources;
  w.slope_boundary_loss -= at_start.slope_boundary_loss;
  w.head_boundary_loss -= at_start.head_boundary_loss;
  w.head_boundary_gain -= at_start.head_boundary_gain;
  w.channel_lateral_inflow -= at_start.channel_lateral_inflow;
  w.discharge -= at_start.discharge;
  w.river_to_gw -= at_start.river_to_gw;
  w.gw_to_river -= at_start.gw_to_river;
  w.overbank_to_land -= at_start.overbank_to_land;
  w.channel_point_sinks -= at_start.channel_point_sinks;
  w.precip_to_lakes -= at_start.precip_to_lakes;
  w.flow_into_lakes -= at_start.flow_into_lakes;
  w.flow_from_lakes -= at_start.flow_from_lakes;
  w.lake_evaporation -= at_start.lake_evaporation;
  w.lakes_to_gw -= at_start.lakes_to_gw;
  w.gw_to_lakes -= at_start.gw_to_lakes;
  w.lake_point_sources -= at_start.lake_point_sources;
  w.lake_point_sinks -= at_start.lake_point_sinks;
  w.overland_to_drains -= at_start.overland_to_drains;
  w.drains_to_overland -= at_start.drains_to_overland;
  w.drains_to_channels -= at_start.drains_to_channels;
  w.gw_to_tile_drains -= at_start.gw_to_tile_drains;
  w.xy_gain -= at_start.xy_gain;
  w.xy_loss -= at_start.xy_loss;
  w.overland_clipped -= at_start.overland_clipped;
  w.channel_clipped -= at_start.channel_clipped;
  w.rain_steps -= at_start.rain_steps;
  w.snowmelt -= at_start.snowmelt;
  w.initial_surface = at_start.final_surface;
  w.initial_channel = at_start.final_channel;
  w.initial_soil = at_start.final_soil;
  w.initial_groundwater = at_start.final_groundwater;
  w.initial_lakes = at_start.final_lakes;
  w.initial_snow = at_start.final_snow;
  w.initial_drains = at_start.final_drains;
  return w;
}

}  // namespace torva
