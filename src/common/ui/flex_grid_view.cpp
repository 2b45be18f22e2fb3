#include "common/ui/flex_grid_view.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>

#include "common/ui/qt_text.h"
#include "common/ui/twips.h"

namespace lindora::ui {

namespace {
Qt::Alignment ToQt(Alignment a) {
  switch (a) {
    case Alignment::kLeftTop: return Qt::AlignLeft | Qt::AlignTop;
    case Alignment::kLeftCenter: return Qt::AlignLeft | Qt::AlignVCenter;
    case Alignment::kLeftBottom: return Qt::AlignLeft | Qt::AlignBottom;
    case Alignment::kCenterTop: return Qt::AlignHCenter | Qt::AlignTop;
    case Alignment::kCenterCenter: return Qt::AlignCenter;
    case Alignment::kCenterBottom: return Qt::AlignHCenter | Qt::AlignBottom;
    case Alignment::kRightTop: return Qt::AlignRight | Qt::AlignTop;
    case Alignment::kRightCenter: return Qt::AlignRight | Qt::AlignVCenter;
    case Alignment::kRightBottom: return Qt::AlignRight | Qt::AlignBottom;
    case Alignment::kGeneral: break;
  }
  return Qt::AlignLeft | Qt::AlignVCenter;
}
}  // namespace

int GridTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() || !grid_ ? 0 : grid_->Rows() - 1;
}

int GridTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() || !grid_ ? 0 : grid_->Cols();
}

QVariant GridTableModel::data(const QModelIndex& index, int role) const {
  if (!grid_ || !index.isValid()) return {};
  if (role == Qt::DisplayRole) return Q(grid_->TextMatrix(index.row() + 1, index.column()));
  if (role == Qt::TextAlignmentRole)
    return QVariant::fromValue(ToQt(grid_->ColAlignment(index.column())));
  return {};
}

QVariant GridTableModel::headerData(int section, Qt::Orientation o, int role) const {
  if (!grid_ || o != Qt::Horizontal) return {};
  if (role == Qt::DisplayRole) return Q(grid_->TextMatrix(0, section));
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(ToQt(grid_->ColAlignment(section)));
  return {};
}

FlexGridView::FlexGridView(Grid* grid, QWidget* parent)
    : QTableView(parent), grid_(grid), model_(new GridTableModel(grid, this)) {
  setModel(model_);
  verticalHeader()->hide();
  horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  horizontalHeader()->setSectionsClickable(true);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setMinimumSectionSize(0);
  verticalHeader()->setMinimumSectionSize(1);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setWordWrap(false);
  connect(horizontalHeader(), &QHeaderView::sectionPressed, this, &FlexGridView::HeaderPressed);
  horizontalHeader()->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(horizontalHeader(), &QWidget::customContextMenuRequested, this,
          [this](const QPoint&) { emit MouseDown(Qt::RightButton); });
  Refresh();
}

void FlexGridView::SetGrid(Grid* grid) {
  grid_ = grid;
  model_->SetGrid(grid);
  watch_.Forget();
  Refresh();
}

void FlexGridView::Refresh() {
  if (grid_ && !watch_.Moved(grid_->Version())) return ShowCurrentCell();
  model_->Reset();
  if (!grid_) return;
  for (int c = 0; c < grid_->Cols(); ++c) {
    int w = grid_->ColWidth(c);
    setColumnHidden(c, w <= 1);
    if (w > 1) setColumnWidth(c, Px(w));
  }
  for (int r = 1; r < grid_->Rows(); ++r) {
    int h = grid_->RowHeight(r);
    if (h > 0) setRowHeight(r - 1, std::max(1, Px(h)));
  }
  ShowCurrentCell();
}

void FlexGridView::ShowCurrentCell() {
  // The current row, or while the current cell is in the header the selected row: a fill that
  // selects a row without moving the current cell (an ingredient list) shows that row.
  const int row = !grid_ ? 0 : grid_->Row() >= 1 ? grid_->Row() : grid_->RowSel();
  if (row < 1 || row >= grid_->Rows()) {
    selectionModel()->clearSelection();
    return;
  }
  QModelIndex idx = model_->index(row - 1, grid_->Col());
  selectionModel()->setCurrentIndex(idx, QItemSelectionModel::ClearAndSelect);
}

void FlexGridView::MoveTo(int row, int col) {
  grid_->SetRow(row);
  grid_->SetCol(col);
  grid_->SetRowSel(row);
}

void FlexGridView::HeaderPressed(int section) {
  if (!grid_ || !(QGuiApplication::mouseButtons() & Qt::LeftButton)) return;
  MoveTo(0, section);
  emit MouseDown(Qt::LeftButton);
  emit Clicked();
}

void FlexGridView::mousePressEvent(QMouseEvent* event) {
  QModelIndex idx = indexAt(event->position().toPoint());
  if (event->button() == Qt::LeftButton) {
    if (grid_ && idx.isValid()) MoveTo(idx.row() + 1, idx.column());
    left_pressed_ = idx.isValid();
    QTableView::mousePressEvent(event);
    emit MouseDown(Qt::LeftButton);
    return;
  }
  emit MouseDown(event->button());
}

void FlexGridView::keyPressEvent(QKeyEvent* event) {
  const QModelIndex before = currentIndex();
  QTableView::keyPressEvent(event);
  const QModelIndex now = currentIndex();
  if (!grid_ || !now.isValid() || now == before) return;
  // A keyboard move is a click on the cell it reaches: the pop-up actions and the structure
  // picture follow the highlighted cell. Handlers may unload the window; nothing runs after.
  MoveTo(now.row() + 1, now.column());
  QPointer<FlexGridView> alive(this);
  emit MouseDown(Qt::LeftButton);
  if (alive) emit Clicked();
}

void FlexGridView::mouseReleaseEvent(QMouseEvent* event) {
  QTableView::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && left_pressed_) {
    left_pressed_ = false;
    emit Clicked();
  }
}

}  // namespace lindora::ui
