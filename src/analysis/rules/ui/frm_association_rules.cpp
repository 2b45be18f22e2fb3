#include "analysis/rules/ui/frm_association_rules.h"

#include <QCoreApplication>
#include <QEvent>
#include <QHeaderView>

#include "common/ui/fonts.h"
#include "common/ui/menus.h"
#include "common/ui/qt_text.h"
#include "common/ui/twips.h"

namespace lindora::ui {

namespace {

void Place(QWidget* w, int left, int top, int width, int height) {
  w->setGeometry(Px(left), Px(top), Px(width), Px(height));
}

// A caption and its input field on the threshold line.
QLineEdit* Field(QWidget* parent, const char* caption, const char* name, int left,
                 int caption_width, const char* tip) {
  constexpr int kTop = 180, kHeight = 360, kFieldWidth = 900, kGap = 60;
  auto* label = new QLabel(QString::fromUtf8(caption), parent);
  Place(label, left, kTop, caption_width, kHeight);
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(name);
  edit->setToolTip(QString::fromUtf8(tip));
  Place(edit, left + caption_width + kGap, kTop, kFieldWidth, kHeight);
  return edit;
}

}  // namespace

Frm_AssociationRules::Frm_AssociationRules(AssociationRulesWindow& model)
    : FormView(model, "Frm_AssociationRules"), window_(model) {
  auto* central = new QWidget(this);
  setCentralWidget(central);

  text_min_support_ = Field(central, "最小支持度", "Text_MinSupport", 120, 1080,
                            "百分比（如 10%，向上取整且至少 2 个方剂）或方剂数（如 25）");
  connect(text_min_support_, &QLineEdit::textEdited, this,
          [this](const QString& text) { window_.SetTextMinSupport(S(text)); });
  text_min_confidence_ =
      Field(central, "最小置信度", "Text_MinConfidence", 2400, 1080, "0 到 1 之间，如 0.6");
  connect(text_min_confidence_, &QLineEdit::textEdited, this,
          [this](const QString& text) { window_.SetTextMinConfidence(S(text)); });
  text_min_lift_ = Field(central, "最小提升度", "Text_MinLift", 4680, 1080,
                         "不小于 0；默认 1.01 "
                         "只留正相关的规则，略去后项为每首方剂都含有的药物等提升度为 1 的平凡规则");
  connect(text_min_lift_, &QLineEdit::textEdited, this,
          [this](const QString& text) { window_.SetTextMinLift(S(text)); });

  auto* size_label = new QLabel(QStringLiteral("最大规则长度"), central);
  Place(size_label, 6960, 180, 1260, 360);
  combo_max_size_ = new QComboBox(central);
  combo_max_size_->setObjectName("Combo_MaxSize");
  combo_max_size_->addItems({"2", "3", "4"});
  combo_max_size_->setToolTip(QStringLiteral("规则的前项与后项合计的药味数"));
  Place(combo_max_size_, 8280, 180, 720, 360);
  connect(combo_max_size_, &QComboBox::textActivated, this,
          [this](const QString& text) { window_.SetTextMaxSize(S(text)); });

  cmd_run_ = new QPushButton(QStringLiteral("开始分析"), central);
  cmd_run_->setObjectName("Cmd_Run");
  Place(cmd_run_, 9240, 165, 1200, 390);
  connect(cmd_run_, &QPushButton::clicked, this, [this] {
    // The pressed button is repainted before the mining starts.
    QCoreApplication::processEvents();
    window_.Cmd_Run_Click();
  });

  // Enter in a threshold field runs the analysis as the button does.
  for (QLineEdit* edit : {text_min_support_, text_min_confidence_, text_min_lift_})
    connect(edit, &QLineEdit::returnPressed, cmd_run_, &QPushButton::click);

  label_count_ = new QLabel(central);
  label_count_->setObjectName("Label_Count");
  Place(label_count_, 120, 660, AssociationRulesWindow::kGridWidth, 360);

  grid_ = new FlexGridView(&window_.FlexGrid(), central);
  grid_->setObjectName("FlexGrid");
  grid_->setFont(UiFont());
  Place(grid_, AssociationRulesWindow::kGridLeft, AssociationRulesWindow::kGridTop,
        AssociationRulesWindow::kGridWidth, AssociationRulesWindow::kGridHeight);
  connect(grid_, &FlexGridView::Clicked, this, [this] { window_.FlexGrid_Click(); });

  BuildMenus(this, menuBar(), AssociationRulesWindow::MenuBar(), window_);
  SetFixedClientTwips(AssociationRulesWindow::kClientWidth, AssociationRulesWindow::kClientHeight);
}

void Frm_AssociationRules::changeEvent(QEvent* event) {
  FormView::changeEvent(event);
  // Coming back to the window shows whether a new query has made the table stale.
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) Refresh();
}

void Frm_AssociationRules::Refresh() {
  FormView::Refresh();
  if (!grid_) return;  // still being built
  auto show = [](QLineEdit* edit, const std::string& text) {
    if (edit->text() != Q(text)) edit->setText(Q(text));
  };
  show(text_min_support_, window_.TextMinSupport());
  show(text_min_confidence_, window_.TextMinConfidence());
  show(text_min_lift_, window_.TextMinLift());
  combo_max_size_->setCurrentText(Q(window_.TextMaxSize()));
  // A table of an earlier result set says so, with the button that reruns it beside it.
  if (window_.Stale()) {
    label_count_->setText(
        QStringLiteral("⚠ 检索结果已更新，下表仍是标题所示的旧结果集：点“开始分析”重新分析。"));
    label_count_->setStyleSheet("color:#b00000");
  } else {
    label_count_->setText(Q(window_.LabelCount()));
    label_count_->setStyleSheet({});
  }
  grid_->Refresh();
  QHeaderView* header = grid_->horizontalHeader();
  header->setSortIndicatorShown(window_.SortColumn() >= 0);
  if (window_.SortColumn() >= 0)
    header->setSortIndicator(window_.SortColumn(),
                             window_.SortDescending() ? Qt::DescendingOrder : Qt::AscendingOrder);
}

}  // namespace lindora::ui
