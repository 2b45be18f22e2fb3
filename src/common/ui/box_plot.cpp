#include "common/ui/box_plot.h"

#include <QPainter>
#include <QtCharts/QBoxPlotSeries>
#include <QtCharts/QBoxSet>
#include <QtCharts/QCategoryAxis>
#include <QtCharts/QScatterSeries>
#include <QtCharts/QValueAxis>
#include <algorithm>

#include "common/ui/bar_chart.h"
#include "common/ui/paint_targets.h"
#include "common/ui/picture_font.h"
#include "common/ui/qt_text.h"

namespace lindora::ui {

QChart* MakeBoxPlotChart(const BoxPlot& data) {
  auto* chart = new QChart;
  chart->setTitle(Q(data.title));
  chart->setTitleFont(PictureFont(18, true));
  chart->setAnimationOptions(QChart::NoAnimation);
  chart->setBackgroundBrush(Qt::white);
  chart->setMargins(QMargins(12, 12, 24, 12));
  chart->legend()->setVisible(false);

  const Rgb c = CommunityColor(1);
  auto* boxes = new QBoxPlotSeries;
  boxes->setBrush(QColor(c.r, c.g, c.b, 110));
  boxes->setPen(QPen(QColor(c.r, c.g, c.b).darker(140), 1.5));
  boxes->setBoxWidth(0.55);
  // Outliers as points at their category's index: the box-plot series has no outliers of its own.
  auto* outliers = new QScatterSeries;
  outliers->setMarkerSize(7);
  outliers->setColor(Qt::transparent);
  outliers->setBorderColor(QColor(c.r, c.g, c.b).darker(140));
  double top = 0;
  // The names on a value axis at the boxes' positions 0 … n-1, which runs half a box further at
  // each end: a bar-category axis under a box series ends at the first and the last box's
  // middle, halving them and dropping their names.
  auto* categories = new QCategoryAxis;
  categories->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
  categories->setRange(-0.5, static_cast<double>(data.boxes.size()) - 0.5);
  for (std::size_t i = 0; i < data.boxes.size(); ++i) {
    const BoxPlot::Box& b = data.boxes[i];
    auto* set = new QBoxSet(b.low, b.q1, b.median, b.q3, b.high, Q(b.label));
    boxes->append(set);
    categories->append(Q(b.label), static_cast<double>(i));
    top = std::max(top, b.high);
    for (double v : b.outliers) {
      outliers->append(static_cast<double>(i), v);
      top = std::max(top, v);
    }
  }
  chart->addSeries(boxes);
  chart->addSeries(outliers);

  categories->setLabelsFont(PictureFont(data.boxes.size() > 20 ? 12 : 13));
  categories->setTitleText(Q(data.category_axis));
  categories->setTitleFont(PictureFont(13, true));
  categories->setGridLineVisible(false);
  // Many names stand upright, each within its box's width (FitCategoryLabels decides at the
  // size drawn).
  if (data.boxes.size() > 10) categories->setLabelsAngle(-90);
  // A herb's name is worth more than a neat edge: in a window's narrow chart Qt Charts would cut
  // every slanted name to "…".
  categories->setTruncateLabels(false);
  auto* values = new QValueAxis;
  values->setTitleText(Q(data.value_axis));
  values->setTitleFont(PictureFont(13, true));
  values->setLabelsFont(PictureFont(12));
  values->setRange(0, top > 0 ? top * 1.05 : 1);
  values->applyNiceNumbers();
  values->setLabelFormat("%g");

  chart->addAxis(categories, Qt::AlignBottom);
  chart->addAxis(values, Qt::AlignLeft);
  boxes->attachAxis(categories);
  boxes->attachAxis(values);
  outliers->attachAxis(categories);
  outliers->attachAxis(values);
  categories->setRange(-0.5, static_cast<double>(data.boxes.size()) - 0.5);
  return chart;
}

QImage BoxPlotImage(const BoxPlot& data, QSize size) {
  return ChartImage(MakeBoxPlotChart(data), size,
                    [&](QChart* chart) { FitCategoryLabels(chart, size); });
}

}  // namespace lindora::ui
