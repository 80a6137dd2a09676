// The ledger as the oracle of both balances: every term that crosses the model boundary
// moves the balance residual by exactly its own amount, and internal transfers move nothing;
// the surface percentage by hand and the channel storage sum.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "output/ledger.hpp"
#include "output/summary.hpp"
#include "output/totals.hpp"

namespace torva {
namespace {

using L = WaterLedger;
using Fields = std::vector<double L::*>;
constexpr double kDelta = 17.25;

// A ledger where nothing balances to zero by accident.
WaterLedger busy_ledger() {
  WaterLedger w;
  w.precip = 50000.0;
  w.initial_surface = 1200.0;
  w.discharge = 30000.0;
  return w;
}

// Residual S0 + I - S1 - O of the overall balance under `o`, recovered from its parts.
auto overall(BalanceOptions o) {
  return [o](const WaterLedger& w) {
    const OverallBalance b = overall_balance(w, o);
    return b.s0 + b.in - b.s1 - b.out;
  };
}

// Adding d to an input or initial storage moves the residual by +d, to an output or final
// storage by -d, to an internal transfer by nothing.
void expect_moves(const Fields& in, const Fields& out, const Fields& internal,
                  const std::function<double(const WaterLedger&)>& residual) {
  const WaterLedger base = busy_ledger();
  const double r0 = residual(base);
  for (auto [fields, sign] : {std::pair{&in, 1.0}, {&out, -1.0}, {&internal, 0.0}}) {
    for (std::size_t k = 0; k < fields->size(); ++k) {
      WaterLedger w = base;
      w.*(*fields)[k] += kDelta;
      EXPECT_NEAR(residual(w) - r0, sign * kDelta, 1e-9) << "sign " << sign << " term " << k;
    }
  }
}

TEST(WaterLedger, OverallBalanceCountsEveryTermOnce) {
  BalanceOptions o;
  o.plain_green_ampt = true;
  // The intercepted rain never reached the model.
  expect_moves(
      {&L::precip, &L::initial_surface, &L::initial_channel, &L::initial_soil,
       &L::initial_groundwater, &L::initial_lakes, &L::gw_boundary_flux, &L::overland_point_sources,
       &L::channel_point_sources, &L::gw_to_lakes, &L::gw_to_river, &L::overland_clipped,
       &L::channel_clipped, &L::head_boundary_gain},
      {&L::final_surface, &L::final_channel, &L::final_soil, &L::final_groundwater, &L::final_snow,
       &L::final_lakes, &L::final_drains, &L::discharge, &L::evaporation, &L::slope_boundary_loss,
       &L::head_boundary_loss, &L::lakes_to_gw, &L::lake_evaporation, &L::channel_point_sinks,
       &L::river_to_gw, &L::infiltration},
      {&L::channel_lateral_inflow, &L::overbank_to_land, &L::interception, &L::unsat_downward_flux},
      overall(o));
  // With a soil store infiltration stays inside; what leaves is the downward flux.
  o = {};
  o.simple_soil_store = true;
  expect_moves({}, {&L::unsat_downward_flux, &L::final_soil}, {&L::infiltration}, overall(o));
  // With groundwater the river terms are internal and recharge, leakage and pumping count.
  o = {};
  o.groundwater = true;
  expect_moves({&L::gw_recharge}, {&L::unsat_downward_flux, &L::gw_leakage, &L::gw_pumping},
               {&L::river_to_gw, &L::gw_to_river, &L::infiltration}, overall(o));
}

TEST(WaterLedger, EventBalanceCountsEveryTermOnce) {
  expect_moves({&L::precip, &L::initial_surface, &L::initial_channel, &L::exfiltration,
                &L::overland_point_sources, &L::channel_point_sources, &L::gw_to_river,
                &L::overland_clipped, &L::channel_clipped},
               {&L::final_surface, &L::final_channel, &L::infiltration, &L::direct_evaporation,
                &L::discharge, &L::river_to_gw, &L::channel_point_sinks, &L::slope_boundary_loss},
               {&L::interception, &L::channel_lateral_inflow, &L::overbank_to_land},
               [](WaterLedger w) {
                 close_event_balance(w);
                 return w.event_input - w.event_output;
               });
}

// Moving one output by d moves the overall error by exactly d / (S0 + I) x 100.
TEST(WaterLedger, PerturbedDischargeMovesErrorByItsShare) {
  BalanceOptions o;
  o.plain_green_ampt = true;
  WaterLedger w = busy_ledger();
  const OverallBalance before = overall_balance(w, o);
  w.discharge += kDelta;
  EXPECT_NEAR(overall_balance(w, o).error_percent - before.error_percent,
              -kDelta / (before.s0 + before.in) * 100.0, 1e-12);
}

// Surface (I - O - S1) / (S1 + I) by hand; an empty model has no error rather than NaN.
TEST(WaterLedger, SurfacePercentageByHandAndEmptyModels) {
  WaterLedger w;
  EXPECT_EQ(overall_balance(w, BalanceOptions{}).error_percent, 0.0);
  EXPECT_EQ(surface_balance_error(w), 0.0);
  w.precip = 1000.0;
  w.infiltration = 200.0;
  w.discharge = 500.0;
  w.final_surface = 250.0;
  w.final_channel = 40.0;
  EXPECT_DOUBLE_EQ(surface_balance_error(w), 10.0 * 100.0 / 1290.0);
}

TEST(WaterLedger, ChannelStorageSum) {
  Array2<double> area("area");
  ASSERT_TRUE(area.allocate(3, 4));
  for (int link = 1; link <= 4; ++link)
    for (int node = 1; node <= 3; ++node) area(node, link) = link;
  // Only link 1 is a channel still routed (lake, structure, and a flagged link are not).
  EXPECT_DOUBLE_EQ(
      channel_volume(4, std::vector<int>{0, 4, 32, 64, 8 | 128}, std::vector<int>{0, 3, 3, 3, 3},
                     std::vector<double>{0, 10.0, 10.0, 10.0, 10.0}, area),
      30.0);
}

}  // namespace
}  // namespace torva
