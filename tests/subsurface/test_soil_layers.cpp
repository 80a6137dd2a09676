// The soil layer input reader: a good file, and every bad-input message.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "frame/run_context.hpp"
#include "subsurface/soil_layers.hpp"

namespace torva {
namespace {

class SoilLayerFile : public ::testing::Test {
 protected:
  void SetUp() override {
    error_code() = ErrorCode{};
    // One file per test, as ctest may run the tests of this folder side by side.
    path_ = ::testing::TempDir() + "soil_layers_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".txt";
  }
  void TearDown() override {
    std::remove(path_.c_str());
    error_code() = ErrorCode{};
  }
  // Writes `text`, reads it, and returns the console output.
  std::string read(const std::string& text, bool expect_ok) {
    {
      std::ofstream out(path_, std::ios::binary);
      out << text;
    }
    ::testing::internal::CaptureStdout();
    const bool ok = read_soil_layer_file(path_, table_);
    const std::string said = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(ok, expect_ok) << said;
    if (!expect_ok) {
      EXPECT_EQ(error_code().code, 4000);
      EXPECT_TRUE(table_.records.empty());
    }
    return said;
  }
  std::string error_line(int line, const std::string& what) {
    return "Error: soil layer input file " + path_ + ", line " + std::to_string(line) + ": " +
           what + "\n";
  }
  std::string path_;
  SoilLayerTable table_;
};

constexpr const char* kHeader = "COLUMNS thickness ksat cap_head porosity theta_init residual\n";

TEST_F(SoilLayerFile, ReadsBlocksIntoTheRecordFields) {
  const std::string said = read(std::string("# test soils\n\n") + kHeader +
                                    "SOIL 2 3\n"
                                    " 30, 1.2, 11, 0.45, 0.20, 0.04\n"
                                    " 40  0.5  20  0.40  0.25  0.05\n"
                                    "100  0.1  30  0.38  0.30  0.06\n"
                                    "soil 5 1\n"
                                    "\t50\t3.0\t6\t0.42\t0.10\t0.02\n",
                                true);
  EXPECT_EQ(said, "reading soil layer input from file: " + path_ + "\n");
  ASSERT_EQ(table_.records.size(), 6u);
  EXPECT_FALSE(table_.given[1]);
  ASSERT_TRUE(table_.given[2] && table_.given[5]);
  const SoilRecord& a = table_.records[2];
  EXPECT_EQ(a.layers, 3);
  EXPECT_EQ(a.field[0], 11.0);   // capillary head, layer 1
  EXPECT_EQ(a.field[5], 0.5);    // conductivity, layer 2
  EXPECT_EQ(a.field[9], 0.38);   // porosity, layer 3
  EXPECT_EQ(a.field[11], 0.25);  // initial water content, layer 2
  EXPECT_EQ(a.field[21], 0.06);  // residual, layer 3
  EXPECT_EQ(a.field[22], 30.0);  // thicknesses
  EXPECT_EQ(a.field[24], 100.0);
  // A one-layer soil continues downwards.
  const SoilRecord& b = table_.records[5];
  EXPECT_EQ(b.ksat(3), 3.0);
  EXPECT_EQ(b.thickness(2), 50.0);
  EXPECT_EQ(b.porosity(3), 0.42);
}

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
  };
  for (const Case& c : cases) {
    const std::string said = read(c.text, false);
    EXPECT_NE(said.find(error_line(c.line, c.what)), std::string::npos) << said;
  }
}

TEST_F(SoilLayerFile, EmptyFileAndMissingFile) {
  std::string said = read("", false);
  EXPECT_NE(said.find("Error: soil layer input file " + path_ + ": no COLUMNS line\n"),
            std::string::npos);
  said = read(kHeader, false);
  EXPECT_NE(said.find(": no SOIL block\n"), std::string::npos);
  error_code() = ErrorCode{};
  EXPECT_FALSE(read_soil_layer_file(path_ + ".absent", table_));
  EXPECT_EQ(error_code().code, 4);
  EXPECT_EQ(error_code().what, "soil layer input");
  EXPECT_EQ(error_code().file, path_ + ".absent");
}

// Truncations and garbage never crash, and either read or fail with a message.
TEST_F(SoilLayerFile, TruncatedAndGarbageFilesFailCleanly) {
  const std::string good =
      std::string(kHeader) + "SOIL 1 2\n30 1 11 0.4 0.2 0\n40 1 11 0.4 0.2 0\n";
  for (std::size_t cut = 0; cut < good.size(); ++cut) {
    error_code() = ErrorCode{};
    const std::string text = good.substr(0, cut);
    {
      std::ofstream out(path_, std::ios::binary);
      out << text;
    }
    ::testing::internal::CaptureStdout();
    const bool ok = read_soil_layer_file(path_, table_);
    const std::string said = ::testing::internal::GetCapturedStdout();
    if (!ok) {
      EXPECT_EQ(error_code().code, 4000) << cut;
      EXPECT_NE(said.find("Error: soil layer input file"), std::string::npos) << cut;
    }
  }
  unsigned seed = 12345;
  for (int trial = 0; trial < 50; ++trial) {
    std::string text = good;
    for (int k = 0; k < 8; ++k) {
      seed = seed * 1103515245u + 12345u;
      text[(seed >> 8) % text.size()] = static_cast<char>((seed >> 16) & 0xff);
    }
    error_code() = ErrorCode{};
    {
      std::ofstream out(path_, std::ios::binary);
      out << text;
    }
    ::testing::internal::CaptureStdout();
    const bool ok = read_soil_layer_file(path_, table_);
    ::testing::internal::GetCapturedStdout();
    EXPECT_TRUE(ok || error_code().code == 4000) << trial;
  }
  // A long line and a value that overflows.
  std::string said = read(
      std::string(kHeader) + "SOIL 1 1\n30 1 11 0.4 0.2 " + std::string(30000, '0') + "\n", false);
  EXPECT_NE(said.find("the line is longer than 20000 characters"), std::string::npos);
  said = read(std::string(kHeader) + "SOIL 1 1\n1e999 1 11 0.4 0.2 0\n", false);
  EXPECT_NE(said.find("field \"thickness\" = \"1e999\" is not a number"), std::string::npos);
}

}  // namespace
}  // namespace torva
