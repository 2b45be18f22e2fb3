// The box plot renderer (Qt Charts' box-plot series): reports and the command-line tool write it.
#pragma once

#include <QImage>
#include <QtCharts/QChart>

#include "common/pictures.h"

namespace lindora::ui {

// A new chart of the data (owned by the caller, or by the scene or view it is given to).
QChart* MakeBoxPlotChart(const BoxPlot& data);
// The chart drawn on white at the given pixel size.
QImage BoxPlotImage(const BoxPlot& data, QSize size);

}  // namespace lindora::ui
