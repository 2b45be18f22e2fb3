#include "common/grid.h"

#include <gtest/gtest.h>

#include <random>

#include "common/header_sort.h"

namespace lindora {
namespace {

TEST(GridTest, ClearThenOneRowThenHeadersShowsOnlyTheNewHeader) {
  Grid g(5, 3);
  g.SetTextMatrix(2, 1, "old");
  g.SetTextMatrix(0, 0, "old header");
  g.Clear();
  g.SetRows(1);
  SetGridCell(g, "中药名", 0, 0, 2000);
  SetGridCell(g, "频数", 1, 0, 1);
  EXPECT_EQ(g.Rows(), 1);
  EXPECT_EQ(g.Cols(), 3);
  EXPECT_EQ(g.TextMatrix(0, 0), "中药名");
  EXPECT_EQ(g.TextMatrix(0, 2), "");
  g.AddRow();
  EXPECT_EQ(g.TextMatrix(1, 1), "");  // the appended row is empty, not the old content
}

TEST(GridTest, SetGridCellMovesTheCurrentCellAndCentresOnlyItsColumn) {
  Grid g(3, 5);
  g.SetColAlignment(2, Alignment::kLeftCenter);
  SetGridCell(g, "x", 3, 0, 1234.5);
  EXPECT_EQ(g.Row(), 0);
  EXPECT_EQ(g.Col(), 3);
  EXPECT_EQ(g.Text(), "x");
  EXPECT_EQ(g.ColAlignment(3), Alignment::kCenterCenter);
  EXPECT_EQ(static_cast<int>(g.ColAlignment(3)), 4);
  EXPECT_EQ(g.ColAlignment(2), Alignment::kLeftCenter);
  EXPECT_EQ(g.ColWidth(3), 1234);  // half to even
  SetGridCell(g, "y", 1, 0, 1235.5);
  EXPECT_EQ(g.ColWidth(1), 1236);
}

TEST(GridTest, WritingBeyondTheLastColumnIsIgnored) {
  Grid g(2, 2);
  g.SetTextMatrix(1, 5, "x");
  SetGridCell(g, "y", 7, 0, 100);
  g.SetTextMatrix(9, 0, "z");
  EXPECT_EQ(g.TextMatrix(1, 5), "");
  EXPECT_EQ(g.Cols(), 2);
  EXPECT_EQ(g.Rows(), 2);
  EXPECT_EQ(g.TextMatrix(0, 0), "");
}

TEST(GridTest, TextMatrixDoesNotMoveTheCurrentCell) {
  Grid g(4, 3);
  g.SetRow(2);
  g.SetCol(1);
  g.SetTextMatrix(3, 2, "a");
  EXPECT_EQ(g.Row(), 2);
  EXPECT_EQ(g.Col(), 1);
  g.SetText("b");
  EXPECT_EQ(g.TextMatrix(2, 1), "b");
}

TEST(GridTest, ShrinkingKeepsCurrentCellAndRowSelInside) {
  Grid g(10, 2);
  g.SetRow(8);
  g.SetRowSel(9);
  g.SetRows(3);
  EXPECT_EQ(g.Row(), 2);
  EXPECT_EQ(g.RowSel(), 2);
  g.SetCols(1);
  EXPECT_EQ(g.Col(), 0);
}

// Random columns of numbers with blanks: every click order keeps blanks last, the rest ordered
// the way the click says, ties in the table's own order.
TEST(HeaderSortTest, BlanksLastTiesStableAndASecondClickReverses) {
  std::mt19937 random(7);
  for (int round = 0; round < 200; ++round) {
    std::vector<int> cells(random() % 12);  // -1: a blank cell
    for (int& c : cells) c = static_cast<int>(random() % 5) - 1;
    HeaderSort sort;
    for (int click = 0; click < 3; ++click) {
      sort.Click(4, /*numeric=*/true);
      EXPECT_EQ(sort.Descending(), click % 2 == 0);  // numbers: largest first, then reversed
      std::vector<std::size_t> rows(cells.size());
      for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = i;
      sort.Order(
          rows, [&](std::size_t a, std::size_t b) { return cells[a] - cells[b]; },
          [&](std::size_t a) { return cells[a] < 0; });
      for (std::size_t i = 1; i < rows.size(); ++i) {
        const int x = cells[rows[i - 1]], y = cells[rows[i]];
        EXPECT_FALSE(x < 0 && y >= 0);
        if (x >= 0 && y >= 0) {
          EXPECT_TRUE(sort.Descending() ? x >= y : x <= y);
        }
        if (x == y) {
          EXPECT_LT(rows[i - 1], rows[i]);
        }
      }
    }
  }
  HeaderSort text;
  text.Click(0, /*numeric=*/false);
  EXPECT_FALSE(text.Descending());  // text: pinyin order from the start
  text.Click(1, /*numeric=*/true);
  EXPECT_TRUE(text.Descending());  // another column starts afresh
}

}  // namespace
}  // namespace lindora
