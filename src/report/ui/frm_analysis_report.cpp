#include "report/ui/frm_analysis_report.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QProgressDialog>
#include <QVBoxLayout>

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
  layout->addWidget(box);

  auto* form = new QFormLayout;
  top_ = new QSpinBox(central);
  top_->setObjectName("Spin_Top");
  top_->setRange(1, 1000);
  connect(top_, &QSpinBox::valueChanged, this, [this](int v) { window_.SetTop(v); });
  form->addRow(QStringLiteral("表格行数（频次、规则、病症）"), top_);
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
  resize(420, 420);
}

void Frm_AnalysisReport::Refresh() {
  FormView::Refresh();
  for (auto& [section, check] : sections_) {
    QSignalBlocker block(check);
    check->setChecked(window_.SectionChecked(section));
  }
  QSignalBlocker block(top_);
  top_->setValue(window_.Options().top);
  status_->setText(Q(window_.Label_Status()));
}

}  // namespace lindora::ui
