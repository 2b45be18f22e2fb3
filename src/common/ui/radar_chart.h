// The radar chart renderer (Qt Charts' polar chart): windows show it, the command-line tool and
// reports write it, like the bar charts.
#pragma once

#include <QImage>
#include <QtCharts/QChartView>

#include "common/pictures.h"

namespace lindora::ui {

// A new polar chart of the data (owned by the caller, or by the view it is given to).
QChart* MakeRadarChart(const RadarChart& data);
// The chart drawn on white at the given pixel size.
QImage RadarChartImage(const RadarChart& data, QSize size);

}  // namespace lindora::ui
