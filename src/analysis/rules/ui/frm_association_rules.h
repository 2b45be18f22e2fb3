#pragma once

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "analysis/rules/rules_window.h"
#include "common/ui/flex_grid_view.h"
#include "common/ui/view_host.h"

namespace lindora::ui {

// Thresholds and a run button above the rule table; a header click sorts the table.
class Frm_AssociationRules : public FormView {
  Q_OBJECT
 public:
  explicit Frm_AssociationRules(AssociationRulesWindow& model);
  void Refresh() override;

 protected:
  void changeEvent(QEvent* event) override;

 private:
  AssociationRulesWindow& window_;
  QLineEdit* text_min_support_ = nullptr;
  QLineEdit* text_min_confidence_ = nullptr;
  QLineEdit* text_min_lift_ = nullptr;
  QComboBox* combo_max_size_ = nullptr;
  QPushButton* cmd_run_ = nullptr;
  QLabel* label_count_ = nullptr;
  FlexGridView* grid_ = nullptr;
};

}  // namespace lindora::ui
