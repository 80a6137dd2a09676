// Land-channel exchange (weir inflow, overbank both ways, backwater) and stream-aquifer
// exchange.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "channel/exchange.hpp"
#include "test_routing_net.hpp"

namespace torva {
namespace {

using testing_net::TestNet;

struct Land {
  std::vector<double> depth, ground, inv_n;
  explicit Land(int cells, double g)
      : depth(cells + 1, 0.0), ground(cells + 1, g), inv_n(cells + 1, 1.0 / 0.05) {}
  LandExchangeInput input(double dt, bool overbank, bool backwater) const {
    return LandExchangeInput{dt, 900.0, 30.0, overbank, backwater, ground, inv_n};
  }
};

TEST(LandExchange, WeirInflowAndItsLimit) {
  TestNet t(1, 3);
  t.channel(1, 3, 30.0, 10.0, 0.001, 2.0, 1.0, 0.03, 0);
  Land land(3, 11.0);
  land.depth[1] = 0.02;
  land.depth[2] = 2.0;
  std::vector<StreamCellLink> nodes{{1, 1, 1, 1.0}, {1, 2, 2, 1.0}};
  LandExchangeVolumes vol;
  exchange_with_land(nodes, land.input(10.0, false, false), t.net, t.sec, land.depth, vol);
  const double q1 = 3.40978982734 * 30.0 * std::pow(0.02, 1.5);
  EXPECT_NEAR(t.qlat(1, 1), q1 / 30.0, 1e-15);
  EXPECT_NEAR(land.depth[1], 0.02 - q1 * 10.0 / 900.0, 1e-15);
  // The second cell would give more than it holds in the step: it is emptied.
  EXPECT_EQ(land.depth[2], 0.0);
  EXPECT_NEAR(t.qlat(2, 1), 2.0 * 900.0 / 10.0 / 30.0, 1e-12);
  EXPECT_NEAR(vol.to_channel, (0.02 - land.depth[1]) * 900.0 + 2.0 * 900.0, 1e-10);
  EXPECT_EQ(vol.to_land, 0.0);
}

TEST(LandExchange, VillemonteSubmergenceTable) {
  EXPECT_EQ(villemonte_factor(0.0), 1.0);
  for (double r : {0.05, 0.25, 0.5, 0.77, 0.93})
    EXPECT_NEAR(villemonte_factor(r), std::pow(1.0 - r, 0.385), 0.01) << r;
  EXPECT_GT(villemonte_factor(0.3), villemonte_factor(0.6));
}

TEST(LandExchange, OverbankFlowBothWaysConservesWater) {
  TestNet t(1, 3);
  t.channel(1, 3, 30.0, 10.0, 0.001, 2.0, 1.0, 0.03, 0);
  t.fill(1, 1.5);  // water surface about 11.5, cells at 11.0
  Land land(3, 11.0);
  land.depth[3] = 0.9;  // this cell stands above the channel
  std::vector<StreamCellLink> nodes{{1, 1, 1, 1.0}, {1, 3, 3, 1.0}};
  const double store0 = t.area(1, 1) * 30.0 + land.depth[1] * 900.0;
  LandExchangeVolumes vol;
  exchange_with_land(nodes, land.input(60.0, true, false), t.net, t.sec, land.depth, vol);
  // Channel -> cell 1: the channel lost what the cell gained, and the cell's surface did not
  // rise above the channel's.
  EXPECT_GT(vol.to_land, 0.0);
  EXPECT_NEAR(t.area(1, 1) * 30.0 + land.depth[1] * 900.0, store0, 1e-9);
  EXPECT_LE(11.0 + land.depth[1], t.yp(1, 1) + 1e-12);
  EXPECT_NEAR(t.yp(1, 1), t.bel(1, 1) + t.depth(1, 1), 1e-12);
  // Cell 3 -> channel as lateral inflow.
  EXPECT_GT(t.qlat(3, 1), 0.0);
  EXPECT_NEAR(vol.to_channel, t.qlat(3, 1) * 30.0 * 60.0, 1e-9);
  EXPECT_NEAR(land.depth[3], 0.9 - vol.to_channel / 900.0, 1e-12);
}

TEST(LandExchange, BackwaterBlocksInflowBelowTheChannelSurface) {
  TestNet t(1, 2);
  t.channel(1, 2, 30.0, 10.0, 0.001, 2.0, 1.0, 0.03, 0);
  t.fill(1, 1.5);
  Land land(2, 11.0);
  land.depth[1] = 0.2;  // 11.2, below the channel surface: no exchange
  land.depth[2] = 0.8;  // 11.8, above: Manning inflow with R = 0.8
  std::vector<StreamCellLink> nodes{{1, 1, 1, 1.0}, {1, 2, 2, 1.0}};
  LandExchangeVolumes vol;
  exchange_with_land(nodes, land.input(1.0, false, true), t.net, t.sec, land.depth, vol);
  EXPECT_EQ(t.qlat(1, 1), 0.0);
  EXPECT_EQ(land.depth[1], 0.2);
  const double diff = 11.8 - t.yp(2, 1);
  const double q = std::sqrt(diff / 30.0) * std::cbrt(0.64) * 20.0 * 0.8 * 30.0;
  EXPECT_NEAR(t.qlat(2, 1), q / 30.0, 1e-12);
}

TEST(AquiferExchange, LosingGainingAndStatus) {
  TestNet t(1, 3);
  t.channel(1, 3, 30.0, 10.0, 0.0, 2.0, 1.0, 0.03, 0);
  t.net.a.qriv = &t.qriv;
  Array2<double> krb{"Krb"}, mrb{"Mrb"};
  krb.allocate(3, 1);
  mrb.allocate(3, 1);
  krb.fill(0.36);  // m/h
  mrb.fill(0.5);
  const double k = 0.36 / 3600.0 / 0.5;
  std::vector<AquiferEntry> entries{{1, 1, 1, 1.0}, {1, 2, 2, 1.0}, {1, 3, 3, 0.5}};
  // Dry channel, no water table: skipped.
  AquiferInput in{&krb, &mrb, {}, {}, {}};
  EXPECT_EQ(stream_aquifer_exchange(entries, in, t.net, t.sec), 0);
  // Wet channel, no water table: seepage out, status 2.
  t.fill(1, 0.4);
  EXPECT_EQ(stream_aquifer_exchange(entries, in, t.net, t.sec), 2);
  EXPECT_NEAR(t.qriv(1, 1), -k * 0.4 * (2.0 + 0.8), 1e-15);
  EXPECT_NEAR(t.qriv(3, 1), -0.5 * k * 0.4 * 2.8, 1e-15);
  // A water table above the channel surface at cell 2: inflow over the width at e = gw - bel.
  std::vector<double> gw{0.0, 9.0, 10.9, 9.0}, bottom{0.0, 0.0, 0.0, 0.0},
      ground{0.0, 12.0, 12.0, 12.0};
  AquiferInput with_gw{&krb, &mrb, gw, bottom, ground};
  EXPECT_EQ(stream_aquifer_exchange(entries, with_gw, t.net, t.sec), 1);
  EXPECT_NEAR(t.qriv(2, 1), k * (10.9 - 10.4) * (2.0 + 2.0 * 0.9), 1e-15);
  EXPECT_LT(t.qriv(1, 1), 0.0);
}

}  // namespace
}  // namespace torva
