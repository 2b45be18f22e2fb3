#include "chem/ui/frm_active_component.h"

#include <QCloseEvent>
#include <QCursor>
#include <QMenuBar>

#include "chem/ui/frm_chem_analysis.h"
#include "common/session.h"
#include "common/ui/fonts.h"
#include "common/ui/menus.h"
#include "common/ui/qt_input_events.h"
#include "common/ui/twips.h"

namespace lindora::ui {

Frm_ActiveComponent::Frm_ActiveComponent(ActiveComponent& model)
    : FormView(model, "Frm_ActiveComponent"), active_(model) {
  popup_ = BuildMenus(this, menuBar(), ActiveComponent::PopupMenu(), active_).at("Menu_PopupMenu");
  menuBar()->setVisible(false);  // the window has no visible menu

  auto* central = new QWidget(this);
  setCentralWidget(central);
  frame_ = new QGroupBox(QStringLiteral("结构式"), central);
  frame_->setObjectName("Frame_Structure");
  frame_->setFont(UiFont("Calibri", 12));
  frame_->setGeometry(Px(120), Px(120), Px(4455), Px(4575));
  pic_mol_ = new PictureBox(frame_);
  pic_mol_->setObjectName("Pic_Mol");
  pic_mol_->setGeometry(Px(120), Px(240), Px(ActiveComponent::kPictureWidth),
                        Px(ActiveComponent::kPictureHeight));
  grid_ = new FlexGridView(&active_.FlexGrid(), central);
  grid_->setObjectName("FlexGrid");
  grid_->setFont(UiFont());
  grid_->setGeometry(Px(4680), Px(240), Px(ActiveComponent::kGridWidth),
                     Px(ActiveComponent::kGridHeight));
  HoldClientTwips(ActiveComponent::kClientWidth, ActiveComponent::kClientHeight);

  connect(grid_, &FlexGridView::Clicked, this,
          [this] { DrawOnClick(this, drawing_, [this] { active_.FlexGrid_Click(); }); });
  connect(grid_, &FlexGridView::MouseDown, this, [this](Qt::MouseButton b) {
    if (active_.FlexGrid_MouseDown(ButtonCode(b))) popup_->popup(QCursor::pos());
  });
}

void Frm_ActiveComponent::Refresh() {
  FormView::Refresh();
  if (!active_.Visible() && isVisible()) hide();
  grid_->Refresh();
  ShowPicture(pic_mol_, active_.PicMol(), active_.session());
}

void Frm_ActiveComponent::closeEvent(QCloseEvent* event) {
  if (!RefuseCloseWhileConverting(event)) FormView::closeEvent(event);
}

}  // namespace lindora::ui
