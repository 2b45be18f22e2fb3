#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <map>

#include "common/ui/view_host.h"
#include "report/analysis_report_window.h"

namespace lindora::ui {

// The report dialog: a check box per section, the thresholds, 生成 and the result line.
class Frm_AnalysisReport : public FormView {
  Q_OBJECT
 public:
  explicit Frm_AnalysisReport(AnalysisReportWindow& model);
  void Refresh() override;

 protected:
  void changeEvent(QEvent* event) override;

 public:
 private:
  AnalysisReportWindow& window_;
  std::map<ReportSection, QCheckBox*> sections_;
  std::map<std::string, QCheckBox*> listed_sections_;
  QSpinBox* rows_;
  QLineEdit *min_support_, *min_confidence_, *min_lift_, *max_size_;
  QSpinBox *nodes_, *min_edge_;
  QComboBox *compare_a_, *compare_b_;
  bool list_sets_ = true;
  QLineEdit* compare_min_count_;
  QCheckBox *compare_symptoms_, *compare_doses_;
  QComboBox* dose_table_;
  QPushButton* generate_;
  QLabel* set_;
  QLabel* status_;
};

}  // namespace lindora::ui
