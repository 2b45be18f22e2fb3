#include "common/ui/result_set_bar.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QStatusBar>
#include <algorithm>

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
  // A narrow window wraps the line over up to three; beyond that it shows the start and "…",
  // and the tooltip holds all of it.
  constexpr int kMaxLines = 3;
  const QFontMetrics fm = label_->fontMetrics();
  const int width = std::max(1, label_->width());
  auto lines_of = [&](const QString& text) {
    const QRect r =
        fm.boundingRect(QRect(0, 0, width, 100 * fm.lineSpacing()), Qt::TextWordWrap, text);
    return std::max(1, (r.height() + fm.lineSpacing() / 2) / fm.lineSpacing());
  };
  QString shown = full_;
  for (int room = width * kMaxLines; lines_of(shown) > kMaxLines && room > width; room -= width / 4)
    shown = fm.elidedText(full_, Qt::ElideRight, room);
  const int lines = lines_of(shown);
  label_->setWordWrap(lines > 1);
  if (label_->text() != shown) label_->setText(shown);
  if (lines == lines_) return;
  // The bar grows by the lines added; a window of fixed size grows with it.
  auto* window = qobject_cast<QMainWindow*>(this->window());
  const int grow = (lines - lines_) * fm.lineSpacing();
  lines_ = lines;
  if (!window) return;
  window->statusBar()->setFixedHeight(window->statusBar()->maximumHeight() + grow);
  if (window->minimumHeight() == window->maximumHeight())
    window->setFixedHeight(window->height() + grow);
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
