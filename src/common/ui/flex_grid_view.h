// Shows a Grid: row 0 is the fixed header, 15 twips per pixel, a 1-twip column is hidden.
// A left click moves the grid's current cell and RowSel before `Clicked` is emitted; a right
// press leaves them alone and only emits `MouseDown`. A keyboard move (arrows, Page Up/Down,
// Home/End, Tab) does what a left click on the cell it reaches does.
#pragma once

#include <QAbstractTableModel>
#include <QTableView>

#include "common/grid.h"
#include "common/redraw_watch.h"

namespace lindora::ui {

class GridTableModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit GridTableModel(const Grid* grid, QObject* parent = nullptr)
      : QAbstractTableModel(parent), grid_(grid) {}
  void SetGrid(const Grid* grid) { grid_ = grid; }
  void Reset() {
    beginResetModel();
    endResetModel();
  }
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation o, int role) const override;

 private:
  const Grid* grid_;
};

class FlexGridView : public QTableView {
  Q_OBJECT
 public:
  explicit FlexGridView(Grid* grid, QWidget* parent = nullptr);
  Grid* grid() const { return grid_; }
  void SetGrid(Grid* grid);
  // Shows the grid's current cell, and re-reads cells and sizes when the grid was written since
  // the last time (so a refresh without a change keeps the scroll position).
  void Refresh();

 signals:
  void Clicked();
  void MouseDown(Qt::MouseButton button);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void MoveTo(int row, int col);
  void HeaderPressed(int section);
  void ShowCurrentCell();
  Grid* grid_;
  GridTableModel* model_;
  bool left_pressed_ = false;
  RedrawWatch watch_;
};

}  // namespace lindora::ui
