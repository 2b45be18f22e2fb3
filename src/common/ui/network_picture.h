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

}  // namespace lindora::ui
