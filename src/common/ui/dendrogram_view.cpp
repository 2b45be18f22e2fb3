#include "common/ui/dendrogram_view.h"

#include <QPainter>

namespace lindora::ui {

DendrogramView::DendrogramView(QWidget* parent) : QWidget(parent) {
  setMinimumSize(300, 200);
}

void DendrogramView::SetPicture(DendrogramPicture picture) {
  picture_ = std::move(picture);
  update();
}

void DendrogramView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  PaintDendrogram(painter, picture_, QRectF(rect()));
}

}  // namespace lindora::ui
