#include "analysis/ui/frm_yaodui_analysis.h"

#include <QMenuBar>

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

  QMenu* file = menuBar()->addMenu(QStringLiteral("文件(&F)"));
  file->setObjectName("Menu_File");
  file->menuAction()->setObjectName("Menu_File");
  file->setFont(UiFont());
  QAction* export_list = file->addAction(QStringLiteral("导出药对列表(&D)"));
  export_list->setObjectName("Menu_ExportYaodui2List");
  connect(export_list, &QAction::triggered, this,
          [this] { window_.Menu_ExportYaodui2List_Click(); });
  QAction* network = file->addAction(QStringLiteral("药物网络(&N)"));
  network->setObjectName("Menu_HerbNetwork");
  connect(network, &QAction::triggered, this, [this] { window_.Menu_HerbNetwork_Click(); });
  menuBar()->setFont(UiFont());

  SetFixedClientTwips(YaoduiAnalysisWindow::kClientWidth, YaoduiAnalysisWindow::kClientHeight);
}

void Frm_YaoduiAnalysis::Refresh() {
  FormView::Refresh();
  for (FlexGridView* grid : grids_) grid->Refresh();
}

}  // namespace lindora::ui
