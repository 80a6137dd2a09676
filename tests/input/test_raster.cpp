// The generic raster reader: its four modes, the header rules, end of file, bad tokens and
// the zero-value and category messages.
#include <random>

#include "input/raster.hpp"
#include "input/test_raster_util.hpp"

namespace torva {
namespace {

using testing::grid_text;

class RasterTest : public testing::ScratchDir {
 protected:
  // A 3 x 3 mask with the corners outside: cells 1..5 in row-major order.
  void SetUp() override {
    ScratchDir::SetUp();
    mask.allocate(4, 4);
    const int m[3][3] = {{0, 1, 0}, {2, 3, 4}, {0, 5, 0}};
    for (int r = 0; r < 3; ++r)
      for (int c = 0; c < 3; ++c) mask(r + 1, c + 1) = m[r][c];
    values.assign(6, -1.0);
    ids.assign(6, -1);
  }
  // Reads `text` as file "map.asc"; captures the console in `out`.
  bool read(const std::string& text, int mode, int rows = 3, int cols = 3) {
    write("map.asc", text);
    FileHandle f;
    EXPECT_TRUE(f.open("map.asc", "r"));
    GridDestination d;
    if (mode == kRealFirst) d.first = values;
    if (mode == kRealSecond) d.second = values;
    if (mode == kCategory) d.ids = ids;
    ::testing::internal::CaptureStdout();
    const bool ok = read_grid(f, "map.asc", mode, header, mode == kIntegerGrid ? grid : mask, d,
                              rows, cols, &result);
    out = ::testing::internal::GetCapturedStdout();
    return ok;
  }

  Array2<int> mask{"mask"};
  Array2<int> grid{"data"};
  std::vector<double> values;
  std::vector<int> ids;
  GridHeader header;
  GridReadResult result;
  std::string out;
};

TEST_F(RasterTest, RealMapStoresCellsInsideTheMaskInCellOrder) {
  ASSERT_TRUE(read(grid_text(3, 3, {"9 1.5 9", "2.25 3 4e-1", "9 -5 9"}), kRealFirst));
  EXPECT_EQ(values, (std::vector<double>{-1.0, 1.5, 2.25, 3.0, 0.4, -5.0}));
  EXPECT_EQ(header.north, 300.0);
  EXPECT_EQ(header.rows, 3);
  EXPECT_EQ(header.cols, 3);
  EXPECT_EQ(out, "");
  EXPECT_EQ(error_code().code, 0);
}

TEST_F(RasterTest, SecondDestinationAndCommasReadLikeBlanks) {
  ASSERT_TRUE(read(grid_text(3, 3, {"0,1.5,0", "2.25,\t3 , 4", "0 5 0"}), kRealSecond));
  EXPECT_EQ(values, (std::vector<double>{-1.0, 1.5, 2.25, 3.0, 4.0, 5.0}));
}

TEST_F(RasterTest, ShortLineReadsZerosAndWarns) {
  ASSERT_TRUE(read(grid_text(3, 3, {"0 1", "2", "0 5 0"}), kRealFirst));
  EXPECT_EQ(values, (std::vector<double>{-1.0, 1.0, 2.0, 0.0, 0.0, 5.0}));
  EXPECT_EQ(result.zero_cells, 2);
  EXPECT_EQ(out, "Warning: Map contains 2 cells with zero values. Map: map.asc\n");
}

TEST_F(RasterTest, AllZeroMapGivesBothWarnings) {
  ASSERT_TRUE(read(grid_text(3, 3, {"0 0 0", "0 0 0", "0 0 0"}), kRealFirst));
  EXPECT_EQ(out,
            "Warning: Map contains only zero values. Map: map.asc\n"
            "Warning: Map contains 5 cells with zero values. Map: map.asc\n");
}

TEST_F(RasterTest, ValueOutsideTheMaskMarksMapNotAllZero) {
  ASSERT_TRUE(read(grid_text(3, 3, {"7 0 0", "0 0 0", "0 0 0"}), kRealFirst));
  EXPECT_FALSE(result.all_zero);
  EXPECT_EQ(out, "Warning: Map contains 5 cells with zero values. Map: map.asc\n");
}

TEST_F(RasterTest, IntegerGridIgnoresLineBreaks) {
  grid.allocate(4, 4);
  ASSERT_TRUE(read(grid_text(3, 3, {"1 2", "3 4 5 6", "7", "8 9"}), kIntegerGrid));
  EXPECT_EQ(grid(1, 1), 1);
  EXPECT_EQ(grid(2, 1), 4);
  EXPECT_EQ(grid(3, 3), 9);
  EXPECT_EQ(grid(0, 0), 0);
}

TEST_F(RasterTest, CategoryMapCountsEachCategoryInOrder) {
  ASSERT_TRUE(read(grid_text(3, 3, {"3 7 3", "1 7 1", "3 7 3"}), kCategory));
  EXPECT_EQ(ids, (std::vector<int>{-1, 7, 1, 7, 1, 7}));
  EXPECT_EQ(out,
            "In map map.asc category 1 has 2 values\n"
            "In map map.asc category 7 has 3 values\n");
}

TEST_F(RasterTest, CategoryOutsideRangeInsideMaskStops) {
  EXPECT_FALSE(read(grid_text(3, 3, {"0 1 0", "1 10001 1", "0 1 0"}), kCategory));
  EXPECT_EQ(out, "Error: category 10001 outside 0..10000 in map: map.asc (row 2, column 2)\n");
  EXPECT_EQ(error_code().code, 4000);
  // Outside the mask a no-data value is ignored.
  testing::clear_error();
  EXPECT_TRUE(read(grid_text(3, 3, {"-9999 1 0", "1 10000 1", "0 1 0"}), kCategory));
}

TEST_F(RasterTest, HeaderSizeMessages) {
  const std::vector<std::string> rows = {"0 1 0", "1 1 1", "0 1 0"};
  EXPECT_FALSE(read(grid_text(2, 3, rows), kRealFirst));
  EXPECT_EQ(out, "Incorrect number of rows in map: map.asc\n");
  EXPECT_EQ(error_code().code, 4000);
  EXPECT_EQ(values[1], -1.0);  // nothing stored
  EXPECT_FALSE(read(grid_text(3, 4, rows), kRealFirst));
  EXPECT_EQ(out, "Incorrect number of columns in map: map.asc\n");
  EXPECT_FALSE(read(grid_text(4, 4, rows), kIntegerGrid));
  EXPECT_EQ(out, "Incorrect number of rows and columns in map: map.asc\n");
}

TEST_F(RasterTest, HeaderLabelsAreWordsOfSixAndFiveCharacters) {
  ASSERT_TRUE(
      read("north:300\nsouth 0\neast:300.5\nwest: -2\nrows:3\ncols:\t3\n0 1 0\n1 1 "
           "1\n0 1 0\n",
           kRealFirst));
  EXPECT_EQ(header.north, 300.0);
  EXPECT_EQ(header.east, 300.5);
  EXPECT_EQ(header.west, -2.0);
  EXPECT_EQ(header.cols, 3);
  EXPECT_FALSE(read("northing 300\nsouth 0\neast 300\nwest 0\nrows 3\ncols 3\n", kRealFirst));
}

TEST_F(RasterTest, AbsurdHeaderFailsWithTheRowsMessage) {
  EXPECT_FALSE(
      read("north: 1\nsouth: 0\neast: 1\nwest: 0\nrows: 1000000000\ncols: 3\n1 2 3\n", kRealFirst));
  EXPECT_EQ(out, "Incorrect number of rows in map: map.asc\n");
}

TEST_F(RasterTest, UnexpectedEndOfFile) {
  EXPECT_FALSE(read(grid_text(3, 3, {"0 1 0", "1 1 1"}), kRealFirst));
  EXPECT_EQ(out, "Unexpected end of file in file: map.asc\n");
  EXPECT_EQ(error_code().code, 4000);
  EXPECT_FALSE(read(grid_text(3, 3, {"0 1 0 1 1 1 0 1"}), kCategory));
  EXPECT_EQ(out, "Unexpected end of file in file: map.asc\n");
  EXPECT_FALSE(read("north: 1\nsouth: 0\n", kRealFirst));
  EXPECT_EQ(out, "Unexpected end of file in file: map.asc\n");
}

TEST_F(RasterTest, BadTokensNameTheirPlace) {
  EXPECT_FALSE(read(grid_text(3, 3, {"0 1 0", "1 12abc 1", "0 1 0"}), kRealFirst));
  EXPECT_EQ(out, "Error: invalid value \"12abc\" in map: map.asc (row 2, column 2)\n");
  EXPECT_FALSE(read(grid_text(3, 3, {"0 1 0", "1 1 nan", "0 1 0"}), kRealFirst));
  EXPECT_EQ(out, "Error: invalid value \"nan\" in map: map.asc (row 2, column 3)\n");
  EXPECT_FALSE(read(grid_text(3, 3, {"0 1 0", "1 1.5 1", "0 1 0"}), kCategory));
  EXPECT_EQ(out, "Error: invalid value \"1.5\" in map: map.asc (row 2, column 2)\n");
  EXPECT_FALSE(read("north: x\nsouth: 0\neast: 1\nwest: 0\nrows: 3\ncols: 3\n", kRealFirst));
  EXPECT_EQ(out, "Error: header line 1 of map map.asc does not hold a label and a number\n");
}

TEST_F(RasterTest, ReplacementParametersInRealMapLines) {
  ReplaceList& list = run_context().replace;
  ReplaceParam p;
  p.key = "[KS]";
  p.key_length = 4;
  p.format = "%4.2lf";
  p.kind = 1;
  p.number_value = 2.5;
  list.params.push_back(p);
  list.active = true;
  const bool ok = read(grid_text(3, 3, {"0 [KS] 0", "1 1 1", "0 1 0"}), kRealFirst);
  list.clear();
  ASSERT_TRUE(ok) << out;
  EXPECT_EQ(values[1], 2.5);
}

TEST_F(RasterTest, WideRowsAreNeverCut) {
  // Rows far beyond the 20000-character input line keep every value.
  const int cols = 5000;
  Array2<int> wide("mask");
  wide.allocate(2, cols + 1);
  for (int c = 1; c <= cols; ++c) wide(1, c) = c;
  std::string row;
  for (int c = 1; c <= cols; ++c) row += std::to_string(c) + ".125 ";
  write("wide.asc", grid_text(1, cols, {row}));
  std::vector<double> v(cols + 1);
  FileHandle f;
  ASSERT_TRUE(f.open("wide.asc", "r"));
  ASSERT_TRUE(read_grid(f, "wide.asc", kRealFirst, header, wide, {v, {}, {}}, 1, cols));
  EXPECT_EQ(v[1], 1.125);
  EXPECT_EQ(v[cols], cols + 0.125);
}

TEST(TextScanner, LinesAndTokensAcrossSmallBuffers) {
  std::FILE* fp = std::tmpfile();
  const std::string text = "alpha beta\n\n" + std::string(300, 'x') + "\r\nlast";
  std::fputs(text.c_str(), fp);
  std::rewind(fp);
  TextScanner in(fp, 16);
  std::string_view line;
  ASSERT_TRUE(in.next_line(line));
  EXPECT_EQ(line, "alpha beta");
  ASSERT_TRUE(in.next_line(line));
  EXPECT_EQ(line, "");
  ASSERT_TRUE(in.next_line(line));
  EXPECT_EQ(line, std::string(300, 'x') + "\r");
  ASSERT_TRUE(in.next_line(line));
  EXPECT_EQ(line, "last");
  EXPECT_FALSE(in.next_line(line));
  std::rewind(fp);
  TextScanner tokens(fp, 16);
  std::vector<std::string> got;
  std::string_view t;
  while (tokens.next_token(t)) got.emplace_back(t);
  EXPECT_EQ(got, (std::vector<std::string>{"alpha", "beta", std::string(300, 'x'), "last"}));
  std::fclose(fp);
}

TEST_F(RasterTest, TruncatedAndGarbledFilesNeverCrash) {
  const std::string good = grid_text(3, 3, {"3 1 3", "1 7 1", "3 7 3"});
  std::mt19937 rng(7);
  for (int mode : {kRealFirst, kIntegerGrid, kRealSecond, kCategory}) {
    grid.allocate(4, 4);
    const std::size_t last_row = good.rfind("3 7 3");
    for (std::size_t n = 0; n < good.size(); ++n) {
      testing::clear_error();
      const bool ok = read(good.substr(0, n), mode);
      if (n <= last_row) {
        EXPECT_FALSE(ok) << "prefix " << n;
      }
      if (!ok) {
        EXPECT_EQ(error_code().code, 4000);
      }
    }
    for (int trial = 0; trial < 60; ++trial) {
      std::string bad = good;
      for (int k = 0; k < 3; ++k) bad[rng() % bad.size()] = static_cast<char>(rng() % 256);
      testing::clear_error();
      if (!read(bad, mode)) {
        EXPECT_EQ(error_code().code, 4000);
      }
    }
  }
}

}  // namespace
}  // namespace torva
