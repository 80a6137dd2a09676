// The stream mapping table on the channel network: the start-up check, the roughness it gives
// the links (also inside break-point conveyance tables) and its faults.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "channel/channel_input.hpp"
#include "frame/report.hpp"
#include "support/project_run.hpp"

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

// Break-point link 1 (two computational nodes, a V section) drains into trapezoidal link 2
// (four).  The stream index map therefore lists 2 + 4 IDs on lines 3 to 8.
const char* const kNetwork =
    "TORVA_CHAN\nALPHA 1\nBETA 1\nTHETA 1\nLINKS 2\nMAXNODES 5\nCONNECT 1 2 0\nCONNECT 2 0 1 1\n"
    "LINK 1\nDX 10\nNODES 3\nMANNINGS_N 0.04\nBREAKPOINT\nNODE 1\nELEV 10\nNPAIRS 3\n"
    "NUM_INTERP 2\nX1 0 2\nX1 1 0\nX1 2 2\nNODE 2\nELEV 9\nNODE 3\nELEV 8\n"
    "LINK 2\nDX 10\nNODES 5\nMANNINGS_N 0.05\nTRAPEZOID\nNODE 1\nELEV 8\nXSEC\nBOTTOM_WIDTH 2\n"
    "BANKFULL_DEPTH 1\nSIDE_SLOPE 1\nNODE 2\nELEV 7.5\nNODE 3\nELEV 7\nNODE 4\nELEV 6.5\n"
    "NODE 5\nELEV 6\n";

const char* const kMap = "STREAM_MAP\nNLINKS 2\n1\n1\n2\n2\n2\n2\n";

class StreamTables : public support::ScratchTest<> {
 protected:
  // Reads the network with `table` as st.cmt ("": none.cmt, absent) and `map` as st.map.
  bool read(const std::string& table, const std::string& map) {
    write("chan.txt", kNetwork);
    if (!table.empty()) write("st.cmt", table);
    write("st.map", map);
    ChanReadOptions opt;
    opt.stream_table = table.empty() ? "none.cmt" : "st.cmt";
    ch_ = ChannelState{};
    ::testing::internal::CaptureStdout();
    const bool ok = read_chan_input(ch_, "chan.txt", opt);
    out_ = ::testing::internal::GetCapturedStdout();
    return ok;
  }
  ChannelState ch_;
  std::string out_;
};

TEST_F(StreamTables, RoughnessReachesLinksAndBreakpointConveyance) {
  ASSERT_TRUE(read(roughness_table(kTwoRows), kMap)) << out_;
  // The check follows the channel summary and comes before the break-point tables.
  EXPECT_TRUE(support::has(out_,
                           "  number of groundwater links:           0\n"
                           "\nChecking stream mapping table file...\n"
                           "  Roughness..........................Y\n"
                           "  NSM Nitrogen.......................N\n"
                           "  NSM Phosphorus.....................N\n"
                           "  NSM Carbon.........................N\n"
                           "  NSM Other..........................N\n"
                           "  Dispersion.........................N\n"
                           "Reading and interpolating break-point cross-sections ."))
      << out_;
  EXPECT_DOUBLE_EQ(ch_.inv_n[1], 50.0);
  EXPECT_DOUBLE_EQ(ch_.inv_n[2], 10.0);
  // V section at level 1: area 0.5, wetted perimeter 2 sqrt(1.25); K = A R^(2/3) / n.
  const double r = 0.5 / (2.0 * std::sqrt(1.25));
  EXPECT_NEAR(ch_.tables.t[1].xk[1], 0.5 * std::cbrt(r * r) / 0.02, 1e-12);
}

TEST_F(StreamTables, FaultsNameTheirFileAndLine) {
  struct Fault {
    const char* name;
    std::string table, map;
    int code;
    std::string says;    // the reader's own line, "" when the code's message is all
    std::string report;  // the message of `code`, "" for 4000
  };
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
    RunContext ctx;
    ContextScope scope(ctx);
    EXPECT_EQ(read(f.table, f.map), f.code == 0) << out_;
    EXPECT_EQ(error_code().code, f.code) << out_;
    EXPECT_TRUE(support::has(out_, f.says)) << out_;
    if (!f.report.empty()) {
      EXPECT_EQ(error_message(f.code, error_code()), f.report);
    }
    if (f.code == 0) {
      EXPECT_EQ(ch_.mannings_n[2], 0.05);  // the channel file's values stand
    }
  }
}

}  // namespace
}  // namespace torva
