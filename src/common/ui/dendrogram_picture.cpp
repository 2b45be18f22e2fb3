#include "common/ui/dendrogram_picture.h"

#include <algorithm>
#include <cmath>

#include "common/ui/paint_targets.h"
#include "common/ui/picture_font.h"
#include "common/ui/qt_text.h"

namespace lindora::ui {
namespace {

QColor ColorOf(int group) {
  if (group <= 0) return QColor(90, 90, 90);
  Rgb c = CommunityColor(group);
  return QColor(c.r, c.g, c.b);
}

// A tick step of 1, 2 or 5 times a power of ten giving about five ticks.
double TickStep(double span) {
  if (span <= 0) return 1;
  const double raw = span / 5, power = std::pow(10.0, std::floor(std::log10(raw)));
  for (double m : {1.0, 2.0, 5.0})
    if (raw <= m * power) return m * power;
  return 10 * power;
}

}  // namespace

void PaintDendrogram(QPainter& p, const DendrogramPicture& pic, const QRectF& area) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  p.fillRect(area, Qt::white);
  QRectF rest = area.adjusted(10, 6, -24, -6);
  if (!pic.title.empty()) {
    QFont title = PictureFont(20, true);
    const double h = QFontMetricsF(title).height() * 1.5;
    p.setFont(title);
    p.setPen(Qt::black);
    p.drawText(QRectF(rest.left(), rest.top(), rest.width(), h), Qt::AlignCenter, Q(pic.title));
    rest.setTop(rest.top() + h);
  }
  const std::size_t n = pic.labels.size();
  if (n == 0) {
    p.restore();
    return;
  }
  QFont axis_font = PictureFont(13);
  const double axis_h = QFontMetricsF(axis_font).height() * 2.6;
  const double row = (rest.height() - axis_h) / static_cast<double>(n);
  QFont font = PictureFont(std::clamp(static_cast<int>(row * 0.72), 8, 18));
  QFontMetricsF m(font);
  double label_w = 0;
  for (const std::string& label : pic.labels)
    label_w = std::max(label_w, m.horizontalAdvance(Q(label)));
  const double left = rest.left() + label_w + 14, right = rest.right();
  double top_height = pic.cut;
  for (const auto& link : pic.links) top_height = std::max(top_height, link.height);
  if (top_height <= 0) top_height = 1;
  auto x = [&](double h) { return left + (right - left) * h / top_height; };
  auto y = [&](double pos) { return rest.top() + row * (pos + 0.5); };

  p.setFont(font);
  for (std::size_t i = 0; i < n; ++i) {
    p.setPen(ColorOf(i < pic.groups.size() ? pic.groups[i] : 0));
    p.drawText(QRectF(rest.left(), y(static_cast<double>(i)) - row / 2, label_w + 6, row),
               Qt::AlignRight | Qt::AlignVCenter, Q(pic.labels[i]));
  }
  for (const auto& link : pic.links) {
    p.setPen(QPen(ColorOf(link.group), 1.6));
    const double xh = x(link.height);
    p.drawLine(QPointF(x(link.h1), y(link.y1)), QPointF(xh, y(link.y1)));
    p.drawLine(QPointF(x(link.h2), y(link.y2)), QPointF(xh, y(link.y2)));
    p.drawLine(QPointF(xh, y(link.y1)), QPointF(xh, y(link.y2)));
  }
  // Height axis under the tree.
  const double axis_y = rest.bottom() - axis_h + 6;
  p.setPen(QPen(Qt::black, 1));
  p.drawLine(QPointF(left, axis_y), QPointF(right, axis_y));
  p.setFont(axis_font);
  const double step = TickStep(top_height);
  for (double t = 0; t <= top_height * (1 + 1e-9); t += step) {
    p.drawLine(QPointF(x(t), axis_y), QPointF(x(t), axis_y + 4));
    p.drawText(QRectF(x(t) - 40, axis_y + 4, 80, axis_h / 2.6), Qt::AlignHCenter | Qt::AlignTop,
               QString::number(t, 'g', 4));
  }
  if (!pic.axis.empty())
    p.drawText(QRectF(left, axis_y + axis_h / 2.6 + 2, right - left, axis_h / 2.6), Qt::AlignCenter,
               Q(pic.axis));
  if (pic.cut >= 0) {
    QPen dashed(QColor(200, 30, 30), 1.4, Qt::DashLine);
    p.setPen(dashed);
    p.drawLine(QPointF(x(pic.cut), rest.top()), QPointF(x(pic.cut), axis_y));
  }
  p.restore();
}

QImage DendrogramImage(const DendrogramPicture& picture, QSize size) {
  return PaintedImage(size,
                      [&](QPainter& p, const QRectF& area) { PaintDendrogram(p, picture, area); });
}

QByteArray DendrogramSvg(const DendrogramPicture& picture, QSize size) {
  return PaintedSvg(size, Q(picture.title),
                    [&](QPainter& p, const QRectF& area) { PaintDendrogram(p, picture, area); });
}

}  // namespace lindora::ui
