#include "analysis/compare_sets/ui/frm_compare_sets.h"

#include <QHBoxLayout>
#include <QSplitter>
#include <QVBoxLayout>
#include <algorithm>

#include "common/session.h"
#include "common/ui/chart_window_view.h"
#include "common/ui/menus.h"
#include "common/ui/qt_text.h"
#include "common/ui/twips.h"

namespace lindora::ui {

Frm_CompareSets::Frm_CompareSets(CompareSetsWindow& model)
    : FormView(model, "Frm_CompareSets"), window_(model) {
  BuildMenus(this, menuBar(), CompareSetsWindow::MenuBar(), window_);
  QWidget* central = WhiteCentralWidget();
  auto* outer = new QVBoxLayout(central);
  auto* choices = new QHBoxLayout;
  outer->addLayout(choices);

  auto add_label = [&](const char* text) { choices->addWidget(new QLabel(text, central)); };
  add_label("结果集 A：");
  combo_set_a_ = new QComboBox(central);
  combo_set_a_->setObjectName("Combo_SetA");
  combo_set_a_->setMinimumContentsLength(12);
  combo_set_a_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  choices->addWidget(combo_set_a_);
  add_label("结果集 B：");
  combo_set_b_ = new QComboBox(central);
  combo_set_b_->setObjectName("Combo_SetB");
  combo_set_b_->setMinimumContentsLength(12);
  combo_set_b_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  choices->addWidget(combo_set_b_);
  connect(combo_set_a_, &QComboBox::activated, this,
          [this](int i) { window_.SetSetA(S(combo_set_a_->itemData(i).toString())); });
  connect(combo_set_b_, &QComboBox::activated, this,
          [this](int i) { window_.SetSetB(S(combo_set_b_->itemData(i).toString())); });

  option_herbs_ = new QRadioButton("中药", central);
  option_herbs_->setObjectName("Option_Herbs");
  option_symptoms_ = new QRadioButton("症状", central);
  option_symptoms_->setObjectName("Option_Symptoms");
  auto* kinds = new QButtonGroup(this);
  kinds->addButton(option_herbs_);
  kinds->addButton(option_symptoms_);
  choices->addSpacing(12);
  choices->addWidget(option_herbs_);
  choices->addWidget(option_symptoms_);
  connect(option_herbs_, &QRadioButton::clicked, this,
          [this] { window_.SetKind(ItemKind::kHerbs); });
  connect(option_symptoms_, &QRadioButton::clicked, this,
          [this] { window_.SetKind(ItemKind::kSymptoms); });

  choices->addSpacing(12);
  add_label("最小计数：");
  text_min_count_ = new QLineEdit(central);
  text_min_count_->setObjectName("Text_MinCount");
  text_min_count_->setMaximumWidth(60);
  choices->addWidget(text_min_count_);
  connect(text_min_count_, &QLineEdit::textEdited, this,
          [this](const QString& text) { window_.SetMinCountText(S(text)); });
  connect(text_min_count_, &QLineEdit::returnPressed, this,
          [this] { window_.Cmd_Compare_Click(); });

  choices->addSpacing(12);
  check_doses_ = new QCheckBox("比较剂量", central);
  check_doses_->setObjectName("Check_Doses");
  choices->addWidget(check_doses_);
  connect(check_doses_, &QCheckBox::clicked, this,
          [this](bool on) { window_.SetCompareDoses(on); });
  combo_dose_table_ = new QComboBox(central);
  combo_dose_table_->setObjectName("Combo_DoseTable");
  for (const DoseTableInfo& info : DoseTables())
    combo_dose_table_->addItem(Q(info.caption), static_cast<int>(info.table));
  choices->addWidget(combo_dose_table_);
  connect(combo_dose_table_, &QComboBox::activated, this, [this](int i) {
    window_.SetDoseTable(static_cast<DoseTable>(combo_dose_table_->itemData(i).toInt()));
  });

  cmd_compare_ = new QPushButton("比较", central);
  cmd_compare_->setObjectName("Cmd_Compare");
  choices->addWidget(cmd_compare_);
  connect(cmd_compare_, &QPushButton::clicked, this, [this] { window_.Cmd_Compare_Click(); });
  cmd_save_chart_ = new QPushButton("保存图表…", central);
  cmd_save_chart_->setObjectName("Cmd_SaveChart");
  choices->addWidget(cmd_save_chart_);
  connect(cmd_save_chart_, &QPushButton::clicked, this, [this] { window_.Cmd_SaveChart_Click(); });
  choices->addStretch(1);

  label_summary_ = new QLabel(central);
  label_summary_->setObjectName("Label_Summary");
  // A long summary wraps rather than widening the window past the screen.
  label_summary_->setWordWrap(true);
  outer->addWidget(label_summary_);

  auto* split = new QSplitter(Qt::Horizontal, central);
  outer->addWidget(split, 1);
  auto* grids = grids_ = new QSplitter(Qt::Vertical, split);
  grid_ = new FlexGridView(&window_.FlexGridCompare(), grids);
  grid_->setObjectName("FlexGrid_Compare");
  connect(grid_, &FlexGridView::Clicked, this, [this] { window_.FlexGrid_Compare_Click(); });
  grids->addWidget(grid_);
  dose_grid_ = new FlexGridView(&window_.FlexGridDoses(), grids);
  dose_grid_->setObjectName("FlexGrid_Doses");
  grids->addWidget(dose_grid_);
  split->addWidget(grids);

  chart_view_ = new BarChartView(window_.Chart(), split);
  chart_view_->setObjectName("Chart_Compare");
  split->addWidget(chart_view_);
  split->setSizes({Px(CompareSetsWindow::kGridWidth) + 20,
                   Px(CompareSetsWindow::kWidth - CompareSetsWindow::kGridWidth)});

  result_set_bar_ = AddResultSetBar(this, window_);
  resize(Px(CompareSetsWindow::kWidth), Px(CompareSetsWindow::kHeight));
  Refresh();
}

void Frm_CompareSets::FillChoices(QComboBox* box, const std::string& current) {
  QSignalBlocker block(box);
  if (shown_choices_ != window_.SetChoices() || box->count() == 0) {
    box->clear();
    for (const CompareSetsWindow::Choice& choice : window_.SetChoices())
      box->addItem(Q(choice.caption), Q(choice.name));
  }
  box->setCurrentIndex(box->findData(Q(current)));
}

void Frm_CompareSets::Refresh() {
  FormView::Refresh();
  if (result_set_bar_) result_set_bar_->Update();
  if (!chart_view_) return;  // still being built
  FillChoices(combo_set_a_, window_.SetA());
  FillChoices(combo_set_b_, window_.SetB());
  shown_choices_ = window_.SetChoices();
  option_herbs_->setChecked(window_.Kind() == ItemKind::kHerbs);
  option_symptoms_->setChecked(window_.Kind() == ItemKind::kSymptoms);
  if (text_min_count_->text() != Q(window_.MinCountText()))
    text_min_count_->setText(Q(window_.MinCountText()));
  check_doses_->setChecked(window_.CompareDosesChecked());
  combo_dose_table_->setCurrentIndex(
      combo_dose_table_->findData(static_cast<int>(window_.DoseTableChoice())));
  combo_dose_table_->setEnabled(window_.CompareDosesChecked());
  // The dose grid takes half of the height when it appears (a hidden one had none).
  const bool doses = window_.CompareDosesChecked() || !window_.DoseResult().items.empty();
  if (doses && dose_grid_->isHidden()) {
    dose_grid_->show();
    const int half = std::max(grids_->height() / 2, 100);
    grids_->setSizes({half, half});
  } else if (!doses) {
    dose_grid_->hide();
  }
  label_summary_->setText(Q(window_.LabelSummary()));
  grid_->Refresh();
  dose_grid_->Refresh();
  if (picture_watch_.Moved(window_.PictureVersion())) {
    RedrawChart();
  }
}

void Frm_CompareSets::RedrawChart() {
  // No chart of nothing before the first comparison.
  chart_view_->setVisible(window_.PictureVersion() > 0);
  chart_view_->SetChart(MakeBarChart(window_.Chart()));
}

}  // namespace lindora::ui
