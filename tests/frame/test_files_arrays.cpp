#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "frame/arrays.hpp"
#include "frame/file_handle.hpp"
#include "frame/run_context.hpp"

namespace torva {
namespace {

using OutputName = testing::Test;

TEST_F(OutputName, NumberedFoldersAndQuotes) {
  RunContext& p = run_context();
  EXPECT_EQ(output_name("\"sum.out\"", "w"), "sum.out");
  p.numbered_output = true;
  p.output_run_number = 3;
  EXPECT_EQ(output_name("out_time.out", "a"), "0003_out_time.out");
  EXPECT_EQ(output_name("input.prj", "r"), "input.prj");  // inputs keep their names
  p.project_folder = folder_with_separator("proj");
  EXPECT_EQ(p.project_folder, "proj\\");
  EXPECT_EQ(output_name("q.out", "w"), "proj\\0003_q.out");
  p.output_folder = folder_with_separator("res\\");
  EXPECT_EQ(output_name("q.out", "w"), "proj\\res\\0003_q.out");
  p.numbered_output = false;
  EXPECT_EQ(output_name("q.out", "w+"), "proj\\res\\q.out");
  EXPECT_EQ(output_name("q.out", "x"), "q.out");
}

TEST(FileHandleRules, ModesNamesAndGuards) {
  const std::string path = testing::TempDir() + "torva_fh_test.txt";
  FileHandle h;
  EXPECT_FALSE(h.open("", "w"));
  EXPECT_FALSE(h.open(path, "x"));
  ASSERT_TRUE(h.open(path, "w"));
  EXPECT_EQ(h.name, path);
  EXPECT_EQ(h.mode, "w");

  testing::internal::CaptureStdout();
  ASSERT_TRUE(h.open(path, "a"));  // still open: message, then reopened
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(
      out.find("opening a file when the previous file was not closed.\nOriginal file: " + path),
      std::string::npos);

  FILE* real = h.fp;
  h.fp_check = nullptr;  // simulate a damaged handle
  testing::internal::CaptureStdout();
  h.close();
  out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, "\n\n\nError with the file " + path + ". The file pointer is corrupt.\n\n\n\n");
  EXPECT_EQ(h.fp, nullptr);
  EXPECT_EQ(h.name, "");
  (void)real;

  testing::internal::CaptureStdout();
  const std::string long_name = testing::TempDir() + std::string(1100, 'n');
  EXPECT_FALSE(h.open(long_name, "w"));  // too long for the file system as well
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Error.... name too long!!!\n\n\n");
  std::filesystem::remove(path);
}

TEST(Arrays, OneBasedZeroFilledContiguous) {
  Array1<double> a("area_old");
  ASSERT_TRUE(a.allocate(5));
  EXPECT_EQ(a.size(), 5u);
  for (int i = 0; i <= 5; ++i) EXPECT_EQ(a[i], 0.0);
  Array2<int> g("mask");
  ASSERT_TRUE(g.allocate(3, 4));
  g(2, 3) = 7;
  EXPECT_EQ(g[2][3], 7);
  EXPECT_EQ(&g(2, 0) - g.data(), 2 * 5);  // row r starts (cols+1)*r into the block
  Array3<double> c("con");
  ASSERT_TRUE(c.allocate(2, 2, 2));
  c(2, 2, 2) = 1.5;
  EXPECT_EQ(c(2, 2, 2), 1.5);
}

TEST(Arrays, EmptyRequestsAndTheirMessages) {
  Array1<double> a("elevgw");
  testing::internal::CaptureStdout();
  EXPECT_FALSE(a.allocate(0));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  testing::internal::CaptureStdout();
  EXPECT_FALSE(a.allocate(-1));
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Error: Attempting to allocate array of size 0\n");

  Array2<double> b("q_node_mass");
  testing::internal::CaptureStdout();
  EXPECT_FALSE(b.allocate(0, 4));
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Error: Attempting to allocate array of size 0\n");
  Array2<double> s("stream_pointsource");
  testing::internal::CaptureStdout();
  EXPECT_FALSE(s.allocate(3, 0, true));
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Error: Attempting to allocate array of size 0\n"
            "Error allocating memory for variable stream_pointsource\n");
  Array3<double> c("c3");
  testing::internal::CaptureStdout();
  EXPECT_FALSE(c.allocate(1, 0, 1));
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Error: Attempting to allocate array of size 0\n");
}

TEST(Arrays, ImpossibleSizeReportsTheName) {
  Array1<double> a("huge_array");
  testing::internal::CaptureStdout();
  EXPECT_FALSE(a.allocate(1L << 61));
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Error allocating memory for variable huge_array\n");
  EXPECT_TRUE(a.empty());
}

}  // namespace
}  // namespace torva
