#include "chem/ui/frm_chem_analysis.h"

#include <QCloseEvent>
#include <QCursor>
#include <QMenuBar>
#include <QPointer>

#include "chem/ui/frm_ingredient_screening.h"
#include "chem/ui/qt_converter.h"
#include "common/session.h"
#include "common/ui/fonts.h"
#include "common/ui/menus.h"
#include "common/ui/qt_input_events.h"
#include "common/ui/twips.h"

namespace lindora::ui {

void ShowPicture(PictureBox* box, const StructurePicture& picture, Session& session) {
  std::string error = box->Show(picture);
  if (!error.empty()) session.Message(error);
}

void DrawOnClick(QObject* view, ClickDrawing& state, const std::function<void()>& draw) {
  if (state.running) {
    state.pending = true;
    return;
  }
  QPointer<QObject> alive(view);
  state.running = true;
  do {
    state.pending = false;
    draw();  // may unload the window
  } while (alive && state.pending);
  if (alive) state.running = false;
}

bool RefuseCloseWhileConverting(QCloseEvent* event) {
  if (!QtConverter::Running()) return false;
  event->ignore();
  return true;
}

Frm_ChemAnalysis::Frm_ChemAnalysis(ChemAnalysis& model)
    : FormView(model, "Frm_ChemAnalysis"), chem_(model) {
  auto before = [this](const MenuEntry& entry) {
    // A click toggles a checkable entry; the analysis sets the marks itself.
    if (entry.name == "Menu_FindAntiinfluenza")
      antiinfluenza_->setChecked(chem_.AntiinfluenzaChecked());
    if (entry.name == "Menu_FindAnticancer") anticancer_->setChecked(chem_.AnticancerChecked());
  };
  Menus menus = BuildMenus(this, menuBar(), ChemAnalysis::MenuBar(), chem_, before);
  popup_ = menus.at("Menu_PopupMenu");
  antiinfluenza_ =
      menus.at("Menu_FindActiveComponent")->findChild<QAction*>("Menu_FindAntiinfluenza");
  anticancer_ = menus.at("Menu_FindActiveComponent")->findChild<QAction*>("Menu_FindAnticancer");
  antiinfluenza_->setCheckable(true);
  anticancer_->setCheckable(true);

  auto* central = new QWidget(this);
  setCentralWidget(central);
  grid_ = new FlexGridView(&chem_.FlexGrid(), central);
  grid_->setObjectName("FlexGrid");
  grid_->setFont(UiFont());
  grid_->setGeometry(Px(240), Px(240), Px(ChemAnalysis::kGridWidth), Px(ChemAnalysis::kGridHeight));
  frame_ = new QGroupBox(QStringLiteral("结构式"), central);
  frame_->setObjectName("Frame_Structure");
  frame_->setFont(UiFont("Calibri", 12));
  frame_->setGeometry(Px(6120), Px(120), Px(4455), Px(4455));
  pic_mol_ = new PictureBox(frame_);
  pic_mol_->setObjectName("Pic_Mol");
  pic_mol_->setGeometry(Px(120), Px(240), Px(ChemAnalysis::kPictureWidth),
                        Px(ChemAnalysis::kPictureHeight));
  SetFixedClientTwips(ChemAnalysis::kClientWidth, ChemAnalysis::kClientHeight);
  // A window held at one size offers no maximise button.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);

  // Handlers may unload this window (a later fill creates it afresh); nothing runs after them.
  connect(grid_, &FlexGridView::Clicked, this,
          [this] { DrawOnClick(this, drawing_, [this] { chem_.FlexGrid_Click(); }); });
  connect(grid_, &FlexGridView::MouseDown, this, [this](Qt::MouseButton b) {
    if (chem_.FlexGrid_MouseDown(ButtonCode(b))) popup_->popup(QCursor::pos());
  });
}

void Frm_ChemAnalysis::Refresh() {
  FormView::Refresh();
  if (!chem_.Visible() && isVisible()) hide();
  grid_->Refresh();
  antiinfluenza_->setChecked(chem_.AntiinfluenzaChecked());
  anticancer_->setChecked(chem_.AnticancerChecked());
  ShowPicture(pic_mol_, chem_.PicMol(), chem_.session());
}

void Frm_ChemAnalysis::closeEvent(QCloseEvent* event) {
  if (!RefuseCloseWhileConverting(event)) FormView::closeEvent(event);
}

}  // namespace lindora::ui
