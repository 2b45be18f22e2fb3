#include "analysis/symptoms/ui/frm_symptom_analysis.h"

#include <QMenuBar>

#include "common/ui/fonts.h"
#include "common/ui/menus.h"
#include "common/ui/twips.h"

namespace lindora::ui {

Frm_SymptomAnalysis::Frm_SymptomAnalysis(SymptomAnalysisWindow& model)
    : FormView(model, "Frm_SymptomAnalysis"), window_(model) {
  auto* central = new QWidget(this);
  setCentralWidget(central);
  grid_ = new FlexGridView(&window_.FlexGridSymptom(), central);
  grid_->setObjectName("FlexGrid_Symptom");
  grid_->setFont(UiFont());
  grid_->setGeometry(Px(SymptomAnalysisWindow::kGridLeft), Px(SymptomAnalysisWindow::kGridTop),
                     Px(SymptomAnalysisWindow::kGridWidth), Px(SymptomAnalysisWindow::kGridHeight));

  for (auto& [name, menu] : BuildMenus(this, menuBar(), SymptomAnalysisWindow::MenuBar(), window_))
    menu->setFont(UiFont());
  menuBar()->setFont(UiFont());

  result_set_bar_ = AddResultSetBar(this, window_);
  SetFixedClientTwips(SymptomAnalysisWindow::kClientWidth, SymptomAnalysisWindow::kClientHeight);
}

void Frm_SymptomAnalysis::Refresh() {
  FormView::Refresh();
  if (result_set_bar_) result_set_bar_->Update();
  grid_->Refresh();
}

}  // namespace lindora::ui
