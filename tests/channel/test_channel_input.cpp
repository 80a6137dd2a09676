#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "chan_test_util.hpp"
#include "channel/channel_input.hpp"
#include "channel/channel_setup.hpp"

namespace torva {
namespace {

const char* const kHeader = "TORVA_CHAN\nALPHA 1\nBETA 1\nTHETA 1\nLINKS 2\nMAXNODES 5\n";

// Link 1 (five node points, ELEV 10..6) drains into link 2 (three points).
std::string two_links(const std::string& link1_extra = "",
                      const std::string& link2_type = "TRAPEZOID") {
  return std::string(kHeader) +
         "CONNECT 1 2 0\n"
         "CONNECT 2 0 1 1\n"
         "LINK 1\nDX 10\nNODES 5\nMANNINGS_N 0.04\nTRAPEZOID\n" +
         link1_extra +
         "NODE 1\nX_Y 0 95\nELEV 10\nXSEC\nBOTTOM_WIDTH 2\nBANKFULL_DEPTH 1\nSIDE_SLOPE 1\n"
         "NODE 2\nX_Y 10 95\nELEV 9\nNODE 3\nX_Y 20 95\nELEV 8\nNODE 4\nX_Y 30 95\nELEV 7\n"
         "NODE 5\nX_Y 40 95\nELEV 6\n"
         "LINK 2\nDX 20\nNODES 3\nMANNINGS_N 0.05\n" +
         link2_type +
         "\nNODE 1\nELEV 6\nXSEC\nBOTTOM_WIDTH 3\nBANKFULL_DEPTH 1\nSIDE_SLOPE 2\n"
         "NODE 2\nELEV 5\nNODE 3\nELEV 4\n";
}

class ChannelInput : public test::ChannelTest {
 protected:
  // Reads `text` as the channel file; the console output goes to `out_`.
  bool read_text(const std::string& text, ChanReadOptions opt = {}) {
    write("chan.txt", text);
    testing::internal::CaptureStdout();
    const bool ok = read_chan_input(ch_, "chan.txt", opt);
    out_ = testing::internal::GetCapturedStdout();
    return ok;
  }
  bool says(const std::string& text) const { return out_.find(text) != std::string::npos; }
  ChannelState ch_;
  std::string out_;
};

TEST_F(ChannelInput, BedElevationsAreMeansOfNodePoints) {
  ASSERT_TRUE(read_text(two_links())) << out_;
  EXPECT_TRUE(ch_.present);
  EXPECT_EQ(ch_.nodes[1], 4);
  EXPECT_EQ(ch_.node_points[1], 5);
  const double expect[] = {9.5, 8.5, 7.5, 6.5};
  for (int k = 1; k <= 4; ++k) {
    EXPECT_DOUBLE_EQ(ch_.bel(k, 1), expect[k - 1]);
    EXPECT_DOUBLE_EQ(ch_.yp(k, 1), expect[k - 1]);  // dry: surface on the bed
    EXPECT_DOUBLE_EQ(ch_.bottom(k, 1), 2.0);        // the XSEC values reach every node
  }
  EXPECT_EQ(ch_.ds_link[1], 2);
  EXPECT_EQ(ch_.num_us[2], 1);
  EXPECT_EQ(ch_.uslinks(1, 2), 1);
  EXPECT_DOUBLE_EQ(ch_.inv_n[2], 20.0);
  EXPECT_DOUBLE_EQ(ch_.sslope(2, 2), 2.0);
}

TEST_F(ChannelInput, SummaryBlock) {
  ASSERT_TRUE(read_text(two_links()));
  EXPECT_TRUE(
      says("\n\nChannel input data:\n"
           "  max. number of u.s. dependencies:      1\n"
           "  number of trapezoidal links:           2\n"
           "    num w/ subsurface attribute:           0\n"
           "    num w/ erodible attribute:             0\n"
           "  number of breakpoint links:            0\n"
           "    num w/ subsurface attribute:           0\n"
           "    num w/ erodible attribute:             0\n"
           "    max number of xsec in any bp link:     0\n"
           "    max number of xsec pairs:              0\n"
           "  number of lake links:                  0\n"
           "  number of hydraulic structure links:   0\n"
           "    total no. of hydr. structure elements: 0\n"
           "  number of groundwater links:           0\n"))
      << out_;
  ChannelState quiet;
  write("chan.txt", two_links("SUBSURFACE\n"));
  testing::internal::CaptureStdout();
  ChanReadOptions opt;
  opt.summary = false;
  ASSERT_TRUE(read_chan_input(quiet, "chan.txt", opt));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(quiet.linktype[1], kLinkTrapezoid | kLinkSubsurface);
}

TEST_F(ChannelInput, KeywordsIgnoreCaseButMatchWhole) {
  std::string text = two_links();
  text.replace(text.find("LINK 2\n"), 7, "link 2\nLINKS 1\n");  // LINKS is not LINK
  text.replace(text.find("TRAPEZOID\nNODE 1\nELEV 6"), 9, "trapezoid");
  ASSERT_TRUE(read_text(text)) << out_;
  EXPECT_EQ(ch_.linktype[2], kLinkTrapezoid);
  EXPECT_DOUBLE_EQ(ch_.dx[2], 20.0);
  EXPECT_DOUBLE_EQ(ch_.bel(1, 2), 5.5);
}

TEST_F(ChannelInput, NotAChannelFile) {
  ASSERT_TRUE(read_text("SOMETHING ELSE\nLINKS 2\n"));
  EXPECT_FALSE(ch_.present);
  EXPECT_EQ(error_code().code, 0);
  EXPECT_FALSE(read_chan_input(ch_, "missing.txt", {}));
  EXPECT_EQ(error_code().code, 4);
  EXPECT_EQ(error_code().what, "channel input");
  clear_error();
  EXPECT_FALSE(read_text("torva_channel_v2\n"));  // the magic ignores case
  EXPECT_TRUE(says("Premature end-of-file in the channel input file.\n"));
}

TEST_F(ChannelInput, MissingHeaderCards) {
  EXPECT_FALSE(read_text("TORVA_CHAN\nALPHA 1\nBETA 1\nLINKS 2\nLINK 1\n"));
  EXPECT_EQ(out_,
            "Premature end-of-file in the channel input file.\n"
            "The channel input file does not contain all the required parameter cards.\n"
            "These include: ALPHA, BETA, THETA, DX, LINKS, and MAXNODES.\n"
            "Repair your channel input file and try again.  These cards must appear at\n"
            "The beginning of the file before and COORD or LINK cards.\n"
            "Program terminated in read_chan_input.\n");
  EXPECT_EQ(error_code().code, 4000);
}

TEST_F(ChannelInput, ConnectCardCounts) {
  std::string text = two_links();
  text.erase(text.find("CONNECT 2 0 1 1\n"), 16);
  EXPECT_FALSE(read_text(text));
  EXPECT_TRUE(
      says("Your channel input file contains 2 links, and 1 CONNECT cards\n"
           "These two numbers must be equal.  Therefore, you have a major \n"))
      << out_;
  EXPECT_EQ(error_code().code, 4000);
}

TEST_F(ChannelInput, ConnectLinkNumbersOutOfRange) {
  for (const char* bad : {"CONNECT 3 0 0\n", "CONNECT 2 7 0\n", "CONNECT 2 0 1 -4\n"}) {
    clear_error();
    ch_ = ChannelState{};
    std::string text = two_links();
    text.replace(text.find("CONNECT 2 0 1 1\n"), 16, bad);
    EXPECT_FALSE(read_text(text)) << bad;
    EXPECT_TRUE(says("(channel input file chan.txt, line 8)")) << out_;
    EXPECT_EQ(error_code().code, 4000);
  }
}

std::string junction(int upstream) {
  std::string text = "TORVA_CHAN\nALPHA 1\nBETA 1\nTHETA 1\nLINKS " + std::to_string(upstream + 1) +
                     "\nMAXNODES 2\n";
  for (int l = 1; l <= upstream; ++l)
    text += "CONNECT " + std::to_string(l) + " " + std::to_string(upstream + 1) + " 0\n";
  text += "CONNECT " + std::to_string(upstream + 1) + " 0 " + std::to_string(upstream);
  for (int l = 1; l <= upstream; ++l) {
    text += ' ';
    text += std::to_string(l);
  }
  text += "\n";
  for (int l = 1; l <= upstream + 1; ++l)
    text += "LINK " + std::to_string(l) +
            "\nDX 5\nNODES 2\nMANNINGS_N 0.03\nTRAPEZOID\nNODE 1\nELEV 2\nXSEC\nBOTTOM_WIDTH "
            "1\nNODE 2\nELEV 1\n";
  return text;
}

TEST_F(ChannelInput, TwentyUpstreamLinksButNotTwentyOne) {
  ASSERT_TRUE(read_text(junction(20))) << out_;
  EXPECT_EQ(ch_.num_us[21], 20);
  EXPECT_EQ(ch_.uslinks(20, 21), 20);
  clear_error();
  ch_ = ChannelState{};
  EXPECT_FALSE(read_text(junction(21)));
  EXPECT_TRUE(says("Whoa there pardner!  You mean to tell me that you have more than 20\n"));
  EXPECT_TRUE(says("in the read_chan_input subroutine was equal to 21, which is, frankly, a\n"));
  EXPECT_TRUE(says("reediculous number.  Fifteen yard penalty from the spot of the foul.\n"));
  EXPECT_EQ(error_code().code, 4000);
}

TEST_F(ChannelInput, ConnectAfterLinkSectionHidesEarlierSections) {
  std::string text = two_links();
  // Move the second CONNECT card behind link 1's section.
  text.erase(text.find("CONNECT 2 0 1 1\n"), 16);
  text.insert(text.find("LINK 2\n"), "CONNECT 2 0 1 1\n");
  ASSERT_TRUE(read_text(text)) << out_;
  EXPECT_EQ(ch_.num_us[2], 1);    // found by the scan
  EXPECT_EQ(ch_.linktype[1], 0);  // link 1's section was not read
  EXPECT_DOUBLE_EQ(ch_.bel(1, 1), 0.0);
  EXPECT_EQ(ch_.linktype[2], kLinkTrapezoid);
  EXPECT_DOUBLE_EQ(ch_.dx[1], 10.0);  // the counting pass still saw it
}

TEST_F(ChannelInput, ZeroRoughnessStops) {
  for (const char* n : {"0", "nan", "1e-9"}) {
    clear_error();
    ch_ = ChannelState{};
    std::string text = two_links();
    text.replace(text.find("MANNINGS_N 0.05"), 15, std::string("MANNINGS_N ") + n);
    EXPECT_FALSE(read_text(text)) << n;
    EXPECT_TRUE(
        says("Error encountered when reading the channel input file, link 2:\n"
             "    Manning's Roughness is 0.000\n"));
    EXPECT_EQ(error_code().code, 4000);
  }
}

TEST_F(ChannelInput, TrapezoidWithoutXsec) {
  std::string text = two_links();
  text.replace(text.find("XSEC\nBOTTOM_WIDTH 3"), 5, "");
  EXPECT_FALSE(read_text(text));
  EXPECT_TRUE(says("Error: Cross section parameters not found for link 2.\n")) << out_;
}

std::string structure_file(const std::string& elements, int numstructs) {
  return std::string(kHeader) + "CONNECT 1 2 0\nCONNECT 2 0 1 1\n" +
         "LINK 1\nSTRUCTURE\nNUMSTRUCTS " + std::to_string(numstructs) + "\n" + elements +
         "LINK 2\nDX 20\nNODES 3\nMANNINGS_N 0.05\nTRAPEZOID\nNODE 1\nELEV 6\nXSEC\n"
         "BOTTOM_WIDTH 3\nNODE 2\nELEV 5\nNODE 3\nELEV 4\n";
}

TEST_F(ChannelInput, StructureTypesByPrefixAndTheirValues) {
  const std::string el =
      "STRUCTTYPE weirX\nCREST_LENGTH 4.5\nCREST_LOW_ELEV 12\nDISCHARGE_COEFF_FORWARD 0.6\n"
      "STRUCTTYPE sag_weir\nSTEEP_SLOPE 0.1\nSHALLOW_SLOPE 0.02\nCREST_LOW_LOC 3\n"
      "STRUCTTYPE Round_Culvert\nLENGTH 10\nUPINVERT 5\nDOWNINVERT 4.5\nDIAMETER 1.2\n"
      "ROUGH_COEFF 0.013\nREV_FLOW_DISCH_COEFF 0.5\nSLOPE 0.05\n"
      "STRUCTTYPE bridge\n";  // unknown: not an element
  ASSERT_TRUE(read_text(structure_file(el, 3))) << out_;
  ASSERT_EQ(ch_.structs.size(), 4u);
  const Weir* weir = std::get_if<Weir>(&ch_.structs[1].record);
  const SagWeir* sag = std::get_if<SagWeir>(&ch_.structs[2].record);
  const Culvert* culvert = std::get_if<Culvert>(&ch_.structs[3].record);
  ASSERT_TRUE(weir && sag && culvert);
  EXPECT_EQ(weir->crest_length, 4.5);
  EXPECT_EQ(weir->crest_elev, 12.0);
  EXPECT_EQ(weir->coef_forward, 0.6);
  EXPECT_EQ(sag->slope1, 0.1);
  EXPECT_EQ(sag->slope2, 0.02);
  EXPECT_EQ(sag->crest_low_loc, 3.0);
  EXPECT_EQ(culvert->shape, CulvertShape::round);
  EXPECT_EQ(culvert->length, 10.0);
  EXPECT_EQ(culvert->up_invert, 5.0);
  EXPECT_EQ(culvert->down_invert, 4.5);
  EXPECT_EQ(culvert->slope, 0.05);
  EXPECT_EQ(culvert->coef_forward, 0.0);
  EXPECT_EQ(culvert->coef_reverse, 0.5);
  EXPECT_EQ(culvert->size, 1.2);
  EXPECT_EQ(culvert->span, 0.0);
  EXPECT_EQ(culvert->roughness, 0.013);
  EXPECT_EQ(ch_.first_struct[1], 1);
  EXPECT_EQ(ch_.last_struct[1], 3);
  EXPECT_EQ(ch_.node_points[1], 2);
  EXPECT_EQ(ch_.nodes[1], 2);
  EXPECT_TRUE(
      says("  number of hydraulic structure links:   1\n"
           "    total no. of hydr. structure elements: 3\n"));
}

TEST_F(ChannelInput, StructureCountMismatch) {
  EXPECT_FALSE(read_text(structure_file("STRUCTTYPE weir\nSTRUCTTYPE dam\n", 2)));
  EXPECT_TRUE(
      says("\nThe sum of NUMSTRUCTS arguments is 2, while the total number\n"
           "of hydraulic structure element cards (e.g. WEIR, ROUND_CULVERT,\n"
           "etc.) is 1.  This inconstency is intolerable.  Check your channel\n"
           "input file.  Program terminated.\n"))
      << out_;
}

TEST_F(ChannelInput, StructureSeriesByNumber) {
  ChanReadOptions opt;
  opt.find_elev_series = [](std::string_view n) { return n == "rc" ? 2 : 0; };
  opt.find_time_series = [](std::string_view n) { return n == "rel" ? 5 : 0; };
  ASSERT_TRUE(read_text(structure_file("STRUCTTYPE RATING_CURVE rc\nSTRUCTTYPE "
                                       "scheduled_release \"rel\"\nSTRUCTTYPE rule_curve rc\n",
                                       3),
                        opt))
      << out_;
  EXPECT_EQ(std::get<RatingCurve>(ch_.structs[1].record).elev_series, 2);
  EXPECT_EQ(std::get<ScheduledRelease>(ch_.structs[2].record).time_series, 5);
  EXPECT_EQ(std::get<RuleCurve>(ch_.structs[3].record).elev_series, 2);

  const struct {
    const char* card;
    int code;
  } cases[] = {{"rating_curve", 85},        {"rating_curve nope", 86}, {"scheduled_release", 87},
               {"scheduled_release x", 88}, {"rule_curve", 89},        {"rule_curve nope", 90}};
  for (const auto& c : cases) {
    clear_error();
    ch_ = ChannelState{};
    EXPECT_FALSE(read_text(structure_file("STRUCTTYPE " + std::string(c.card) + "\n", 1), opt));
    EXPECT_EQ(error_code().code, c.code) << c.card;
    EXPECT_EQ(error_code().stop, 1);
  }
}

TEST_F(ChannelInput, PointSourcesAndPumps) {
  ChanReadOptions opt;
  opt.find_time_series = [](std::string_view n) { return n == "inflow" ? 1 : 0; };
  opt.find_elev_series = [](std::string_view n) { return n == "curve" ? 3 : 0; };
  ASSERT_TRUE(read_text(two_links("NODE 3\nPOINTSOURCE inflow\nPUMPTO 2 3 ELEV curve\n"
                                  "NODE 4\nPOINTSOURCE unknown\nPUMPTO 2 2 ts inflow\n"),
                        opt))
      << out_;
  EXPECT_EQ(ch_.point_source(3, 1), 1);
  EXPECT_EQ(ch_.point_source(4, 1), 0);  // unknown series: no point source
  ASSERT_EQ(ch_.pumps.size(), 2u);
  EXPECT_EQ(ch_.pumps[0].kind, kPumpElev);
  EXPECT_EQ(ch_.pumps[0].series, 3);
  EXPECT_EQ(ch_.pumps[0].to_link, 2);
  EXPECT_EQ(ch_.pumps[0].to_node, 1);  // plain trapezoid: node replaced by 1
  EXPECT_EQ(ch_.pumps[0].from_node, 3);
  EXPECT_EQ(ch_.pumps[1].kind, kPumpTs);
  EXPECT_EQ(ch_.pumps[1].series, 1);

  clear_error();
  ch_ = ChannelState{};
  EXPECT_FALSE(read_text(two_links("NODE 3\nPUMPTO 2 3 FLOW x\n"), opt));
  EXPECT_TRUE(
      says("\n\nError in the channel input file: Flow type for pump is incorrectly\n"
           "defined for link 1. Must be ELEV or TS.\n"));
  EXPECT_EQ(error_code().code, 4000);
}

std::string breakpoint_file(const std::string& table_cards) {
  return std::string(kHeader) + "CONNECT 1 2 0\nCONNECT 2 0 1 1\n" +
         "LINK 1\nDX 10\nNODES 3\nMANNINGS_N 0.04\nBREAKPOINT\n"
         "NODE 1\nELEV 10\nNODE 2\nELEV 9\nNODE 3\nELEV 8\n" +
         table_cards +
         "LINK 2\nDX 20\nNODES 3\nMANNINGS_N 0.05\nTRAPEZOID\nNODE 1\nELEV 6\nXSEC\n"
         "BOTTOM_WIDTH 3\nNODE 2\nELEV 5\nNODE 3\nELEV 4\n";
}

TEST_F(ChannelInput, BreakpointTablesAreBuilt) {
  ASSERT_TRUE(
      read_text(breakpoint_file("NODE 1\nNPAIRS 3\nNUM_INTERP 2\nX1 0 2\nX1 1 0\nX1 2 2\n")))
      << out_;
  EXPECT_TRUE(says("Reading and interpolating break-point cross-sections .")) << out_;
  EXPECT_TRUE(says("    max number of xsec pairs:              3\n"));
  EXPECT_EQ(ch_.node_table(1, 1), 1);
  EXPECT_EQ(ch_.node_table(2, 1), 1);
  EXPECT_DOUBLE_EQ(ch_.tables.t[1].xarea[1], 0.5);
  EXPECT_EQ(ch_.table_num(1, 1), 1);
}

// The reader prints the table builder's warnings before its progress dot, and a refusal
// instead of it.
TEST_F(ChannelInput, BreakpointTableWarningsAndRefusalArePrinted) {
  ASSERT_TRUE(
      read_text(breakpoint_file("NUMTABLES 2\nNODE 1\nNPAIRS 3\nNUM_INTERP 2\nX1 0 2\n"
                                "X1 1 0\nX1 2 2\nNODE 3\nNPAIRS 3\nNUM_INTERP 4\n"
                                "X1 0 2\nX1 1 0\nX1 2 2\n")))
      << out_;
  EXPECT_TRUE(
      says("cross-sections \nUsing the greater of the two number of interpolation "
           "points \nfor both cross-section in link 1.\n."))
      << out_;

  clear_error();
  ch_ = ChannelState{};
  EXPECT_FALSE(
      read_text(breakpoint_file("NODE 1\nNPAIRS 3\nNUM_INTERP 10\nX1 0 20\nX1 1 0\nX1 2 20\n")));
  EXPECT_TRUE(
      says("cross-sections \n\nError: The interpolation distance [2.00000] produced by "
           "the number of interpolation points [10]\nfor table 1 in link 1 is invalid. "
           "(Range is 0.0001 to 1.0)\n"))
      << out_;
  EXPECT_EQ(error_code().code, 4000);
}

TEST_F(ChannelInput, BreakpointTableFaults) {
  EXPECT_FALSE(
      read_text(breakpoint_file("NODE 1\nNPAIRS 2\nNUM_INTERP 2\nX1 0 2\nX1 1 0\nX1 2 2\n")));
  EXPECT_TRUE(
      says("\n\nError: There are more X1 cards than the NPAIRS card specifies \n"
           "for table 1 in link 1.\n"))
      << out_;
  EXPECT_EQ(error_code().code, 4000);

  clear_error();
  ch_ = ChannelState{};
  EXPECT_FALSE(read_text(breakpoint_file("NODE 1\nNPAIRS 3\nX1 0 2\nX1 1 0\nX1 2 2\n")));
  EXPECT_TRUE(
      says("Error: the number of interpolation points has not been specifiedfor any "
           "table. Each break-point cross-section table should have a NUM_INTERP ### "
           "card below the NPAIRS card\n"));

  clear_error();
  ch_ = ChannelState{};
  EXPECT_FALSE(read_text(breakpoint_file("NODE 1\nNPAIRS 3\nNUM_INTERP 2\nX1 0 2\nX1 1 0\n")));
  EXPECT_TRUE(says("Error: break-point link 1 has 0 complete cross-section tables of 1.\n"))
      << out_;
}

TEST_F(ChannelInput, OneNodeLinkInShortLinksAndBadThalweg) {
  std::string text = two_links();
  text.replace(text.find("NODES 3\n"), 8, "NODES 1\n");
  ChannelSetupInput in;
  in.channel_file = "chan.txt";
  write("chan.txt", text);
  // A 1 x 5 grid of 10 m cells whose third cell lies below link 1's bed.
  GridState g;
  g.rows = 1;
  g.cols = 5;
  g.dx = 10.0;
  g.north = 100.0;
  g.west = 0.0;
  g.ncells = 5;
  g.mask.allocate(3, 7);
  g.elevation.allocate(5);
  for (int c = 1; c <= 5; ++c) {
    g.mask(1, c) = c;
    g.elevation[c] = 20.0;
  }
  g.elevation[3] = 7.0;
  double volume = -1.0;
  testing::internal::CaptureStdout();
  const bool ok = setup_channels(ch_, in, g, volume);
  out_ = testing::internal::GetCapturedStdout();
  ASSERT_TRUE(ok) << out_;
  EXPECT_TRUE(says("reading channel input data from file chan.txt\n"));
  EXPECT_EQ(read("short_links.out"), "Links with 1 node:\n2\n");
  // Node 3 of link 1 lies between x = 25 and 35: cell 3 at ground 7.0 below bed 7.5.
  EXPECT_EQ(ch_.node_cell(3, 1), 3);
  EXPECT_EQ(read("bad_thalweg.out"),
            "Problem    link    node    thalweg     cell    elev\n"
            "--> problem codes: 0=thalweg>cell elev, 1= difference <0.5, 2= difference<1.0, "
            "3=difference>3.5\n"
            "0        1       3   7.500000   3   7.000000\n");
  EXPECT_EQ(volume, 0.0);  // dry
}

TEST_F(ChannelInput, SpacingCheck) {
  std::string text = two_links();
  text.replace(text.find("DX 20"), 5, "DX 0.00001");
  write("chan.txt", text);
  ChannelSetupInput in;
  in.channel_file = "chan.txt";
  GridState g;
  double volume = 0.0;
  testing::internal::CaptureStdout();
  EXPECT_FALSE(setup_channels(ch_, in, g, volume));
  out_ = testing::internal::GetCapturedStdout();
  EXPECT_TRUE(
      says("\nYour channel node spacing is 0.000010 in link 2\n"
           "You must specify a realistic value.  Program terminated.\n"))
      << out_;
}

TEST_F(ChannelInput, LakesFloodTheirLowCells) {
  std::string text = std::string(kHeader) + "CONNECT 1 2 0\nCONNECT 2 0 1 1\n" +
                     "LINK 1\nLAKE\nMLAKE 2.5\nMINWSE 9\nINITWSE 10.5\nMAXWSE 12\nNUMPTS 3\n"
                     "1 1 1 2\n1 3\n"
                     "LINK 2\nDX 20\nNODES 3\nMANNINGS_N 0.05\nTRAPEZOID\nNODE 1\nELEV 6\nXSEC\n"
                     "BOTTOM_WIDTH 3\nNODE 2\nELEV 5\nNODE 3\nELEV 4\n";
  GridState g;
  g.rows = 1;
  g.cols = 3;
  g.dx = 10.0;
  g.ncells = 3;
  g.mask.allocate(3, 5);
  g.elevation.allocate(3);
  for (int c = 1; c <= 3; ++c) g.mask(1, c) = c;
  g.elevation[1] = 10.0;
  g.elevation[2] = 10.4995;  // within 0.001: not flooded
  g.elevation[3] = 11.0;
  ChanReadOptions opt;
  opt.grid = &g;
  ASSERT_TRUE(read_text(text, opt)) << out_;
  EXPECT_EQ(ch_.lake_losses, 1);
  ASSERT_EQ(ch_.lakes.size(), 2u);
  EXPECT_EQ(ch_.lakes[1].flooded_cells, 1);
  EXPECT_DOUBLE_EQ(ch_.lakes[1].init_volume, 0.5 * 100.0);
  EXPECT_EQ(ch_.lake_of_cell[1], 1);
  EXPECT_EQ(ch_.lake_of_cell[2], 0);
  EXPECT_TRUE(
      says("Minimum Water Surface Elevation Lake #1: 9.00\n"
           "Initial Water Surface Elevation Lake #1: 10.50\n"
           "Maximum Water Surface Elevation Lake #1: 12.00\n"
           "number of coords for lake #1's search order: 3\n"
           "Simulating Lake Losses for Lake #1, Bed Thickness: 2.5 m\n"))
      << out_;
}

}  // namespace
}  // namespace torva
