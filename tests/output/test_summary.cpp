// Event summary: line-for-line text of a small event, the warning rules and the no-rain run;
// the simulation totals block.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "output/summary.hpp"
#include "output/totals.hpp"

namespace torva {
namespace {

SummaryFacts small_event() {
  SummaryFacts f;
  f.start = {2026, 6, 1, 12, 0, 0};
  f.rain_intensity = 50.0;
  f.rain_duration = 30.0;
  f.dt = 30.0;
  f.peak_q = 1.23456;
  f.peak_time = {2026, 6, 1, 12, 35, 30};
  f.peak_julian = julian_date(f.peak_time);
  f.hyd_steps = 10;
  f.map_steps = 120;
  f.uniform_roughness = true;
  f.map_depth = true;
  return f;
}

WaterLedger small_ledger() {
  WaterLedger w;
  w.precip = 9000.0;
  w.discharge = 8700.0;
  w.final_surface = 300.0 - 0.05;
  w.rain_steps = 60;
  w.rain_first_pass = 1;
  return w;
}

std::string summary_of(const SummaryFacts& f, WaterLedger w) {
  close_event_balance(w);
  std::string t;
  append_event_summary(t, f, w);
  return t;
}

TEST(EventSummary, SmallRainEventMatchesReferenceText) {
  const char* expected =
      "         TORVA EVENT RUNOFF SIMULATION SUMMARY\n"
      "            Event began on 06/01/2026 at 12:00\n"
      "   With uniform rainfall of   50.0 mm/h for   30.0 minutes.\n\n"
      "elevation and gridsize are in meters\n"
      "timestep                                    30.0 seconds\n"
      "number of timesteps with rain:             60\n"
      "elapsed time when rain began:               0.00\n \n"
      "peak occured on strict Julian date:       2461193.02465278\n"
      "date/time of peak discharge:              6/1/2026  12:35:30\n"
      "Event peak discharge (cubic meters per second):        1.2346\n\n"
      "Note: all volumes in cubic meters.\n"
      "initial volume of overland flow:            0.0\n"
      "initial liquid-equiv. volume of snow:       0.0\n \n"
      "volume of rainfall to overland:         9000.0\n"
      "volume of interception:                    0.0\n"
      "volume of direct evaporation:              0.0\n"
      "volume of infiltrated water:               0.0\n"
      "volume of water exfiltrated:               0.0\n"
      "volume of discharge:                    8700.0\n"
      "volume from overland point sources:        0.0\n\n"
      "volume remaining on surface:             299.9\n"
      "final volume of snow (cu. m):              0.0\n \n"
      "mass conservation error:              0.000556 percent\n"
      "Note: positive mass conservation error indicates mass was created.\n"
      "Mass input + original mass:           9000.000000 m3\n"
      "Mass output + final mass:             8999.950000 m3\n"
      "mass cleanup error from overland:      0.000000 m3\n\n"
      "THE FOLLOWING WARNINGS ARE GIVEN:\n"
      "No Warnings.\n\n"
      " THE FOLLOWING INPUTS WERE READ:\n"
      "A QEX Project File was used.\n\n"
      " THE FOLLOWING PROCESSES WERE SIMULATED:\n"
      "Uniform overland roughness.\n\n"
      " THE FOLLOWING OUTPUT MAPS WERE WRITTEN EVERY 120 TIMESTEP(S):\n"
      "ASCII QEX maps of:\n"
      "     overland flow depth.\n\n"
      " THE FOLLOWING ASCII OUTPUT FILES WERE WRITTEN TO EVERY 10 TIMESTEP(S):\n"
      "     hydrograph at the catchment outlet.\n";
  EXPECT_EQ(summary_of(small_event(), small_ledger()), expected);
}

TEST(EventSummary, MassErrorWarningStartsAboveTwoPercent) {
  for (double p : {2.0, -2.0}) EXPECT_FALSE(mass_error_warning(p)) << p;
  for (double p : {2.000001, -2.000001}) EXPECT_TRUE(mass_error_warning(p)) << p;
}

// Each row changes the small event and names text the summary must hold, and must not.
TEST(EventSummary, LinesFollowTheEvent) {
  struct Case {
    std::function<void(SummaryFacts&, WaterLedger&)> change;
    std::vector<std::string> present, absent;
  };
  const std::string warning = "-Mass conservation error (absolute) is larger than typical values";
  const Case cases[] = {
      {[](SummaryFacts&, WaterLedger& w) { w = {}, w.precip = 1e6, w.discharge = 979999.99; },
       {warning, " time step may also help alleviate this problem.\n\n"},
       {"No Warnings."}},
      {[](SummaryFacts& f, WaterLedger& w) { w = {}, f.peak_q = 0.0; },
       {"mass conservation error:             -100.000000 percent\n"
        "Note: positive mass conservation error indicates mass was created.\n",
        "mass cleanup error from overland:      0.000000 m3\n\nNote: no rainfall was input.\n"},
       {"peak occured"}},
      {[](SummaryFacts& f, WaterLedger& w) { w.discharge = 8800.0, f.beyond_table = true; },
       {"Note: negative mass conservation error indicates mass was gained.\n",
        "-Depths exceeded the range of look-up table X-section data.\n"
        " This is usually a source of error, particularly near hydrograph peaks.\n"},
       {}},
      {[](SummaryFacts&, WaterLedger& w) { w.discharge = 8000.0, w.final_surface = 1000.0; },
       {"THE FOLLOWING WARNINGS ARE GIVEN:\n\n THE FOLLOWING INPUTS"},
       {}},
      {[](SummaryFacts& f, WaterLedger& w) {
         f.channels = f.hyd_locations = true;
         w.channel_lateral_inflow = 100.0, w.overbank_to_land = 40.0;
       },
       {"volume of lateral inflow:                 60.0\n",
        "Locations where discharge hydrographs are to be written.\n",
        " THE FOLLOWING PROCESSES WERE SIMULATED:\nExplicit diffusive-wave channel routing.\n",
        "     hydrographs at selected locations.\n"},
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.present[0]);
    SummaryFacts f = small_event();
    WaterLedger w = small_ledger();
    c.change(f, w);
    const std::string t = summary_of(f, w);
    for (const std::string& part : c.present) EXPECT_NE(t.find(part), std::string::npos) << part;
    for (const std::string& part : c.absent) EXPECT_EQ(t.find(part), std::string::npos) << part;
  }
}

TEST(EventSummary, AppendfGrowsForLongText) {
  std::string out = "x";
  appendf(out, "[%s]", std::string(3000, 'a').c_str());
  EXPECT_EQ(out, "x[" + std::string(3000, 'a') + "]");
}

// The block with a simple soil store and stream loss: both value-line formats, the soil
// store's own balance, and the river-to-groundwater line without its reverse.
TEST(SimulationTotals, BlockText) {
  WaterLedger w;
  w.initial_soil = 100.0;
  w.infiltration = 50.0;
  w.final_soil = 140.0;
  w.unsat_downward_flux = 10.0;
  w.overall_error_percent = 0.0025;
  w.surface_error_percent = 0.002;
  BalanceOptions o;
  o.simple_soil_store = o.stream_aquifer = true;
  std::string t;
  append_simulation_totals(t, w, o);
  for (const char* line :
       {"\n \nSIMULATION TOTALS\nGLOBAL MASS BALANCE CALCULATIONS \n"
        "All volumes are in cubic meters \n \n",
        "Initial volume in soil over simple soil depth           100.00 \n",
        "Final volume in soil over simple soil depth             140.00\n",
        "Total flux from river to gw=",
        "Mass balance error of surface components =                0.002000 percent\n\n"
        "Overall mass balance error =                              0.002500 percent\n \n"
        "Simple soil moisture mass balance =                        0.000000 percent \n\n"}) {
    EXPECT_NE(t.find(line), std::string::npos) << line;
  }
  for (const char* absent : {"lakes", "drain", "gw to river"}) {
    EXPECT_EQ(t.find(absent), std::string::npos) << absent;
  }
}

}  // namespace
}  // namespace torva
