// The stream mapping table on the channel network: the start-up check, the roughness it gives
// the links (also inside break-point conveyance tables and in routed flow) and its faults.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "chan_test_util.hpp"
#include "channel/channel_input.hpp"
#include "channel/channel_stages.hpp"
#include "frame/report.hpp"
#include "test_routing_stage.hpp"

namespace torva {
namespace {

// One table row in fixed columns: ID in 1-6, description in 7-86, values from 87.
std::string row(int id, const std::string& values) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%-6d", id);
  return buf + std::string(80, ' ') + values + "\n";
}

std::string roughness_table(const std::string& rows, const std::string& num_ids = "2") {
  return "TORVA_STREAM_INDEX_MAP_TABLES\nST_INDEX_MAP st.map Reaches\nROUGHNESS Reaches\nNUM_IDS " +
         num_ids + "\nID  DESCRIPTION  N\n" + rows;
}

const std::string kTwoRows = row(1, "0.02") + row(2, "0.1");

const char* const kCheckBlock =
    "\nChecking stream mapping table file...\n"
    "  Roughness..........................Y\n"
    "  NSM Nitrogen.......................N\n"
    "  NSM Phosphorus.....................N\n"
    "  NSM Carbon.........................N\n"
    "  NSM Other..........................N\n"
    "  Dispersion.........................N\n";

// Break-point link 1 (two computational nodes, a V section) drains into trapezoidal link 2
// (four).  The stream index map therefore lists 2 + 4 IDs on lines 3 to 8.
const char* const kNetwork =
    "TORVA_CHAN\nALPHA 1\nBETA 1\nTHETA 1\nLINKS 2\nMAXNODES 5\n"
    "CONNECT 1 2 0\nCONNECT 2 0 1 1\n"
    "LINK 1\nDX 10\nNODES 3\nMANNINGS_N 0.04\nBREAKPOINT\n"
    "NODE 1\nELEV 10\nNPAIRS 3\nNUM_INTERP 2\nX1 0 2\nX1 1 0\nX1 2 2\nNODE 2\nELEV 9\n"
    "NODE 3\nELEV 8\n"
    "LINK 2\nDX 10\nNODES 5\nMANNINGS_N 0.05\nTRAPEZOID\n"
    "NODE 1\nELEV 8\nXSEC\nBOTTOM_WIDTH 2\nBANKFULL_DEPTH 1\nSIDE_SLOPE 1\n"
    "NODE 2\nELEV 7.5\nNODE 3\nELEV 7\nNODE 4\nELEV 6.5\nNODE 5\nELEV 6\n";

const char* const kMap = "STREAM_MAP\nNLINKS 2\n1\n1\n2\n2\n2\n2\n";

class StreamTables : public test::ChannelTest {
 protected:
  bool read(const std::string& table, const std::string& map) {
    write("chan.txt", kNetwork);
    write("st.cmt", table);
    write("st.map", map);
    ChanReadOptions opt;
    opt.stream_table = "st.cmt";
    testing::internal::CaptureStdout();
    const bool ok = read_chan_input(ch_, "chan.txt", opt);
    out_ = testing::internal::GetCapturedStdout();
    return ok;
  }
  ChannelState ch_;
  std::string out_;
};

TEST_F(StreamTables, RoughnessReachesLinksAndBreakpointConveyance) {
  ASSERT_TRUE(read(roughness_table(kTwoRows), kMap)) << out_;
  // The check follows the channel summary and comes before the break-point tables.
  EXPECT_NE(out_.find(std::string("  number of groundwater links:           0\n") + kCheckBlock +
                      "Reading and interpolating break-point cross-sections ."),
            std::string::npos)
      << out_;
  EXPECT_EQ(ch_.mannings_n[1], 0.02);
  EXPECT_EQ(ch_.mannings_n[2], 0.1);
  EXPECT_DOUBLE_EQ(ch_.inv_n[1], 50.0);
  EXPECT_DOUBLE_EQ(ch_.inv_n[2], 10.0);
  // V section at level 1: area 0.5, wetted perimeter 2 sqrt(1.25); K = A R^(2/3) / n.
  const double r = 0.5 / (2.0 * std::sqrt(1.25));
  EXPECT_NEAR(ch_.tables.t[1].xk[1], 0.5 * std::cbrt(r * r) / 0.02, 1e-12);
}

struct Fault {
  const char* name;
  std::string table;
  std::string map;
  int code;
  std::string says;    // the reader's own line, "" when the code's message is all
  std::string report;  // the message of `code`, "" for 4000
};

TEST_F(StreamTables, FaultsNameTheirFileAndLine) {
  const Fault faults[] = {
      {"no roughness table", "TORVA_STREAM_INDEX_MAP_TABLES\nST_INDEX_MAP st.map Reaches\n", kMap,
       0, "", ""},
      {"table file missing", "", kMap, 64, "", "Unable to open Mapping Table file: none.cmt\n"},
      {"no rows", roughness_table("", "0"), kMap, 66, "",
       "Problem reading mapping table file -- no entries found in table ROUGHNESS (Stream) "
       "(NUM_IDS is 0)\n"},
      {"row without value", roughness_table(row(1, "0.02") + "2     short\n"), kMap, 4000,
       "Error: a value from character 87 on is missing in table ROUGHNESS (Stream) of mapping "
       "table file st.cmt, line 7\n",
       ""},
      {"map header", roughness_table(kTwoRows), "STREAMMAP\nNLINKS 2\n", 116, "",
       "Stream map file does not use correct header (file: st.map)\n"},
      {"map link count", roughness_table(kTwoRows), "STREAM_MAP\nNLINKS 3\n1\n", 117, "",
       "NLINKS or MAXNODES card in stream map file does not match channel input file (file: "
       "st.map)\n"},
      {"map too short", roughness_table(kTwoRows), "STREAM_MAP\nNLINKS 2\n1\n1\n2\n2\n2\n", 118, "",
       "Error reading data from stream map file. Check to make sure that the correct number of "
       "\ndata points exist for each link. (file: st.map)\n"},
      {"ID above the table", roughness_table(kTwoRows), "STREAM_MAP\nNLINKS 2\n1\n1\n2\n7\n2\n2\n",
       4000,
       "Error: stream index map st.map gives node 2 of link 2 the ID 7, outside the table's 1..2 "
       "(line 6)\n",
       ""},
      {"ID without a row", roughness_table(row(1, "0.02") + row(3, "0.1")),
       "STREAM_MAP\nNLINKS 2\n1\n1\n3\n3\n2\n3\n", 94,
       "Error: stream mapping table st.cmt gives node 3 of link 2 a Manning's n of 0 (stream "
       "index map st.map, line 7)\n",
       "Error: 0.0 values for roughness found. Check the roughness map/table\n"},
      {"two values in one link", roughness_table(kTwoRows),
       "STREAM_MAP\nNLINKS 2\n1\n1\n2\n2\n2\n1\n", 4000,
       "Error: stream mapping table st.cmt gives link 2 a Manning's n of 0.1 at node 1 but 0.02 "
       "at node 4 (stream index map st.map, line 8); a channel link has one roughness\n",
       ""},
  };
  for (const Fault& f : faults) {
    SCOPED_TRACE(f.name);
    clear_error();
    ch_ = ChannelState{};
    std::string table = f.table;
    if (table.empty()) {
      write("chan.txt", kNetwork);
      ChanReadOptions opt;
      opt.stream_table = "none.cmt";
      testing::internal::CaptureStdout();
      EXPECT_FALSE(read_chan_input(ch_, "chan.txt", opt));
      out_ = testing::internal::GetCapturedStdout();
    } else {
      EXPECT_EQ(read(table, f.map), f.code == 0) << out_;
    }
    EXPECT_EQ(error_code().code, f.code) << out_;
    if (!f.says.empty()) {
      EXPECT_NE(out_.find(f.says), std::string::npos) << out_;
    }
    if (!f.report.empty()) {
      EXPECT_EQ(error_message(f.code, error_code()), f.report);
    }
    if (f.code == 0) {
      EXPECT_EQ(ch_.mannings_n[1], 0.04);  // the channel file's values stand
      EXPECT_EQ(ch_.mannings_n[2], 0.05);
    }
  }
}

// Steady inflow into one prismatic trapezoidal link settles at Manning's normal depth
// Q = A R^(2/3) sqrt(S) / n, solved here by bisection for the roughness in force.
double normal_depth(double q, double n, double slope, double b, double z) {
  double lo = 0.0, hi = 10.0;
  for (int i = 0; i < 200; ++i) {
    const double d = 0.5 * (lo + hi);
    const double a = (b + z * d) * d;
    const double r = a / (b + 2.0 * d * std::sqrt(1.0 + z * z));
    (a * std::cbrt(r * r) * std::sqrt(slope) / n < q ? lo : hi) = d;
  }
  return 0.5 * (lo + hi);
}

struct SteadyCase {
  const char* name;
  bool table;
  double n;  // the roughness the routing must use
};

class StreamRoughnessRun : public test::RoutingStage,
                           public testing::WithParamInterface<SteadyCase> {};

TEST_P(StreamRoughnessRun, SteadyFlowTakesNormalDepthOfTheRoughnessInForce) {
  // Ten node points 50 m apart falling 0.5 m each: bed slope 0.01, nine computational nodes.
  std::string chan =
      "TORVA_CHAN\nALPHA 1\nBETA 1\nTHETA 1\nLINKS 1\nMAXNODES 10\nCONNECT 1 0 0\n"
      "LINK 1\nDX 50\nNODES 10\nMANNINGS_N 0.03\nTRAPEZOID\n";
  for (int k = 1; k <= 10; ++k) {
    chan += "NODE " + std::to_string(k) + "\nX_Y " + std::to_string(50 * (k - 1)) + " 25\nELEV " +
            std::to_string(100.0 - 0.5 * (k - 1)) + "\n";
    if (k == 1) chan += "XSEC\nBOTTOM_WIDTH 2\nBANKFULL_DEPTH 2\nSIDE_SLOPE 1\n";
  }
  ModelState s;
  set_up(s, chan);
  ChannelCards& c = s.settings.channel;
  c.chan_point_input_given = false;
  c.first_order_chan_q = 0.5;
  for (int cell = 1; cell <= 14; ++cell) s.overland.ov_depth[static_cast<std::size_t>(cell)] = 0.0;
  if (GetParam().table) {
    write("st.cmt", roughness_table(row(4, "0.06"), "1"));
    write("st.map", "STREAM_MAP\nNLINKS 1\n4\n4\n4\n4\n4\n4\n4\n4\n4\n");
    c.st_mapping_table = "st.cmt";
    c.st_mapping_table_given = true;
  }
  testing::internal::CaptureStdout();
  stage_load_channels(s);
  stage_channel_point_setup(s);
  const std::string out = testing::internal::GetCapturedStdout();
  ASSERT_EQ(error_code().code, 0) << out;
  EXPECT_EQ(s.channel.mannings_n[1], GetParam().n);
  for (int step = 1; step <= 480; ++step) {  // 4 hours
    s.clock.current_time = s.clock.start_time + step * s.clock.dt_days;
    stage_channel_routing(s);
    ASSERT_EQ(error_code().code, 0) << "step " << step;
  }
  const double d = normal_depth(0.5, GetParam().n, 0.01, 2.0, 1.0);
  for (int k = 1; k <= 9; ++k) EXPECT_NEAR(s.channel.chan_depth(k, 1), d, 1e-9) << "node " << k;
  EXPECT_NEAR(s.channel.qp(9, 1), 0.5, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Roughness, StreamRoughnessRun,
                         testing::Values(SteadyCase{"ChannelFile", false, 0.03},
                                         SteadyCase{"StreamTable", true, 0.06}),
                         [](const testing::TestParamInfo<SteadyCase>& i) { return i.param.name; });

}  // namespace
}  // namespace torva
