// The dialogs of the formula libraries: importing a user's prescriptions (first rows, guessed
// columns, the traditional-script proposal), reviewing the names that did not resolve, and
// managing the libraries (open, rename, delete, show the folder). None of them blocks: each is
// a window of its own that tells `changed` when the libraries or the open one changed.
#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <string_view>

namespace lindora {
class Session;
}

namespace lindora::ui {

// `file`, when given, is read at once as if chosen.
void ShowImportDialog(QWidget* parent, Session& session, std::function<void()> changed,
                      const QString& file = {});
void ShowLibraryManager(QWidget* parent, Session& session, std::function<void()> changed);
// A window title naming the open library when it is an imported one; the shipped library's
// windows keep their titles.
QString TitleWithLibrary(const Session& session, std::string_view caption);

}  // namespace lindora::ui
