#include "common/ui/network_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace lindora::ui {
namespace {
// How far the wheel zooms out and in.
constexpr double kMinZoom = 0.2, kMaxZoom = 20.0;
}  // namespace

NetworkView::NetworkView(QWidget* parent) : QWidget(parent) {
  setMinimumSize(300, 200);
  setCursor(Qt::OpenHandCursor);
}

void NetworkView::SetPicture(NetworkPicture picture) {
  picture_ = std::move(picture);
  update();
}

void NetworkView::ResetView() {
  zoom_ = 1;
  pan_ = {};
  update();
}

void NetworkView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  PaintNetwork(painter, picture_, QRectF(rect()), zoom_, pan_);
}

void NetworkView::wheelEvent(QWheelEvent* event) {
  // Zoom about the pointer: the point under it stays where it is.
  const double factor = std::pow(1.0015, event->angleDelta().y());
  const double next = std::clamp(zoom_ * factor, kMinZoom, kMaxZoom);
  const QPointF c = QRectF(rect()).center();
  const QPointF mouse = event->position();
  pan_ = mouse - c - (mouse - c - pan_) * (next / zoom_);
  zoom_ = next;
  update();
}

void NetworkView::mousePressEvent(QMouseEvent* event) {
  drag_from_ = event->position();
}

void NetworkView::mouseMoveEvent(QMouseEvent* event) {
  if (!(event->buttons() & Qt::LeftButton)) return;
  pan_ += event->position() - drag_from_;
  drag_from_ = event->position();
  update();
}

void NetworkView::mouseDoubleClickEvent(QMouseEvent*) {
  ResetView();
}

}  // namespace lindora::ui
