// Infiltration as the time loop drives it, for every method: the soil layer file, method
// selection and start-up checks, scheduling, bookkeeping, the Richards columns and summary,
// thread independence.
#include <gtest/gtest.h>
#include <omp.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <numeric>

#include "frame/run_context.hpp"
#include "model/model_state.hpp"
#include "subsurface/green_ampt.hpp"
#include "subsurface/infiltration.hpp"
#include "subsurface/richards_stage.hpp"
#include "subsurface/richards_summary.hpp"
#include "subsurface/soil_layers.hpp"
#include "support/reader_sweep.hpp"
#include "support/scratch.hpp"

namespace torva {
namespace {

constexpr double kStart = 2451545.0;

// Soil 1 has three layers; soil 2 has one, which continues downwards.
const char* kSoils =
    "COLUMNS thickness node_dz ksat cap_head porosity theta_init residual pore_index bubbling "
    "wilting_point\n"
    "SOIL 1 3\n"
    " 10 1.0 1.3 11 0.43 0.20 0.027 0.25 -11.1 0.05\n"
    " 20 2.0 0.6 20 0.40 0.25 0.030 0.30 -20.0 0.05\n"
    " 30 5.0 0.3 30 0.38 0.28 0.040 0.35 -25.0 0.05\n"
    "SOIL 2 1\n"
    " 20 1.0 3.0  6 0.42 0.10 0.020 0.60 -6.0 0.03\n";

class Infiltration : public support::ScratchTest<> {
 protected:
  void TearDown() override { omp_set_num_threads(threads_); }
  // n cells of 10 m, soil types alternating 2 and 1, cell parameters varying from cell to cell.
  std::unique_ptr<ModelState> state(int method, int n) {
    write("soils.txt", kSoils);
    auto s = std::make_unique<ModelState>();
    s->run.infil_method = static_cast<InfilMethod>(method);
    s->grid.ncells = n;
    s->grid.dx = 10.0;
    s->grid.cell_area = 100.0;
    CellParams& p = s->params;
    for (Array1<double>* a : {&p.ksat, &p.cap_head, &p.porosity, &p.theta_init, &p.pore_index,
                              &p.residual_sat, &p.area_factor, &s->overland.ov_depth})
      a->allocate(n);
    p.soil_id.allocate(n);
    for (int i = 1; i <= n; ++i) {
      p.ksat[i] = (0.3 + 0.1 * (i % 7)) / 360000.0;
      p.cap_head[i] = 0.05 + 0.01 * (i % 5);
      p.porosity[i] = 0.40 + 0.01 * (i % 3);
      p.theta_init[i] = 0.10 + 0.02 * (i % 4);
      p.pore_index[i] = 0.3 + 0.05 * (i % 4);
      p.residual_sat[i] = 0.04;
      p.area_factor[i] = 1.0;
      p.soil_id[i] = 1 + i % 2;
    }
    s->settings.infil.soil_layer_input_file = path("soils.txt");
    s->settings.infil.soil_layer_input_file_given = true;
    s->settings.maps.soil_type_map = "soils.idx";
    s->clock.dt = 60.0;
    s->clock.dt_days = 60.0 / kSecondsPerDay;
    s->clock.start_time = s->clock.current_time = kStart;
    return s;
  }
  void init(ModelState& s) {
    ::testing::internal::CaptureStdout();
    infiltration_init(s);
    said_ = ::testing::internal::GetCapturedStdout();
  }
  // Steps 1..steps with `rain_m` added to every cell while k <= rain_steps.
  static void run(ModelState& s, int steps, int rain_steps, double rain_m) {
    auto depth = s.overland.ov_depth.slots();
    for (int k = 1; k <= steps; ++k) {
      s.clock.current_time = kStart + k * s.clock.dt_days;
      if (k <= rain_steps)
        for (std::size_t i = 1; i < depth.size(); ++i) depth[i] += rain_m;
      infiltration_step(s, depth);
    }
  }
  std::string said_;
  const int threads_ = omp_get_max_threads();
};

class RichardsStage : public Infiltration {};  // the same fixture, under the method's name

constexpr const char* kHeader = "COLUMNS thickness ksat cap_head porosity theta_init residual\n";

class SoilLayerFile : public Infiltration {
 protected:
  // Writes `text` as soils.txt, reads it, and returns the console output.
  std::string read_soils(const std::string& text, bool expect_ok) {
    write("soils.txt", text);
    ::testing::internal::CaptureStdout();
    const bool ok = read_soil_layer_file(path("soils.txt"), table_);
    const std::string said = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(ok, expect_ok) << said;
    if (!expect_ok) {
      EXPECT_EQ(error_code().code, 4000);
      EXPECT_TRUE(table_.records.empty());
    }
    error_code() = ErrorCode{};
    return said;
  }
  SoilLayerTable table_;
};

TEST_F(SoilLayerFile, ReadsBlocksIntoTheRecordFields) {
  EXPECT_EQ(read_soils(std::string("# test soils\n\n") + kHeader +
                           "SOIL 2 3\n"
                           " 30, 1.2, 11, 0.45, 0.20, 0.04\n"
                           " 40  0.5  20  0.40  0.25  0.05\n"
                           "100  0.1  30  0.38  0.30  0.06\n"
                           "soil 5 1\n"
                           "\t50\t3.0\t6\t0.42\t0.10\t0.02\n",
                       true),
            "reading soil layer input from file: " + path("soils.txt") + "\n");
  ASSERT_EQ(table_.given, (std::vector<bool>{false, false, true, false, false, true}));
  // Thickness, ksat, capillary head, porosity, initial and residual content of a layer.
  auto fields = [](const SoilRecord& r, int k) {
    return std::vector<double>{r.thickness(k), r.ksat(k),       r.at(kCapHead, k),
                               r.porosity(k),  r.theta_init(k), r.at(kResidual, k)};
  };
  EXPECT_EQ(fields(table_.records[2], 1), (std::vector<double>{30, 1.2, 11, 0.45, 0.20, 0.04}));
  EXPECT_EQ(fields(table_.records[2], 3), (std::vector<double>{100, 0.1, 30, 0.38, 0.30, 0.06}));
  // A one-layer soil continues downwards.
  EXPECT_EQ(fields(table_.records[5], 3), (std::vector<double>{50, 3.0, 6, 0.42, 0.10, 0.02}));
}

// Each bad file is refused with the line number (0: none) and the fault in words.
TEST_F(SoilLayerFile, NamesLineAndFieldOfEveryFault) {
  const std::string h = kHeader;  // line 1
  struct Case {
    std::string text;
    int line;
    std::string what;
  };
  const Case cases[] = {
      {h + "SOIL 1 1\n30 1 11 0 0 0\n", 3, "field \"porosity\" = 0 is outside 0..1"},
      {h + "SOIL 1 1\n-5 1 11 0.4 0.2 0.0\n", 3, "field \"thickness\" = -5 is negative"},
      {h + "SOIL 1 2\n30 1 11 0.4 0.2 0.0\n30 1 11 0.4\n", 4,
       "missing field \"theta_init\" of layer 2"},
      {h + "SOIL 1 1\n30 1 11 0.4 0.2 0.0 7\n", 3, "more values than columns in layer 1"},
      {h + "SOIL 1 1\n30 1 x11 0.4 0.2 0.0\n", 3, "field \"cap_head\" = \"x11\" is not a number"},
      {h + "SOIL 1 1\n30 1 11 0.4 0.5 0.0\n", 3,
       "field \"theta_init\" = 0.5 is outside 0..porosity"},
      {h + "SOIL 1 3\n30 1 11 0.4 0.2 0.0\n", 2,
       "soil 1 declares 3 layers but the file ends after 1"},
      {h + "SOIL 0 1\n", 2, "soil id \"0\" is not an integer in 1..10000"},
      {h + "SOIL 99999999999 1\n", 2, "soil id \"99999999999\" is not an integer in 1..10000"},
      {h + "SOIL 1 4\n", 2, "layer count \"4\" is not an integer in 1..3"},
      {h + "SOIL 1\n", 2, "missing field \"layers\""},
      {h + "SOIL 1 1 2\n", 2, "extra values after the layer count"},
      {h + "SOIL 1 1\n30 1 11 0.4 0.2 0\nSOIL 1 1\n", 4, "soil id 1 is given twice"},
      {"SOIL 1 1\n", 1, "SOIL block before the COLUMNS line"},
      {"COLUMNS thickness ksat cap_head porosity\n", 1,
       "the required column \"theta_init\" is missing"},
      {"COLUMNS thickness ksat ksat\n", 1, "column \"ksat\" named twice"},
      {"COLUMNS thickness depth\n", 1, "unknown column \"depth\""},
      {h + h, 2, "a second COLUMNS line"},
      {h + "LAYER 1\n", 2, "expected COLUMNS or SOIL, found \"LAYER\""},
      {"", 0, "no COLUMNS line"},
      {h, 0, "no SOIL block"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string where = c.line ? ", line " + std::to_string(c.line) : std::string();
    const std::string said = read_soils(c.text, false);
    EXPECT_TRUE(said.ends_with("\nError: soil layer input file " + path("soils.txt") + where +
                               ": " + c.what + "\n"))
        << said;
  }
  EXPECT_FALSE(read_soil_layer_file(path("absent.txt"), table_));
  EXPECT_EQ(error_code().code, 4);
  EXPECT_EQ(error_code().what, "soil layer input");
  EXPECT_EQ(error_code().file, path("absent.txt"));
}

// Truncations and garbage never crash, and either read or fail with the reader's code.
TEST_F(SoilLayerFile, DamagedFilesReadOrFailCleanly) {
  support::reader_sweep(
      *this, std::string(kHeader) + "SOIL 1 2\n30 1 11 0.4 0.2 0\n40 1 11 0.4 0.2 0\n",
      [](const std::string& file) {
        SoilLayerTable t;
        run_context().super_quiet = true;  // the messages are checked one by one above
        return read_soil_layer_file(file, t) || error_code().code == 4000;
      });
}

TEST_F(Infiltration, ConflictingMethodCardsGiveTheirCodes) {
  struct Case {
    int ga, redist, layered, richards, code;
  };
  const Case cases[] = {{1, 0, 1, 0, 26}, {0, 1, 1, 0, 27}, {0, 0, 1, 1, 28}, {1, 0, 0, 1, 29},
                        {0, 1, 0, 1, 30}, {1, 1, 0, 0, 33}, {1, 0, 0, 0, 0},  {0, 0, 0, 1, 0}};
  for (const Case& c : cases) {
    InfilCards r;
    r.green_ampt = c.ga;
    r.inf_redist = c.redist;
    r.inf_layered_soil = c.layered;
    r.inf_richards = c.richards;
    EXPECT_EQ(infiltration_conflict_code(r), c.code);
  }
  auto s = state(1, 4);
  s->settings.infil.green_ampt = s->settings.infil.inf_redist = 1;
  init(*s);
  EXPECT_EQ(error_code().code, 33);
  EXPECT_FALSE(s->infil.initialised);
}

// Each start-up fault stops with its code and ends the console output with its message.
TEST_F(Infiltration, StartUpFaultsAreNamed) {
  struct Case {
    int method;
    std::function<void(ModelState&)> change;
    int code;
    std::string said;
  };
  const Case cases[] = {
      {3, [](ModelState& s) { s.settings.infil.soil_layer_input_file_given = false; }, 4000,
       "\nError: multi-layered infiltration needs a soil layer input file (card "
       "SOIL_LAYER_INPUT_FILE).\n"},
      {3, [](ModelState& s) { s.params.soil_id[3] = 7; }, 4000,
       "\nError: soil type 7 of grid cell 3 has no block in the soil layer input file " +
           path("soils.txt") + "\n"},
      {2, [](ModelState& s) { s.params.pore_index[2] = 0.0; }, 4000,
       "\nError: grid cell 2 has pore index = 0.000000, not above 0.\n"},
      {1, [](ModelState& s) { s.params.porosity[4] = 1.5; }, 4000,
       "\nError: grid cell 4 has porosity = 1.500000, outside 0..1.\n"},
      {2, [](ModelState& s) { s.params.pore_index.release(); }, 4000,
       "For infiltration redistribution, pore index map must be specified\n"},
      {1, [](ModelState& s) { s.params.area_factor[2] = 1.2; }, 4000,
       "\nError: grid cell 2 has area reduction factor (1 - reduction) = 1.200000, outside "
       "0..1.\n"},
      {4, [](ModelState& s) { s.params.soil_id[3] = 9; }, 4000,
       "\nError: soil type 9 of grid cell 3 has no block in the soil table " + path("soils.txt") +
           "\n"},
      {4,
       [this](ModelState&) {
         std::string t = kSoils;
         write("soils.txt", t.replace(t.find("-6.0"), 4, "0"));
       },
       4000,
       "\nError: soil table " + path("soils.txt") +
           ", soil type 2: layer 1 has bubbling pressure (must be below 0) = 0.\n"},
      {4, [](ModelState& s) { s.settings.infil.richards_dtheta_max = 0.0; }, 4000,
       "\nError: RICHARDS_DTHETA_MAX = 0.000000 must lie above 0 and at most 1.\n"},
      {4, [](ModelState& s) { s.params.soil_id.release(); }, 132, ""},  // names the map: below
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.said);
    error_code() = ErrorCode{};
    auto s = state(c.method, 4);
    c.change(*s);
    init(*s);
    EXPECT_EQ(error_code().code, c.code);
    EXPECT_TRUE(said_.ends_with(c.said)) << said_;
  }
  EXPECT_EQ(error_code().file, "soils.idx");
}

TEST_F(Infiltration, RedistributionStartUpCorrectsInitialMoisture) {
  auto s = state(2, 3);
  s->params.theta_init[1] = 0.01;
  s->params.theta_init[3] = 0.50;
  init(*s);
  ASSERT_EQ(error_code().code, 0) << said_;
  s->infil.infil_cum_depth[2] = 0.3;
  ::testing::internal::CaptureStdout();
  infiltration_redist_start(*s);
  infiltration_redist_start(*s);  // once per simulation
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "cell: 1  thi: 0.010000  thr: 0.040000   phi: 0.410000\n"
            "Problem initializing inf_redist in main loop, thi<thr at grid cell 1, increasing it "
            "to 0.050000\n"
            "cell: 3  thi: 0.500000  thr: 0.040000   phi: 0.400000\n"
            "Problem initializing inf_redist in main loop, thi>phi at grid cell 3, decreasing it "
            "to 0.390000\n");
  EXPECT_DOUBLE_EQ(s->infil.theta_i[1], 0.05);
  EXPECT_DOUBLE_EQ(s->infil.theta_i[3], 0.39);
  EXPECT_EQ(s->infil.infil_cum_depth[2], 0.0);
}

TEST_F(Infiltration, RunsOnItsScheduleAndKeepsTheBooks) {
  auto s = state(1, 2);
  s->settings.infil.unif_area_reduction = 0.25;
  s->settings.infil.unif_area_reduction_given = true;
  init(*s);
  EXPECT_EQ(s->params.area_factor[1], 0.75);
  std::vector<double> depth(3, 1.0);
  infiltration_step(*s, depth);  // first pass: one model step
  const double first = s->infil.infil_cum_depth[1];
  for (double at : {0.0, 0.5}) {  // same time again, half a step on: not due
    s->clock.current_time = kStart + at * s->clock.dt_days;
    infiltration_step(*s, depth);
    EXPECT_EQ(s->infil.infil_cum_depth[1], first);
  }
  s->clock.current_time = kStart + s->clock.dt_days;
  infiltration_step(*s, depth);
  EXPECT_GT(s->infil.infil_cum_depth[1], first);
  EXPECT_NEAR(s->infil.next_time, kStart + 2 * s->clock.dt_days, 1e-9);
  // The event depth and the ledger follow the cumulative depth.
  const double f1 = s->infil.infil_cum_depth[1], f2 = s->infil.infil_cum_depth[2];
  EXPECT_EQ(s->infil.infil_event_depth[1], f1);
  EXPECT_DOUBLE_EQ(s->ledger.infiltration, (f1 + f2) * 100.0);
  std::vector<double> short_depth(2);
  ::testing::internal::CaptureStdout();
  infiltration_step(*s, short_depth);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "\nError: infiltration was given 1 overland depths for 2 grid cells.\n");
  EXPECT_EQ(error_code().code, 4000);
}

TEST_F(Infiltration, UnsolvedIterationStopsTheRunNamingTheCell) {
  for (int method : {1, 3}) {
    SCOPED_TRACE(method);
    error_code() = ErrorCode{};
    auto s = state(method, 3);
    init(*s);
    ASSERT_EQ(error_code().code, 0) << said_;
    if (method == 1) s->params.ksat[2] = std::nan("");
    if (method == 3) s->infil.soil_records[1].at(kCapHead, 1) = std::nan("");  // cell 2
    std::vector<double> depth(4, 0.01);
    ::testing::internal::CaptureStdout();
    infiltration_step(*s, depth);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "\nError: the Green and Ampt iteration did not converge in 100 iterations at grid "
              "cell 2.\n");
    EXPECT_EQ(error_code().code, 4000);
    EXPECT_NEAR(depth[2] + depth[1] + depth[3] + s->ledger.infiltration / 100.0, 0.03, 1e-15);
  }
}

// A cell of each soil.  Start-up reports the column volumes; then 40 mm/h for 30 min and
// 30 min dry.  The ledger, the columns and the summary block all account for the same water.
TEST_F(RichardsStage, StepsOnScheduleAndBalancesTheLedgerAndTheSummary) {
  omp_set_num_threads(1);  // a second thread only adds waiting; the Threads test covers it
  auto s = state(4, 2);
  init(*s);
  ASSERT_EQ(error_code().code, 0) << said_;
  const RichardsState& r = s->richards;
  // Volumes: theta x thickness in cm, which times 100 m2 of cell / 100 is m3.  Soil 2 repeats
  // its one layer three times.
  EXPECT_NEAR(r.initial_volume, 10 * 0.20 + 20 * 0.25 + 30 * 0.28 + 60 * 0.10, 1e-9);
  EXPECT_NEAR(r.initial_root_zone, 0.10 * 0.20 * 100.0 + 0.20 * 0.10 * 100.0, 1e-9);
  char said[400];
  std::snprintf(said, sizeof said,
                "Reading Soil Table\n   Done\nInitialize Richards Params\n"
                "Inital volume of water in root zone= %lf \n \n"
                "Inital volume of water in soil column= %lf \n \n",
                r.initial_root_zone, r.initial_volume);
  EXPECT_TRUE(said_.ends_with(said)) << said_;
  // Initial heads match the initial contents.
  const std::size_t o = r.offset[2];
  EXPECT_NEAR(theta_from_head(r.options.retention, *r.node_soil[o + 5], r.PHEAD[o + 5]), 0.20,
              1e-12);
  run(*s, 60, 30, 0.04 / 60.0);
  ASSERT_EQ(error_code().code, 0);
  const WaterLedger& w = s->ledger;
  const auto depth = s->overland.ov_depth.slots(), event = s->infil.infil_event_depth.slots();
  const double surface = 100.0 * std::accumulate(depth.begin() + 1, depth.end(), 0.0);
  const double cum = 100.0 * std::accumulate(event.begin() + 1, event.end(), 0.0);
  EXPECT_NEAR(w.infiltration + surface, 2 * 30 * 0.04 / 60.0 * 100.0, 1e-9);
  EXPECT_NEAR(cum, w.infiltration, 1e-9);
  EXPECT_GT(w.unsat_downward_flux, 0.0);
  EXPECT_NEAR(richards_soil_volume(*s) - r.initial_volume,
              w.infiltration - w.unsat_downward_flux + r.error_volume, 1e-9);
  EXPECT_LT(std::fabs(r.error_volume), 1e-3 * w.infiltration);
  const RichardsSummary m = richards_summary(*s);
  EXPECT_NEAR(m.net_infiltrated, w.infiltration, 1e-12);
  EXPECT_LT(std::fabs(richards_balance_percent(m)), 0.1);
  std::string text;
  append_richards_summary(text, m);
  char want[1200];
  std::snprintf(want, sizeof want,
                "\n \n Richard's EQ. Computations \n \n"
                "volume lost due to dir. evap (cu. m):  %9.1lf\n"
                "net vol infiltrated to soil (cu. m.):  %9.1lf\n"
                "vol groundwater recharge (cu. m):      %9.1lf\n"
                "Initial volume in soils (cu. m.):      %9.1lf\n"
                "Final volume in soils (cu. m.):        %9.1lf\n"
                "Richard equation mass balance error         %5.4lf percent\n"
                "Number of cells at start of event   %12d\n"
                "Number of cells at end of event     %12d\n"
                "net volume of infiltration is infiltration minus evaporation\n",
                0.0, m.net_infiltrated, m.recharge, m.initial, m.final_volume,
                richards_balance_percent(m), 2, 2);
  EXPECT_EQ(text, want);
}

// The cell loops give bit-identical results on one and two threads.  The Green and Ampt loops
// run in parallel only from kMinParallelCells cells on; every Richards column does.
class Threads : public Infiltration, public ::testing::WithParamInterface<int> {};

TEST_P(Threads, OneAndTwoThreadsAgreeBitForBit) {
  const int n = GetParam() == 4 ? 8 : kMinParallelCells;
  auto run_on = [&](int threads) {
    omp_set_num_threads(threads);
    auto s = state(GetParam(), n);
    init(*s);
    EXPECT_EQ(error_code().code, 0) << said_;
    run(*s, 12, 6, 2e-4);
    std::vector<double> out(s->richards.PHEAD);
    for (int i = 1; i <= n; ++i)
      out.insert(out.end(),
                 {s->overland.ov_depth[i], s->infil.infil_cum_depth[i], s->infil.infil_rate[i]});
    out.push_back(s->ledger.unsat_downward_flux);
    return out;
  };
  const std::vector<double> one = run_on(1), two = run_on(2);
  ASSERT_EQ(one.size(), two.size());
  EXPECT_EQ(std::memcmp(one.data(), two.data(), one.size() * sizeof(double)), 0);
}

INSTANTIATE_TEST_SUITE_P(Methods, Threads, ::testing::Values(1, 2, 3, 4),
                         [](const auto& info) { return "Method" + std::to_string(info.param); });

}  // namespace
}  // namespace torva
