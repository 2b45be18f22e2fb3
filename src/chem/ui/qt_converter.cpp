#include "chem/ui/qt_converter.h"

#include <QApplication>
#include <QEventLoop>
#include <QPointer>
#include <QProcess>
#include <QTimer>
#include <QWidget>
#include <vector>

#include "common/process.h"
#include "common/ui/qt_text.h"

namespace lindora::ui {

namespace {

QWidget* MainWindow() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == "Frm_Main") return w;
  return nullptr;
}

}  // namespace

// While it lives: the converter counts as running and every window is disabled, so no handler
// of any window can start an operation while this one waits inside the nested event loop; the
// main window's caption is kept to be put back.
class QtConverter::Scope {
 public:
  Scope() : main_(MainWindow()) {
    running_ = true;
    if (main_) caption_ = main_->windowTitle();
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (!w->isEnabled()) continue;
      w->setEnabled(false);
      disabled_.emplace_back(w);
    }
  }
  ~Scope() {
    if (main_) main_->setWindowTitle(caption_);
    for (const QPointer<QWidget>& w : disabled_)
      if (w) w->setEnabled(true);
    running_ = false;
  }
  Scope(const Scope&) = delete;
  Scope& operator=(const Scope&) = delete;

  void ShowWaiting(int dots) {
    if (main_) main_->setWindowTitle(QString(kWaitCaption) + QString(dots, '.'));
  }

 private:
  QPointer<QWidget> main_;
  QString caption_;
  std::vector<QPointer<QWidget>> disabled_;
};

ConverterResult QtConverter::Run(const std::filesystem::path& program,
                                 const std::vector<std::string>& args) {
  using Status = ConverterResult::Status;
  if (running_) return {Status::kBusy, -1, std::string(kConverterBusyMessage)};
  Scope scope;

  QProcess process;
  process.setProgram(QString::fromStdString(program.string()));
  QStringList arguments;
  for (const std::string& a : args) arguments << QString::fromStdString(a);
  process.setArguments(arguments);
  process.setStandardInputFile(QProcess::nullDevice());
  process.setProcessChannelMode(QProcess::MergedChannels);

  QEventLoop loop;
  bool finished = false, failed_to_start = false, timed_out = false;
  QObject::connect(&process, &QProcess::finished, &loop, [&] {
    finished = true;
    loop.quit();
  });
  QObject::connect(&process, &QProcess::errorOccurred, &loop, [&](QProcess::ProcessError e) {
    if (e != QProcess::FailedToStart) return;
    failed_to_start = true;
    loop.quit();
  });
  int dots = 0;
  QTimer dot_timer;
  dot_timer.setInterval(static_cast<int>(dot_interval_.count()));
  QObject::connect(&dot_timer, &QTimer::timeout, [&] { scope.ShowWaiting(++dots); });
  QTimer limit_timer;
  limit_timer.setSingleShot(true);
  limit_timer.setInterval(static_cast<int>(limit_.count()));
  QObject::connect(&limit_timer, &QTimer::timeout, [&] {
    timed_out = true;
    process.kill();
    loop.quit();
  });

  process.start();
  if (!failed_to_start && !finished) {
    dot_timer.start();
    limit_timer.start();
    loop.exec();
  }
  dot_timer.stop();
  limit_timer.stop();
  if (timed_out) process.waitForFinished(5000);

  if (timed_out) return {Status::kTimedOut, -1, ConverterTimedOutMessage(limit_)};
  if (failed_to_start)
    return {Status::kCannotStart, -1,
            ConverterCannotStartMessage(program, S(process.errorString()))};
  const std::string output = QString::fromLocal8Bit(process.readAll()).toStdString();
  if (process.exitStatus() == QProcess::CrashExit)
    return {Status::kFailed, -1, ConverterCrashedMessage(program, output)};
  if (process.exitCode() != 0)
    return {Status::kFailed, process.exitCode(),
            ConverterFailedMessage(process.exitCode(), output)};
  return {Status::kOk, 0, {}};
}

}  // namespace lindora::ui
