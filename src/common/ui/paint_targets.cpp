#include "common/ui/paint_targets.h"

#include <QBuffer>
#include <QGraphicsScene>
#include <QSvgGenerator>

#include "common/pictures.h"

namespace lindora::ui {

namespace {
double picture_scale = 1;
}  // namespace

void SetPictureScale(double scale) {
  picture_scale = scale > 0 ? scale : 1;
}

double PictureScale() {
  return picture_scale;
}

QImage PaintedImage(QSize size, const Paint& paint) {
  const double s = picture_scale;
  QImage image(QSize(qRound(size.width() * s), qRound(size.height() * s)),
               QImage::Format_ARGB32_Premultiplied);
  if (s != 1) {
    // The resolution tells a typesetter the print size.
    const int per_metre = qRound(s * 72 / kPrintPointsPerUnit / 0.0254);
    image.setDotsPerMeterX(per_metre);
    image.setDotsPerMeterY(per_metre);
  }
  image.fill(Qt::white);
  QPainter painter(&image);
  // Scaled by the painter, not by the image's pixel ratio: charts lay out their labels by the
  // device's pixels and would shorten every name.
  painter.scale(s, s);
  paint(painter, QRectF(QPointF(0, 0), QSizeF(size)));
  return image;
}

QByteArray PaintedSvg(QSize size, const QString& title, const Paint& paint) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QSvgGenerator svg;
  svg.setOutputDevice(&buffer);
  svg.setSize(size);
  svg.setViewBox(QRect(QPoint(0, 0), size));
  svg.setTitle(title);
  {
    QPainter painter(&svg);
    paint(painter, QRectF(QPointF(0, 0), QSizeF(size)));
  }
  return bytes;
}

QImage ChartImage(QChart* chart, QSize size, const std::function<void(QChart*)>& laid_out) {
  QGraphicsScene scene;
  scene.addItem(chart);  // the scene owns and deletes it
  chart->setGeometry(QRectF(QPointF(0, 0), QSizeF(size)));
  if (laid_out) laid_out(chart);
  return PaintedImage(size, [&](QPainter& painter, const QRectF& area) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    scene.render(&painter, area, area);
  });
}

}  // namespace lindora::ui
