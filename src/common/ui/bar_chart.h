// The one bar chart renderer: windows show it (chart_window_view.h), the command-line tool and
// reports write it.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QtCharts/QChart>

#include "common/pictures.h"

namespace lindora::ui {

// A new chart of the data (owned by the caller, or by the view it is given to).
QChart* MakeBarChart(const BarChart& data);
// The chart drawn on white at the given pixel size.
QImage BarChartImage(const BarChart& data, QSize size);
// Fits the category labels of a chart drawn at `size` pixels: their font to the height (Qt
// Charts hides a label taller than its share of the axis), their angle to the width.
void FitCategoryLabels(QChart* chart, QSizeF size);

}  // namespace lindora::ui
