// The bar chart on screen: a chart view that keeps its labels readable, and a window with one
// chart and a menu to save it as PNG.
#pragma once

#include <QMainWindow>
#include <QtCharts/QChartView>

#include "common/chart_window.h"
#include "common/ui/bar_chart.h"

namespace lindora::ui {

class BarChartView : public QChartView {
  Q_OBJECT
 public:
  explicit BarChartView(const BarChart& chart, QWidget* parent = nullptr);
  explicit BarChartView(QWidget* parent = nullptr);
  // Shows `chart` instead of the one shown (which goes), its labels fitted to the view.
  void SetChart(QChart* chart);

 protected:
  void resizeEvent(QResizeEvent* event) override;
};

// A window with one chart and a menu to save it as PNG.
class ChartWindow : public QMainWindow {
  Q_OBJECT
 public:
  ChartWindow(const BarChart& chart, const QString& object_name, Session& session,
              QWidget* parent = nullptr);
  // Writes the chart at the window's picture size; a file that cannot be written is one message.
  bool SavePng(const QString& path);
  static constexpr int kPictureWidth = ChartWindowModel::kPictureWidth;
  static constexpr int kPictureHeight = ChartWindowModel::kPictureHeight;

 private:
  ChartWindowModel model_;
};

}  // namespace lindora::ui
