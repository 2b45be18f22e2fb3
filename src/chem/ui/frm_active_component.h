#pragma once

#include <QGroupBox>
#include <QMenu>

#include "chem/active_component.h"
#include "chem/ui/frm_chem_analysis.h"
#include "chem/ui/picture_file.h"
#include "common/ui/flex_grid_view.h"
#include "common/ui/view_host.h"

namespace lindora::ui {

class Frm_ActiveComponent : public FormView {
  Q_OBJECT
 public:
  explicit Frm_ActiveComponent(ActiveComponent& model);
  void Refresh() override;
  QMenu* PopupMenu() const { return popup_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  ActiveComponent& active_;
  FlexGridView* grid_;
  QGroupBox* frame_;
  PictureBox* pic_mol_;
  QMenu* popup_;
  ClickDrawing drawing_;
};

}  // namespace lindora::ui
