// Whole runs of a small tilted basin under two storms through the real driver, for each
// infiltration method: rain = surface storage + outflow + infiltrated volume.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "support/project_run.hpp"

namespace torva {
namespace {

using support::raster_of;
using support::value_after;

class InfiltrationRun : public support::ProjectRunTest<::testing::TestWithParam<const char*>> {};

TEST_P(InfiltrationRun, RainEqualsSurfacePlusOutflowPlusInfiltration) {
  // 4 x 5 cells of 100 m, lowest in the south-west corner; soils vary from cell to cell.
  auto map = [&](const char* name, auto value) { write(name, raster_of(4, 5, 100.0, value)); };
  map("mask.asc", [](int, int) { return 1; });
  map("elev.asc", [](int r, int c) { return 10.0 + 0.5 * (4 - r) + 0.3 * c; });
  map("ks.asc", [](int, int c) { return 0.5 + 0.1 * c; });
  map("cap.asc", [](int r, int) { return 8.0 + r; });
  map("por.asc", [](int, int) { return 0.45; });
  map("moist.asc", [](int r, int c) { return 0.12 + 0.01 * ((r + c) % 3); });
  map("pore.asc", [](int, int) { return 0.5; });
  map("res.asc", [](int, int) { return 0.05; });
  map("soil.asc", [](int r, int c) { return 1 + (r + c) % 2; });
  write("layers.txt",
        "COLUMNS thickness ksat cap_head porosity theta_init\n"
        "SOIL 1 3\n 5 1.5 11 0.45 0.15\n 10 0.6 20 0.40 0.40\n 200 0.2 30 0.38 0.25\n"
        "SOIL 2 1\n 50 3.0 6 0.42 0.10\n");
  // 40 mm/h for an hour, an hour dry, 40 mm/h for half an hour: the soil redistributes
  // between the storms.
  write("gage.txt",
        "EVENT \"two storms\"\nNRGAG 1\nNRPDS 4\nCOORD 250 200 \"g\"\n"
        "RATES 2020 6 1 12 0 40\nRATES 2020 6 1 13 0 0\nRATES 2020 6 1 14 0 40\n"
        "RATES 2020 6 1 14 30 0\n");
  ASSERT_EQ(run(std::string("TORVAPROJECT\nSUPER_QUIET\n"
                            "WATERSHED_MASK mask.asc\nELEVATION elev.asc\nROWS 4\nCOLS 5\n"
                            "GRIDSIZE 100\nTOT_TIME 180\nTIMESTEP 10\nOUTROW 4\nOUTCOL 1\n"
                            "OUTSLOPE 0.01\nMANNING_N 0.05\nPRECIP_FILE gage.txt\n"
                            "START_DATE 2020 6 1\nSTART_TIME 12 00\nHYD_FREQ 10\nMAP_FREQ 60\n"
                            "CONDUCTIVITY ks.asc\nCAPILLARY cap.asc\nPOROSITY por.asc\n"
                            "MOISTURE moist.asc\nPORE_INDEX pore.asc\nRESIDUAL_SAT res.asc\n"
                            "SOIL_TYPE_MAP soil.asc\nSOIL_LAYER_INPUT_FILE layers.txt\n"
                            "INF_DEPTH inf\n") +
                GetParam() + "\n"),
            0);
  const std::string sum = summary();
  const double rain = 20 * 0.06 * 1e4;  // 60 mm on 20 ha
  const double infiltrated = value_after(sum, "Total amount of infiltration=");
  EXPECT_GT(infiltrated, 0.2 * rain) << sum;
  EXPECT_GT(value_after(sum, "Total amount of discharge="), 0.01 * rain);  // nor all of it
  // Printed to the centimetre, the three outputs add up to the rain.
  EXPECT_NEAR(value_after(sum, "Final volume on surface=") + infiltrated +
                  value_after(sum, "Total amount of discharge="),
              rain, 0.015);
  EXPECT_NEAR(value_after(sum, "mass conservation error:"), 0.0, 1e-6);
  EXPECT_NEAR(value_after(sum, "Overall mass balance error ="), 0.0, 1e-6);
  // The simple soil store gains what infiltrated; with redistribution it starts with the
  // initial moisture map over 0.4 m.
  const double stored = value_after(sum, "Initial volume in soil over simple soil depth");
  if (GetParam() == std::string("INF_REDIST")) {
    EXPECT_NEAR(stored, 2.59 * 0.4 * 1e4, 0.005);  // the 20 contents add up to 2.59
  }
  if (GetParam() != std::string("GREEN_AMPT")) {
    EXPECT_NEAR(value_after(sum, "Final volume in soil over simple soil depth"),
                stored + infiltrated, 0.015);
  }
  // The last depth map (minute 180) holds every cell's infiltrated depth, printed to 0.1 mm.
  std::ifstream depth_map(path("infdep.0003.asc"));
  ASSERT_TRUE(depth_map.good());
  std::string word;
  for (int k = 0; k < 12; ++k) depth_map >> word;  // six header lines of two words
  double mapped = 0.0;
  for (double d; depth_map >> d;) mapped += d * 1e4;
  EXPECT_NEAR(mapped, infiltrated, 0.5e-4 * 1e4 * 20);
}

INSTANTIATE_TEST_SUITE_P(Methods, InfiltrationRun,
                         ::testing::Values("GREEN_AMPT", "INF_REDIST", "INF_LAYERED_SOIL"),
                         [](const auto& info) { return std::string(info.param); });

}  // namespace
}  // namespace torva
