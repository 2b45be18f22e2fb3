#include "analysis/doses/ui/frm_doses.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QSplitter>
#include <QVBoxLayout>

#include "common/ui/box_plot.h"
#include "common/ui/menus.h"
#include "common/ui/qt_text.h"
#include "common/ui/twips.h"

namespace lindora::ui {

Frm_Doses::Frm_Doses(DosesWindow& model) : FormView(model, "Frm_Doses"), window_(model) {
  QWidget* central = WhiteCentralWidget();
  auto* outer = new QVBoxLayout(central);
  auto* controls = new QHBoxLayout;
  outer->addLayout(controls);

  table_ = new QComboBox(central);
  table_->setObjectName("Combo_Table");
  for (const DoseTableInfo& info : DoseTables())
    table_->addItem(Q(std::string(info.caption)), static_cast<int>(info.table));
  mass_unit_ = new QComboBox(central);
  mass_unit_->setObjectName("Combo_MassUnit");
  mass_unit_->addItems({QStringLiteral("克 (g)"), QStringLiteral("两（按换算表）")});
  top_ = new QLineEdit(central);
  top_->setObjectName("Text_Top");
  top_->setFixedWidth(60);
  analyse_ = new QPushButton(QStringLiteral("分析"), central);
  analyse_->setObjectName("Cmd_Analyse");
  controls->addWidget(new QLabel(QStringLiteral("换算表"), central));
  controls->addWidget(table_);
  controls->addSpacing(12);
  controls->addWidget(new QLabel(QStringLiteral("重量单位"), central));
  controls->addWidget(mass_unit_);
  controls->addSpacing(12);
  controls->addWidget(new QLabel(QStringLiteral("箱线图中药数"), central));
  controls->addWidget(top_);
  controls->addWidget(analyse_);
  controls->addStretch();

  label_summary_ = new QLabel(central);
  label_summary_->setObjectName("Label_Summary");
  label_summary_->setWordWrap(true);
  label_summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  outer->addWidget(label_summary_);

  // The tables on the left (the doses not read, short, under the dose table), the box plot on
  // the right.
  auto* split = new QSplitter(Qt::Horizontal, central);
  auto* tables = new QSplitter(Qt::Vertical, split);
  doses_ = new FlexGridView(&window_.FlexGridDoses(), tables);
  doses_->setObjectName("FlexGrid_Doses");
  unread_ = new FlexGridView(&window_.FlexGridUnread(), tables);
  unread_->setObjectName("FlexGrid_Unread");
  tables->addWidget(doses_);
  tables->addWidget(unread_);
  tables->setSizes({Px(7000), Px(1800)});
  box_plot_ = new BarChartView(split);
  box_plot_->setObjectName("Chart_BoxPlot");
  box_plot_->setMinimumSize(320, 280);
  split->addWidget(tables);
  split->addWidget(box_plot_);
  split->setSizes({Px(11800), Px(7600)});
  outer->addWidget(split, 1);

  connect(table_, &QComboBox::activated, this, [this] { Analyse(); });
  connect(mass_unit_, &QComboBox::activated, this, [this] { Analyse(); });
  connect(top_, &QLineEdit::returnPressed, this, [this] { Analyse(); });
  connect(analyse_, &QPushButton::clicked, this, [this] { Analyse(); });

  BuildMenus(this, menuBar(), DosesWindow::MenuBar(), window_);
  result_set_bar_ = AddResultSetBar(this, window_);
  resize(Px(DosesWindow::kWidth), Px(DosesWindow::kHeight));
  Refresh();
}

void Frm_Doses::Analyse() {
  // Read before setting: each setter redraws the fields from the model.
  const auto table = static_cast<DoseTable>(table_->currentData().toInt());
  const bool in_liang = mass_unit_->currentIndex() == 1;
  const std::string top = S(top_->text());
  // The table stays the library's default until the user picks another.
  if (table != window_.Table()) window_.SetTable(table);
  window_.SetInLiang(in_liang);
  window_.SetTopText(top);
  window_.Analyse();
}

void Frm_Doses::closeEvent(QCloseEvent* event) {
  window_.Close();
  FormView::closeEvent(event);
}

void Frm_Doses::Refresh() {
  FormView::Refresh();
  if (result_set_bar_) result_set_bar_->Update();
  if (!box_plot_) return;  // still being built
  table_->setCurrentIndex(table_->findData(static_cast<int>(window_.Table())));
  mass_unit_->setCurrentIndex(window_.InLiang() ? 1 : 0);
  if (top_->text() != Q(window_.TopText())) top_->setText(Q(window_.TopText()));
  label_summary_->setText(Q(window_.LabelSummary()));
  doses_->Refresh();
  unread_->Refresh();
  if (picture_watch_.Moved(window_.PictureVersion())) {
    box_plot_->SetChart(MakeBoxPlotChart(window_.Result().box_plot));
  }
}

}  // namespace lindora::ui
