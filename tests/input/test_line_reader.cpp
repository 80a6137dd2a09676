// The shared line reader and token readers.
#include <gtest/gtest.h>

#include "input/line_reader.hpp"
#include "test_cards_helpers.hpp"

namespace torva {
namespace {

using testing_support::write_file;

TEST(LineReaderTest, LinesLimitsAndLastLineWithoutNewline) {
  const std::string path =
      write_file("lines.txt", "one\r\n\n" + std::string(kMaxLine + 5, 'a') + "\nlast");
  LineReader in;
  ASSERT_TRUE(in.open(path));
  std::string line;
  ASSERT_TRUE(in.next(line));
  EXPECT_EQ(line, "one\r");
  ASSERT_TRUE(in.next(line));
  EXPECT_EQ(line, "");
  ASSERT_TRUE(in.next(line));
  EXPECT_EQ(line.size(), kMaxLine);
  EXPECT_TRUE(in.last_line_truncated());
  ASSERT_TRUE(in.next(line));
  EXPECT_EQ(line, "last");
  EXPECT_FALSE(in.last_line_truncated());
  EXPECT_EQ(in.line_number(), 4);
  EXPECT_FALSE(in.next(line));
}

TEST(LineReaderTest, TokensSeparatorsQuotesAndNumbers) {
  Tokens t("  a,\t\"b c\" , 12x  3.5e2 -7 word");
  std::string s;
  int i = 0;
  double d = 0.0;
  ASSERT_TRUE(t.text(s));
  EXPECT_EQ(s, "a");
  ASSERT_TRUE(t.text(s));
  EXPECT_EQ(s, "b c");
  ASSERT_TRUE(t.integer(i));
  EXPECT_EQ(i, 12) << "leading digits count, as with %d";
  ASSERT_TRUE(t.number(d));
  EXPECT_DOUBLE_EQ(d, 350.0);
  ASSERT_TRUE(t.integer(i));
  EXPECT_EQ(i, -7);
  ASSERT_TRUE(t.number(d));
  EXPECT_EQ(d, 0.0) << "a word gives 0 and is consumed";
  EXPECT_FALSE(t.number(d));
  EXPECT_TRUE(t.empty());
}

}  // namespace
}  // namespace torva
