#include "output/summary.hpp"

#include <cstdio>

namespace torva {

void close_event_balance(WaterLedger& w) {
  const double in = w.initial_surface + w.initial_channel + w.initial_lakes + w.initial_snow +
                    w.initial_drains + w.precip + w.interception + w.exfiltration +
                    w.overland_point_sources + w.channel_point_sources + w.lake_point_sources +
                    w.gw_to_river + w.gw_to_lakes + w.gw_to_tile_drains + w.head_boundary_gain +
                    w.overland_clipped + w.channel_clipped;
  const double out = w.final_surface + w.final_channel + w.final_lakes + w.final_snow +
                     w.final_drains + w.interception + w.infiltration + w.direct_evaporation +
                     w.discharge + w.river_to_gw + w.lakes_to_gw + w.channel_point_sinks +
                     w.lake_point_sinks + w.lake_evaporation + w.slope_boundary_loss +
                     w.head_boundary_loss;
  w.event_input = in;
  w.event_output = out;
  if (!(w.precip + w.interception > 0.0) && !(w.precip_to_lakes > 0.0))
    w.mass_balance_fraction = -1.0;
  else
    w.mass_balance_fraction = (in - out) / in;
}

namespace {

// The station name as far as its first character outside A-Z.
std::string station_word(const std::string& name) {
  std::size_t n = 0;
  while (n < name.size() && name[n] >= 'A' && name[n] <= 'Z') ++n;
  return name.substr(0, n);
}

void append_long_term_heading(std::string& out, const LongTermFacts& t) {
  if (t.event > 1) out += "\n\n" + std::string(78, '-') + "\n";
  appendf(out, "       TORVA LONG-TERM RUNOFF SIMULATION SUMMARY- EVENT %ld\n", t.event);
  appendf(out, "Event began on strict Julian date:                    %16.8lf\n", t.began);
  appendf(out, "Event ended on strict Julian date:                    %16.8lf\n", t.ended);
  appendf(out, "Event began on %2.2ld/%2.2ld/%4.4ld at %2.2ld:%2.2ld  GMT %3.1f hours.\n\n",
          long(t.start.month), long(t.start.day), long(t.start.year), long(t.start.hour),
          long(t.start.minute), t.gmt);
  if (t.format == HmetFormat::samson)
    appendf(out, "TORVA used NCDC/SAMSON hydrometeorological data from the %s station\n",
            station_word(t.station).c_str());
  if (t.format == HmetFormat::surface_airways)
    out += "TORVA used NCDC/Surface Airways hydrometeorological data.\n";
  appendf(out, "Hydrometeorology data began on: %2.2d/%2.2d/%4d at %2d:00\n", t.first.month,
          t.first.day, t.first.year, t.first.hour);
  appendf(out, "and ended on:                   %2.2d/%2.2d/%4d at %2d:00\n", t.last.month,
          t.last.day, t.last.year, t.last.hour);
  appendf(out, "The following number of hydromet. data points were repaired:%d\n", t.repaired);
  out += "\n";
}

void append_heading(std::string& out, const SummaryFacts& f) {
  if (f.long_term.on) {
    append_long_term_heading(out, f.long_term);
  } else {
    out += "         TORVA EVENT RUNOFF SIMULATION SUMMARY\n";
    appendf(out, "            Event began on %2.2d/%2.2d/%4.4d at %2.2d:%2.2d\n", f.start.month,
            f.start.day, f.start.year, f.start.hour, f.start.minute);
  }
  if (f.rain == RainSource::uniform) {
    appendf(out, "   With uniform rainfall of %6.1lf mm/h for %6.1lf minutes.\n\n",
            f.rain_intensity, f.rain_duration);
  } else {
    out += "With raingage data ";
    out += f.inverse_distance ? "using inverse-distance squared interpolation.\n\n"
                              : "using Thiessen polygon interpolation.\n\n";
  }
}

void append_run_facts(std::string& out, const SummaryFacts& f, const WaterLedger& w) {
  // Inputs are taken as metres throughout; no conversion from feet exists.
  out += "elevation and gridsize are in meters\n";
  appendf(out, "timestep                                   %5.1lf seconds\n", f.dt);
  if (f.long_term.on)
    appendf(out, "initial basin-averaged soil water content: %5.2lf percent\n",
            f.long_term.soil_initial * 100.0);
  appendf(out, "number of timesteps with rain:             %d\n", w.rain_steps);
  const double began =
      w.rain_first_pass > 0 ? static_cast<double>(w.rain_first_pass - 1) * f.dt / 60.0 : 0.0;
  appendf(out, "elapsed time when rain began:              %5.2lf\n \n", began);
  if (f.peak_q > 0.0) {
    appendf(out, "peak occured on strict Julian date:       %16.8lf\n", f.peak_julian);
    appendf(out, "date/time of peak discharge:              %d/%d/%d  %d:%2.2d:%2.2d\n",
            f.peak_time.month, f.peak_time.day, f.peak_time.year, f.peak_time.hour,
            f.peak_time.minute, f.peak_time.second);
  }
  appendf(out, "Event peak discharge (cubic meters per second):  %12.4lf\n\n", f.peak_q);
}

void append_water_balance(std::string& out, const SummaryFacts& f, const WaterLedger& w) {
  out += "Note: all volumes in cubic meters.\n";
  appendf(out, "initial volume of overland flow:      %9.1lf\n", w.initial_surface);
  if (f.channels) appendf(out, "initial volume in channels:           %9.1lf\n", w.initial_channel);
  appendf(out, "initial liquid-equiv. volume of snow: %9.1lf\n \n", w.initial_snow);
  appendf(out, "volume of rainfall to overland:      %9.1lf\n", w.precip + w.interception);
  appendf(out, "volume of interception:              %9.1lf\n", w.interception);
  appendf(out, "volume of direct evaporation:        %9.1lf\n", w.direct_evaporation);
  appendf(out, "volume of infiltrated water:         %9.1lf\n", w.infiltration);
  appendf(out, "volume of water exfiltrated:         %9.1lf\n", w.exfiltration);
  appendf(out, "volume of discharge:                 %9.1lf\n", w.discharge);
  if (f.channels) {
    appendf(out, "volume of lateral inflow:            %9.1lf\n",
            w.channel_lateral_inflow - w.overbank_to_land);
    appendf(out, "volume of stream point sources:      %9.1lf\n", w.channel_point_sources);
    appendf(out, "volume of stream point sinks:        %9.1lf\n", w.channel_point_sinks);
    appendf(out, "volume of lake point sources:        %9.1lf\n", w.lake_point_sources);
    appendf(out, "volume of lake point sinks:          %9.1lf\n", w.lake_point_sinks);
    appendf(out, "volume of lake evaporation:          %9.1lf\n", w.lake_evaporation);
  }
  appendf(out, "volume from overland point sources:  %9.1lf\n", w.overland_point_sources);
  out += "\n";
  appendf(out, "volume remaining on surface:         %9.1lf\n", w.final_surface);
  if (f.channels) appendf(out, "final volume in channels (cu. m):    %9.1lf\n", w.final_channel);
  appendf(out, "final volume of snow (cu. m):        %9.1lf\n \n", w.final_snow);
  if (w.final_snow > 0.0) out += "********WARNING - YOU HAVE SNOW ACCUMULATION !!!!!!!!!!!!!!!!\n";
}

void append_mass_balance(std::string& out, const SummaryFacts& f, const WaterLedger& w) {
  const double fraction = w.mass_balance_fraction;
  appendf(out, "mass conservation error:             %9.6lf percent\n", fraction * 100.0);
  if (fraction < 0.0 && fraction != -1.0)
    out += "Note: negative mass conservation error indicates mass was gained.\n";
  else
    out += "Note: positive mass conservation error indicates mass was created.\n";
  appendf(out, "Mass input + original mass:           %9.6lf m3\n", w.event_input);
  appendf(out, "Mass output + final mass:             %9.6lf m3\n", w.event_output);
  appendf(out, "mass cleanup error from overland:     %9.6lf m3\n", w.overland_clipped);
  out += "\n";
  if (f.long_term.on)
    appendf(out, "final basin-averaged soil water content: %5.2lf percent\n",
            f.long_term.soil_final * 100.0);
  if (fraction == -1.0) out += "Note: no rainfall was input.\n";
}

void append_warnings(std::string& out, const SummaryFacts& f, const WaterLedger& w) {
  int count = 0;
  out += "THE FOLLOWING WARNINGS ARE GIVEN:\n";
  if (mass_error_warning(w.mass_balance_fraction * 100.0)) {
    ++count;
    out += "-Mass conservation error (absolute) is larger than typical values (<2 percent).\n";
    out += " This indicates a problem with your data set, or that you are using the model\n";
    out += " to simulate an extreme event which violates one or more assumptions made\n";
    out += " in the development of TORVA.  You should first check for errors in the\n";
    out += " channel inputs, including cross-sectional data.  A decrease in the model\n";
    out += " time step may also help alleviate this problem.\n\n";
  }
  if (f.beyond_table) {
    ++count;
    out += "-Depths exceeded the range of look-up table X-section data.\n";
    out += " This is usually a source of error, particularly near hydrograph peaks.\n";
  }
  if (w.final_surface > 0.05 * (w.precip + w.interception)) ++count;
  if (count == 0) out += "No Warnings.\n";
}

void append_inputs_and_processes(std::string& out, const SummaryFacts& f) {
  out += "\n THE FOLLOWING INPUTS WERE READ:\n";
  out += "A QEX Project File was used.\n";
  if (f.hyd_locations) out += "Locations where discharge hydrographs are to be written.\n";
  out += "\n THE FOLLOWING PROCESSES WERE SIMULATED:\n";
  if (f.channels) out += "Explicit diffusive-wave channel routing.\n";
  if (f.trapezoid_sections)
    out += "Trapezoidal cross-sections with Preissmann slots were simulated.\n";
  if (f.table_sections) {
    out += "Look-up table cross-sections with Preissmann slots were simulated.\n";
    out += "Look-up table data were read.\n";
  }
  if (f.interception) out += "Interception losses.\n";
  if (f.distributed_roughness) out += "Distributed overland roughness.\n";
  if (f.uniform_roughness) out += "Uniform overland roughness.\n";
  if (f.distributed_moisture) out += "Distributed initial soil moisture.\n";
  if (f.spatial_retention) out += "Spatially varied retention.\n";
  if (f.uniform_retention) out += "Uniform retention depth.\n";
  if (f.infil_method == InfilMethod::redist) out += "Infiltration with redistribution.\n";
  if (f.infil_method == InfilMethod::green_ampt) out += "Green & Ampt infiltration.\n";
  if (f.infil_method == InfilMethod::richards) out += "Infiltration by Richards Eq.\n";
  if (f.infil_method == InfilMethod::layered) out += "G&A Infiltration through layered soils.\n";
}

void append_outputs(std::string& out, const SummaryFacts& f) {
  appendf(out, "\n THE FOLLOWING OUTPUT MAPS WERE WRITTEN EVERY %d TIMESTEP(S):\n", f.map_steps);
  const bool any = f.map_depth || f.map_discharge || f.map_rain || f.map_inf_depth ||
                   f.map_inf_rate || f.map_surf_moist || f.map_recharge_cum || f.map_recharge_inc ||
                   f.map_chan_depth || f.map_chan_discharge;
  if (f.map_surf_moist) out += "Soil surface moisture maps were output.\n";
  if (f.map_inf_rate) out += "Infiltration rate maps were output.\n";
  if (any) out += f.binary_maps ? "BINARY QEX maps of:\n" : "ASCII QEX maps of:\n";
  if (f.map_depth) out += "     overland flow depth.\n";
  if (f.map_discharge) out += "     discharge.\n";
  if (f.map_rain) out += "     distributed rainfall rate.\n";
  if (f.map_inf_depth) out += "     distributed infiltration depth.\n";
  if (f.map_inf_rate) out += "     distributed infiltration rate.\n";
  if (f.map_surf_moist) out += "     distributed surface moisture.\n";
  if (f.map_recharge_cum) out += "     groundwater recharge cumulative.\n";
  if (f.map_recharge_inc) out += "     groundwater recharge incremental.\n";
  if (f.map_chan_depth) out += "     channel depth.\n";
  if (f.map_chan_discharge) out += "     channel discharge.\n";
  appendf(out, "\n THE FOLLOWING ASCII OUTPUT FILES WERE WRITTEN TO EVERY %d TIMESTEP(S):\n",
          f.hyd_steps);
  out += "     hydrograph at the catchment outlet.\n";
  if (f.hyd_locations) out += "     hydrographs at selected locations.\n";
}

}  // namespace

void append_event_summary(std::string& out, const SummaryFacts& f, const WaterLedger& w) {
  append_heading(out, f);
  append_run_facts(out, f, w);
  append_water_balance(out, f, w);
  append_mass_balance(out, f, w);
  if (f.richards.active) append_richards_summary(out, f.richards);
  append_warnings(out, f, w);
  append_inputs_and_processes(out, f);
  append_outputs(out, f);
}

}  // namespace torva
