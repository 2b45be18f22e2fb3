#include "analysis/ui/frm_compare_sets.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHorizontalBarSeries>
#include <QSaveFile>
#include <QSplitter>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>

#include "common/session.h"
#include "common/ui/twips.h"

// The program's one bar chart renderer draws the chart once it is part of the build; until then
// the window draws its own with Qt Charts.
#if __has_include("common/ui/bar_chart.h")
#include "common/ui/bar_chart.h"
#define LINDORA_SHARED_BAR_CHART 1
#endif

namespace lindora::ui {

Frm_CompareSets::Frm_CompareSets(CompareSetsWindow& model)
    : FormView(model, "Frm_CompareSets"), window_(model) {
  QWidget* central = WhiteCentralWidget();
  auto* outer = new QVBoxLayout(central);
  auto* choices = new QHBoxLayout;
  outer->addLayout(choices);

  auto add_label = [&](const char* text) { choices->addWidget(new QLabel(text, central)); };
  add_label("结果集 A：");
  combo_set_a_ = new QComboBox(central);
  combo_set_a_->setObjectName("Combo_SetA");
  combo_set_a_->setMinimumContentsLength(12);
  choices->addWidget(combo_set_a_);
  add_label("结果集 B：");
  combo_set_b_ = new QComboBox(central);
  combo_set_b_->setObjectName("Combo_SetB");
  combo_set_b_->setMinimumContentsLength(12);
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

  cmd_compare_ = new QPushButton("比较", central);
  cmd_compare_->setObjectName("Cmd_Compare");
  choices->addWidget(cmd_compare_);
  connect(cmd_compare_, &QPushButton::clicked, this, [this] { window_.Cmd_Compare_Click(); });
  cmd_save_chart_ = new QPushButton("保存图表…", central);
  cmd_save_chart_->setObjectName("Cmd_SaveChart");
  choices->addWidget(cmd_save_chart_);
  connect(cmd_save_chart_, &QPushButton::clicked, this, [this] { AskAndSaveChart(); });
  choices->addStretch(1);

  label_summary_ = new QLabel(central);
  label_summary_->setObjectName("Label_Summary");
  outer->addWidget(label_summary_);

  auto* split = new QSplitter(Qt::Horizontal, central);
  outer->addWidget(split, 1);
  grid_ = new FlexGridView(&window_.FlexGrid_Compare(), split);
  grid_->setObjectName("FlexGrid_Compare");
  connect(grid_, &FlexGridView::Clicked, this, [this] { window_.FlexGrid_Compare_Click(); });
  split->addWidget(grid_);

  chart_view_ = new QChartView(split);
  chart_view_->setObjectName("Chart_Compare");
  chart_view_->setRenderHint(QPainter::Antialiasing);
  split->addWidget(chart_view_);
  split->setSizes({Px(CompareSetsWindow::kGridWidth) + 20,
                   Px(CompareSetsWindow::kWidth - CompareSetsWindow::kGridWidth)});

  resize(Px(CompareSetsWindow::kWidth), Px(CompareSetsWindow::kHeight));
  RedrawChart();
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
  if (!chart_view_) return;  // still being built
  FillChoices(combo_set_a_, window_.SetA());
  FillChoices(combo_set_b_, window_.SetB());
  shown_choices_ = window_.SetChoices();
  option_herbs_->setChecked(window_.Kind() == ItemKind::kHerbs);
  option_symptoms_->setChecked(window_.Kind() == ItemKind::kSymptoms);
  if (text_min_count_->text() != Q(window_.MinCountText()))
    text_min_count_->setText(Q(window_.MinCountText()));
  label_summary_->setText(Q(window_.LabelSummary()));
  grid_->Refresh();
  if (shown_version_ != window_.ComparisonVersion()) {
    shown_version_ = window_.ComparisonVersion();
    RedrawChart();
  }
}

namespace {

// The chart's content: the items in their order (smallest q first), A's and B's rates.
struct ChartContent {
  QString title, series_a, series_b;
  QStringList names;
  QList<double> rates_a, rates_b;
};

ChartContent Content(const CompareSetsWindow& window) {
  ChartContent c;
  std::vector<ItemComparison> items = window.ChartItems();
  c.title = items.empty() ? QString("尚无比较结果")
                          : QString("Q 值最小的 %1 项：含该项的方剂占比(%)").arg(items.size());
  c.series_a = "A：" + Q(CompareSetsWindow::ChoiceCaption(window.SetA()));
  c.series_b = "B：" + Q(CompareSetsWindow::ChoiceCaption(window.SetB()));
  for (const ItemComparison& item : items) {
    c.names << Q(item.name);
    c.rates_a << item.rate_a;
    c.rates_b << item.rate_b;
  }
  return c;
}

#ifdef LINDORA_SHARED_BAR_CHART
QChart* MakeChart(const ChartContent& c) {
  BarChart data;
  data.title = S(c.title);
  data.value_axis = "方剂占比(%)";
  data.horizontal = true;
  for (const QString& name : c.names) data.categories.push_back(S(name));
  if (!c.names.isEmpty())
    data.series = {{S(c.series_a), {c.rates_a.begin(), c.rates_a.end()}},
                   {S(c.series_b), {c.rates_b.begin(), c.rates_b.end()}}};
  return MakeBarChart(data);
}
#else
QChart* MakeChart(const ChartContent& c) {
  auto* chart = new QChart;
  chart->setFont(UiFont());
  chart->setTitleFont(UiFont("微软雅黑", 11));
  chart->setTitle(c.title);
  if (c.names.isEmpty()) return chart;
  auto* set_a = new QBarSet(c.series_a);
  auto* set_b = new QBarSet(c.series_b);
  set_a->setColor(QColor(0x2b, 0x6c, 0xb0));
  set_b->setColor(QColor(0xe0, 0x7b, 0x39));
  QStringList names;
  double top = 0;
  // Horizontal bars are drawn from the bottom up: the smallest q goes last, to the top.
  for (qsizetype i = c.names.size() - 1; i >= 0; --i) {
    names << c.names[i];
    *set_a << c.rates_a[i];
    *set_b << c.rates_b[i];
    top = std::max({top, c.rates_a[i], c.rates_b[i]});
  }
  auto* series = new QHorizontalBarSeries;
  // The set drawn first lies lowest in each pair; B first puts A above it, as in the legend.
  series->append(set_b);
  series->append(set_a);
  chart->addSeries(series);
  auto* axis_names = new QBarCategoryAxis;
  axis_names->append(names);
  axis_names->setLabelsFont(UiFont("微软雅黑", 9));
  chart->addAxis(axis_names, Qt::AlignLeft);
  series->attachAxis(axis_names);
  auto* axis_rate = new QValueAxis;
  axis_rate->setRange(0, std::min(100.0, std::ceil((top + 1) / 10) * 10));
  axis_rate->setLabelFormat("%.0f");
  axis_rate->setTitleText("方剂占比(%)");
  chart->addAxis(axis_rate, Qt::AlignBottom);
  series->attachAxis(axis_rate);
  chart->legend()->setAlignment(Qt::AlignBottom);
  chart->legend()->setReverseMarkers(true);
  return chart;
}
#endif

}  // namespace

void Frm_CompareSets::RedrawChart() {
  QChart* old = chart_view_->chart();
  chart_view_->setChart(MakeChart(Content(window_)));
  delete old;
}

bool Frm_CompareSets::SaveChart(const QString& path) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  if (!chart_view_->grab().save(&file, "PNG")) {
    file.cancelWriting();
    return false;
  }
  return file.commit();
}

void Frm_CompareSets::AskAndSaveChart() {
  Session& session = window_.session();
  const QString suggested =
      QString::fromStdString(session.Path(CompareSetsWindow::kChartFile).string());
  QString path = QFileDialog::getSaveFileName(this, "保存图表", suggested, "PNG 图片 (*.png)");
  if (path.isEmpty()) return;
  if (!SaveChart(path)) session.ReportFailure("无法写入图片文件：" + S(path));
}

}  // namespace lindora::ui
