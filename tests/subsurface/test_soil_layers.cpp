// The soil layer input reader: a good file, every bad-input message, and damaged files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame/run_context.hpp"
#include "subsurface/soil_layers.hpp"
#include "support/reader_sweep.hpp"
#include "support/scratch.hpp"

namespace torva {
namespace {

constexpr const char* kHeader = "COLUMNS thickness ksat cap_head porosity theta_init residual\n";

class SoilLayerFile : public support::ScratchTest<> {
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
  const std::string said = read_soils(std::string("# test soils\n\n") + kHeader +
                                          "SOIL 2 3\n"
                                          " 30, 1.2, 11, 0.45, 0.20, 0.04\n"
                                          " 40  0.5  20  0.40  0.25  0.05\n"
                                          "100  0.1  30  0.38  0.30  0.06\n"
                                          "soil 5 1\n"
                                          "\t50\t3.0\t6\t0.42\t0.10\t0.02\n",
                                      true);
  EXPECT_EQ(said, "reading soil layer input from file: " + path("soils.txt") + "\n");
  ASSERT_EQ(table_.records.size(), 6u);
  EXPECT_FALSE(table_.given[1]);
  ASSERT_TRUE(table_.given[2] && table_.given[5]);
  EXPECT_EQ(table_.records[2].layers, 3);
  // Per soil and layer: thickness, ksat, capillary head, porosity, initial and residual
  // content; a one-layer soil continues downwards.
  const double want[2][3][6] = {{{30, 1.2, 11, 0.45, 0.20, 0.04},
                                 {40, 0.5, 20, 0.40, 0.25, 0.05},
                                 {100, 0.1, 30, 0.38, 0.30, 0.06}},
                                {{50, 3.0, 6, 0.42, 0.10, 0.02},
                                 {50, 3.0, 6, 0.42, 0.10, 0.02},
                                 {50, 3.0, 6, 0.42, 0.10, 0.02}}};
  for (int soil : {0, 1}) {
    const SoilRecord& r = table_.records[soil == 0 ? 2 : 5];
    for (int k = 1; k <= 3; ++k) {
      SCOPED_TRACE(::testing::Message() << "soil " << soil << " layer " << k);
      const double* w = want[soil][k - 1];
      EXPECT_EQ(std::vector<double>({r.thickness(k), r.ksat(k), r.at(kCapHead, k), r.porosity(k),
                                     r.theta_init(k), r.at(kResidual, k)}),
                std::vector<double>(w, w + 6));
    }
  }
  // The record layout: capillary head of layer 1 first, thicknesses from field 22.
  EXPECT_EQ(table_.records[2].field[0], 11.0);
  EXPECT_EQ(table_.records[2].field[22], 30.0);
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
      {h + "SOIL 1 1\n30 1 11 1.2 0.2 0.0\n", 3, "field \"porosity\" = 1.2 is outside 0..1"},
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
    EXPECT_TRUE(said.find("Error: soil layer input file " + path("soils.txt") + where + ": " +
                          c.what + "\n") != std::string::npos)
        << said;
  }
}

TEST_F(SoilLayerFile, MissingFileIsCodeFour) {
  EXPECT_FALSE(read_soil_layer_file(path("absent.txt"), table_));
  EXPECT_EQ(error_code().code, 4);
  EXPECT_EQ(error_code().what, "soil layer input");
  EXPECT_EQ(error_code().file, path("absent.txt"));
}

// Truncations and garbage never crash, and either read or fail with the reader's message.
TEST_F(SoilLayerFile, DamagedFilesReadOrFailCleanly) {
  support::reader_sweep(
      *this, std::string(kHeader) + "SOIL 1 2\n30 1 11 0.4 0.2 0\n40 1 11 0.4 0.2 0\n",
      [](const std::string& file) {
        SoilLayerTable t;
        ::testing::internal::CaptureStdout();
        const bool ok = read_soil_layer_file(file, t);
        const std::string said = ::testing::internal::GetCapturedStdout();
        return ok || (error_code().code == 4000 &&
                      said.find("Error: soil layer input file") != std::string::npos);
      });
}

}  // namespace
}  // namespace torva
