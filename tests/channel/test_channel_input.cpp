// The channel files: the channel network, its grid-stream, hot-start and point-source
// companions; what they give the network, their exact messages, damaged copies.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "channel/chan_hotstart.hpp"
#include "channel/channel_input.hpp"
#include "channel/channel_setup.hpp"
#include "channel/point_sources.hpp"
#include "channel_fixture.hpp"
#include "frame/report.hpp"
#include "support/project_run.hpp"
#include "support/reader_sweep.hpp"

namespace torva {
namespace {

using support::has;
using test::edit;
using test::roughness;

// Link 1 (`link1`, or five node points 10 m apart with ELEV 10..6) drains into link 2.
std::string two_links(const std::string& link1 = "") {
  return "TORVA_CHAN\nALPHA 1\nBETA 1\nTHETA 1\nLINKS 2\nMAXNODES 5\nCONNECT 1 2 0\n"
         "CONNECT 2 0 1 1\n" +
         (link1.empty() ? test::trap_link(1, 5, 10, 0, 10, 1, 0.04,
                                          "BOTTOM_WIDTH 2\nBANKFULL_DEPTH 1\nSIDE_SLOPE 1\n")
                        : link1) +
         "LINK 2\nDX 20\nNODES 3\nMANNINGS_N 0.05\nTRAPEZOID\nNODE 1\nELEV 6\nXSEC\n"
         "BOTTOM_WIDTH 3\nBANKFULL_DEPTH 1\nSIDE_SLOPE 2\nNODE 2\nELEV 5\nNODE 3\nELEV 4\n";
}
std::string structures(const std::string& elements, int count) {
  return two_links("LINK 1\nSTRUCTURE\nNUMSTRUCTS " + std::to_string(count) + "\n" + elements);
}
std::string breakpoint(const std::string& tables) {
  return two_links(
      "LINK 1\nDX 10\nNODES 3\nMANNINGS_N 0.04\nBREAKPOINT\nNODE 1\nELEV 10\n"
      "NODE 2\nELEV 9\nNODE 3\nELEV 8\n" +
      tables);
}

// A V section 2 m deep and wide on link 1's first node.
const std::string kV = "NODE 1\nNPAIRS 3\nNUM_INTERP 2\nX1 0 2\nX1 1 0\nX1 2 2\n";
// Every kind of link: break-point link 1 with two unequal tables and a pump, lake 2, structure link
// 3 with elements of each kind and one unknown, trapezoid 4 (lower-case cards, and a LINKS card
// that is not LINK) with point sources and a pump.
const std::string kRich =
    "TORVA_CHAN\nALPHA 1\nBETA 1\nTHETA 1\nLINKS 4\nMAXNODES 5\nCONNECT 1 3 0\nCONNECT 2 3 0\n"
    "CONNECT 3 4 2 1 2\nCONNECT 4 0 1 3\nLINK 1\nDX 10\nNODES 3\nMANNINGS_N 0.04\nBREAKPOINT\n"
    "NUMTABLES 2\nNODE 1\nX_Y 5 5\nELEV 10\nNPAIRS 3\nNUM_INTERP 2\nX1 0 2\nX1 1 0\nX1 2 2\nNODE "
    "2\n"
    "ELEV 9\nPUMPTO 4 3 ELEV curve\nNODE 3\nELEV 8\nNPAIRS 4\nNUM_INTERP 4\nX1 0 2\nX1 2 0\nX1 4 "
    "2\nX1 5 3\n"
    "LINK 2\nLAKE\nMLAKE 2.5\nMINWSE 9\nINITWSE 10.5\nMAXWSE 12\nNUMPTS 3\n1 1 1 2\n1 3\nLINK 3\n"
    "STRUCTURE\nNUMSTRUCTS 5\nSTRUCTTYPE weirX\nCREST_LENGTH 3\nCREST_LOW_ELEV 7\n"
    "STRUCTTYPE Round_Culvert\nLENGTH 5\nDIAMETER 1\nUPINVERT 6\nSTRUCTTYPE bridge\n"
    "STRUCTTYPE RATING_CURVE rc\nSTRUCTTYPE scheduled_release \"rel\"\nSTRUCTTYPE rule_curve rc\n"
    "link 4\nDX 10\nNODES 5\nMANNINGS_N 0.05\ntrapezoid\nLINKS 1\nNODE 1\nX_Y 25 "
    "5\nELEV 10\nXSEC\n"
    "BOTTOM_WIDTH 2\nBANKFULL_DEPTH 1\nSIDE_SLOPE 1\nNODE 2\nELEV 9\nNODE 3\nELEV 8\n"
    "POINTSOURCE inflow\nPUMPTO 4 2 ts inflow\nNODE 4\nELEV 7\nPOINTSOURCE unknown\nNODE 5\nELEV "
    "6\n";

class ChannelFiles : public test::ChannelStage {
 protected:
  // Reads `text` as chan.txt into ch_; the console output goes to said_.
  bool read_text(const std::string& text, ChanReadOptions opt = with_series()) {
    write("chan.txt", text);
    ch_ = ChannelState{};
    return said([&] { return read_chan_input(ch_, "chan.txt", opt); });
  }
  static ChanReadOptions with_series() {
    ChanReadOptions opt;
    opt.find_time_series = [](std::string_view n) {
      return n == "inflow" ? 1 : n == "rel" ? 5 : 0;
    };
    opt.find_elev_series = [](std::string_view n) { return n == "rc" ? 2 : n == "curve" ? 3 : 0; };
    return opt;
  }
  ChannelState ch_;
  GridState g_ = test::row_grid({10.0, 10.4995, 11.0}, 10.0);  // the lake floods one cell
};

TEST_F(ChannelFiles, EveryKindOfLinkAndTheSummary) {
  ChanReadOptions opt = with_series();
  opt.grid = &g_;
  ASSERT_TRUE(read_text(kRich, opt)) << said_;
  // The greater of the two interpolation counts: four levels of 0.5 m, 0.5 m^2 at 1 m.
  EXPECT_DOUBLE_EQ(ch_.tables.t[1].xarea[2], 0.5);
  // Node 2 takes a table midway between V sections 2 and 4 m wide, the second cut to 3 pairs.
  ASSERT_EQ(ch_.node_table(2, 1), 3);
  EXPECT_DOUBLE_EQ(ch_.tables.t[3].xtw[4], 3.0);
  EXPECT_TRUE(has(said_, "Disregarding the last 1 pairs of the second")) << said_;
  // The lake floods the cells of its search list more than 1 mm below its surface.
  EXPECT_DOUBLE_EQ(ch_.lakes[1].init_volume, 0.5 * 100.0);
  ASSERT_EQ(ch_.structs.size(), 6u);  // kinds by their prefix; "bridge" is none
  EXPECT_EQ(std::get<RuleCurve>(ch_.structs[5].record).elev_series, 2);
  EXPECT_EQ(ch_.point_source(4, 4), 0);  // an unknown series is no point source
  ASSERT_EQ(ch_.pumps.size(), 2u);
  EXPECT_EQ(ch_.pumps[0].series, 3);
  EXPECT_EQ(ch_.pumps[0].to_node, 3);
  EXPECT_EQ(ch_.pumps[1].kind, kPumpTs);
  EXPECT_EQ(ch_.pumps[1].to_node, 1);  // pumps from a plain trapezoid deliver at node 1
  EXPECT_TRUE(has(said_,
                  "\n\nChannel input data:\n  max. number of u.s. dependencies:      2\n"
                  "  number of trapezoidal links:           1\n"
                  "    num w/ subsurface attribute:           0\n"
                  "    num w/ erodible attribute:             0\n"
                  "  number of breakpoint links:            1\n"
                  "    num w/ subsurface attribute:           0\n"
                  "    num w/ erodible attribute:             0\n"
                  "    max number of xsec in any bp link:     2\n"
                  "    max number of xsec pairs:              4\n"
                  "  number of lake links:                  1\n"
                  "  number of hydraulic structure links:   1\n"
                  "    total no. of hydr. structure elements: 5\n"
                  "  number of groundwater links:           0\n"))
      << said_;
  EXPECT_TRUE(has(said_,
                  "Minimum Water Surface Elevation Lake #1: 9.00\n"
                  "Initial Water Surface Elevation Lake #1: 10.50\n"
                  "Maximum Water Surface Elevation Lake #1: 12.00\n"
                  "number of coords for lake #1's search order: 3\n"
                  "Simulating Lake Losses for Lake #1, Bed Thickness: 2.5 m\n"))
      << said_;
}

TEST_F(ChannelFiles, SetupWritesShortLinksAndBadThalwegs) {
  write("chan.txt", edit(two_links(), "NODES 3\n", "NODES 1\n"));
  const GridState g = test::row_grid({20, 20, 7, 20, 20}, 10.0);  // 3 below link 1's bed
  double volume = -1.0;
  ASSERT_TRUE(said([&] {
    return setup_channels(ch_, {"chan.txt", {}, "", false, ""}, g, volume);
  })) << said_;
  EXPECT_EQ(read("short_links.out"), "Links with 1 node:\n2\n");
  EXPECT_EQ(read("bad_thalweg.out"),
            "Problem    link    node    thalweg     cell    elev\n"
            "--> problem codes: 0=thalweg>cell elev, 1= difference <0.5, 2= difference<1.0, "
            "3=difference>3.5\n0        1       3   7.500000   3   7.000000\n");
  EXPECT_EQ(volume, 0.0);
}

TEST_F(ChannelFiles, PointSourceChanges) {
  write("points.txt",
        "channel point sources\nnumpt 2\nPOINT 3 1 0.5 comment words here\n"
        "POINTS 7 2 1.25\nNRPDS 2\nINPUT 99 6 1 12 30\n2.0 3.0\n"
        "INPUT 1999 6 1 13 00\n0.0 4.5\n");
  ChannelPointSources ps;
  ASSERT_TRUE(open_point_sources(ps, "points.txt", 3, 10));
  ASSERT_TRUE(advance_point_sources(ps, julian_date(1999, 6, 1, 12, 30, 0.0)));  // year 99: 1999
  EXPECT_EQ(ps.inflow[1], 3.0);
  // A step past the last change applies it.
  ASSERT_TRUE(advance_point_sources(ps, julian_date(1999, 6, 1, 14, 0, 0.0)));
  EXPECT_EQ(ps.inflow[1], 4.5);
}

// A stream table's roughness reaches the break-point conveyance: K = A R^(2/3) / n, with the
// V section's area 0.5 and wetted perimeter 2 sqrt(1.25) at level 1.
TEST_F(ChannelFiles, StreamTableRoughnessReachesBreakpointConveyance) {
  write("st.cmt", roughness({{1, "0.02"}, {2, "0.1"}}));
  write("st.map", "STREAM_MAP\nNLINKS 2\n1\n1\n2\n2\n");
  ChanReadOptions opt;
  opt.stream_table = "st.cmt";
  ASSERT_TRUE(read_text(breakpoint(kV), opt)) << said_;
  const double r = 0.5 / (2.0 * std::sqrt(1.25));
  EXPECT_NEAR(ch_.tables.t[1].xk[1], 0.5 * std::cbrt(r * r) / 0.02, 1e-12);
}

enum class Reader { chan, eroding, grid_stream, hot_depths, hot_surface, points, stream };

// Each bad file read by its reader (the grid-stream and hot-start files on the two-link
// network, the stream table on a break-point link and a trapezoid) stops with its code and its
// exact message, printed or the code's own.
TEST_F(ChannelFiles, BadFilesStopWithTheirMessages) {
  using enum Reader;
  const std::string base = two_links(), none = "(no file)",
                    at8 = "  (channel input file chan.txt, line 8)\n";
  const auto connect = [&](const std::string& card) {
    return edit(base, "CONNECT 2 0 1 1\n", card);
  };
  const auto bp = [](const std::string& tables) { return breakpoint("NODE 1\n" + tables); };
  const auto saw = [&](int teeth) {  // a section of `teeth` V notches side by side
    std::string t = "NPAIRS " + std::to_string(2 * teeth + 1) + "\nNUM_INTERP 4\nX1 0 2\n";
    for (int i = 1; i <= teeth; ++i)
      t += "X1 " + std::to_string(2 * i - 1) + " 0\nX1 " + std::to_string(2 * i) + " 2\n";
    return bp(t);
  };
  const std::string map = "STREAM_MAP\nNLINKS 2\n1\n1\n2\n2\n",
                    two = roughness({{1, "0.02"}, {2, "0.1"}});
  std::string twenty = "CONNECT 2 0 20", many;
  for (int k = 0; k < 20; ++k) twenty += " 1";
  for (int i = 0; i < 10005; ++i) many += i % 10 == 9 ? "x\n" : "x ";
  const struct {
    Reader reader;
    std::string text;
    int code;
    std::string message, map = "";
  } rows[] = {
      {chan, none, 4, "Error: Unable to open channel input file.\n  (File: none.txt"},
      {chan, "torva_chan\nALPHA 1\nBETA 1\nLINKS 2\nLINK 1\n", 4000,
       "Premature end-of-file in the channel input file.\nThe channel input file does not contain "
       "all the required parameter cards.\nThese include: ALPHA, BETA, THETA, DX, LINKS, and "
       "MAXNODES.\nRepair your channel input file and try again.  These cards must appear at\nThe "
       "beginning of the file before and COORD or LINK cards.\nProgram terminated in "
       "read_chan_input.\n"},
      {chan, connect(""), 4000,
       "Your channel input file contains 2 links, and 1 CONNECT cards\n"
       "These two numbers must be equal.  Therefore, you have a major \n"},
      {chan, connect("CONNECT 3 0 0\n"), 4000, "Error: link number 3 is outside 1..2.\n" + at8},
      {chan, connect("CONNECT 2 7 0\n"), 4000,
       "Error: downstream link 7 of link 2 is outside 0..2.\n" + at8},
      {chan, connect("CONNECT 2 0 1 -4\n"), 4000, "Error: link number -4 is outside 1..2.\n" + at8},
      {chan, connect("CONNECT 2 0 -1\n"), 4000,
       "Error: link 2 has a negative number of upstream links.\n" + at8},
      {chan, connect(twenty + "\n"), 0, ""},
      {chan, "SOMETHING ELSE\nLINKS 2\n", 0, ""},  // no network, and no fault
      {chan, connect("CONNECT 2 0 21 1\n"), 4000,
       "Whoa there pardner!  You mean to tell me that you have more than 20\n"},
      {chan, edit(base, "MANNINGS_N 0.05", "MANNINGS_N 1e-9"), 4000,
       "Error encountered when reading the channel input file, link 2:\n    Manning's Roughness is "
       "0.000\n"},
      {chan, edit(base, "MANNINGS_N 0.05", "MANNINGS_N nan"), 4000,
       "link 2:\n    Manning's Roughness is 0.000\n"},
      {chan, edit(base, "XSEC\nBOTTOM_WIDTH 3", "BOTTOM_WIDTH 3"), 4000,
       "Error: Cross section parameters not found for link 2.\n"},
      {chan, edit(base, "ELEV 8\n", "ELEV 8\nPUMPTO 2 3 FLOW x\n"), 4000,
       "\n\nError in the channel input file: Flow type for pump is incorrectly\n"
       "defined for link 1. Must be ELEV or TS.\n"},
      {chan, edit(base, "DX 20", "DX 0.00001"), 4000,
       "\nYour channel node spacing is 0.000010 in link 2\n"
       "You must specify a realistic value.  Program terminated.\n"},
      {chan, structures("STRUCTTYPE weir\nSTRUCTTYPE dam\n", 2), 4000,
       "\nThe sum of NUMSTRUCTS arguments is 2, while the total number\nof hydraulic structure "
       "element cards (e.g. WEIR, ROUND_CULVERT,\netc.) is 1.  This inconstency is intolerable.  "
       "Check your channel\ninput file.  Program terminated.\n"},
      {chan, structures("STRUCTTYPE rating_curve\n", 1), 85, ""},
      {chan, structures("STRUCTTYPE rating_curve no\n", 1), 86, ""},
      {chan, structures("STRUCTTYPE scheduled_release\n", 1), 87, ""},
      {chan, structures("STRUCTTYPE scheduled_release x\n", 1), 88, ""},
      {chan, structures("STRUCTTYPE rule_curve\n", 1), 89, ""},
      {chan, structures("STRUCTTYPE rule_curve no\n", 1), 90, ""},
      {chan, bp("NPAIRS 2\nNUM_INTERP 2\nX1 0 2\nX1 1 0\nX1 2 2\n"), 4000,
       "\n\nError: There are more X1 cards than the NPAIRS card specifies \nfor table 1 in link "
       "1.\n"},
      {chan, bp("NPAIRS 3\nX1 0 2\nX1 1 0\nX1 2 2\n"), 4000,
       "Error: the number of interpolation points has not been specifiedfor any table. Each "
       "break-point cross-section table should have a NUM_INTERP ### card below the NPAIRS card\n"},
      {chan, bp("NPAIRS 3\nNUM_INTERP 0\nX1 0 2\nX1 1 0\nX1 2 2\n"), 4000,
       "\n\nError: The number of interpolation points [0] for table 1 in link 1 is invalid. "
       "(Range is 1-30000.) \n"},
      {chan, bp("NPAIRS 3\nNUM_INTERP 30001\nX1 0 2\nX1 1 0\nX1 2 2\n"), 4000,
       "points [30001] for table 1 in link 1 is invalid."},
      {chan, saw(49), 0, ""},
      {chan, saw(50), 4000,
       "\n\nThere is a serious problem with a channel cross-section in\n"
       "link 1.  The cross-section interpolation routine has found\n"
       "that this cross-section is very jagged, with over 50 'islands'\n"
       "for certain depths.  Calculating cross-section properties in\n"
       "this case is very dubious.  Check your cross section, smooth\n"
       "it if necessary and try again.\n"},
      {chan, bp("NPAIRS 3\nNUM_INTERP 2\nX1 0 2\nX1 1 0\n"), 4000,
       "Error: break-point link 1 has 0 complete cross-section tables of 1.\n"},
      {chan, bp("NPAIRS 3\nNUM_INTERP 10\nX1 0 20\nX1 1 0\nX1 2 20\n"), 4000,
       "cross-sections \n\nError: The interpolation distance [2.00000] produced by the number of "
       "interpolation points [10]\nfor table 1 in link 1 is invalid. (Range is 0.0001 to 1.0)\n"},
      {eroding, base, 4000,
       "\nYou have selected overland erosion with channel routing.  The channel\ninput file does "
       "not contain any erodable trapezoidal links (linktype 30).\nYou must edit all link types "
       "and "
       "convert them to erodable trapezoidal\nlinks.  At present TORVA only performs sediment "
       "routing in erodable\ntrapezoidal channels.  TORVA exiting.\n\n"},
      {grid_stream,
       "GRIDSTREAMFILE\nSTREAMCELLS 2\nCELLIJ 1 2\nNUMNODES 2\nLINKNODE 1 1 60\nLINKNODE 1 2 40\n"
       "CELLIJ 2 2\nNUMNODES 1\nLINKNODE 2 2 100\n",
       0,
       "Finished reading non-orthogonal channel information from gst file.\n"
       "Setting up the grid-stream data... done.\n"},
      {grid_stream, "GRIDSTREAMFILE\nCELLS 2\n", 4000,
       "The second card in the grid-stream file must be STREAMCELLS\nFile format error, program "
       "terminating.\n  (grid-stream file net.gst, line 2)\n"},
      {grid_stream, "GRIDSTREAMFILE\nSTREAMCELLS 0\n", 4000,
       "The number of STREAMCELLS in the grid-stream (.gst) file\nmust be greater than 0.  File "
       "format error, program terminating\n"},
      {grid_stream, "gridstreamfile\n", 4000,
       "Error: the grid-stream file net.gst must begin with GRIDSTREAMFILE.\n"
       "  (grid-stream file net.gst, line 1)\n"},
      {grid_stream, "GRIDSTREAMFILE\nSTREAMCELLS 1\nCELLIJ 1 1\nNUMNODES 1\nLINKNODE 3 1 5\n", 4000,
       "link 3 node 1 of the grid-stream file is not a node"},
      {grid_stream, "GRIDSTREAMFILE\nSTREAMCELLS 2\nCELLIJ 1 1\nNUMNODES 1\nLINKNODE 1 1 5\n", 4000,
       "stream cell 2 of the grid-stream file must begin with a CELLIJ card"},
      // Records outside the network are skipped; a depth of 1e-17 does not wet the channels.
      {hot_depths, "1 1 1e-17 2.0\n3 1 0 0\n9 1 4 4\n1 7 4 4\n\n2 1 1e-17 0.25\n", 0, ""},
      {hot_depths, "1 1 0.5 2.0\n1 one 0.5\n", 4000,
       "Error: unreadable record in the channel hotstart file hot.txt, line 2.\n"},
      {hot_surface, none, 4000, "Can't open channel hotstart file named none.txt\n"},
      {hot_surface, "1 1 9.5 0.2\n2 1 8.5\n", 4000,
       "Error: the channel hotstart file hot.txt ends before node 3 of link 1.\n"},
      {points, none, 0,
       "Can't open none.txt to read channel point source input file \nThere will be no point "
       "inputs to the channel file \n"},
      {points, "NUMPT 2\nPOINT 3 1\n", 4000,
       "Unexpected end of file in chan point input data file.\nCheck the format of the data "
       "file.\nProgram terminated."},
      {points, many + "NUMPT 1\n", 4000,
       "There is a problem with your channel source input file.  TORVA cannot\nfind the first "
       "card.  Check the format of your channel source file\n\n"},
      {points, "NUMPT 1\nPOINT 3 1 1.0\nNRPDS 2\nINPUT 2001 1 2 3 4\n5.0\nINPUT 2001 x\n", 4000,
       "\n last year 2001 last month 1 last day 2 last hour 3 last minute 4 \n"},
      {points, "NUMPT 1\nPOINT 3 9 1.0\nNRPDS 0\n", 4000, "lies outside the channel network"},
      {stream, "TORVA_STREAM_INDEX_MAP_TABLES\nST_INDEX_MAP st.map Reaches\n", 0, "", map},
      {stream, none, 64, "Unable to open Mapping Table file: none.txt\n", map},
      {stream, roughness({}, 0), 66,
       "Problem reading mapping table file -- no entries found in table ROUGHNESS (Stream) "
       "(NUM_IDS is 0)\n",
       map},
      {stream, roughness({{1, "0.02"}}) + "2     short\n", 4000,
       "Error: a value from character 87 on is missing in table ROUGHNESS (Stream) of mapping "
       "table file st.cmt, line 7\n",
       map},
      {stream, two, 116, "Stream map file does not use correct header (file: st.map)\n",
       "STREAMMAP\nNLINKS 2\n"},
      {stream, two, 117,
       "NLINKS or MAXNODES card in stream map file does not match channel input file (file: "
       "st.map)\n",
       "STREAM_MAP\nNLINKS 3\n1\n"},
      {stream, two, 118,
       "Error reading data from stream map file. Check to make sure that the correct number of "
       "\ndata points exist for each link. (file: st.map)\n",
       "STREAM_MAP\nNLINKS 2\n1\n1\n2\n"},
      {stream, two, 4000,
       "Error: stream index map st.map gives node 2 of link 2 the ID 7, outside the table's 1..2 "
       "(line 6)\n",
       "STREAM_MAP\nNLINKS 2\n1\n1\n2\n7\n"},
      {stream, roughness({{1, "0.02"}, {3, "0.1"}}), 94,
       "Error: stream mapping table st.cmt gives node 2 of link 2 a Manning's n of 0 (stream "
       "index map st.map, line 6)\n",
       "STREAM_MAP\nNLINKS 2\n1\n1\n3\n2\n"},
      {stream, two, 4000,
       "Error: stream mapping table st.cmt gives link 2 a Manning's n of 0.1 at node 1 but 0.02 "
       "at node 2 (stream index map st.map, line 6); a channel link has one roughness\n",
       "STREAM_MAP\nNLINKS 2\n1\n1\n2\n1\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    RunContext ctx;
    ContextScope scope(ctx);
    ChannelState ch;
    ChanReadOptions opt = with_series();
    opt.summary = false;
    write("net.txt", row.reader == stream ? breakpoint(kV) : base);
    ASSERT_TRUE(said([&] { return read_chan_input(ch, "net.txt", opt); }));
    EXPECT_TRUE(row.reader == stream || said_.empty()) << said_;  // no summary
    opt.overland_erosion = row.reader == eroding;
    const char* names[] = {"chan.txt", "chan.txt",   "net.gst", "hot.txt",
                           "hot.txt",  "points.txt", "st.cmt"};
    const std::string file = row.text == none ? "none.txt" : names[static_cast<int>(row.reader)];
    if (row.text != none) write(file, row.text);
    write("st.map", row.map);
    opt.stream_table = file;
    const bool ok = said([&] {
      ChannelPointSources ps;
      double volume = 0.0;
      switch (row.reader) {
        case grid_stream:
          return read_grid_stream(ch, file);
        case hot_depths:
          return read_chan_hotstart_depths(ch, file);
        case hot_surface:
          return read_chan_hotstart_wse(ch, file);
        case points:  // a later change is read when the first one is applied
          return open_point_sources(ps, file, 3, 10) &&
                 (!ps.active || advance_point_sources(ps, julian_date(2001, 1, 2, 3, 4, 0.0)));
        case stream:
          return read_chan_input(ch, "net.txt", opt);
        default:
          return setup_channels(ch = {}, {file, opt, "", false, ""}, GridState{}, volume);
      }
    });
    EXPECT_EQ(ok, row.code == 0);
    EXPECT_EQ(error_code().code, row.code) << said_;
    EXPECT_TRUE(has(said_ + error_message(row.code, error_code()), row.message)) << said_;
    EXPECT_TRUE(row.reader != stream || row.code || ch.mannings_n[2] == 0.05);  // file's n stands
    EXPECT_TRUE(row.code || !ch.wet);
  }
}

// Truncated and garbled copies of the file of every link kind, and of a point-source file,
// either read or stop with a code; under the sanitizers no copy reads out of bounds.
TEST_F(ChannelFiles, DamagedFilesReadOrStop) {
  ChannelSetupInput in{"fuzz.txt", with_series(), "", false, ""};
  in.read.grid = &g_;
  in.read.summary = false;
  support::reader_sweep(
      *this, kRich,
      [&](const std::string&) {
        ChannelState ch;
        double volume = 0.0;
        run_context().super_quiet = true;  // thousands of messages, none of them read
        return setup_channels(ch, in, g_, volume) || error_code().code > 0;
      },
      "fuzz.txt");
  support::reader_sweep(
      *this, "NUMPT 2\nPOINT 1 1 0.3\nPOINT 2 1 0.4\nNRPDS 1\nINPUT 2000 1 1 0 0\n1 2\n",
      [](const std::string& path) {
        run_context().super_quiet = true;
        ChannelPointSources ps;
        return (open_point_sources(ps, path, 3, 10) &&
                (!ps.active || advance_point_sources(ps, julian_date(2000, 1, 1, 0, 0, 0.0)))) ||
               error_code().code == 4000;
      });
}

}  // namespace
}  // namespace torva
