#include "common/grid.h"

#include <algorithm>

#include "common/analysis_list.h"
#include "common/text.h"

namespace lindora {

namespace {
const std::string kEmpty;

int ToTwips(double v) {
  auto r = ToInt32(v);
  return r ? *r : (v < 0 ? INT32_MIN : INT32_MAX);
}
}  // namespace

Grid::Grid(int rows, int cols)
    : cols_(std::max(cols, 1)),
      cells_(std::max(rows, 1), std::vector<std::string>(std::max(cols, 1))),
      alignment_(cols_, Alignment::kGeneral),
      col_width_(cols_, kDefaultColWidth),
      row_height_(std::max(rows, 1), kDefaultRowHeight) {
  if (Rows() == 1) row_ = row_sel_ = 0;
}

void Grid::Clear() {
  for (auto& row : cells_)
    for (auto& cell : row) cell.clear();
  ++version_;
}

void Grid::SetRows(int rows) {
  rows = std::max(rows, 1);
  cells_.resize(rows, std::vector<std::string>(cols_));
  row_height_.resize(rows, kDefaultRowHeight);
  row_ = std::min(row_, rows - 1);
  row_sel_ = std::min(row_sel_, rows - 1);
  ++version_;
}

void Grid::SetCols(int cols) {
  cols_ = std::max(cols, 1);
  for (auto& row : cells_) row.resize(cols_);
  alignment_.resize(cols_, Alignment::kGeneral);
  col_width_.resize(cols_, kDefaultColWidth);
  col_ = std::min(col_, cols_ - 1);
  ++version_;
}

const std::string& Grid::TextMatrix(int row, int col) const {
  return InRange(row, col) ? cells_[row][col] : kEmpty;
}

void Grid::SetTextMatrix(int row, int col, std::string_view text) {
  if (!InRange(row, col)) return;
  cells_[row][col].assign(text);
  ++version_;
}

void Grid::SetRow(int row) {
  if (row >= 0 && row < Rows()) row_ = row;
}

void Grid::SetCol(int col) {
  if (col >= 0 && col < cols_) col_ = col;
}

void Grid::SetRowSel(int row) {
  if (row >= 0 && row < Rows()) row_sel_ = row;
}

Alignment Grid::ColAlignment(int col) const {
  return col >= 0 && col < cols_ ? alignment_[col] : Alignment::kGeneral;
}

void Grid::SetColAlignment(int col, Alignment a) {
  if (col < 0 || col >= cols_) return;
  alignment_[col] = a;
  ++version_;
}

int Grid::ColWidth(int col) const {
  return col >= 0 && col < cols_ ? col_width_[col] : 0;
}

void Grid::SetColWidth(int col, int twips) {
  if (col < 0 || col >= cols_) return;
  col_width_[col] = twips;
  ++version_;
}

int Grid::RowHeight(int row) const {
  return row >= 0 && row < Rows() ? row_height_[row] : 0;
}

void Grid::SetRowHeight(int row, int twips) {
  if (row < 0 || row >= Rows()) return;
  row_height_[row] = twips;
  ++version_;
}

void SetGridCell(Grid& grid, std::string_view text, double col, double row, double width) {
  const int r = ToTwips(row), c = ToTwips(col);
  grid.SetRow(r);
  grid.SetCol(c);
  grid.SetColAlignment(c, Alignment::kCenterCenter);
  grid.SetTextMatrix(r, c, text);
  grid.SetColWidth(c, ToTwips(width));
}

void FillGrid(Grid& grid, const ResultTable& table, int cols) {
  const int header = static_cast<int>(table.header.size());
  if (cols < 0) cols = header;
  grid.SetCols(cols);
  grid.SetRows(1);
  for (int c = 0; c < cols; ++c) grid.SetTextMatrix(0, c, c < header ? table.header[c] : "");
  for (const std::vector<TableCell>& row : table.rows) {
    grid.AddRow();
    const int r = grid.Rows() - 1;
    for (int c = 0; c < cols && c < static_cast<int>(row.size()); ++c)
      grid.SetTextMatrix(r, c, row[c].text);
  }
}

}  // namespace lindora
