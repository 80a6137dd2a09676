// The channel point-source file: cards, timed changes and bad files.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "channel/point_sources.hpp"
#include "frame/clock.hpp"
#include "frame/run_context.hpp"

namespace torva {
namespace {

std::string write_file(const std::string& name, const std::string& text) {
  const std::string path = testing::TempDir() + name;
  std::ofstream(path) << text;
  return path;
}

struct Captured {
  std::string out;
  int code = 0;
  bool ok = false;
};

Captured open_captured(ChannelPointSources& ps, const std::string& path) {
  error_code().code = 0;
  testing::internal::CaptureStdout();
  Captured c;
  c.ok = open_point_sources(ps, path, 3, 10);
  c.out = testing::internal::GetCapturedStdout();
  c.code = error_code().code;
  error_code().code = 0;
  return c;
}

TEST(PointSources, ReadsPointsAndAppliesTimedChanges) {
  const std::string path = write_file("points_ok.txt",
                                      "channel point sources\n"
                                      "numpt 2\n"
                                      "POINT 3 1 0.5 comment words here\n"
                                      "POINTS 7 2 1.25\n"
                                      "NRPDS 2\n"
                                      "INPUT 99 6 1 12 30\n"
                                      "2.0 3.0\n"
                                      "INPUT 1999 6 1 13 00\n"
                                      "0.0 4.5\n");
  ChannelPointSources ps;
  const Captured c = open_captured(ps, path);
  ASSERT_TRUE(c.ok) << c.out;
  EXPECT_EQ(c.out, "");
  ASSERT_EQ(ps.count, 2);
  EXPECT_EQ(ps.node[1], 7);
  EXPECT_EQ(ps.link[1], 2);
  EXPECT_EQ(ps.inflow[0], 0.5);
  EXPECT_TRUE(ps.pending);
  EXPECT_DOUBLE_EQ(ps.pending_time, julian_date(1999, 6, 1, 12, 30, 0.0));

  Array2<double> q{"point_q"};
  q.allocate(10, 3);
  ASSERT_TRUE(advance_point_sources(ps, julian_date(1999, 6, 1, 12, 0, 0.0)));
  add_point_inflows(ps, q);
  EXPECT_EQ(q(3, 1), 0.5);
  EXPECT_EQ(q(7, 2), 1.25);
  ASSERT_TRUE(advance_point_sources(ps, julian_date(1999, 6, 1, 12, 30, 0.0)));
  EXPECT_EQ(ps.inflow[0], 2.0);
  EXPECT_EQ(ps.inflow[1], 3.0);
  // A step that jumps past the last change applies it; nothing is pending afterwards.
  ASSERT_TRUE(advance_point_sources(ps, julian_date(1999, 6, 1, 14, 0, 0.0)));
  EXPECT_EQ(ps.inflow[1], 4.5);
  EXPECT_FALSE(ps.pending);
  EXPECT_EQ(ps.changes_read, 2);
}

TEST(PointSources, MissingFileMeansNoPointInputs) {
  ChannelPointSources ps;
  const Captured c = open_captured(ps, testing::TempDir() + "no_such_points.txt");
  EXPECT_TRUE(c.ok);
  EXPECT_EQ(c.code, 0);
  EXPECT_FALSE(ps.active);
  EXPECT_NE(c.out.find("to read channel point source input file \n"
                       "There will be no point inputs to the channel file \n"),
            std::string::npos);
}

TEST(PointSources, BadFilesStopWithTheirMessages) {
  ChannelPointSources ps;
  Captured c = open_captured(ps, write_file("points_trunc.txt", "NUMPT 2\nPOINT 3 1\n"));
  EXPECT_FALSE(c.ok);
  EXPECT_EQ(c.code, 4000);
  EXPECT_EQ(c.out,
            "Unexpected end of file in chan point input data file.\n"
            "Check the format of the data file.\nProgram terminated.");

  std::string many;
  for (int i = 0; i < 10005; ++i) many += i % 10 == 9 ? "x\n" : "x ";
  c = open_captured(ps, write_file("points_nocard.txt", many + "NUMPT 1\n"));
  EXPECT_FALSE(c.ok);
  EXPECT_EQ(c.out,
            "There is a problem with your channel source input file.  TORVA cannot\n"
            "find the first card.  Check the format of your channel source file\n\n");

  c = open_captured(ps, write_file("points_range.txt", "NUMPT 1\nPOINT 3 9 1.0\nNRPDS 0\n"));
  EXPECT_FALSE(c.ok);
  EXPECT_EQ(c.code, 4000);
  EXPECT_NE(c.out.find("lies outside the channel network"), std::string::npos);

  c = open_captured(ps, write_file("points_header.txt",
                                   "NUMPT 1\nPOINT 3 1 1.0\nNRPDS 2\nINPUT 2001 1 2 3 4\n"
                                   "5.0\nINPUT 2001 x\n"));
  ASSERT_TRUE(c.ok);
  error_code().code = 0;
  testing::internal::CaptureStdout();
  EXPECT_FALSE(advance_point_sources(ps, julian_date(2001, 1, 2, 3, 4, 0.0)));
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out.rfind("\n last year 2001 last month 1 last day 2 last hour 3 last minute 4 \n", 0),
            0u);
  EXPECT_EQ(error_code().code, 4000);
  error_code().code = 0;
}

TEST(PointSources, GarbageNeverCrashes) {
  const std::string base =
      "NUMPT 2\nPOINT 1 1 0.3\nPOINT 2 1 0.4\nNRPDS 1\nINPUT 2000 1 1 0 0\n1 2\n";
  for (std::size_t cut = 0; cut <= base.size(); cut += 3) {
    ChannelPointSources ps;
    const Captured c = open_captured(ps, write_file("points_cut.txt", base.substr(0, cut)));
    if (c.ok && ps.active) {
      testing::internal::CaptureStdout();
      advance_point_sources(ps, julian_date(2000, 1, 1, 0, 0, 0.0));
      testing::internal::GetCapturedStdout();
      error_code().code = 0;
    } else {
      EXPECT_EQ(c.code, 4000) << cut;
    }
  }
}

}  // namespace
}  // namespace torva
