// The one network drawing: nodes as circles sized by their weight with their labels, edges as
// lines as wide as their weight, colours by community, a legend beside the graph. Windows,
// PNG and SVG files all paint with it.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QPainter>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QWidget>
#include <vector>

#include "common/pictures.h"

namespace lindora::ui {

// Where a node's name was drawn: its text (a number when no free spot was found; the name is
// then listed below the graph) and its box. A node out of sight has no label.
struct NetworkLabel {
  std::size_t node = 0;
  QString text;
  QRectF box;
  bool numbered = false;
};

// Paints into `area`; the graph (not title and legend) is zoomed by `zoom` around its centre
// and shifted by `pan` pixels. `labels`, when given, receives where the names went and
// `note` the list of numbered names.
void PaintNetwork(QPainter& painter, const NetworkPicture& picture, const QRectF& area,
                  double zoom = 1, QPointF pan = {}, std::vector<NetworkLabel>* labels = nullptr,
                  QString* note = nullptr);
QImage NetworkImage(const NetworkPicture& picture, QSize size);
QByteArray NetworkSvg(const NetworkPicture& picture, QSize size);

// Shows a network; the wheel zooms, dragging pans, a double click resets the view.
class NetworkView : public QWidget {
  Q_OBJECT
 public:
  explicit NetworkView(QWidget* parent = nullptr);
  void SetPicture(NetworkPicture picture);
  const NetworkPicture& Picture() const { return picture_; }
  double Zoom() const { return zoom_; }
  void SetZoom(double zoom);
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
