// The network on screen.
#pragma once

#include <QWidget>

#include "common/ui/network_picture.h"

namespace lindora::ui {

// Shows a network; the wheel zooms, dragging pans, a double click resets the view.
class NetworkView : public QWidget {
  Q_OBJECT
 public:
  explicit NetworkView(QWidget* parent = nullptr);
  void SetPicture(NetworkPicture picture);
  const NetworkPicture& Picture() const { return picture_; }
  void ResetView();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  NetworkPicture picture_;
  double zoom_ = 1;
  QPointF pan_;
  QPointF drag_from_;
};

}  // namespace lindora::ui
