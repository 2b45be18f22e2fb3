#pragma once

#include <QCheckBox>
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

 private:
  AnalysisReportWindow& window_;
  std::map<ReportSection, QCheckBox*> sections_;
  std::map<std::string, QCheckBox*> listed_sections_;
  QSpinBox* rows_;
  QLineEdit *min_support_, *min_confidence_, *min_lift_, *max_size_;
  QSpinBox *nodes_, *min_edge_;
  QLineEdit *compare_a_, *compare_b_, *compare_min_count_;
  QCheckBox* compare_symptoms_;
  QPushButton* generate_;
  QLabel* status_;
};

}  // namespace lindora::ui
