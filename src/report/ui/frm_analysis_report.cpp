#include "report/ui/frm_analysis_report.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QProgressDialog>
#include <QVBoxLayout>

#include "common/analysis_list.h"
#include "common/ui/qt_text.h"
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
  layout->addWidget(box);

  auto* form = new QFormLayout;
  auto spin = [&](const char* name, int low, int high, void (*set)(ReportOptions&, int)) {
    auto* box = new QSpinBox(central);
    box->setObjectName(name);
    box->setRange(low, high);
    connect(box, &QSpinBox::valueChanged, this,
            [this, set](int v) { window_.EditOptions([&](ReportOptions& o) { set(o, v); }); });
    return box;
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
  form->addRow(QStringLiteral("表格行数（频次、规则、病症）"), rows_);
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
  compare_a_ = text("Text_CompareA", &ReportOptions::compare_a);
  compare_a_->setPlaceholderText(QStringLiteral(". 为当前结果集"));
  form->addRow(QStringLiteral("结果集比较 A（已保存的结果集名）"), compare_a_);
  compare_b_ = text("Text_CompareB", &ReportOptions::compare_b);
  form->addRow(QStringLiteral("结果集比较 B"), compare_b_);
  compare_min_count_ = text("Text_CompareMinCount", &ReportOptions::compare_min_count);
  form->addRow(QStringLiteral("结果集比较 最小计数"), compare_min_count_);
  compare_symptoms_ = new QCheckBox(QStringLiteral("比较症状（不选则比较中药）"), central);
  compare_symptoms_->setObjectName("Check_CompareSymptoms");
  connect(compare_symptoms_, &QCheckBox::toggled, this, [this](bool on) {
    window_.EditOptions([&](ReportOptions& o) { o.compare_symptoms = on; });
  });
  form->addRow(QString(), compare_symptoms_);
  layout->addLayout(form);

  generate_ = new QPushButton(QStringLiteral("生成报告"), central);
  generate_->setObjectName("Cmd_Generate");
  connect(generate_, &QPushButton::clicked, this, [this] {
    QProgressDialog progress(QStringLiteral("正在生成分析报告……"), QString(), 0, 1, this);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    window_.SetProgressHandler([&](std::string_view step, int done, int total) {
      progress.setMaximum(total);
      progress.setLabelText(QStringLiteral("正在生成分析报告：") + Q(step));
      progress.setValue(done);
    });
    window_.Cmd_Generate_Click();
    window_.SetProgressHandler({});
  });
  layout->addWidget(generate_);

  status_ = new QLabel(central);
  status_->setObjectName("Label_Status");
  status_->setWordWrap(true);
  layout->addWidget(status_);
  resize(480, 780);
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
  status_->setText(Q(window_.Label_Status()));
}

}  // namespace lindora::ui
