#include "common/ui/bar_chart.h"

#include <QPainter>
#include <QtCharts/QBarCategoryAxis>
#include <QtCharts/QBarSeries>
#include <QtCharts/QBarSet>
#include <QtCharts/QCategoryAxis>
#include <QtCharts/QHorizontalBarSeries>
#include <QtCharts/QValueAxis>
#include <algorithm>

#include "common/ui/paint_targets.h"
#include "common/ui/picture_font.h"
#include "common/ui/qt_text.h"

namespace lindora::ui {

// For a chart of many horizontal bars the label font follows the height the chart is drawn at;
// under vertical bars the names stand upright once they no longer fit side by side.
void FitCategoryLabels(QChart* chart, QSizeF size) {
  for (QAbstractAxis* axis : chart->axes(Qt::Horizontal)) {
    // Names under bars, or at the boxes of a box plot.
    QStringList names;
    if (auto* bars = qobject_cast<QBarCategoryAxis*>(axis))
      names = bars->categories();
    else if (auto* boxes = qobject_cast<QCategoryAxis*>(axis))
      names = boxes->categoriesLabels();
    if (names.isEmpty()) continue;
    const QFontMetricsF fm(axis->labelsFont());
    double widest = 0;
    for (const QString& name : names) widest = std::max(widest, fm.horizontalAdvance(name));
    // The plot takes the width less the value axis and the margins.
    const double share = (size.width() - 140) / static_cast<double>(names.size());
    axis->setLabelsAngle(widest + fm.height() <= share ? 0 : -90);
  }
  for (QAbstractAxis* axis : chart->axes(Qt::Vertical)) {
    auto* categories = qobject_cast<QBarCategoryAxis*>(axis);
    if (!categories || categories->count() == 0) continue;
    // The plot takes the height less the title, the value axis and the margins; a name's
    // line, padded, must stay within its bar's share or Qt Charts drops it, and a larger font
    // makes Qt Charts wrap long names over their neighbours.
    const double share = (size.height() - 190) / categories->count();
    const int pixels = std::clamp(static_cast<int>((share - 9) / 1.45), 8, 13);
    categories->setLabelsFont(PictureFont(pixels));
    // The names are what the reader looks for: the numbers are never larger than them, and
    // each number keeps within its own bar when a name has several.
    for (QAbstractSeries* s : chart->series())
      if (auto* bars = qobject_cast<QAbstractBarSeries*>(s)) {
        const double bar = share / std::max<qsizetype>(1, bars->count());
        const int made = categories->count() > 20 ? 11 : 12;  // as MakeBarChart sets them
        const int number = std::clamp(static_cast<int>((bar - 1) / 1.2), 8, std::min(pixels, made));
        for (QBarSet* set : bars->barSets()) set->setLabelFont(PictureFont(number));
      }
    for (QAbstractAxis* a : chart->axes(Qt::Horizontal))
      a->setLabelsFont(PictureFont(std::min(pixels, 12)));  // 12 as MakeBarChart sets it
  }
}

QChart* MakeBarChart(const BarChart& data) {
  auto* chart = new QChart;
  // The title is rich text: the data's name goes on a second, smaller line.
  chart->setTitle(data.source.empty()
                      ? Q(data.title).toHtmlEscaped()
                      : Q(data.title).toHtmlEscaped() +
                            QStringLiteral("<br><span style=\"font-size:13px; "
                                           "font-weight:normal\">") +
                            Q(data.source).toHtmlEscaped() + QStringLiteral("</span>"));
  chart->setTitleFont(PictureFont(18, true));
  chart->setAnimationOptions(QChart::NoAnimation);
  chart->setBackgroundBrush(Qt::white);
  chart->setMargins(QMargins(12, 12, 24, 12));

  QAbstractBarSeries* series =
      data.horizontal ? static_cast<QAbstractBarSeries*>(new QHorizontalBarSeries) : new QBarSeries;
  const std::size_t n = data.categories.size();
  double max_value = 0;
  for (std::size_t s = 0; s < data.series.size(); ++s) {
    auto* set = new QBarSet(Q(data.series[s].name));
    set->setColor(QColor(CommunityColor(static_cast<int>(s) + 1).r,
                         CommunityColor(static_cast<int>(s) + 1).g,
                         CommunityColor(static_cast<int>(s) + 1).b));
    set->setBorderColor(Qt::transparent);
    set->setLabelColor(Qt::black);
    set->setLabelFont(PictureFont(n > 20 ? 11 : 12));
    for (std::size_t i = 0; i < n; ++i) {
      // Horizontal charts list the first category at the top.
      std::size_t k = data.horizontal ? n - 1 - i : i;
      double v = k < data.series[s].values.size() ? data.series[s].values[k] : 0;
      max_value = std::max(max_value, v);
      *set << v;
    }
    series->append(set);
  }
  series->setBarWidth(data.series.size() > 1 ? 0.8 : 0.7);
  // Each bar carries its number, as a published figure does.
  series->setLabelsVisible(true);
  series->setLabelsPosition(QAbstractBarSeries::LabelsOutsideEnd);
  series->setLabelsFormat("@value");
  series->setLabelsPrecision(6);
  chart->addSeries(series);

  auto* categories = new QBarCategoryAxis;
  for (std::size_t i = 0; i < n; ++i)
    categories->append(Q(data.categories[data.horizontal ? n - 1 - i : i]));
  categories->setLabelsFont(PictureFont(n > 20 ? 12 : 13));
  categories->setTitleText(Q(data.category_axis));
  categories->setTitleFont(PictureFont(13, true));
  categories->setGridLineVisible(false);
  if (!data.horizontal && n > 10) categories->setLabelsAngle(-90);
  // A name is worth more than a neat edge: the axis takes the room its names need, where
  // Qt Charts would cut them to "…".
  categories->setTruncateLabels(false);

  auto* values = new QValueAxis;
  values->setTitleText(Q(data.value_axis));
  values->setTitleFont(PictureFont(13, true));
  values->setLabelsFont(PictureFont(12));
  values->setLabelFormat("%d");
  if (data.value_max > 0) {
    values->setRange(0, data.value_max);
    values->setTickCount(6);
  } else {
    values->setRange(0, max_value > 0 ? max_value * 1.08 : 1);  // room for the numbers
    values->applyNiceNumbers();
  }

  chart->addAxis(categories, data.horizontal ? Qt::AlignLeft : Qt::AlignBottom);
  chart->addAxis(values, data.horizontal ? Qt::AlignBottom : Qt::AlignLeft);
  series->attachAxis(categories);
  series->attachAxis(values);

  // A single unnamed series needs no legend.
  const bool legend =
      data.series.size() > 1 || (data.series.size() == 1 && !data.series[0].name.empty());
  chart->legend()->setVisible(legend);
  chart->legend()->setAlignment(Qt::AlignTop);
  chart->legend()->setFont(PictureFont(13));
  return chart;
}

QImage BarChartImage(const BarChart& data, QSize size) {
  return ChartImage(MakeBarChart(data), size,
                    [&](QChart* chart) { FitCategoryLabels(chart, size); });
}

}  // namespace lindora::ui
