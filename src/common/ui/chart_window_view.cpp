#include "common/ui/chart_window_view.h"

#include <QMenuBar>
#include <QPainter>
#include <QResizeEvent>

#include "common/ui/menus.h"
#include "common/ui/qt_text.h"

namespace lindora::ui {

BarChartView::BarChartView(const BarChart& chart, QWidget* parent)
    : QChartView(MakeBarChart(chart), parent) {
  setRenderHint(QPainter::Antialiasing);
}

BarChartView::BarChartView(QWidget* parent) : QChartView(parent) {
  setRenderHint(QPainter::Antialiasing);
}

void BarChartView::SetChart(QChart* chart) {
  QChart* old = this->chart();
  setChart(chart);
  delete old;
  FitCategoryLabels(chart, size());
}

void BarChartView::resizeEvent(QResizeEvent* event) {
  FitCategoryLabels(chart(), event->size());
  QChartView::resizeEvent(event);
}

ChartWindow::ChartWindow(const BarChart& chart, const QString& object_name, Session& session,
                         QWidget* parent)
    : QMainWindow(parent), model_(session, chart) {
  setObjectName(object_name);
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(Q(model_.Caption()));
  auto* view = new BarChartView(chart, this);
  view->setObjectName("ChartView");
  setCentralWidget(view);
  BuildMenus(this, menuBar(), ChartWindowModel::MenuBar(), model_);
  resize(1100, 900);
}

bool ChartWindow::SavePng(const QString& path) {
  return model_.SavePng(std::filesystem::path(S(path))) == Outcome::kDone;
}

}  // namespace lindora::ui
