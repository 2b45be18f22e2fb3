#include "common/ui/radar_chart.h"

#include <QPainter>
#include <QtCharts/QCategoryAxis>
#include <QtCharts/QLegend>
#include <QtCharts/QLegendMarker>
#include <QtCharts/QLineSeries>
#include <QtCharts/QPolarChart>
#include <QtCharts/QScatterSeries>
#include <QtCharts/QValueAxis>
#include <algorithm>

#include "common/ui/paint_targets.h"
#include "common/ui/picture_font.h"
#include "common/ui/qt_text.h"

namespace lindora::ui {

QChart* MakeRadarChart(const RadarChart& data) {
  auto* chart = new QPolarChart;
  chart->setTitle(Q(data.title));
  chart->setTitleFont(PictureFont(18, true));
  chart->setAnimationOptions(QChart::NoAnimation);
  chart->setBackgroundBrush(Qt::white);
  chart->setMargins(QMargins(12, 12, 12, 12));

  const std::size_t n = std::max<std::size_t>(data.axes.size(), 1);
  const double step = 360.0 / static_cast<double>(n);
  // One category per axis, its label centred on the spoke: the angular axis runs 0..360 and
  // each category spans half a step either side of its spoke.
  auto* angles = new QCategoryAxis;
  angles->setRange(0, 360);
  angles->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
  angles->setLabelsFont(PictureFont(14, true));
  for (std::size_t i = 0; i < data.axes.size(); ++i)
    angles->append(Q(data.axes[i]), static_cast<double>(i) * step);
  angles->setGridLineVisible(true);
  angles->setStartValue(0);

  double max_value = 0;
  for (const BarSeries& s : data.series)
    for (double v : s.values) max_value = std::max(max_value, v);
  auto* radius = new QValueAxis;
  radius->setRange(0, max_value > 0 ? max_value * 1.1 : 1);
  radius->applyNiceNumbers();
  radius->setLabelFormat("%d");
  radius->setLabelsFont(PictureFont(11));
  radius->setTickCount(5);

  chart->addAxis(angles, QPolarChart::PolarOrientationAngular);
  chart->addAxis(radius, QPolarChart::PolarOrientationRadial);

  for (std::size_t s = 0; s < data.series.size(); ++s) {
    const Rgb rgb = CommunityColor(static_cast<int>(s) + 1);
    const QColor color(rgb.r, rgb.g, rgb.b);
    auto* line = new QLineSeries;
    line->setName(Q(data.series[s].name));
    auto* points = new QScatterSeries;
    points->setMarkerSize(7);
    points->setColor(color);
    points->setBorderColor(color);
    for (std::size_t i = 0; i < data.axes.size(); ++i) {
      const double v = i < data.series[s].values.size() ? data.series[s].values[i] : 0;
      line->append(static_cast<double>(i) * step, v);
      points->append(static_cast<double>(i) * step, v);
    }
    // Closes the polygon at the first spoke.
    if (!data.axes.empty())
      line->append(360, data.series[s].values.empty() ? 0 : data.series[s].values[0]);
    QPen pen(color);
    pen.setWidthF(2.5);
    line->setPen(pen);
    chart->addSeries(line);
    chart->addSeries(points);
    for (QAbstractSeries* series :
         {static_cast<QAbstractSeries*>(line), static_cast<QAbstractSeries*>(points)}) {
      series->attachAxis(angles);
      series->attachAxis(radius);
    }
  }
  // Only the line series carry names; the dots need no legend entry.
  const bool legend = data.series.size() > 1;
  chart->legend()->setVisible(legend);
  if (legend) {
    for (QLegendMarker* marker : chart->legend()->markers())
      if (qobject_cast<QScatterSeries*>(marker->series())) marker->setVisible(false);
    chart->legend()->setAlignment(Qt::AlignTop);
    chart->legend()->setFont(PictureFont(13));
  }
  return chart;
}

QImage RadarChartImage(const RadarChart& data, QSize size) {
  return ChartImage(MakeRadarChart(data), size);
}

}  // namespace lindora::ui
