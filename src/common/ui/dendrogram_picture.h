// The one dendrogram drawing: labels on the left, brackets growing to the right with the merge
// height, cluster colours below the cut, the cut as a dashed line and a height axis. Windows,
// PNG and SVG files all paint with it.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QPainter>

#include "common/pictures.h"

namespace lindora::ui {

void PaintDendrogram(QPainter& painter, const DendrogramPicture& picture, const QRectF& area);
QImage DendrogramImage(const DendrogramPicture& picture, QSize size);
QByteArray DendrogramSvg(const DendrogramPicture& picture, QSize size);

}  // namespace lindora::ui
