// The table every list of the program is shown in: row 0 is the fixed header row, cells hold
// text, there is a current cell and a selection end row. Sizes are in twips.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lindora {

struct ResultTable;

enum class Alignment : int {
  kLeftTop = 0,
  kLeftCenter = 1,
  kLeftBottom = 2,
  kCenterTop = 3,
  kCenterCenter = 4,
  kCenterBottom = 5,
  kRightTop = 6,
  kRightCenter = 7,
  kRightBottom = 8,
  kGeneral = 9,
};

class Grid {
 public:
  static constexpr int kDefaultColWidth = 960;
  static constexpr int kDefaultRowHeight = -1;  // the view's natural height

  Grid(int rows = 2, int cols = 2);

  // Empties every cell; the numbers of rows and columns stay.
  void Clear();

  int Rows() const { return static_cast<int>(cells_.size()); }
  // Growing appends empty rows at the end; shrinking drops rows from the end. At least 1.
  void SetRows(int rows);
  void AddRow() { SetRows(Rows() + 1); }
  int Cols() const { return cols_; }
  void SetCols(int cols);

  // Reading outside the grid gives an empty text; writing outside it is ignored.
  const std::string& TextMatrix(int row, int col) const;
  void SetTextMatrix(int row, int col, std::string_view text);

  int Row() const { return row_; }
  int Col() const { return col_; }
  void SetRow(int row);
  void SetCol(int col);
  const std::string& Text() const { return TextMatrix(row_, col_); }
  void SetText(std::string_view text) { SetTextMatrix(row_, col_, text); }
  int RowSel() const { return row_sel_; }
  void SetRowSel(int row);

  Alignment ColAlignment(int col) const;
  void SetColAlignment(int col, Alignment a);
  int ColWidth(int col) const;
  void SetColWidth(int col, int twips);
  int RowHeight(int row) const;
  void SetRowHeight(int row, int twips);

  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetWidth(int twips) {
    width_ = twips;
    ++version_;
  }
  void SetHeight(int twips) {
    height_ = twips;
    ++version_;
  }

  // Changes with every write to the cells, sizes or alignment (not with the current cell, which
  // a view shows anyway); reading never changes it. A view reloads the grid only when it did.
  unsigned Version() const { return version_; }

  // All cells of one row (for printing and for the view).
  const std::vector<std::string>& RowCells(int row) const { return cells_[row]; }

 private:
  bool InRange(int row, int col) const {
    return row >= 0 && row < Rows() && col >= 0 && col < cols_;
  }
  int cols_;
  std::vector<std::vector<std::string>> cells_;
  std::vector<Alignment> alignment_;
  std::vector<int> col_width_;
  std::vector<int> row_height_;
  int row_ = 1, col_ = 0, row_sel_ = 1;
  int width_ = 4800, height_ = 3600;
  unsigned version_ = 0;
};

// The width (twips) of a 频数 column beside a name column in the analysis grids.
inline constexpr int kCountColumnWidth = 1200;

// Writes a header cell: moves the current cell there, centres the whole column, writes the
// text and sets the column width (rounded half to even, as 32-bit twips).
void SetGridCell(Grid& grid, std::string_view text, double col, double row, double width);

// An engine's table in a grid: its header in row 0 and the text of its rows below, in its first
// `cols` columns (all of the header's when negative). Widths and alignment stay the caller's.
void FillGrid(Grid& grid, const ResultTable& table, int cols = -1);

}  // namespace lindora
