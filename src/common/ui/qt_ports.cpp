#include "common/ui/qt_ports.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

#include "common/ui/qt_text.h"
#include "common/ui/run_progress.h"
#include "common/ui/view_host.h"

namespace lindora::ui {

namespace {
// A box without a title of its own is titled with the purpose of the window it speaks for (its
// caption without the search history some windows add), else the program's name.
QString Title(std::string_view title) {
  if (!title.empty()) return Q(title);
  if (QWidget* w = WindowForDialogs()) {
    QString caption = w->window()->windowTitle();
    for (const QString& cut : {QStringLiteral(" - "), QStringLiteral("："), QStringLiteral("（")})
      if (int at = caption.indexOf(cut); at > 0) caption.truncate(at);
    if (!caption.trimmed().isEmpty()) return caption.trimmed();
  }
  return Q(kProgramTitle);
}
}  // namespace

void QtDialogs::Message(std::string_view text, std::string_view title) {
  RunProgress::EndActive();
  QMessageBox box(QMessageBox::NoIcon, Title(title), Q(text), QMessageBox::Ok, WindowForDialogs());
  box.button(QMessageBox::Ok)->setText("确定");
  box.exec();
}

bool QtDialogs::AskYesNo(std::string_view text, std::string_view title) {
  RunProgress::EndActive();
  QMessageBox box(QMessageBox::NoIcon, Title(title), Q(text), QMessageBox::Yes | QMessageBox::No,
                  WindowForDialogs());
  // The notices name the buttons “是” and “否”.
  box.button(QMessageBox::Yes)->setText("是(&Y)");
  box.button(QMessageBox::No)->setText("否(&N)");
  return box.exec() == QMessageBox::Yes;
}

std::string QtDialogs::Input(std::string_view prompt, std::string_view default_text,
                             std::string_view title) {
  RunProgress::EndActive();
  QInputDialog dialog(WindowForDialogs());
  dialog.setWindowTitle(Title(title));
  dialog.setLabelText(Q(prompt));
  dialog.setTextValue(Q(default_text));
  dialog.setOkButtonText("确定");
  dialog.setCancelButtonText("取消");
  return dialog.exec() == QDialog::Accepted ? S(dialog.textValue()) : std::string();
}

std::string QtDialogs::AskSaveFile(std::string_view title, std::string_view suggested,
                                   std::string_view filter) {
  RunProgress::EndActive();
  QString start = Q(suggested);
  if (!start_folder_.isEmpty() && QFileInfo(start).isRelative())
    start = QDir(start_folder_).filePath(start);
  return S(QFileDialog::getSaveFileName(WindowForDialogs(), Q(title), start, Q(filter)));
}

void QtClipboard::Clear() {
  QApplication::clipboard()->clear();
}

void QtClipboard::SetText(std::string_view text) {
  QApplication::clipboard()->setText(Q(text));
}

void QtUrlOpener::Open(std::string_view address) {
  // The desktop's opener gets the address as one argument; no shell is involved.
  const QUrl url(Q(address), QUrl::TolerantMode);
  if (QDesktopServices::openUrl(url)) return;
  // Nothing on this desktop opens it: say where it is instead of failing silently.
  const QString where = url.isLocalFile() ? url.toLocalFile() : url.toString();
  QMessageBox box(QMessageBox::Information, QStringLiteral("无法打开"),
                  QStringLiteral("没有可以打开它的程序（如浏览器）。请自行打开：\n") + where,
                  QMessageBox::Ok, WindowForDialogs());
  box.button(QMessageBox::Ok)->setText("确定");
  box.setTextInteractionFlags(Qt::TextSelectableByMouse);
  box.exec();
}

}  // namespace lindora::ui
