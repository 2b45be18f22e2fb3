#pragma once

#include <QLabel>
#include <QScrollArea>

#include "app/msg.h"
#include "common/ui/view_host.h"

namespace lindora::ui {

class Frm_Msg : public FormView {
  Q_OBJECT
 public:
  explicit Frm_Msg(Msg& model);
  void Refresh() override;

 private:
  Msg& msg_;
  QScrollArea* scroll_;
  QLabel* label1_;
};

}  // namespace lindora::ui
