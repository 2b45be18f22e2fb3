// The base of a UI test class: a program folder of its own, the fake ports, the session with
// the analysis list, and the program's views over it.
#pragma once

#include <QObject>
#include <QTemporaryDir>
#include <filesystem>
#include <initializer_list>
#include <memory>

#include "app/ui/views.h"
#include "catalog/catalog.h"
#include "common/session.h"
#include "common/ui/view_host.h"
#include "support/fake_ports.h"

namespace lindora::test {

class ViewWorld : public QObject {
 protected:
  // DB/ holds the named files of the shipped data (none named: all of it), Result/ is empty
  // or holds the shipped formulas as the current result set; then the session and its views.
  void OpenProgramFolder(std::initializer_list<const char*> db_files, bool formulas_as_result) {
    namespace fs = std::filesystem;
    const fs::path shipped = fs::path(LINDORA_BIN_DIR) / "DB";
    if (db_files.size() == 0) fs::copy(shipped, root / "DB", fs::copy_options::recursive);
    fs::create_directories(root / "DB");
    fs::create_directories(root / "Result");
    for (const char* file : db_files) fs::copy_file(shipped / file, root / "DB" / file);
    if (formulas_as_result) fs::copy_file(shipped / "Fangji.DB", root / "Result" / "Result.DB");
    session = std::make_unique<Session>(root, Ports{&dialogs, &urls, &clipboard, nullptr});
    InstallCatalog(*session);
    host = std::make_unique<ui::ViewHost>(*session);
    ui::RegisterViews(*host);
  }

  QTemporaryDir dir;
  std::filesystem::path root{dir.path().toStdString()};
  FakeDialogs dialogs;
  FakeUrlOpener urls;
  FakeClipboard clipboard;
  std::unique_ptr<Session> session;
  std::unique_ptr<ui::ViewHost> host;
};

}  // namespace lindora::test
