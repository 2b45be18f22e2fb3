#pragma once

#include <QLabel>
#include <QPushButton>
#include <QTabWidget>

#include "analysis/herb_properties/herb_properties_window.h"
#include "common/redraw_watch.h"
#include "common/ui/chart_window_view.h"
#include "common/ui/flex_grid_view.h"
#include "common/ui/result_set_bar.h"
#include "common/ui/view_host.h"

namespace lindora::ui {

// The nature, flavour and meridian distribution: a summary line, then one tab each for the
// natures (folded and as written, with their bar chart), the flavours and the meridians (grid,
// bar chart and radar chart) and the toxic herbs.
class Frm_HerbProperties : public FormView {
  Q_OBJECT
 public:
  explicit Frm_HerbProperties(HerbPropertiesWindow& model);
  void Refresh() override;

 private:
  BarChartView* AddChart(QWidget* parent, const char* name);
  void RedrawCharts();

  HerbPropertiesWindow& window_;
  QLabel* label_summary_ = nullptr;
  QTabWidget* tabs_ = nullptr;
  std::vector<FlexGridView*> grids_;
  BarChartView *nature_chart_ = nullptr, *flavour_chart_ = nullptr, *meridian_chart_ = nullptr;
  BarChartView *flavour_radar_ = nullptr, *meridian_radar_ = nullptr;
  RedrawWatch picture_watch_;
  ResultSetBar* result_set_bar_ = nullptr;
};

}  // namespace lindora::ui
