#include "common/ui/paint_targets.h"

#include <QBuffer>
#include <QGraphicsScene>
#include <QSvgGenerator>

namespace lindora::ui {

QImage PaintedImage(QSize size, const Paint& paint) {
  QImage image(size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::white);
  QPainter painter(&image);
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
