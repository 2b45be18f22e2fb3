#include "report/ui/frm_analysis_report.h"

#include <QEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "analysis/compare_sets/compare_sets_analysis.h"
#include "analysis/doses/dose_units.h"
#include "analysis/doses/doses_analysis.h"
#include "analysis/result_sets.h"
#include "common/analysis_list.h"
#include "common/ui/qt_text.h"
#include "common/ui/run_progress.h"
#include "common/ui/twips.h"

namespace lindora::ui {

Frm_AnalysisReport::Frm_AnalysisReport(AnalysisReportWindow& model)
    : FormView(model, "Frm_AnalysisReport"), window_(model) {
  QWidget* central = WhiteCentralWidget();
  auto* layout = new QVBoxLayout(central);

  auto* box = new QGroupBox(QStringLiteral("章节"), central);
  auto* box_layout = new QVBoxLayout(box);
  for (ReportSection s : AllSections()) {
    auto* check = new QCheckBox(Q(SectionTitle(s)), box);
    check->setObjectName("Check_" + QString::fromUtf8(SectionKey(s).data()));
    connect(check, &QCheckBox::toggled, this,
            [this, s](bool on) { window_.SetSectionChecked(s, on); });
    box_layout->addWidget(check);
    sections_[s] = check;
  }
  for (const std::string& key : window_.ListedSections()) {
    const AnalysisDescriptor* analysis = FindAnalysis(model.session().Analyses(), key);
    auto* check = new QCheckBox(Q(analysis->report_title), box);
    check->setObjectName("Check_" + Q(key));
    connect(check, &QCheckBox::toggled, this,
            [this, key](bool on) { window_.SetListedSectionChecked(key, on); });
    box_layout->addWidget(check);
    listed_sections_[key] = check;
  }
  // The sections beside the options: stacked, the two lists are taller than a 1366×768 laptop's
  // screen.
  auto* columns = new QHBoxLayout;
  columns->addWidget(box, 0, Qt::AlignTop);
  layout->addLayout(columns);

  auto* form = new QFormLayout;
  auto spin = [&](const char* name, int low, int high, void (*set)(ReportOptions&, int)) {
    auto* spin_box = new QSpinBox(central);
    spin_box->setObjectName(name);
    spin_box->setRange(low, high);
    connect(spin_box, &QSpinBox::valueChanged, this,
            [this, set](int v) { window_.EditOptions([&](ReportOptions& o) { set(o, v); }); });
    return spin_box;
  };
  auto text = [&](const char* name, std::string ReportOptions::*field) {
    auto* edit = new QLineEdit(central);
    edit->setObjectName(name);
    connect(edit, &QLineEdit::textEdited, this, [this, field](const QString& t) {
      window_.EditOptions([&](ReportOptions& o) { o.*field = S(t); });
    });
    return edit;
  };
  rows_ = spin("Spin_Rows", 1, 1000, [](ReportOptions& o, int v) { o.rows = v; });
  form->addRow(QStringLiteral("表格行数（频数、规则、症状）"), rows_);
  min_support_ = text("Text_MinSupport", &ReportOptions::min_support);
  form->addRow(QStringLiteral("关联规则 最小支持度（% 或方剂数）"), min_support_);
  min_confidence_ = text("Text_MinConfidence", &ReportOptions::min_confidence);
  form->addRow(QStringLiteral("关联规则 最小置信度"), min_confidence_);
  min_lift_ = text("Text_MinLift", &ReportOptions::min_lift);
  form->addRow(QStringLiteral("关联规则 最小提升度"), min_lift_);
  max_size_ = text("Text_MaxSize", &ReportOptions::max_size);
  form->addRow(QStringLiteral("关联规则 最大规则长度"), max_size_);
  nodes_ = spin("Spin_Nodes", 1, 100000, [](ReportOptions& o, int v) { o.network.top = v; });
  form->addRow(QStringLiteral("药物网络 节点数（频数最高者）"), nodes_);
  min_edge_ =
      spin("Spin_MinEdge", 1, 1000000, [](ReportOptions& o, int v) { o.network.min_edge = v; });
  form->addRow(QStringLiteral("药物网络 边阈值（共同出现次数）"), min_edge_);
  // The same choosers as the comparison window: the current set and every saved one.
  auto chooser = [&](const char* name, std::string ReportOptions::*field) {
    auto* combo = new QComboBox(central);
    combo->setObjectName(name);
    combo->setMinimumContentsLength(12);
    connect(combo, &QComboBox::activated, this, [this, combo, field](int i) {
      window_.EditOptions([&](ReportOptions& o) { o.*field = S(combo->itemData(i).toString()); });
    });
    return combo;
  };
  compare_a_ = chooser("Combo_CompareA", &ReportOptions::compare_a);
  form->addRow(QStringLiteral("结果集比较 A"), compare_a_);
  compare_b_ = chooser("Combo_CompareB", &ReportOptions::compare_b);
  form->addRow(QStringLiteral("结果集比较 B"), compare_b_);
  compare_min_count_ = text("Text_CompareMinCount", &ReportOptions::compare_min_count);
  form->addRow(QStringLiteral("结果集比较 最小计数"), compare_min_count_);
  compare_symptoms_ = new QCheckBox(QStringLiteral("比较症状（不选则比较中药）"), central);
  compare_symptoms_->setObjectName("Check_CompareSymptoms");
  connect(compare_symptoms_, &QCheckBox::toggled, this, [this](bool on) {
    window_.EditOptions([&](ReportOptions& o) { o.compare_symptoms = on; });
  });
  form->addRow(QString(), compare_symptoms_);
  compare_doses_ = new QCheckBox(QStringLiteral("同时比较剂量"), central);
  compare_doses_->setObjectName("Check_CompareDoses");
  connect(compare_doses_, &QCheckBox::toggled, this, [this](bool on) {
    window_.EditOptions([&](ReportOptions& o) { o.compare_doses = on; });
  });
  form->addRow(QString(), compare_doses_);
  dose_table_ = new QComboBox(central);
  dose_table_->setObjectName("Combo_DoseTable");
  for (const DoseTableInfo& info : DoseTables()) dose_table_->addItem(Q(info.caption), Q(info.key));
  connect(dose_table_, &QComboBox::activated, this, [this](int i) {
    const std::string key = S(dose_table_->itemData(i).toString());
    window_.EditOptions([&](ReportOptions& o) { o.dose_table = key; });
  });
  form->addRow(QStringLiteral("剂量换算表"), dose_table_);
  columns->addLayout(form, 1);

  generate_ = new QPushButton(QStringLiteral("生成报告"), central);
  generate_->setObjectName("Cmd_Generate");
  connect(generate_, &QPushButton::clicked, this, [this] {
    RunProgress progress(this, QStringLiteral("正在生成分析报告"));
    window_.SetProgressHandler([&](std::string_view step, int done, int total) {
      return progress.Step(step, done, total);
    });
    window_.Cmd_Generate_Click();
    window_.SetProgressHandler({});
  });
  layout->addWidget(generate_);

  status_ = new QLabel(central);
  status_->setObjectName("Label_Status");
  status_->setWordWrap(true);
  layout->addWidget(status_);
  resize(sizeHint().expandedTo(QSize(760, 0)));
}

void Frm_AnalysisReport::changeEvent(QEvent* event) {
  FormView::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
    list_sets_ = true;
    Refresh();
  }
}

void Frm_AnalysisReport::Refresh() {
  FormView::Refresh();
  for (auto& [section, check] : sections_) {
    QSignalBlocker block(check);
    check->setChecked(window_.SectionChecked(section));
  }
  for (auto& [key, check] : listed_sections_) {
    QSignalBlocker block(check);
    check->setChecked(window_.ListedSectionChecked(key));
  }
  const ReportOptions& o = window_.Options();
  auto show = [](QWidget* w, auto set) {
    QSignalBlocker block(w);
    set();
  };
  show(rows_, [&] { rows_->setValue(o.rows); });
  show(nodes_, [&] { nodes_->setValue(o.network.top); });
  show(min_edge_, [&] { min_edge_->setValue(static_cast<int>(o.network.min_edge)); });
  for (auto [edit, value] :
       {std::pair{min_support_, &o.min_support}, std::pair{min_confidence_, &o.min_confidence},
        std::pair{min_lift_, &o.min_lift}, std::pair{max_size_, &o.max_size}})
    if (edit->text() != Q(*value)) show(edit, [&] { edit->setText(Q(*value)); });
  show(compare_symptoms_, [&] { compare_symptoms_->setChecked(o.compare_symptoms); });
  // The saved sets are listed again when the window comes back to the front (one may have
  // been saved meanwhile), not on every edit.
  std::vector<SavedSet> sets;
  if (list_sets_) {
    try {
      sets = ListResultSets(window_.session());
    } catch (const std::exception&) {
      // An unreadable set folder leaves the current set as the only choice.
    }
  }
  for (auto [box, value] :
       {std::pair{compare_a_, &o.compare_a}, std::pair{compare_b_, &o.compare_b}}) {
    QSignalBlocker block(box);
    if (list_sets_) {
      box->clear();
      box->addItem(Q(SetChoiceCaption(kCurrentSetName)), Q(kCurrentSetName));
      for (const SavedSet& set : sets) box->addItem(Q(set.name), Q(set.name));
    }
    box->setCurrentIndex(std::max(0, box->findData(Q(*value))));
  }
  list_sets_ = false;
  show(compare_doses_, [&] { compare_doses_->setChecked(o.compare_doses); });
  show(dose_table_, [&] {
    const std::string key = o.dose_table.empty()
                                ? std::string(DoseTableOf(DefaultDoseTable(window_.session())).key)
                                : o.dose_table;
    dose_table_->setCurrentIndex(dose_table_->findData(Q(key)));
  });
  status_->setText(Q(window_.LabelStatus()));
}

}  // namespace lindora::ui
