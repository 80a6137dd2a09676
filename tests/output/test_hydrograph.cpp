// Hydrograph lines, the location list, the host hydrograph file read back from them, and
// the link/node stream file lines by link kind.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

#include "frame/run_context.hpp"
#include "output/hydrograph.hpp"
#include "output/linknode.hpp"
#include "support/reader_sweep.hpp"
#include "support/scratch.hpp"

namespace torva {
namespace {

using Hydrograph = support::ScratchTest<>;

// What `writer` prints to a file.
std::string lines_of(const std::function<void(FILE*)>& writer) {
  char* buf = nullptr;
  size_t len = 0;
  FILE* fp = open_memstream(&buf, &len);
  writer(fp);
  std::fclose(fp);
  std::string s(buf, len);
  std::free(buf);
  return s;
}

TEST(HydrographLines, IntervalScheduleAndFormats) {
  EXPECT_EQ(hydrograph_interval(30.0, 5.0), 10);
  EXPECT_EQ(hydrograph_interval(7.0, 1.0), 8);  // truncated
  EXPECT_TRUE(hydrograph_due(0, 10) && hydrograph_due(20, 10));
  EXPECT_FALSE(hydrograph_due(25, 10) || hydrograph_due(5, 0));
  const double q[2] = {0.5, 2.25};
  const std::pair<std::function<void(FILE*)>, const char*> cases[] = {
      {[](FILE* f) { write_outlet_line(f, HydroClock::elapsed_minutes, 5.0, 1.23456); },
       "    5.00     1.235\n"},
      {[](FILE* f) { write_outlet_line(f, HydroClock::julian, 2461193.5, 0.5); },
       "2461193.50000000     0.500\n"},
      {[](FILE* f) { write_outlet_line(f, HydroClock::long_term, 2461193.5, 0.5); },
       "2461193.50000000      0.5000\n"},
      {[](FILE* f) { write_companion_line(f, 5.0, 1.23456); }, "    5.00     1.234560\n"},
      {[&q](FILE* f) { write_location_line(f, false, 10.0, q); },
       "   10.00000000     0.500000     2.250000 \n"},
  };
  for (const auto& [writer, line] : cases) EXPECT_EQ(lines_of(writer), line);
}

TEST_F(Hydrograph, LocationListReadAndItsFaults) {
  write("ok.ihl", "2\n3 4\n5 1\n");
  std::vector<HydLocation> locs;
  std::vector<std::string> lines;
  ASSERT_TRUE(read_location_list(path("ok.ihl"), locs, lines));
  ASSERT_EQ(locs.size(), 2u);
  EXPECT_EQ(std::pair(locs[1].link, locs[1].node), std::pair(5, 1));
  EXPECT_EQ(lines[0], "3 4");
  // A short list is code 4000 with the end-of-file line; a missing one code 4.
  write("bad.ihl", "3\n3 4\n");
  testing::internal::CaptureStdout();
  EXPECT_FALSE(read_location_list(path("bad.ihl"), locs, lines));
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "End of file reached in file " + path("bad.ihl") + ", exiting\n");
  EXPECT_EQ(error_code().code, 4000);
  EXPECT_TRUE(locs.empty());
  error_code() = ErrorCode{};
  EXPECT_FALSE(read_location_list(path("missing.ihl"), locs, lines));
  EXPECT_EQ(error_code().code, 4);
  // Damaged lists read or fail with a code.
  support::reader_sweep(*this, "3\n3 4\n5 1\n12 7\n", [](const std::string& file) {
    std::vector<HydLocation> l;
    std::vector<std::string> t;
    testing::internal::CaptureStdout();
    const bool ok = read_location_list(file, l, t);
    testing::internal::GetCapturedStdout();
    return ok ? l.size() == t.size() : error_code().code == 4000 && l.empty();
  });
}

TEST(HostHydrograph, BreaksEveryTenValues) {
  std::vector<double> outlet(11, 0.5);
  outlet[10] = 5.5;
  std::string t, row;
  append_host_hydrograph(t, HostHeader{20260601, 1200, 10}, {}, outlet, {});
  for (int i = 0; i < 10; ++i) row += "     0.5000 ";
  row.back() = '\n';
  EXPECT_EQ(t, "TORVENA_QEX_HYDROGRAPH_FILE\n0\n20260601\n1200\n10\n11\n" + row + "     5.5000 ");
}

TEST_F(Hydrograph, HostFileFromFilesReadBack) {
  write("out.otl", "    0.00     0.000\n    5.00     1.500\n   10.00     2.250\n");
  write("loc.ohl",
        "    0.00000000     0.000000     0.100000 \n"
        "    5.00000000     1.000000     0.200000 \n"
        "   10.00000000     2.000000     0.300000 \n");
  HostHeader h{20260601, 1200, 10};
  ASSERT_TRUE(
      write_host_hydrograph(path("host.qhy"), path("out.otl"), path("loc.ohl"), h, {"1 3", "2 5"}));
  EXPECT_EQ(read("host.qhy"),
            "TORVENA_QEX_HYDROGRAPH_FILE\n2\n20260601\n1200\n10\n3\n1 3\n2 5\n"
            "     0.0000      1.5000      2.2500 \n"
            "     0.0000      1.0000      2.0000 \n"
            "     0.1000      0.2000      0.3000 ");
  testing::internal::CaptureStdout();
  EXPECT_FALSE(write_host_hydrograph(path("host2.qhy"), path("none.otl"), "", h, {}));
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "\n\nError: Unable to open files to write the QEX hydrograph file.\n Write aborted.\n");
  EXPECT_FALSE(exists("host2.qhy"));
}

TEST(LinkNode, HeaderCountsAndKinds) {
  std::string sub_minute;
  append_linknode_header(sub_minute, LinkNodeKind::flow, 1, 0, 120, CalendarTime{});
  EXPECT_NE(sub_minute.find("NUM_TS        0\n"), std::string::npos);
  for (auto [kind, word] : {std::pair{LinkNodeKind::flow, "STREAM_FLOW"},
                            {LinkNodeKind::stage, "STREAM_STAGE"},
                            {LinkNodeKind::sed_flux, "STREAM_SED_FLUX"}}) {
    EXPECT_EQ(linknode_header_line(kind), "TORVA_LINKNODE_" + std::string(word) + "\n");
  }
}

// Depth gives lakes their value and structures none; flow the other way round.
TEST(LinkNode, BlockLayoutByLinkKind) {
  const std::vector<LinkNodeLink> network = {
      {4, 5, {0.1, 0.2, 0.3, 0.4}},  // trapezoid: 5 points, 4 computational nodes
      {32, 0, {2.5}},                // lake
      {64, 0, {1.25}},               // structure
      {0, 0, {}},                    // neither
  };
  std::string depth;
  append_linknode_block(depth, LinkNodeKind::depth, 0, network);
  EXPECT_EQ(depth,
            "TS    0\n"
            "5   1  0.10000   1  0.20000   1  0.30000   1  0.40000   0  -999.999   \n"
            "-1 2.50000   \n"
            "0  -999.999   \n"
            "\n"
            "\n");
  std::string flow;
  append_linknode_block(flow, LinkNodeKind::flow, 7, network);
  EXPECT_NE(flow.find("TS    7\n"), std::string::npos);
  EXPECT_NE(flow.find("\n0  -999.999   \n-2  1.25000   \n\n\n"), std::string::npos);
}

TEST(LinkNode, VelocityIsFlowOverAreaAndNoneWhenDry) {
  for (double dry : {1e-7, 0.0}) EXPECT_EQ(node_velocity(0.3, dry), 0.0);
  EXPECT_DOUBLE_EQ(node_velocity(0.3, 0.6), 0.5);
}

}  // namespace
}  // namespace torva
