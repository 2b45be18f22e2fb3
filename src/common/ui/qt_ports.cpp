#include "common/ui/qt_ports.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QInputDialog>
#include <QMessageBox>
#include <QUrl>

#include "common/ui/twips.h"

namespace lindora::ui {

namespace {
QString Title(std::string_view title) {
  return Q(title.empty() ? kProgramTitle : title);
}
}  // namespace

void QtDialogs::Message(std::string_view text, std::string_view title) {
  QMessageBox box(QMessageBox::NoIcon, Title(title), Q(text), QMessageBox::Ok,
                  QApplication::activeWindow());
  box.exec();
}

bool QtDialogs::AskYesNo(std::string_view text, std::string_view title) {
  QMessageBox box(QMessageBox::NoIcon, Title(title), Q(text), QMessageBox::Yes | QMessageBox::No,
                  QApplication::activeWindow());
  return box.exec() == QMessageBox::Yes;
}

std::string QtDialogs::Input(std::string_view prompt, std::string_view default_text,
                             std::string_view title) {
  bool ok = false;
  QString answer = QInputDialog::getText(QApplication::activeWindow(), Title(title), Q(prompt),
                                         QLineEdit::Normal, Q(default_text), &ok);
  return ok ? S(answer) : std::string();
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
