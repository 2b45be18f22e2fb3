#include "analysis/herb_frequency/ui/frm_yaodui_analysis.h"

#include <QMenuBar>

#include "common/ui/fonts.h"
#include "common/ui/menus.h"
#include "common/ui/twips.h"

namespace lindora::ui {

Frm_YaoduiAnalysis::Frm_YaoduiAnalysis(YaoduiAnalysisWindow& model)
    : FormView(model, "Frm_YaoduiAnalysis"), window_(model) {
  auto* central = new QWidget(this);
  setCentralWidget(central);
  for (int i = 1; i <= 3; ++i) {
    const std::size_t k = static_cast<std::size_t>(i - 1);
    auto* grid = new FlexGridView(&window_.FlexGrid(i), central);
    grid->setObjectName(QStringLiteral("FlexGrid(%1)").arg(i));
    grid->setFont(UiFont());
    grid->setGeometry(Px(YaoduiAnalysisWindow::kGridLeft[k]), Px(YaoduiAnalysisWindow::kGridTop),
                      Px(YaoduiAnalysisWindow::kGridWidth[k]),
                      Px(YaoduiAnalysisWindow::kGridHeight));
    grids_[k] = grid;
  }

  for (auto& [name, menu] : BuildMenus(this, menuBar(), YaoduiAnalysisWindow::MenuBar(), window_))
    menu->setFont(UiFont());
  menuBar()->setFont(UiFont());

  result_set_bar_ = AddResultSetBar(this, window_);
  SetFixedClientTwips(YaoduiAnalysisWindow::kClientWidth, YaoduiAnalysisWindow::kClientHeight);
}

void Frm_YaoduiAnalysis::Refresh() {
  FormView::Refresh();
  if (result_set_bar_) result_set_bar_->Update();
  for (FlexGridView* grid : grids_) grid->Refresh();
}

}  // namespace lindora::ui
