// Truncated, garbled and inconsistent channel files: each must either read or stop with a
// code, never crash or read out of bounds (run under the sanitizers to see the latter).
#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <vector>

#include "chan_test_util.hpp"
#include "channel/channel_setup.hpp"

namespace torva {
namespace {

const char* const kRich =
    "TORVA_CHAN\nALPHA 1\nBETA 1\nTHETA 1\nLINKS 4\nMAXNODES 4\n"
    "CONNECT 1 3 0\nCONNECT 2 3 0\nCONNECT 3 4 2 1 2\nCONNECT 4 0 1 3\n"
    "LINK 1\nDX 10\nNODES 3\nMANNINGS_N 0.04\nBREAKPOINT\n"
    "NODE 1\nX_Y 5 5\nELEV 10\nNPAIRS 3\nNUM_INTERP 4\nX1 0 2\nX1 1 0\nX1 2 2\n"
    "NODE 2\nELEV 9\nNODE 3\nELEV 8\nNPAIRS 4\nNUM_INTERP 4\nX1 0 2\nX1 1 0\nX1 3 0\nX1 4 2\n"
    "POINTSOURCE q\n"
    "LINK 2\nLAKE\nMLAKE 1\nMINWSE 1\nINITWSE 9\nMAXWSE 12\nNUMPTS 2\n1 1 1 2\n"
    "LINK 3\nSTRUCTURE\nNUMSTRUCTS 2\nSTRUCTTYPE weir\nCREST_LENGTH 3\nCREST_LOW_ELEV 7\n"
    "STRUCTTYPE rect_culvert\nLENGTH 5\nWIDTH 1\nHEIGHT 1\nUPINVERT 6\n"
    "LINK 4\nDX 20\nNODES 4\nMANNINGS_N 0.05\nTRAP_ERODE\nK_RIVER 0.1\nM_RIVER 1\n"
    "NODE 1\nELEV 6\nXSEC\nBOTTOM_WIDTH 3\nBANKFULL_DEPTH 1\nSIDE_SLOPE 2\nMAX_EROSION 0.5\n"
    "NODE 2\nELEV 5\nPUMPTO 1 2 TS q\nNODE 3\nELEV 4\nNODE 4\nELEV 3\n";

class ChannelFuzz : public test::ChannelTest {
 protected:
  void SetUp() override {
    ChannelTest::SetUp();
    g_.rows = 2;
    g_.cols = 2;
    g_.dx = 10.0;
    g_.north = 20.0;
    g_.ncells = 4;
    g_.mask.allocate(4, 4);
    g_.elevation.allocate(4);
    for (int r = 1; r <= 2; ++r)
      for (int c = 1; c <= 2; ++c) g_.mask(r, c) = (r - 1) * 2 + c;
    for (int c = 1; c <= 4; ++c) g_.elevation[c] = 8.0;
  }
  // True when the file read; otherwise a code must stand.
  bool run(const std::string& text) {
    write("fuzz.txt", text);
    ChannelSetupInput in;
    in.channel_file = "fuzz.txt";
    in.read.grid = &g_;
    in.read.summary = false;
    in.read.find_time_series = [](std::string_view n) { return n == "q" ? 1 : 0; };
    ChannelState ch;
    double v = 0.0;
    clear_error();
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const bool ok = setup_channels(ch, in, g_, v);
    testing::internal::GetCapturedStdout();
    testing::internal::GetCapturedStderr();
    if (!ok) {
      EXPECT_GT(error_code().code, 0) << text;
    }
    return ok;
  }
  GridState g_;
};

TEST_F(ChannelFuzz, RichFileReads) {
  ASSERT_TRUE(run(kRich));
  write("fuzz.txt", kRich);
  ChannelSetupInput in;
  in.channel_file = "fuzz.txt";
  in.read.grid = &g_;
  in.read.summary = false;
  ChannelState ch;
  double v = 0.0;
  testing::internal::CaptureStdout();
  ASSERT_TRUE(setup_channels(ch, in, g_, v));
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(ch.num_bp, 1);
  EXPECT_EQ(ch.node_table(1, 1), 1);
  EXPECT_EQ(ch.node_table(2, 1), 3);  // between the table nodes 1 and 3: interpolated
  EXPECT_EQ(ch.lakes[1].flooded_cells, 2);
  EXPECT_DOUBLE_EQ(ch.Krb(2, 4), 0.1);
  EXPECT_DOUBLE_EQ(ch.max_eros(4, 4), 0.5);
}

TEST_F(ChannelFuzz, EveryTruncation) {
  const std::string rich = kRich;
  for (std::size_t n = 0; n < rich.size(); n += 3) run(rich.substr(0, n));
}

TEST_F(ChannelFuzz, GarbledTokens) {
  std::istringstream in(kRich);
  std::string line;
  std::vector<std::string> lines;
  while (std::getline(in, line)) lines.push_back(line);
  const char* junk[] = {"-1", "0", "999999999", "1e308", "nan", "x", "\"", "-7", "3"};
  std::mt19937 rng(12345);
  for (int trial = 0; trial < 300; ++trial) {
    std::vector<std::string> l = lines;
    for (int m = 0; m < 3; ++m) {
      std::string& s = l[rng() % l.size()];
      const std::size_t sp = s.rfind(' ');
      const std::string j = junk[rng() % std::size(junk)];
      s = (sp == std::string::npos || rng() % 4 == 0) ? j : s.substr(0, sp + 1) + j;
    }
    if (trial % 5 == 0) l.erase(l.begin() + static_cast<long>(rng() % l.size()));
    std::string text;
    for (const std::string& s : l) text += s + "\n";
    run(text);
  }
}

}  // namespace
}  // namespace torva
