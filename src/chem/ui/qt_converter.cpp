#include "chem/ui/qt_converter.h"

#include <QApplication>
#include <QEventLoop>
#include <QPointer>
#include <QProcess>
#include <QTimer>
#include <QWidget>

#include "common/ui/twips.h"

namespace lindora::ui {

namespace {

QWidget* MainWindow() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == "Frm_Main") return w;
  return nullptr;
}

// The last lines of what the converter printed, to explain a failure.
std::string Tail(const QByteArray& output) {
  QString text = QString::fromLocal8Bit(output).trimmed();
  if (text.size() > 600) text = "…" + text.right(600);
  return text.isEmpty() ? std::string() : "\r\n" + S(text);
}

}  // namespace

ConverterResult QtConverter::Run(const std::filesystem::path& program,
                                 const std::vector<std::string>& args) {
  using Status = ConverterResult::Status;
  if (running_) return {Status::kBusy, -1, "另一个结构转换正在进行，请等它结束后再试。"};
  running_ = true;

  QProcess process;
  process.setProgram(QString::fromStdString(program.string()));
  QStringList arguments;
  for (const std::string& a : args) arguments << QString::fromStdString(a);
  process.setArguments(arguments);
  process.setStandardInputFile(QProcess::nullDevice());
  process.setProcessChannelMode(QProcess::MergedChannels);

  QPointer<QWidget> main = MainWindow();
  QString saved_caption;
  if (main) {
    saved_caption = main->windowTitle();
    main->setEnabled(false);
  }

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
  QObject::connect(&dot_timer, &QTimer::timeout, [&] {
    if (main) main->setWindowTitle(QString(kWaitCaption) + QString(++dots, '.'));
  });
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

  if (main) {
    main->setWindowTitle(saved_caption);
    main->setEnabled(true);
  }
  running_ = false;

  if (timed_out) {
    return {Status::kTimedOut, -1,
            "转换程序运行超过 " + std::to_string(limit_.count() / 1000) + " 秒，已被终止。"};
  }
  if (failed_to_start) {
    return {Status::kCannotStart, -1,
            "无法启动转换程序 " + program.string() + "：" + S(process.errorString())};
  }
  if (process.exitStatus() == QProcess::CrashExit) {
    return {Status::kFailed, -1,
            "转换程序 " + program.string() + " 异常终止。" + Tail(process.readAll())};
  }
  if (process.exitCode() != 0) {
    return {Status::kFailed, process.exitCode(),
            "转换程序运行失败（退出码 " + std::to_string(process.exitCode()) + "）。" +
                Tail(process.readAll())};
  }
  return {Status::kOk, 0, {}};
}

}  // namespace lindora::ui
