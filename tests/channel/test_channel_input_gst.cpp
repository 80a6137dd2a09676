#include <gtest/gtest.h>

#include "chan_test_util.hpp"
#include "channel/channel_input.hpp"
#include "channel/channel_setup.hpp"

namespace torva {
namespace {

class GridStream : public test::ChannelTest {
 protected:
  void SetUp() override {
    ChannelTest::SetUp();
    test::make_network(ch_, 2, 3, kLinkTrapezoid);
  }
  bool read_gst(const std::string& text) {
    write("net.gst", text);
    testing::internal::CaptureStdout();
    const bool ok = read_grid_stream(ch_, "net.gst");
    out_ = testing::internal::GetCapturedStdout();
    return ok;
  }
  ChannelState ch_;
  std::string out_;
};

TEST_F(GridStream, CellsAndTheirNodes) {
  ASSERT_TRUE(
      read_gst("GRIDSTREAMFILE\nSTREAMCELLS 2\nCELLIJ 1 2\nNUMNODES 2\n"
               "LINKNODE 1 1 60\nLINKNODE 1 2 40\nCELLIJ 2 2\nNUMNODES 1\n"
               "LINKNODE 2 3 100\n"))
      << out_;
  EXPECT_EQ(out_,
            "Finished reading non-orthogonal channel information from gst file.\n"
            "Setting up the grid-stream data... done.\n");
  EXPECT_EQ(ch_.num_stream_cells, 2);
  EXPECT_EQ(ch_.max_gst_nodes, 2);
  EXPECT_EQ(ch_.gst_gnum[1], 2);
  EXPECT_EQ(ch_.gst_node(1, 2), 2);
  EXPECT_DOUBLE_EQ(ch_.gst_pct(1, 1), 60.0);
  EXPECT_EQ(ch_.gst_link(2, 1), 2);
  EXPECT_EQ(ch_.gst_row[2], 2);
}

TEST_F(GridStream, FormatFaults) {
  EXPECT_FALSE(read_gst("GRIDSTREAMFILE\nCELLS 2\n"));
  EXPECT_EQ(out_,
            "The second card in the grid-stream file must be STREAMCELLS\n"
            "File format error, program terminating.\n"
            "  (grid-stream file net.gst, line 2)\n");
  EXPECT_EQ(error_code().code, 4000);
  EXPECT_FALSE(read_gst("GRIDSTREAMFILE\nSTREAMCELLS 0\n"));
  EXPECT_NE(out_.find("The number of STREAMCELLS in the grid-stream (.gst) file\n"
                      "must be greater than 0.  File format error, program terminating\n"),
            std::string::npos);
  EXPECT_FALSE(read_gst("gridstreamfile\nSTREAMCELLS 1\n"));  // case-sensitive magic
  EXPECT_FALSE(read_gst("GRIDSTREAMFILE\nSTREAMCELLS 1\nCELLIJ 1 1\nNUMNODES 1\nLINKNODE 3 1 5\n"));
  EXPECT_NE(out_.find("link 3 node 1 of the grid-stream file is not a node"), std::string::npos);
  EXPECT_FALSE(read_gst("GRIDSTREAMFILE\nSTREAMCELLS 2\nCELLIJ 1 1\nNUMNODES 1\nLINKNODE 1 1 5\n"));
  EXPECT_NE(out_.find("stream cell 2 of the grid-stream file must begin with a CELLIJ card"),
            std::string::npos);
}

TEST_F(GridStream, ErosionNeedsAnErodibleTrapezoid) {
  write("chan.txt",
        "TORVA_CHAN\nALPHA 1\nBETA 1\nTHETA 1\nLINKS 1\nMAXNODES 2\nCONNECT 1 0 0\n"
        "LINK 1\nDX 10\nNODES 2\nMANNINGS_N 0.05\nTRAPEZOID\nNODE 1\nELEV 3\nXSEC\n"
        "BOTTOM_WIDTH 2\nNODE 2\nELEV 2\n");
  ChanReadOptions opt;
  opt.summary = false;
  opt.overland_erosion = true;
  ChannelState ch;
  testing::internal::CaptureStderr();
  EXPECT_FALSE(read_chan_input(ch, "chan.txt", opt));
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "\nYou have selected overland erosion with channel routing.  The channel\n"
            "input file does not contain any erodable trapezoidal links (linktype 30).\n"
            "You must edit all link types and convert them to erodable trapezoidal\n"
            "links.  At present TORVA only performs sediment routing in erodable\n"
            "trapezoidal channels.  TORVA exiting.\n\n");
  EXPECT_EQ(error_code().code, 4000);
}

}  // namespace
}  // namespace torva
