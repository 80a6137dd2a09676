// The ledger as the oracle of both balances: every term that crosses the model boundary
// moves the balance residual by exactly its own amount, and internal transfers move nothing.
#include <gtest/gtest.h>

#include <vector>

#include "output/ledger.hpp"
#include "output/summary.hpp"
#include "output/totals.hpp"

namespace torva {
namespace {

using Field = double WaterLedger::*;

// A ledger where nothing balances to zero by accident.
WaterLedger busy_ledger() {
  WaterLedger w;
  w.precip = 50000.0;
  w.interception = 300.0;
  w.initial_surface = 1200.0;
  w.initial_channel = 800.0;
  w.discharge = 30000.0;
  w.infiltration = 9000.0;
  w.final_surface = 4000.0;
  w.final_channel = 2500.0;
  return w;
}

// Residual S0 + I - S1 - O of the overall balance, recovered from its error.
double overall_residual(const WaterLedger& w, const BalanceOptions& o) {
  const OverallBalance b = overall_balance(w, o);
  return b.s0 + b.in - b.s1 - b.out;
}

double event_residual(WaterLedger w) {
  close_event_balance(w);
  return w.event_input - w.event_output;
}

struct Term {
  Field field;
  double sign;  // +1 input or initial storage, -1 output or final storage, 0 internal
};

constexpr double kDelta = 17.25;

void expect_moves(const std::vector<Term>& terms, double (*residual)(const WaterLedger&)) {
  const WaterLedger base = busy_ledger();
  const double r0 = residual(base);
  for (std::size_t k = 0; k < terms.size(); ++k) {
    WaterLedger w = base;
    w.*terms[k].field += kDelta;
    EXPECT_NEAR(residual(w) - r0, terms[k].sign * kDelta, 1e-9) << "term " << k;
  }
}

const std::vector<Term>& plain_green_ampt_terms() {
  static const std::vector<Term> t = {
      {&WaterLedger::precip, 1},
      {&WaterLedger::initial_surface, 1},
      {&WaterLedger::initial_channel, 1},
      {&WaterLedger::initial_soil, 1},
      {&WaterLedger::initial_groundwater, 1},
      {&WaterLedger::initial_lakes, 1},
      {&WaterLedger::gw_boundary_flux, 1},
      {&WaterLedger::overland_point_sources, 1},
      {&WaterLedger::channel_point_sources, 1},
      {&WaterLedger::gw_to_lakes, 1},
      {&WaterLedger::gw_to_river, 1},
      {&WaterLedger::overland_clipped, 1},
      {&WaterLedger::channel_clipped, 1},
      {&WaterLedger::final_surface, -1},
      {&WaterLedger::final_channel, -1},
      {&WaterLedger::final_soil, -1},
      {&WaterLedger::final_groundwater, -1},
      {&WaterLedger::final_snow, -1},
      {&WaterLedger::final_lakes, -1},
      {&WaterLedger::final_drains, -1},
      {&WaterLedger::discharge, -1},
      {&WaterLedger::evaporation, -1},
      {&WaterLedger::slope_boundary_loss, -1},
      {&WaterLedger::head_boundary_loss, -1},
      {&WaterLedger::head_boundary_gain, 1},
      {&WaterLedger::lakes_to_gw, -1},
      {&WaterLedger::lake_evaporation, -1},
      {&WaterLedger::channel_point_sinks, -1},
      {&WaterLedger::river_to_gw, -1},
      {&WaterLedger::infiltration, -1},
      // Internal transfers and the intercepted rain, which never reached the model.
      {&WaterLedger::channel_lateral_inflow, 0},
      {&WaterLedger::overbank_to_land, 0},
      {&WaterLedger::interception, 0},
      {&WaterLedger::unsat_downward_flux, 0},
  };
  return t;
}

TEST(WaterLedger, OverallBalanceCountsEveryTermOnce) {
  expect_moves(plain_green_ampt_terms(), [](const WaterLedger& w) {
    BalanceOptions opt;
    opt.plain_green_ampt = true;
    return overall_residual(w, opt);
  });
}

TEST(WaterLedger, SoilStoreKeepsInfiltrationInside) {
  // With redistribution infiltration stays in the soil; what leaves is the downward flux.
  const std::vector<Term> t = {{&WaterLedger::infiltration, 0},
                               {&WaterLedger::unsat_downward_flux, -1},
                               {&WaterLedger::final_soil, -1}};
  expect_moves(t, [](const WaterLedger& w) {
    BalanceOptions opt;
    opt.simple_soil_store = true;
    return overall_residual(w, opt);
  });
}

TEST(WaterLedger, GroundwaterBranchSwapsRiverTerms) {
  const std::vector<Term> t = {
      {&WaterLedger::unsat_downward_flux, -1}, {&WaterLedger::gw_recharge, 1},
      {&WaterLedger::gw_leakage, -1},          {&WaterLedger::gw_pumping, -1},
      {&WaterLedger::river_to_gw, 0},          {&WaterLedger::gw_to_river, 0},
      {&WaterLedger::infiltration, 0}};
  expect_moves(t, [](const WaterLedger& w) {
    BalanceOptions opt;
    opt.groundwater = true;
    return overall_residual(w, opt);
  });
}

TEST(WaterLedger, EventBalanceCountsEveryTermOnce) {
  const std::vector<Term> t = {
      {&WaterLedger::precip, 1},
      {&WaterLedger::interception, 0},
      {&WaterLedger::initial_surface, 1},
      {&WaterLedger::initial_channel, 1},
      {&WaterLedger::exfiltration, 1},
      {&WaterLedger::overland_point_sources, 1},
      {&WaterLedger::channel_point_sources, 1},
      {&WaterLedger::gw_to_river, 1},
      {&WaterLedger::overland_clipped, 1},
      {&WaterLedger::channel_clipped, 1},
      {&WaterLedger::final_surface, -1},
      {&WaterLedger::final_channel, -1},
      {&WaterLedger::infiltration, -1},
      {&WaterLedger::direct_evaporation, -1},
      {&WaterLedger::discharge, -1},
      {&WaterLedger::river_to_gw, -1},
      {&WaterLedger::channel_point_sinks, -1},
      {&WaterLedger::slope_boundary_loss, -1},
      {&WaterLedger::channel_lateral_inflow, 0},
      {&WaterLedger::overbank_to_land, 0},
  };
  expect_moves(t, [](const WaterLedger& w) { return event_residual(w); });
}

TEST(WaterLedger, PerturbedDischargeMovesErrorByItsShare) {
  // Moving one output by d moves the overall error by exactly d / (S0 + I) x 100.
  BalanceOptions o;
  o.plain_green_ampt = true;
  WaterLedger w = busy_ledger();
  const OverallBalance before = overall_balance(w, o);
  w.discharge += kDelta;
  const OverallBalance after = overall_balance(w, o);
  EXPECT_NEAR(after.error_percent - before.error_percent, -kDelta / (before.s0 + before.in) * 100.0,
              1e-12);
}

}  // namespace
}  // namespace torva
