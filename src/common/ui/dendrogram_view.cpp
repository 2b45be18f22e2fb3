#include "common/ui/dendrogram_view.h"

#include <QPainter>
#include <algorithm>

namespace lindora::ui {

DendrogramView::DendrogramView(QWidget* parent) : QWidget(parent) {
  setMinimumSize(300, 200);
}

void DendrogramView::SetPicture(DendrogramPicture picture) {
  picture_ = std::move(picture);
  // Rows of at least 18 pixels keep the labels at 13 pixels or more; a taller tree scrolls in
  // the window that holds it.
  setMinimumHeight(std::max(200, static_cast<int>(picture_.labels.size()) * 18 + 120));
  update();
}

void DendrogramView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  PaintDendrogram(painter, picture_, QRectF(rect()));
}

}  // namespace lindora::ui
