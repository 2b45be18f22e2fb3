#include "analysis/herb_properties/ui/frm_herb_properties.h"

#include <QHBoxLayout>
#include <QMenu>
#include <QSplitter>
#include <QVBoxLayout>

#include "common/ui/bar_chart.h"
#include "common/ui/chart_window_view.h"
#include "common/ui/qt_text.h"
#include "common/ui/radar_chart.h"
#include "common/ui/twips.h"

namespace lindora::ui {

Frm_HerbProperties::Frm_HerbProperties(HerbPropertiesWindow& model)
    : FormView(model, "Frm_HerbProperties"), window_(model) {
  QWidget* central = WhiteCentralWidget();
  auto* outer = new QVBoxLayout(central);
  auto* top = new QHBoxLayout;
  outer->addLayout(top);
  label_summary_ = new QLabel(central);
  label_summary_->setObjectName("Label_Summary");
  label_summary_->setWordWrap(true);
  label_summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  label_summary_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  top->addWidget(label_summary_, 1);
  // The buttons one above the other: the row is then tall enough for a summary of three lines.
  auto* buttons = new QVBoxLayout;
  top->addLayout(buttons);

  // One button with the five charts to save.
  auto* save = new QPushButton("保存图表…", central);
  save->setObjectName("Cmd_SaveChart");
  auto* menu = new QMenu(save);
  const std::pair<const char*, PropertyChart> charts[] = {
      {"四气柱状图", PropertyChart::kNature},
      {"五味柱状图", PropertyChart::kFlavour},
      {"归经柱状图", PropertyChart::kMeridian},
      {"五味雷达图", PropertyChart::kFlavourRadar},
      {"归经雷达图", PropertyChart::kMeridianRadar}};
  for (const auto& [caption, chart] : charts) {
    PropertyChart which = chart;
    menu->addAction(QString::fromUtf8(caption), this,
                    [this, which] { window_.Cmd_SaveChart_Click(which); });
  }
  save->setMenu(menu);
  buttons->addWidget(save);
  auto* excel = new QPushButton("导出为 Excel…", central);
  excel->setObjectName("Cmd_ExportExcel");
  connect(excel, &QPushButton::clicked, this, [this] { window_.Cmd_ExportExcel_Click(); });
  buttons->addWidget(excel);

  tabs_ = new QTabWidget(central);
  tabs_->setObjectName("Tab_Properties");
  outer->addWidget(tabs_, 1);

  auto add_grid = [this](QWidget* parent, Grid& grid, const char* name) {
    auto* view = new FlexGridView(&grid, parent);
    view->setObjectName(name);
    grids_.push_back(view);
    return view;
  };

  // 四气: the folded and the as-written tables above each other, the bar chart beside.
  auto* natures = new QSplitter(Qt::Horizontal, tabs_);
  auto* nature_grids = new QSplitter(Qt::Vertical, natures);
  nature_grids->addWidget(add_grid(nature_grids, window_.FlexGridNatures(), "FlexGrid_Natures"));
  nature_grids->addWidget(
      add_grid(nature_grids, window_.FlexGridNatureDegrees(), "FlexGrid_NatureDegrees"));
  natures->addWidget(nature_grids);
  nature_chart_ = AddChart(natures, "Chart_Natures");
  tabs_->addTab(natures, "四气");

  // 五味 and 归经: the table, then the bar chart and the radar chart side by side.
  auto add_three = [&](Grid& grid, const char* grid_name, BarChartView*& bars, const char* bar_name,
                       BarChartView*& radar, const char* radar_name, const char* caption) {
    auto* page = new QSplitter(Qt::Vertical, tabs_);
    page->addWidget(add_grid(page, grid, grid_name));
    auto* charts_row = new QSplitter(Qt::Horizontal, page);
    bars = AddChart(charts_row, bar_name);
    radar = AddChart(charts_row, radar_name);
    page->addWidget(charts_row);
    page->setSizes({Px(3000), Px(8000)});
    tabs_->addTab(page, QString::fromUtf8(caption));
  };
  add_three(window_.FlexGridFlavours(), "FlexGrid_Flavours", flavour_chart_, "Chart_Flavours",
            flavour_radar_, "Chart_FlavourRadar", "五味");
  add_three(window_.FlexGridMeridians(), "FlexGrid_Meridians", meridian_chart_, "Chart_Meridians",
            meridian_radar_, "Chart_MeridianRadar", "归经");
  tabs_->addTab(add_grid(tabs_, window_.FlexGridToxic(), "FlexGrid_Toxic"), "有毒中药");

  result_set_bar_ = AddResultSetBar(this, window_);
  resize(Px(HerbPropertiesWindow::kWidth), Px(HerbPropertiesWindow::kHeight));
  Refresh();
}

BarChartView* Frm_HerbProperties::AddChart(QWidget* parent, const char* name) {
  // A bar chart's names are fitted to its view; a radar chart has none to fit.
  auto* view = new BarChartView(parent);
  view->setObjectName(name);
  view->setMinimumSize(320, 280);
  if (auto* splitter = qobject_cast<QSplitter*>(parent)) splitter->addWidget(view);
  return view;
}

void Frm_HerbProperties::RedrawCharts() {
  const HerbPropertiesResult& r = window_.Result();
  const std::pair<BarChartView*, QChart*> charts[] = {
      {nature_chart_, MakeBarChart(NatureChart(r))},
      {flavour_chart_, MakeBarChart(FlavourChart(r))},
      {meridian_chart_, MakeBarChart(MeridianChart(r))},
      {flavour_radar_, MakeRadarChart(FlavourRadar(r))},
      {meridian_radar_, MakeRadarChart(MeridianRadar(r))}};
  for (const auto& [view, chart] : charts) view->SetChart(chart);
}

void Frm_HerbProperties::Refresh() {
  FormView::Refresh();
  if (result_set_bar_) result_set_bar_->Update();
  if (!tabs_) return;  // still being built
  label_summary_->setText(Q(window_.LabelSummary()));
  for (FlexGridView* grid : grids_) grid->Refresh();
  if (picture_watch_.Moved(window_.PictureVersion())) {
    RedrawCharts();
  }
}

}  // namespace lindora::ui
