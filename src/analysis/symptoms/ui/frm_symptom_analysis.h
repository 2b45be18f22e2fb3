#pragma once

#include "analysis/symptoms/symptoms_window.h"
#include "common/ui/flex_grid_view.h"
#include "common/ui/result_set_bar.h"
#include "common/ui/view_host.h"

namespace lindora::ui {

// Symptom phrases and their counts.
class Frm_SymptomAnalysis : public FormView {
  Q_OBJECT
 public:
  explicit Frm_SymptomAnalysis(SymptomAnalysisWindow& model);
  void Refresh() override;

 private:
  SymptomAnalysisWindow& window_;
  FlexGridView* grid_;
  ResultSetBar* result_set_bar_ = nullptr;
};

}  // namespace lindora::ui
