#include "common/ui/qt_ports.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

#include "common/ui/qt_text.h"

namespace lindora::ui {

namespace {
QString Title(std::string_view title) {
  return Q(title.empty() ? kProgramTitle : title);
}
}  // namespace

void QtDialogs::Message(std::string_view text, std::string_view title) {
  QMessageBox box(QMessageBox::NoIcon, Title(title), Q(text), QMessageBox::Ok,
                  QApplication::activeWindow());
  box.button(QMessageBox::Ok)->setText("确定");
  box.exec();
}

bool QtDialogs::AskYesNo(std::string_view text, std::string_view title) {
  QMessageBox box(QMessageBox::NoIcon, Title(title), Q(text), QMessageBox::Yes | QMessageBox::No,
                  QApplication::activeWindow());
  // The notices name the buttons “是” and “否”.
  box.button(QMessageBox::Yes)->setText("是(&Y)");
  box.button(QMessageBox::No)->setText("否(&N)");
  return box.exec() == QMessageBox::Yes;
}

std::string QtDialogs::Input(std::string_view prompt, std::string_view default_text,
                             std::string_view title) {
  QInputDialog dialog(QApplication::activeWindow());
  dialog.setWindowTitle(Title(title));
  dialog.setLabelText(Q(prompt));
  dialog.setTextValue(Q(default_text));
  dialog.setOkButtonText("确定");
  dialog.setCancelButtonText("取消");
  return dialog.exec() == QDialog::Accepted ? S(dialog.textValue()) : std::string();
}

std::string QtDialogs::AskSaveFile(std::string_view title, std::string_view suggested,
                                   std::string_view filter) {
  return S(QFileDialog::getSaveFileName(QApplication::activeWindow(), Q(title), Q(suggested),
                                        Q(filter)));
}

void QtClipboard::Clear() {
  QApplication::clipboard()->clear();
}

void QtClipboard::SetText(std::string_view text) {
  QApplication::clipboard()->setText(Q(text));
}

void QtUrlOpener::Open(std::string_view address) {
  // The desktop's opener gets the address as one argument; no shell is involved.
  QDesktopServices::openUrl(QUrl(Q(address), QUrl::TolerantMode));
}

}  // namespace lindora::ui
