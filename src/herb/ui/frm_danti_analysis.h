#pragma once

#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include "common/ui/flex_grid_view.h"
#include "common/ui/result_set_bar.h"
#include "common/ui/view_host.h"
#include "herb/danti_analysis.h"

namespace lindora::ui {

class Frm_DantiAnalysis : public FormView {
  Q_OBJECT
 public:
  explicit Frm_DantiAnalysis(DantiAnalysis& model);
  void Refresh() override;
  QMenu* PopupMenu() const { return popup_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  DantiAnalysis& danti_;
  QLineEdit* text_input_;
  QPushButton* cmd_search_text_;
  FlexGridView* flex_grid_;
  QMenu* popup_;
  int focus_requests_seen_;
  ResultSetBar* result_set_bar_ = nullptr;
};

}  // namespace lindora::ui
