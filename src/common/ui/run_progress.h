// The progress box of a long run: window-modal, with a 取消 button. While one is up, every
// message box closes it first, so an error never sits under a progress box that holds the
// keyboard and the mouse.
#pragma once

#include <QPointer>
#include <QProgressDialog>
#include <string_view>

namespace lindora::ui {

class RunProgress {
 public:
  RunProgress(QWidget* parent, const QString& text);
  ~RunProgress();
  RunProgress(const RunProgress&) = delete;
  RunProgress& operator=(const RunProgress&) = delete;

  // Shows a step; false once the user has pressed 取消.
  bool Step(std::string_view step, int done, int total);
  bool Cancelled() const { return cancelled_; }

  // Closes the progress box that is up, if any (the message boxes call it).
  static void EndActive();

 private:
  void End();
  QPointer<QProgressDialog> dialog_;
  QString text_;
  bool cancelled_ = false, ended_ = false;
  RunProgress* previous_ = nullptr;
  static RunProgress* active_;
};

}  // namespace lindora::ui
