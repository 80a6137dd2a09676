#pragma once
// The run's water accounting: every stage that moves water into, out of or between stores
// posts the volume here (m^3); the event summary and the simulation totals read only this.

namespace torva {

struct WaterLedger {
  // Cumulative totals, named by the labels the totals print.
  double precip = 0.0;                 // "Total amount of precip"
  double interception = 0.0;           // "Total amount of interception"
  double infiltration = 0.0;           // "Total amount of infiltration"
  double evaporation = 0.0;            // "Total amount of evaporation"
  double direct_evaporation = 0.0;     // "Total direct evaporation"
  double exfiltration = 0.0;           // "Total amount of exfiltration"
  double gw_recharge = 0.0;            // "Total recharge inputs to groundwater"
  double gw_pumping = 0.0;             // "Total pumping from groundwater"
  double unsat_downward_flux = 0.0;    // "Total downward flux from unsaturated zone"
  double gw_boundary_flux = 0.0;       // "Total flux of gw across bounds"
  double gw_leakage = 0.0;             // "Leakage to deep aquifer"
  double overland_point_sources = 0.0; // "Total overland point sources"
  double channel_point_sources = 0.0;  // "Total channel point sources"
  double slope_boundary_loss = 0.0;    // "Volume lost to specified slope boundary"
  double head_boundary_loss = 0.0;     // "Volume lost to specified head boundary"
  double head_boundary_gain = 0.0;     // "Volume gained from specified head boundary"
  double channel_lateral_inflow = 0.0; // "Total lateral inflow into channels"
  double discharge = 0.0;              // "Total amount of discharge"
  double river_to_gw = 0.0;            // "Total flux from river to gw"
  double gw_to_river = 0.0;            // "Total flux from gw to river"
  double overbank_to_land = 0.0;       // channel water returned to the land (overbank flow)
  // Water created or destroyed by clipping small negative depths or areas to zero.
  double overland_clipped = 0.0;
  double channel_clipped = 0.0;
  // Initial storages.
  double initial_surface = 0.0;
  double initial_channel = 0.0;
  double initial_soil = 0.0;
  double initial_groundwater = 0.0;
  // Final storages and errors, set by the closing report.
  double final_surface = 0.0;
  double final_channel = 0.0;
  double final_soil = 0.0;
  double final_groundwater = 0.0;
  double overall_error_percent = 0.0;
  double surface_error_percent = 0.0;
};

}  // namespace torva
