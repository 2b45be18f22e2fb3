#include "chem/ui/frm_chem_analysis.h"

#include <QCloseEvent>
#include <QCursor>
#include <QMenuBar>
#include <QPointer>

#include "chem/ui/frm_ingredient_screening.h"
#include "chem/ui/qt_converter.h"
#include "common/session.h"
#include "common/ui/twips.h"

namespace lindora::ui {

QMenu* AddNamedMenu(QWidget* parent, const char* name, const char* caption) {
  QMenu* menu = nullptr;
  if (auto* bar = qobject_cast<QMenuBar*>(parent)) {
    menu = bar->addMenu(QString::fromUtf8(caption));
  } else {
    menu = static_cast<QMenu*>(parent)->addMenu(QString::fromUtf8(caption));
  }
  menu->setObjectName(name);
  menu->menuAction()->setObjectName(name);
  return menu;
}

QAction* AddNamedAction(QMenu* menu, const char* name, const char* caption) {
  QAction* action = menu->addAction(QString::fromUtf8(caption));
  action->setObjectName(name);
  return action;
}

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
  QMenuBar* bar = menuBar();
  QMenu* file = AddNamedMenu(bar, "Menu_File", "文件(&F)");
  AddNamedAction(file, "Menu_LoadChemList", "导入化学成分列表");
  AddNamedAction(file, "Menu_ExportChemList", "导出化学成分列表");
  file->menuAction()->setVisible(false);

  QMenu* analysis = AddNamedMenu(bar, "Menu_Analysis", "分析(&A)");
  QMenu* active = AddNamedMenu(analysis, "Menu_FindActiveComponent", "可能的活性成分分析");
  antiinfluenza_ = AddNamedAction(active, "Menu_FindAntiinfluenza", "抗流感活性");
  anticancer_ = AddNamedAction(active, "Menu_FindAnticancer", "抗癌活性");
  antiinfluenza_->setCheckable(true);
  anticancer_->setCheckable(true);
  QAction* similar = AddNamedAction(analysis, "Menu_FindSimilarTCM", "找相似化学组分的单味中药");
  for (auto [name, caption] : {std::pair{"Menu_PropertyAnalysis", "物性参数分析"},
                               std::pair{"Menu_ScaffoldAnalysis", "分子骨架分析"},
                               std::pair{"Menu_RingSystemAnalysis", "分子环系统分析"}})
    AddNamedAction(analysis, name, caption)->setVisible(false);

  popup_ = AddNamedMenu(bar, "Menu_PopupMenu", "Popupmenu");
  QAction* pubchem = AddNamedAction(popup_, "Menu_SearchPubChem", "在PubChem中搜索该化合物");
  QAction* properties = AddNamedAction(popup_, "Menu_CalProperties", "计算理化性质");
  popup_->menuAction()->setVisible(false);
  AddScreeningMenu(this, chem_);

  auto* central = new QWidget(this);
  setCentralWidget(central);
  grid_ = new FlexGridView(&chem_.FlexGrid(), central);
  grid_->setObjectName("FlexGrid");
  grid_->setFont(UiFont());
  grid_->setGeometry(Px(240), Px(240), Px(ChemAnalysis::kGridWidth), Px(ChemAnalysis::kGridHeight));
  frame_ = new QGroupBox("Structure", central);
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
    if (chem_.FlexGrid_MouseDown(b == Qt::RightButton ? ChemAnalysis::kRightButton : 1))
      popup_->popup(QCursor::pos());
  });
  connect(antiinfluenza_, &QAction::triggered, this, [this] {
    antiinfluenza_->setChecked(chem_.AntiinfluenzaChecked());  // the analysis sets the marks
    chem_.Menu_FindAntiinfluenza_Click();
  });
  connect(anticancer_, &QAction::triggered, this, [this] {
    anticancer_->setChecked(chem_.AnticancerChecked());
    chem_.Menu_FindAnticancer_Click();
  });
  connect(similar, &QAction::triggered, this, [this] { chem_.Menu_FindSimilarTCM_Click(); });
  connect(pubchem, &QAction::triggered, this, [this] { chem_.Menu_SearchPubChem_Click(); });
  connect(properties, &QAction::triggered, this, [this] { chem_.Menu_CalProperties_Click(); });
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
