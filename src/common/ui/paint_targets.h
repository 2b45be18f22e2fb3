// The surfaces every picture is drawn on: a white image, an SVG document, a chart laid out on an
// image of the given size. The pictures differ only in what they paint.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QtCharts/QChart>
#include <functional>

namespace lindora::ui {

using Paint = std::function<void(QPainter&, const QRectF&)>;

// `size` is in units; an image has PictureScale() pixels per unit, and when that is not 1 its
// resolution prints a unit as kPrintPointsPerUnit points.
QImage PaintedImage(QSize size, const Paint& paint);
void SetPictureScale(double scale);
double PictureScale();
QByteArray PaintedSvg(QSize size, const QString& title, const Paint& paint);

// Takes the chart; `laid_out` may adjust it once it has its size, before it is drawn.
QImage ChartImage(QChart* chart, QSize size, const std::function<void(QChart*)>& laid_out = {});

}  // namespace lindora::ui
