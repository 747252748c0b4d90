// The log grid's cells: any cell can be set, again and again, whatever the
// size of its text, and rows come and go with the row count.
#include <gtest/gtest.h>

#include <string>

#include "widgets/widgets.h"

namespace horone::testing {
namespace {

std::string CellOf(const StringGrid& g, int col, int row) { return std::string(g.Cell(col, row)); }

TEST(StringGrid, StartsWithTwoEmptyRows) {
  StringGrid g("StringGrid1", nullptr, {}, 0);
  EXPECT_EQ(g.RowCount(), 2);
  for (int c = 0; c < StringGrid::kColumns; ++c) {
    EXPECT_EQ(CellOf(g, c, 0), "");
    EXPECT_EQ(CellOf(g, c, 1), "");
  }
  EXPECT_EQ(CellOf(g, 5, 0), "");  // out of range reads empty
  EXPECT_EQ(CellOf(g, 0, 2), "");
  EXPECT_EQ(CellOf(g, -1, -1), "");
}

TEST(StringGrid, EveryColumnOfEveryRowHoldsItsOwnText) {
  StringGrid g("StringGrid1", nullptr, {}, 0);
  g.SetRowCount(1002);
  for (int r = 0; r < 1002; ++r) {
    for (int c = 0; c < StringGrid::kColumns; ++c) g.SetCell(c, r, "c" + std::to_string(c) + "r" + std::to_string(r));
  }
  for (int r = 0; r < 1002; ++r) {
    for (int c = 0; c < StringGrid::kColumns; ++c) {
      ASSERT_EQ(CellOf(g, c, r), "c" + std::to_string(c) + "r" + std::to_string(r));
    }
  }
}

TEST(StringGrid, CellsSetAgainShowTheLastText) {
  StringGrid g("StringGrid1", nullptr, {}, 0);
  for (int c = 0; c < StringGrid::kColumns; ++c) {
    g.SetCell(c, 1, "a fairly long first text");
    g.SetCell(c, 1, "short");
    EXPECT_EQ(CellOf(g, c, 1), "short");
    g.SetCell(c, 1, "and now a text longer than both of them");
    EXPECT_EQ(CellOf(g, c, 1), "and now a text longer than both of them");
    g.SetCell(c, 1, "");
    EXPECT_EQ(CellOf(g, c, 1), "");
    g.SetCell(c, 1, "back");
    EXPECT_EQ(CellOf(g, c, 1), "back");
  }
  // The other row is untouched.
  EXPECT_EQ(CellOf(g, 3, 0), "");
}

TEST(StringGrid, ACellCanBeSetFromItsOwnText) {
  StringGrid g("StringGrid1", nullptr, {}, 0);
  for (int c = 0; c < StringGrid::kColumns; ++c) {
    g.SetCell(c, 1, "abcdef");
    g.SetCell(c, 1, g.Cell(c, 1).substr(2));  // a part of itself
    EXPECT_EQ(CellOf(g, c, 1), "cdef");
    g.SetCell(c, 0, g.Cell(c, 1));  // another cell's text
    EXPECT_EQ(CellOf(g, c, 0), "cdef");
  }
}

TEST(StringGrid, SharedColumnsKeepEqualTextsApart) {
  StringGrid g("StringGrid1", nullptr, {}, 0);
  g.SetRowCount(5);
  g.SetCell(0, 1, "第12卓 ");
  g.SetCell(0, 2, "第13卓 ");
  g.SetCell(0, 3, "第12卓 ");
  g.SetCell(1, 1, "第12卓 ");  // the same text in another column
  g.SetCell(0, 2, "");
  EXPECT_EQ(CellOf(g, 0, 1), "第12卓 ");
  EXPECT_EQ(CellOf(g, 0, 2), "");
  EXPECT_EQ(CellOf(g, 0, 3), "第12卓 ");
  EXPECT_EQ(CellOf(g, 1, 1), "第12卓 ");
  // Many distinct texts (a time every second of a day) all come back.
  g.SetRowCount(86402);
  for (int r = 1; r <= 86400; ++r) g.SetCell(2, r, std::to_string(r - 1));
  for (int r = 1; r <= 86400; ++r) ASSERT_EQ(CellOf(g, 2, r), std::to_string(r - 1));
}

TEST(StringGrid, LongTextsAndTextsWithZeroBytesComeBackWhole) {
  StringGrid g("StringGrid1", nullptr, {}, 0);
  g.SetRowCount(6);
  const std::string big(200000, 'x');
  const std::string chunky(65536, 'y');
  const std::string nul("a\0b", 3);
  g.SetCell(4, 1, big);
  g.SetCell(3, 2, chunky);
  g.SetCell(4, 3, nul);
  g.SetCell(0, 4, big);
  for (int i = 0; i < 3000; ++i) g.SetCell(4, 5, std::string(static_cast<size_t>(i % 70), 'z'));  // many chunks
  EXPECT_EQ(CellOf(g, 4, 1), big);
  EXPECT_EQ(CellOf(g, 3, 2), chunky);
  EXPECT_EQ(CellOf(g, 4, 3), nul);
  EXPECT_EQ(CellOf(g, 0, 4), big);
  EXPECT_EQ(CellOf(g, 4, 5), std::string(2999 % 70, 'z'));
  g.SetCell(4, 1, "small again");
  EXPECT_EQ(CellOf(g, 4, 1), "small again");
}

TEST(StringGrid, RowsCutOffComeBackEmpty) {
  StringGrid g("StringGrid1", nullptr, {}, 0);
  g.SetRowCount(10000);
  for (int r = 0; r < 10000; ++r) {
    g.SetCell(3, r, "u" + std::to_string(r));
    g.SetCell(1, r, "d");
  }
  g.SetRowCount(4100);
  EXPECT_EQ(g.RowCount(), 4100);
  EXPECT_EQ(CellOf(g, 3, 4100), "");
  g.SetRowCount(1);  // at least the header and one row
  EXPECT_EQ(g.RowCount(), 2);
  EXPECT_EQ(CellOf(g, 3, 1), "u1");
  g.SetRowCount(10000);
  EXPECT_EQ(CellOf(g, 3, 0), "u0");
  EXPECT_EQ(CellOf(g, 3, 1), "u1");
  for (int r = 2; r < 10000; ++r) {
    ASSERT_EQ(CellOf(g, 3, r), "") << r;
    ASSERT_EQ(CellOf(g, 1, r), "") << r;
  }
}

TEST(StringGrid, CurrentRowFollowsACutRowCount) {
  StringGrid g("StringGrid1", nullptr, {}, 0);
  g.SetRowCount(10);
  g.SetRow(9);
  g.SetRowCount(5);
  EXPECT_EQ(g.Row(), 4);
}

}  // namespace
}  // namespace horone::testing
