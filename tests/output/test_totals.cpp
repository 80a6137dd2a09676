// Simulation totals: the balances' edge cases, the storage sums and the block's text.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <vector>

#include "output/totals.hpp"

namespace torva {
namespace {

// The two percentages by hand: overall (S0 + I - S1 - O) / (S0 + I), surface
// (I - O - S1) / (S1 + I); an empty model has no error rather than NaN.
TEST(SimulationTotals, BalancePercentagesByHand) {
  WaterLedger w;
  EXPECT_EQ(overall_balance(w, BalanceOptions{}).error_percent, 0.0);
  EXPECT_EQ(surface_balance_error(w), 0.0);
  w.precip = 1000.0;
  w.final_surface = 150.0;
  w.discharge = 849.0;
  const OverallBalance b = overall_balance(w, BalanceOptions{});
  EXPECT_DOUBLE_EQ(b.s1, 150.0);
  EXPECT_DOUBLE_EQ(b.out, 849.0);
  EXPECT_DOUBLE_EQ(b.error_percent, 1.0 / 1000.0 * 100.0);
  w.infiltration = 200.0;
  w.discharge = 500.0;
  w.final_surface = 250.0;
  w.final_channel = 40.0;
  EXPECT_DOUBLE_EQ(surface_balance_error(w), 10.0 * 100.0 / 1290.0);
}

TEST(SimulationTotals, StorageSums) {
  const std::vector<double> depth = {99.0, 0.1, 0.2, 0.0};  // slot 0 is not a cell
  EXPECT_NEAR(surface_volume(depth, 30.0), 0.3 * 900.0, 1e-9);

  Array2<double> area("area");
  ASSERT_TRUE(area.allocate(3, 4));
  for (int link = 1; link <= 4; ++link)
    for (int node = 1; node <= 3; ++node) area(node, link) = link;
  const std::vector<int> linktype = {0, 4, 32, 64, 8 | 128};
  const std::vector<int> nodes = {0, 3, 3, 3, 3};
  const std::vector<double> dx = {0, 10.0, 10.0, 10.0, 10.0};
  // Only link 1 is a channel still routed: 3 nodes x 1 m^2 x 10 m.
  EXPECT_DOUBLE_EQ(channel_volume(4, linktype, nodes, dx, area), 30.0);
}

TEST(SimulationTotals, BlockTextAndLabelColumns) {
  WaterLedger w;
  w.precip = 9000.0;
  w.discharge = 8999.5;
  w.final_surface = 0.25;
  w.overall_error_percent = 0.0025;
  w.surface_error_percent = 0.002;
  std::string t;
  append_simulation_totals(t, w, BalanceOptions{});
  const std::string head =
      "\n \nSIMULATION TOTALS\nGLOBAL MASS BALANCE CALCULATIONS \n"
      "All volumes are in cubic meters \n \n";
  EXPECT_EQ(t.substr(0, head.size()), head);
  for (const char* line :
       {"Initial volume on surface=                                0.00 \n",
        "Final volume on surface=                                  0.25\n",
        "Total amount of precip=                                9000.00\n",
        "Total channel point sources=                              0.00\n\n"
        "Volume lost to specified slope boundary=",
        "Mass balance error of surface components =                0.002000 percent\n\n"
        "Overall mass balance error =                              0.002500 percent\n \n"}) {
    EXPECT_NE(t.find(line), std::string::npos) << line;
  }
  for (const char* absent : {"lakes", "drain", "Simple soil"}) {
    EXPECT_EQ(t.find(absent), std::string::npos) << absent;
  }
  // Every value line: label padded to 48, then the %14.2lf field.
  std::istringstream lines(t);
  std::string line;
  int values = 0;
  while (std::getline(lines, line)) {
    if (line.find('=') == std::string::npos || line.find("error") != std::string::npos) continue;
    ++values;
    ASSERT_GE(line.size(), 62u) << line;
    EXPECT_EQ(line[47] == ' ' || line[47] == '=', true) << line;
    EXPECT_NE(line.substr(48, 14).find('.'), std::string::npos) << line;
  }
  EXPECT_EQ(values, 24);
}

TEST(SimulationTotals, SoilStoreAndOptionalLines) {
  WaterLedger w;
  w.initial_soil = 100.0;
  w.infiltration = 50.0;
  w.final_soil = 140.0;
  w.unsat_downward_flux = 10.0;
  BalanceOptions o;
  o.simple_soil_store = true;
  o.stream_aquifer = true;
  std::string t;
  append_simulation_totals(t, w, o);
  for (const char* line : {"Initial volume in soil over simple soil depth           100.00 \n",
                           "Final volume in soil over simple soil depth             140.00\n",
                           "Total flux from river to gw=",
                           "Simple soil moisture mass balance =                        0.000000 "
                           "percent \n\n"}) {
    EXPECT_NE(t.find(line), std::string::npos) << line;
  }
  EXPECT_EQ(t.find("Total flux from gw to river="), std::string::npos);
}

}  // namespace
}  // namespace torva
