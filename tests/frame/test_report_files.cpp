#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "frame/arrays.hpp"
#include "frame/file_handle.hpp"
#include "frame/report.hpp"
#include "frame/run_context.hpp"

namespace torva {
namespace {

std::string printed(const std::function<void()>& f) {
  testing::internal::CaptureStdout();
  f();
  return testing::internal::GetCapturedStdout();
}

ErrorCode err(int c, const char* what = "", const char* file = "", int n1 = 0, int n2 = 0,
              int stopping_code = 0) {
  return {c, 0, n1, n2, what, file, nullptr, stopping_code};
}

// Each row reports one code; a stopping code already standing in the record is kept.
TEST(Report, PrintsDecidesAndClears) {
  struct Row {
    ErrorCode e;
    const char* out;  // nullptr: some warning text of its own
    int stop, stopping_code;
  };
  std::vector<Row> rows = {
      {err(55), "\nWarning: Write hydrograph time step not specified, defaulting to 1 hour.\n", 0,
       0},
      {err(129), "\n", 1, 129},  // no message: the run stops after the newline
      {err(136), "\n", 1, 136},
      {err(4000), "\n", 1, 4000},
      {err(0), "", 0, 0},
      {err(-3), "", 0, 0},
      {err(3), "\nError: The specified project file was not found.\n", 1, 3},
      {err(4, "watershed mask", "mask.asc"),
       "\nError: Unable to open watershed mask file.\n  (File: mask.asc)\n", 1, 4},
      {err(71, "", "soil.idx", 3, 7, 4),
       "\nIndex ID exceeds table limit, file: soil.idx [row 3:col 7]\n", 1, 4},
      {err(54, "", "", 7), "\nError: The time step (7) must be evenly divisible into 60 seconds.\n",
       1, 54}};
  for (int w : {14, 16, 17, 39, 41, 95, 96}) rows.push_back({err(w), nullptr, 0, 0});
  for (Row& r : rows) {
    SCOPED_TRACE(r.e.code);
    const std::string out = printed([&] { report(r.e); });
    EXPECT_EQ(out, r.out ? r.out : out);
    EXPECT_TRUE(r.out || (out.size() > 1 && out[0] == '\n')) << out;
    EXPECT_EQ(r.e.code, 0);
    EXPECT_EQ(r.e.stop, r.stop);
    EXPECT_EQ(r.e.stopping_code, r.stopping_code);
  }
}

TEST(Report, OnlyCode129BelowCode136HasNoMessage) {
  for (int code = 1; code <= 135; ++code) {
    SCOPED_TRACE(code);
    EXPECT_EQ(error_message(code, ErrorCode{}).empty(), code == 129);
  }
}

TEST(OutputName, FoldersRunNumberAndQuotes) {
  const struct {
    bool numbered;
    const char *project, *output, *name, *mode, *want;
  } rows[] = {{false, "", "", "\"sum.out\"", "w", "sum.out"},
              {true, "", "", "out_time.out", "a", "0003_out_time.out"},
              {true, "", "", "input.prj", "r", "input.prj"},  // inputs keep their names
              {true, "proj", "", "q.out", "w", "proj\\0003_q.out"},
              {true, "proj", "res\\", "q.out", "w", "proj\\res\\0003_q.out"},
              {false, "proj", "res", "q.out", "w+", "proj\\res\\q.out"},
              {false, "proj", "res", "q.out", "x", "q.out"}};
  for (const auto& r : rows) {
    SCOPED_TRACE(r.want);
    RunContext& p = run_context();
    p.numbered_output = r.numbered;
    p.output_run_number = 3;
    p.project_folder = folder_with_separator(r.project);
    p.output_folder = folder_with_separator(r.output);
    EXPECT_EQ(output_name(r.name, r.mode), r.want);
  }
}

TEST(FileHandle, OpenAndCloseGuards) {
  const std::string path = testing::TempDir() + "torva_fh_test.txt";
  FileHandle h;
  EXPECT_FALSE(h.open("", "w"));
  EXPECT_FALSE(h.open(path, "x"));
  ASSERT_TRUE(h.open(path, "w"));
  EXPECT_EQ(h.name + "|" + h.mode, path + "|w");
  EXPECT_EQ(printed([&] { EXPECT_TRUE(h.open(path, "a")); }),
            "\n\nError!!!!!!! opening a file when the previous file was not closed.\n"
            "Original file: " +
                path + "\nNew file: " + path + "\n\n\n");
  h.fp_check = nullptr;  // a damaged handle is still closed
  EXPECT_EQ(printed([&] { h.close(); }),
            "\n\n\nError with the file " + path + ". The file pointer is corrupt.\n\n\n\n");
  EXPECT_EQ(h.fp, nullptr);
  EXPECT_EQ(h.name, "");
  const std::string long_name = testing::TempDir() + std::string(1100, 'n');
  EXPECT_EQ(printed([&] { EXPECT_FALSE(h.open(long_name, "w")); }),
            "Error.... name too long!!!\n\n\n");  // and too long for the file system
  std::filesystem::remove(path);
}

TEST(Arrays, OneBasedZeroFilledRowsOverOneBlock) {
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

TEST(Arrays, FailedRequestsNameTheirArray) {
  const std::string empty = "Error: Attempting to allocate array of size 0\n";
  Array1<double> a("elevgw"), huge("huge_array");
  Array2<double> b("q_node_mass"), s("stream_pointsource");
  Array3<double> c("c3");
  const std::pair<std::function<bool()>, std::string> rows[] = {
      {[&] { return a.allocate(0); }, ""},
      {[&] { return a.allocate(-1); }, empty},
      {[&] { return b.allocate(0, 4); }, empty},
      {[&] { return s.allocate(3, 0, true); },
       empty + "Error allocating memory for variable stream_pointsource\n"},
      {[&] { return c.allocate(1, 0, 1); }, empty},
      {[&] { return huge.allocate(1L << 61); },
       "Error allocating memory for variable huge_array\n"}};
  for (int k = 0; k < 6; ++k) {
    SCOPED_TRACE("row " + std::to_string(k));
    EXPECT_EQ(printed([&] { EXPECT_FALSE(rows[k].first()); }), rows[k].second);
  }
  EXPECT_TRUE(huge.empty());
}

}  // namespace
}  // namespace torva
