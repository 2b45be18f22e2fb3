#include "common/ui/run_progress.h"

#include "common/ui/qt_text.h"

namespace lindora::ui {

RunProgress* RunProgress::active_ = nullptr;

RunProgress::RunProgress(QWidget* parent, const QString& text)
    : dialog_(new QProgressDialog(text, QStringLiteral("取消"), 0, 1, parent)),
      text_(text),
      previous_(active_) {
  dialog_->setWindowTitle(text);
  dialog_->setWindowModality(Qt::WindowModal);
  dialog_->setMinimumDuration(0);
  dialog_->setAutoClose(false);
  dialog_->setAutoReset(false);
  dialog_->setMinimumWidth(360);
  QObject::connect(dialog_, &QProgressDialog::canceled, dialog_, [this] { cancelled_ = true; });
  active_ = this;
}

RunProgress::~RunProgress() {
  End();
  active_ = previous_;
  delete dialog_.data();
}

bool RunProgress::Step(std::string_view step, int done, int total) {
  if (ended_ || !dialog_) return !cancelled_;
  dialog_->setMaximum(total);
  dialog_->setLabelText(text_ + QStringLiteral("：") + Q(step));
  // Window-modal: setValue lets the box paint and take the click on 取消.
  dialog_->setValue(done);
  return !cancelled_;
}

void RunProgress::End() {
  if (ended_) return;
  ended_ = true;
  if (dialog_) dialog_->hide();
}

void RunProgress::EndActive() {
  for (RunProgress* p = active_; p; p = p->previous_) p->End();
}

}  // namespace lindora::ui
