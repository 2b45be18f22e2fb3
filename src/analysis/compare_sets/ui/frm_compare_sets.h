#pragma once

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>

#include "analysis/compare_sets/compare_sets_window.h"
#include "common/redraw_watch.h"
#include "common/ui/chart_window_view.h"
#include "common/ui/flex_grid_view.h"
#include "common/ui/result_set_bar.h"
#include "common/ui/view_host.h"

namespace lindora::ui {

// Two result sets side by side: the choices, the grid of tested items and the chart of the
// 20 items with the smallest q; below the grid, the doses when they are compared.
class Frm_CompareSets : public FormView {
  Q_OBJECT
 public:
  explicit Frm_CompareSets(CompareSetsWindow& model);
  void Refresh() override;

 private:
  void FillChoices(QComboBox* box, const std::string& current);
  void RedrawChart();

  CompareSetsWindow& window_;
  QComboBox *combo_set_a_ = nullptr, *combo_set_b_ = nullptr;
  QRadioButton *option_herbs_ = nullptr, *option_symptoms_ = nullptr;
  QLineEdit* text_min_count_ = nullptr;
  QCheckBox* check_doses_ = nullptr;
  QComboBox* combo_dose_table_ = nullptr;
  QPushButton *cmd_compare_ = nullptr, *cmd_save_chart_ = nullptr;
  QLabel* label_summary_ = nullptr;
  FlexGridView *grid_ = nullptr, *dose_grid_ = nullptr;
  QSplitter* grids_ = nullptr;  // the item grid above the dose grid
  BarChartView* chart_view_ = nullptr;
  ResultSetBar* result_set_bar_ = nullptr;
  std::vector<CompareSetsWindow::Choice> shown_choices_;
  RedrawWatch picture_watch_;
};

}  // namespace lindora::ui
