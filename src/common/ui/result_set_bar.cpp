#include "common/ui/result_set_bar.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QStatusBar>

#include "common/ui/fonts.h"
#include "common/ui/qt_text.h"

namespace lindora::ui {

ResultSetBar::ResultSetBar(QMainWindow* window, std::function<State()> state,
                           std::function<void()> rerun)
    : QWidget(window), state_(std::move(state)) {
  setObjectName("ResultSetBar");
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(2, 0, 2, 0);
  label_ = new QLabel(this);
  label_->setObjectName("Label_ResultSet");
  label_->setFont(UiFont());
  label_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  label_->installEventFilter(this);
  button_ = new QPushButton(QStringLiteral("重新分析"), this);
  button_->setObjectName("Cmd_Rerun");
  button_->setFont(UiFont());
  button_->setToolTip(QStringLiteral("用当前的检索结果重新运行这项分析"));
  connect(button_, &QPushButton::clicked, this, [rerun = std::move(rerun)] { rerun(); });
  layout->addWidget(label_, 1);
  layout->addWidget(button_);
  window->statusBar()->setSizeGripEnabled(false);
  // One height whether the button shows or not, so the window's fixed size holds it.
  window->statusBar()->setFixedHeight(button_->sizeHint().height() + 4);
  window->statusBar()->addWidget(this, 1);
  window->installEventFilter(this);
  Update();
}

void ResultSetBar::Update() {
  const State s = state_();
  full_ = Q(s.text);
  label_->setToolTip(full_);
  Elide();
  label_->setStyleSheet(s.stale ? QStringLiteral("color:#b00000") : QString());
  button_->setVisible(s.stale);
  setVisible(!s.text.empty());
}

void ResultSetBar::Elide() {
  // A narrow window shows the start of the line and "…"; the tooltip holds all of it.
  const QString shown = label_->fontMetrics().elidedText(full_, Qt::ElideRight, label_->width());
  if (label_->text() != shown) label_->setText(shown);
}

bool ResultSetBar::eventFilter(QObject* watched, QEvent* event) {
  if (watched == label_) {
    if (event->type() == QEvent::Resize) Elide();
    return QWidget::eventFilter(watched, event);
  }
  // Coming back to the window tells whether a query meanwhile made its tables stale.
  if (event->type() == QEvent::ActivationChange || event->type() == QEvent::Show) Update();
  return QWidget::eventFilter(watched, event);
}

}  // namespace lindora::ui
