#pragma once

#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>

#include "app/input.h"
#include "common/ui/view_host.h"

namespace lindora::ui {

// The list import window: a multi-line list box, the import button and, in herb mode, the
// tool menu with the list clean-up.
class Frm_Input : public FormView {
  Q_OBJECT
 public:
  explicit Frm_Input(Input& model);
  void Refresh() override;

 private:
  Input& input_;
  QPlainTextEdit* text_input_;
  QPushButton* cmd_input_;
  QMenu* menu_tools_;
};

}  // namespace lindora::ui
