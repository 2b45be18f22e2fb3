#include "analysis/ui/frm_symptom_analysis.h"

#include <QMenuBar>

#include "analysis/symptom_chart.h"
#include "common/ui/bar_chart.h"
#include "common/ui/twips.h"

namespace lindora::ui {

Frm_SymptomAnalysis::Frm_SymptomAnalysis(SymptomAnalysisWindow& model)
    : FormView(model, "Frm_SymptomAnalysis"), window_(model) {
  auto* central = new QWidget(this);
  setCentralWidget(central);
  grid_ = new FlexGridView(&window_.FlexGrid_Symptom(), central);
  grid_->setObjectName("FlexGrid_Symptom");
  grid_->setFont(UiFont());
  grid_->setGeometry(Px(SymptomAnalysisWindow::kGridLeft), Px(SymptomAnalysisWindow::kGridTop),
                     Px(SymptomAnalysisWindow::kGridWidth), Px(SymptomAnalysisWindow::kGridHeight));

  QMenu* file = menuBar()->addMenu(QStringLiteral("文件"));
  file->setObjectName("Menu_File");
  file->menuAction()->setObjectName("Menu_File");
  file->setFont(UiFont());
  QAction* load = file->addAction(QStringLiteral("导入症状列表"));
  load->setObjectName("Menu_LoadSymptomList");
  connect(load, &QAction::triggered, this, [this] { window_.Menu_LoadSymptomList_Click(); });
  QAction* save = file->addAction(QStringLiteral("导出症状列表"));
  save->setObjectName("Menu_ExportSymptomList");
  connect(save, &QAction::triggered, this, [this] { window_.Menu_ExportSymptomList_Click(); });
  QMenu* charts = menuBar()->addMenu(QStringLiteral("图表(&C)"));
  charts->setObjectName("Menu_Chart");
  charts->setFont(UiFont());
  QAction* chart = charts->addAction(QStringLiteral("病症频数图（前30）"));
  chart->setObjectName("Menu_SymptomChart");
  connect(chart, &QAction::triggered, this, [this] {
    if (auto data = SymptomChart(window_))
      (new ChartWindow(*data, "Chart_Symptom", window_.session().dialogs(), this))->show();
  });
  menuBar()->setFont(UiFont());

  SetFixedClientTwips(SymptomAnalysisWindow::kClientWidth, SymptomAnalysisWindow::kClientHeight);
}

void Frm_SymptomAnalysis::Refresh() {
  FormView::Refresh();
  grid_->Refresh();
}

}  // namespace lindora::ui
