#pragma once

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "analysis/doses/doses_window.h"
#include "common/redraw_watch.h"
#include "common/ui/chart_window_view.h"
#include "common/ui/flex_grid_view.h"
#include "common/ui/result_set_bar.h"
#include "common/ui/view_host.h"

namespace lindora::ui {

// The dose window: the options on top, the summary naming the files written, the dose table
// with the doses not read below it, and the box plot beside them.
class Frm_Doses : public FormView {
  Q_OBJECT
 public:
  explicit Frm_Doses(DosesWindow& model);
  void Refresh() override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // Hands the options to the model and analyses again.
  void Analyse();

  DosesWindow& window_;
  QComboBox* table_ = nullptr;
  QComboBox* mass_unit_ = nullptr;
  QLineEdit* top_ = nullptr;
  QPushButton* analyse_ = nullptr;
  QLabel* label_summary_ = nullptr;
  FlexGridView* doses_ = nullptr;
  FlexGridView* unread_ = nullptr;
  BarChartView* box_plot_ = nullptr;
  ResultSetBar* result_set_bar_ = nullptr;
  RedrawWatch picture_watch_;
};

}  // namespace lindora::ui
