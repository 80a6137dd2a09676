#include <gtest/gtest.h>

#include "chan_test_util.hpp"
#include "channel/chan_hotstart.hpp"
#include "channel/channel_setup.hpp"

namespace torva {
namespace {

class ChanHotstart : public test::ChannelTest {
 protected:
  void SetUp() override {
    ChannelTest::SetUp();
    test::make_network(ch_, 2, 3, kLinkTrapezoid);
    ch_.linktype[2] = kLinkStructure;
    ch_.nodes[2] = 2;
    for (int k = 1; k <= 3; ++k) {
      ch_.bel(k, 1) = 10.0 - k;
      ch_.yp(k, 1) = ch_.bel(k, 1);
    }
  }
  ChannelState ch_;
};

TEST_F(ChanHotstart, DepthRecordsSkipOutsideNodes) {
  write("hot.txt", "1 1 0.5 2.0\n3 1 0 0\n9 1 4 4\n1 7 4 4\n\n2 1 1e-17 0.25\n");
  ASSERT_TRUE(read_chan_hotstart_depths(ch_, "hot.txt"));
  EXPECT_DOUBLE_EQ(ch_.chan_depth(1, 1), 0.5);
  EXPECT_DOUBLE_EQ(ch_.yp(1, 1), 9.5);
  EXPECT_DOUBLE_EQ(ch_.qp(1, 1), 2.0);
  EXPECT_DOUBLE_EQ(ch_.qp(2, 1), 0.25);
  EXPECT_TRUE(ch_.wet);

  ChannelState dry;
  test::make_network(dry, 1, 2, kLinkTrapezoid);
  write("dry.txt", "1 1 1e-17 0\n");
  ASSERT_TRUE(read_chan_hotstart_depths(dry, "dry.txt"));
  EXPECT_FALSE(dry.wet);  // 1e-17 is not above 1e-16
}

TEST_F(ChanHotstart, GarbageAndMissingFiles) {
  write("bad.txt", "1 1 0.5 2.0\n1 one 0.5\n");
  testing::internal::CaptureStdout();
  EXPECT_FALSE(read_chan_hotstart_depths(ch_, "bad.txt"));
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Error: unreadable record in the channel hotstart file bad.txt, line 2.\n");
  EXPECT_EQ(error_code().code, 4000);
  clear_error();
  testing::internal::CaptureStdout();
  EXPECT_FALSE(read_chan_hotstart_wse(ch_, "none.txt"));
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Can't open channel hotstart file named none.txt\n");
  EXPECT_EQ(error_code().code, 4000);
}

TEST_F(ChanHotstart, WriterFormatsAndRoundTrip) {
  ch_.yp(1, 1) = 9.75;
  ch_.yp(2, 1) = 8.25;
  ch_.qp(1, 1) = 1.5;
  ASSERT_TRUE(write_chan_hotstart(ch_, "wse.out", "q.out"));
  // The structure link is left out.
  EXPECT_EQ(read("wse.out"), "1 1 9.750000 \n2 1 8.250000 \n3 1 7.000000 \n");
  EXPECT_EQ(read("q.out"), "1 1 1.500000\n2 1 0.000000\n3 1 0.000000\n");

  ChannelState back;
  test::make_network(back, 2, 3, kLinkTrapezoid);
  back.linktype[2] = kLinkStructure;
  for (int k = 1; k <= 3; ++k) back.bel(k, 1) = 10.0 - k;
  back.bel(3, 1) = 7.5;  // above the stored surface: starts dry on its bed
  ASSERT_TRUE(read_chan_hotstart_wse(back, "wse.out"));
  EXPECT_DOUBLE_EQ(back.chan_depth(1, 1), 0.75);
  EXPECT_DOUBLE_EQ(back.yp(2, 1), 8.25);
  EXPECT_DOUBLE_EQ(back.chan_depth(3, 1), 0.0);
  EXPECT_DOUBLE_EQ(back.yp(3, 1), 7.5);
  EXPECT_TRUE(back.wet);
}

TEST_F(ChanHotstart, ShortWaterSurfaceFile) {
  write("short.txt", "1 1 9.5 0.2\n2 1 8.5\n");
  testing::internal::CaptureStdout();
  EXPECT_FALSE(read_chan_hotstart_wse(ch_, "short.txt"));
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Error: the channel hotstart file short.txt ends before node 3 of link 1.\n");
}

TEST_F(ChanHotstart, SetupTakesInitialVolumeFromHotStart) {
  write("chan.txt",
        "TORVA_CHAN\nALPHA 1\nBETA 1\nTHETA 1\nLINKS 1\nMAXNODES 3\nCONNECT 1 0 0\n"
        "LINK 1\nDX 10\nNODES 3\nMANNINGS_N 0.05\nTRAPEZOID\nNODE 1\nELEV 3\nXSEC\n"
        "BOTTOM_WIDTH 2\nSIDE_SLOPE 0\nNODE 2\nELEV 2\nNODE 3\nELEV 1\n");
  write("hot.txt", "1 1 0.5 0\n2 1 1.0 0\n");
  ChannelSetupInput in;
  in.channel_file = "chan.txt";
  in.hotstart_file = "hot.txt";
  in.hotstart_is_depth = true;
  in.read.summary = false;
  ChannelState ch;
  GridState g;
  double volume = 0.0;
  testing::internal::CaptureStdout();
  const bool ok = setup_channels(ch, in, g, volume);
  const std::string out = testing::internal::GetCapturedStdout();
  ASSERT_TRUE(ok) << out;
  // Rectangles 2 m wide, 10 m apart: (0.5 + 1.0) * 2 * 10.
  EXPECT_DOUBLE_EQ(volume, 30.0);
  EXPECT_DOUBLE_EQ(ch.area(2, 1), 2.0);
  EXPECT_GT(ch.conv(2, 1), 0.0);
  EXPECT_DOUBLE_EQ(channel_volume(ch), volume);
}

}  // namespace
}  // namespace torva

#include "channel/channel_stages.hpp"
#include "model/model_state.hpp"

namespace torva {
namespace {

TEST_F(ChanHotstart, StageWiresCardsSeriesAndLedger) {
  write("chan.txt",
        "TORVA_CHAN\nALPHA 1\nBETA 1\nTHETA 1\nLINKS 2\nMAXNODES 3\nCONNECT 1 2 0\n"
        "CONNECT 2 0 1 1\nLINK 1\nSTRUCTURE\nNUMSTRUCTS 1\nSTRUCTTYPE scheduled_release rel\n"
        "LINK 2\nDX 10\nNODES 3\nMANNINGS_N 0.05\nTRAPEZOID\nNODE 1\nELEV 3\nXSEC\n"
        "BOTTOM_WIDTH 2\nNODE 2\nELEV 2\nPOINTSOURCE inflow\nNODE 3\nELEV 1\n");
  write("wse.txt", "1 2 3.0\n2 2 1.5 0.0\n");
  ModelState s;
  s.run.channel_method = ChannelMethod::diffusive_wave;
  s.settings.channel.channel_input = "chan.txt";
  s.settings.channel.channel_input_given = true;
  s.settings.channel.read_chan_hotstart = "wse.txt";
  s.settings.channel.read_chan_hotstart_given = true;
  s.series.time_series.resize(2);
  s.series.time_series[0].name = "inflow_a";
  s.series.time_series[1].name = "release";
  s.ledger.initial_channel = 1.0;
  testing::internal::CaptureStdout();
  stage_load_channels(s);
  const std::string out = testing::internal::GetCapturedStdout();
  ASSERT_EQ(error_code().code, 0) << out;
  EXPECT_EQ(std::get<ScheduledRelease>(s.channel.structs[1].record).time_series,
            2);  // "rel" matches "release" by its length
  EXPECT_EQ(s.channel.point_source(2, 2), 1);
  // Bed 2.5 and 1.5: depth 0.5 at node 1, 0 at node 2; rectangle 2 m wide, DX 10.
  EXPECT_DOUBLE_EQ(s.channel.area(1, 2), 1.0);
  EXPECT_DOUBLE_EQ(s.ledger.initial_channel, 1.0 + 10.0);
  EXPECT_TRUE(s.channel.wet);
}

}  // namespace
}  // namespace torva
