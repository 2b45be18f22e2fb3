#include "common/ui/network_picture.h"

#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <numeric>
#include <optional>

#include "common/ui/paint_targets.h"
#include "common/ui/picture_font.h"
#include "common/ui/qt_text.h"
#include "common/ui/twips.h"

namespace lindora::ui {
namespace {

QColor ColorOf(int community) {
  Rgb c = CommunityColor(community);
  return QColor(c.r, c.g, c.b);
}

// Draws text centred on a point inside a thin white halo, so lines and circles under it do not
// hide it. The halo is the text itself drawn around the point, which SVG keeps as text.
void Label(QPainter& p, const QString& text, QPointF centre, const QFont& font) {
  QFontMetricsF m(font);
  QRectF box(0, 0, m.horizontalAdvance(text) + 6, m.height() + 2);
  box.moveCenter(centre);
  p.setFont(font);
  p.setPen(QColor(255, 255, 255, 220));
  const double d = std::max(1.0, font.pixelSize() / 12.0);
  for (QPointF off : {QPointF(-d, 0), QPointF(d, 0), QPointF(0, -d), QPointF(0, d), QPointF(-d, -d),
                      QPointF(d, d), QPointF(-d, d), QPointF(d, -d)})
    p.drawText(box.translated(off), Qt::AlignCenter, text);
  p.setPen(Qt::black);
  p.drawText(box, Qt::AlignCenter, text);
}

}  // namespace

void PaintNetwork(QPainter& p, const NetworkPicture& pic, const QRectF& area, double zoom,
                  QPointF pan, std::vector<NetworkLabel>* labels_out, QString* note_out) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  p.fillRect(area, Qt::white);
  const double u = std::min(area.width(), area.height()) / 1000.0;
  auto px = [u](double v, int at_least) { return std::max(at_least, static_cast<int>(v * u)); };

  // Title across the top.
  QRectF rest = area;
  if (!pic.title.empty()) {
    QFont title = PictureFont(px(26, 14), true);
    const double h = QFontMetricsF(title).height() * 1.6;
    p.setFont(title);
    p.setPen(Qt::black);
    p.drawText(QRectF(area.left(), area.top(), area.width(), h), Qt::AlignCenter, Q(pic.title));
    rest.setTop(area.top() + h);
  }

  // Legend in its own column on the right; the graph never reaches into it.
  if (!pic.legend.empty()) {
    QFont font = PictureFont(px(16, 11));
    QFontMetricsF m(font);
    double width = 0;
    for (const std::string& line : pic.legend)
      width = std::max(width, m.horizontalAdvance(Q(line)));
    const double dot = m.height() * 0.7, line_h = m.height() * 1.4;
    width = std::min(width + dot + 3 * dot, area.width() * 0.35);
    QRectF box(rest.right() - width - 10 * u, rest.top() + 10 * u, width, 0);
    const int fit = std::max(1, static_cast<int>((rest.height() - 20 * u) / line_h) - 1);
    const int shown = std::min<int>(fit, static_cast<int>(pic.legend.size()));
    const bool cut = shown < static_cast<int>(pic.legend.size());
    box.setHeight(line_h * (shown + (cut ? 1 : 0)) + line_h * 0.5);
    p.setPen(QPen(QColor(190, 190, 190), 1));
    p.setBrush(QColor(250, 250, 250));
    p.drawRect(box);
    p.setFont(font);
    for (int i = 0; i < shown; ++i) {
      const double y = box.top() + line_h * (i + 0.75);
      p.setPen(Qt::NoPen);
      p.setBrush(ColorOf(i + 1));
      p.drawEllipse(QPointF(box.left() + dot, y), dot / 2, dot / 2);
      p.setPen(Qt::black);
      QRectF text(box.left() + 2 * dot, y - line_h / 2, box.width() - 2.5 * dot, line_h);
      p.drawText(
          text, Qt::AlignLeft | Qt::AlignVCenter,
          m.elidedText(Q(pic.legend[static_cast<std::size_t>(i)]), Qt::ElideRight, text.width()));
    }
    if (cut) {
      p.drawText(QRectF(box.left() + 2 * dot, box.top() + line_h * (shown + 0.25),
                        box.width() - 2.5 * dot, line_h),
                 Qt::AlignLeft | Qt::AlignVCenter,
                 QStringLiteral("…共 %1 个社区").arg(pic.legend.size()));
    }
    rest.setRight(box.left() - 10 * u);
  }
  if (pic.nodes.empty() || rest.width() <= 0 || rest.height() <= 0) {
    p.restore();
    return;
  }

  // Node radii by the square root of the size (area proportional to it).
  const double largest = std::max_element(pic.nodes.begin(), pic.nodes.end(), [](auto& a, auto& b) {
                           return a.size < b.size;
                         })->size;
  const double r_max = std::max(8.0, 30 * u), r_min = std::max(3.0, 7 * u);
  auto radius = [&](const NetworkPicture::Node& n) {
    return largest > 0 ? r_min + (r_max - r_min) * std::sqrt(std::max(0.0, n.size) / largest)
                       : r_min;
  };

  // Layout box mapped into the graph area, leaving room for the largest circle and a label.
  double minx = pic.nodes[0].x, maxx = minx, miny = pic.nodes[0].y, maxy = miny;
  for (const auto& n : pic.nodes) {
    minx = std::min(minx, n.x), maxx = std::max(maxx, n.x);
    miny = std::min(miny, n.y), maxy = std::max(maxy, n.y);
  }
  const QPointF zoom_centre = area.center();  // the view zooms about the same point
  auto positions = [&](const QRectF& room) {
    const QRectF graph =
        room.adjusted(r_max + 30 * u, r_max + 10 * u, -r_max - 30 * u, -r_max - 10 * u);
    const QPointF centre = graph.center();
    std::vector<QPointF> at(pic.nodes.size());
    for (std::size_t i = 0; i < pic.nodes.size(); ++i) {
      const auto& n = pic.nodes[i];
      QPointF q(
          maxx > minx ? graph.left() + (n.x - minx) / (maxx - minx) * graph.width() : centre.x(),
          maxy > miny ? graph.top() + (n.y - miny) / (maxy - miny) * graph.height() : centre.y());
      at[i] = zoom_centre + (q - zoom_centre) * zoom + pan;
    }
    return at;
  };

  // Labels are placed greedily, the largest nodes first: inside the circle when the name fits,
  // else the first spot around it that overlaps no label and no other circle (then: no label).
  // A name with no free spot is replaced by a number and listed under the graph.
  struct Placed {
    QString text;
    QFont font;
    QPointF centre;
    bool numbered = false;
  };
  auto place = [&](const std::vector<QPointF>& at, const QRectF& room) {
    std::vector<Placed> placed(pic.nodes.size());
    std::vector<std::size_t> order(pic.nodes.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
      return pic.nodes[a].size > pic.nodes[b].size;
    });
    std::vector<QRectF> taken;
    auto hits_circle = [&](const QRectF& box, std::size_t self) {
      for (std::size_t j = 0; j < at.size(); ++j) {
        if (j == self) continue;
        const double r = radius(pic.nodes[j]) * std::sqrt(zoom);
        const double dx = std::max({box.left() - at[j].x(), 0.0, at[j].x() - box.right()});
        const double dy = std::max({box.top() - at[j].y(), 0.0, at[j].y() - box.bottom()});
        if (dx * dx + dy * dy < r * r) return true;
      }
      return false;
    };
    int number = 0;
    for (std::size_t i : order) {
      if (!room.contains(at[i])) continue;  // zoomed or panned out of sight
      const double r = radius(pic.nodes[i]);
      Placed& l = placed[i];
      l.font = PictureFont(
          std::max(11, static_cast<int>((13 + 7 * (r - r_min) / std::max(1.0, r_max - r_min)) * u)),
          r > (r_min + r_max) / 2);
      l.text = Q(pic.nodes[i].label);
      const double shown_r = r * std::sqrt(zoom);
      QFontMetricsF m(l.font);
      const QSizeF box(m.horizontalAdvance(l.text) + 4, m.height());
      std::vector<QPointF> spots;
      if (box.width() <= 1.6 * shown_r) spots.push_back(at[i]);
      const double dy = shown_r + box.height() * 0.55, dx = shown_r + box.width() * 0.5 + 2;
      for (QPointF off : {QPointF(0, dy), QPointF(0, -dy), QPointF(dx, 0), QPointF(-dx, 0),
                          QPointF(dx * 0.8, dy * 0.8), QPointF(-dx * 0.8, dy * 0.8),
                          QPointF(dx * 0.8, -dy * 0.8), QPointF(-dx * 0.8, -dy * 0.8)})
        spots.push_back(at[i] + off);
      auto rect_at = [&](QPointF c) {
        QRectF b(QPointF(), box);
        b.moveCenter(c);
        return b;
      };
      auto free = [&](QPointF c, bool mind_circles) {
        const QRectF b = rect_at(c);
        if (!room.contains(b)) return false;
        for (const QRectF& t : taken)
          if (t.intersects(b)) return false;
        return !(mind_circles && c != at[i] && hits_circle(b, i));
      };
      std::optional<QPointF> spot;
      for (bool mind_circles : {true, false}) {
        for (QPointF c : spots)
          if (!spot && free(c, mind_circles)) spot = c;
      }
      if (!spot) {
        l.numbered = true;
        l.text = QString::number(++number);
        l.font = PictureFont(std::max(10, static_cast<int>(12 * u)), true);
        spot = at[i];
      }
      l.centre = *spot;
      if (!l.numbered) taken.push_back(rect_at(*spot));
    }
    return placed;
  };

  std::vector<QPointF> at = positions(rest);
  std::vector<Placed> labels = place(at, rest);
  // The names that got a number are listed in a band below the graph, never over it.
  QFont note_font = PictureFont(px(15, 11));
  auto note_of = [&](const std::vector<Placed>& ls) {
    std::vector<std::pair<int, QString>> listed;
    for (std::size_t i = 0; i < ls.size(); ++i)
      if (ls[i].numbered) listed.emplace_back(ls[i].text.toInt(), Q(pic.nodes[i].label));
    std::sort(listed.begin(), listed.end());
    QStringList parts;
    for (const auto& [n, name] : listed) parts << QStringLiteral("%1 %2").arg(n).arg(name);
    return parts.isEmpty() ? QString()
                           : QStringLiteral("图中编号：") + parts.join(QStringLiteral("，"));
  };
  QString note = note_of(labels);
  QRectF note_box;
  if (!note.isEmpty()) {
    QFontMetricsF m(note_font);
    const double h =
        m.boundingRect(QRectF(0, 0, rest.width() - 20 * u, 1e6), Qt::TextWordWrap, note).height() +
        m.height();  // room for a few more numbers in the second placement
    note_box = QRectF(rest.left() + 10 * u, rest.bottom() - h, rest.width() - 20 * u, h);
    rest.setBottom(note_box.top() - 4 * u);
    at = positions(rest);
    labels = place(at, rest);
    note = note_of(labels);
  }
  p.save();
  p.setClipRect(rest);

  // Edges, light ones first so heavy ones stay on top.
  double w_min = 0, w_max = 0;
  if (!pic.edges.empty()) {
    auto [lo, hi] = std::minmax_element(pic.edges.begin(), pic.edges.end(),
                                        [](auto& a, auto& b) { return a.weight < b.weight; });
    w_min = lo->weight, w_max = hi->weight;
  }
  std::vector<std::size_t> order(pic.edges.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return pic.edges[a].weight < pic.edges[b].weight;
  });
  for (std::size_t k : order) {
    const auto& e = pic.edges[k];
    if (e.source >= at.size() || e.target >= at.size()) continue;
    const double t = w_max > w_min ? (e.weight - w_min) / (w_max - w_min) : 0.5;
    QPen pen(QColor(110, 110, 110, static_cast<int>(70 + 130 * t)),
             std::max(0.6, (0.8 + 7 * t) * u * zoom));
    pen.setCapStyle(Qt::RoundCap);
    p.setPen(pen);
    p.drawLine(at[e.source], at[e.target]);
  }

  // Circles, then every label over them.
  p.setPen(QPen(Qt::white, std::max(1.0, 1.5 * u)));
  for (std::size_t i = 0; i < pic.nodes.size(); ++i) {
    p.setBrush(ColorOf(pic.nodes[i].community));
    const double r = radius(pic.nodes[i]) * std::sqrt(zoom);
    p.drawEllipse(at[i], r, r);
  }
  for (std::size_t i = 0; i < labels.size(); ++i) {
    const Placed& l = labels[i];
    if (l.text.isEmpty()) continue;
    Label(p, l.text, l.centre, l.font);
    if (labels_out) {
      QRectF box(QPointF(), QSizeF(QFontMetricsF(l.font).horizontalAdvance(l.text) + 4,
                                   QFontMetricsF(l.font).height()));
      box.moveCenter(l.centre);
      labels_out->push_back({i, l.text, box, l.numbered});
    }
  }
  if (note_out) *note_out = note;
  p.restore();
  if (!note.isEmpty()) {
    p.setFont(note_font);
    p.setPen(Qt::black);
    p.drawText(note_box, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, note);
  }
  p.restore();
}

QImage NetworkImage(const NetworkPicture& picture, QSize size) {
  return PaintedImage(size,
                      [&](QPainter& p, const QRectF& area) { PaintNetwork(p, picture, area); });
}

QByteArray NetworkSvg(const NetworkPicture& picture, QSize size) {
  return PaintedSvg(size, Q(picture.title),
                    [&](QPainter& p, const QRectF& area) { PaintNetwork(p, picture, area); });
}

}  // namespace lindora::ui
