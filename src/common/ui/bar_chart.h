// The one bar chart renderer: windows show it, the command-line tool and reports write it.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QMainWindow>
#include <QtCharts/QChartView>

#include "common/chart_window.h"
#include "common/pictures.h"

namespace lindora::ui {

// A new chart of the data (owned by the caller, or by the view it is given to).
QChart* MakeBarChart(const BarChart& data);
// The chart drawn on white at the given pixel size.
QImage BarChartImage(const BarChart& data, QSize size);

class BarChartView : public QChartView {
  Q_OBJECT
 public:
  explicit BarChartView(const BarChart& data, QWidget* parent = nullptr);

 protected:
  void resizeEvent(QResizeEvent* event) override;
};

// A window with one chart and a menu to save it as PNG.
class ChartWindow : public QMainWindow {
  Q_OBJECT
 public:
  ChartWindow(const BarChart& data, const QString& object_name, Session& session,
              QWidget* parent = nullptr);
  // Writes the chart at the window's picture size; a file that cannot be written is one message.
  bool SavePng(const QString& path);
  static constexpr int kPictureWidth = ChartWindowModel::kPictureWidth;
  static constexpr int kPictureHeight = ChartWindowModel::kPictureHeight;

 private:
  ChartWindowModel model_;
};

}  // namespace lindora::ui
