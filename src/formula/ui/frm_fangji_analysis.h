#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include "common/ui/flex_grid_view.h"
#include "common/ui/view_host.h"
#include "formula/fangji_analysis.h"

namespace lindora::ui {

class Frm_FangjiAnalysis : public FormView {
  Q_OBJECT
 public:
  explicit Frm_FangjiAnalysis(FangjiAnalysis& model);
  void Refresh() override;
  QMenu* PopupMenu() const { return popup_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  FangjiAnalysis& fangji_;
  QLineEdit* text_input_ = nullptr;
  QPushButton* cmd_all_ = nullptr;
  QPushButton* cmd_search_text_ = nullptr;
  QListWidget* list_history_ = nullptr;
  QCheckBox* check_search_in_result_ = nullptr;
  QCheckBox* check_filter_ = nullptr;
  QLabel* label_count_ = nullptr;
  FlexGridView* flex_grid_ = nullptr;
  QTimer* timer1_ = nullptr;
  QMenu* popup_ = nullptr;
};

}  // namespace lindora::ui
