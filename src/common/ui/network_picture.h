// The one network drawing: nodes as circles sized by their weight with their labels, edges as
// lines as wide as their weight, colours by community, a legend beside the graph. Windows,
// PNG and SVG files all paint with it.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QPainter>
#include <QPointF>

#include "common/pictures.h"

namespace lindora::ui {

// Paints into `area`; the graph (not title and legend) is zoomed by `zoom` around its centre
// and shifted by `pan` pixels.
void PaintNetwork(QPainter& painter, const NetworkPicture& picture, const QRectF& area,
                  double zoom = 1, QPointF pan = {});
QImage NetworkImage(const NetworkPicture& picture, QSize size);
QByteArray NetworkSvg(const NetworkPicture& picture, QSize size);

}  // namespace lindora::ui
