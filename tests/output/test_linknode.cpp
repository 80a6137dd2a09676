// Link/node stream files: header, block layout and the link-kind rules.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "output/linknode.hpp"

namespace torva {
namespace {

// The header of every kind; ten-second steps every thirty steps make five-minute frames.
TEST(LinkNode, HeaderLines) {
  EXPECT_EQ(linknode_time_step(30, 10.0), 5);
  EXPECT_EQ(linknode_time_step(10, 30.0), 5);
  std::string t;
  append_linknode_header(t, LinkNodeKind::depth, 3, 5, 120, CalendarTime{2026, 6, 1, 9, 5, 0});
  EXPECT_EQ(t,
            "TORVA_LINKNODE_STREAM_DEPTH\n"
            "NUM_LINKS     3\n"
            "TIME_STEP     5\n"
            "NUM_TS        24\n"
            "START_TIME     1  6 2026  9  5  0\n");
  std::string sub_minute;
  append_linknode_header(sub_minute, LinkNodeKind::flow, 1, 0, 120, CalendarTime{});
  EXPECT_NE(sub_minute.find("NUM_TS        0\n"), std::string::npos);
  for (auto [kind, word] : {std::pair{LinkNodeKind::flow, "STREAM_FLOW"},
                            {LinkNodeKind::stage, "STREAM_STAGE"},
                            {LinkNodeKind::velocity, "STREAM_VELOCITY"},
                            {LinkNodeKind::flood, "FLOOD_STREAM_DEPTH"},
                            {LinkNodeKind::sed_flux, "STREAM_SED_FLUX"}}) {
    EXPECT_EQ(linknode_header_line(kind), "TORVA_LINKNODE_" + std::string(word) + "\n");
  }
}

std::vector<LinkNodeLink> network() {
  return {
      {4, 5, {0.1, 0.2, 0.3, 0.4}},  // trapezoid: 5 points, 4 computational nodes
      {32, 0, {2.5}},                // lake
      {64, 0, {1.25}},               // structure
      {0, 0, {}},                    // neither
  };
}

TEST(LinkNode, BlockLayoutByLinkKind) {
  std::string depth;
  append_linknode_block(depth, LinkNodeKind::depth, 0, network());
  EXPECT_EQ(depth,
            "TS    0\n"
            "5   1  0.10000   1  0.20000   1  0.30000   1  0.40000   0  -999.999   \n"
            "-1 2.50000   \n"
            "0  -999.999   \n"
            "\n"
            "\n");
  std::string flow;
  append_linknode_block(flow, LinkNodeKind::flow, 7, network());
  EXPECT_NE(flow.find("TS    7\n"), std::string::npos);
  EXPECT_NE(flow.find("\n0  -999.999   \n-2  1.25000   \n\n\n"), std::string::npos);

  // The flood snapshot: lakes have no value, structures their node 1.
  std::string flood;
  append_linknode_block(flood, LinkNodeKind::flood, 0, network());
  EXPECT_NE(flood.find("\n0  -999.999   \n-2  1.25000   \n"), std::string::npos);
}

TEST(LinkNode, VelocityIsFlowOverAreaAndNoneWhenDry) {
  for (double dry : {1e-7, 0.0}) EXPECT_EQ(node_velocity(0.3, dry), 0.0);
  EXPECT_DOUBLE_EQ(node_velocity(0.3, 0.6), 0.5);
}

}  // namespace
}  // namespace torva
