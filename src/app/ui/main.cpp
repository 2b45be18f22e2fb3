// The desktop program: one session, Qt ports, a view for every window model.
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QLockFile>
#include <QTranslator>
#include <csignal>

#include "app/main_window.h"
#include "app/ui/views.h"
#include "catalog/catalog.h"
#include "chem/ui/qt_converter.h"
#include "common/process.h"
#include "common/ui/fonts.h"
#include "common/ui/menu_style.h"
#include "common/ui/pinyin_collation.h"
#include "common/ui/qt_ports.h"
#include "formula/keyword_query.h"

int main(int argc, char** argv) {
  // A file-size limit makes writes fail with a message instead of ending the program.
  std::signal(SIGXFSZ, SIG_IGN);
  QApplication app(argc, argv);
  QApplication::setApplicationName("Lindora");
  QApplication::setQuitOnLastWindowClosed(false);  // only the main window ends the program
  lindora::ui::InstallFontSubstitutions();
  lindora::ui::InstallMenuStyle();
  // Qt's own dialogs (file dialogs, standard buttons) in Chinese.
  QTranslator qt_chinese;
  if (qt_chinese.load(QLocale(QLocale::Chinese, QLocale::China), "qtbase", "_",
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QApplication::installTranslator(&qt_chinese);
  lindora::ui::InstallPinyinCollation();
  QApplication::setFont(lindora::ui::UiFont());

  lindora::ui::QtDialogs dialogs;
  lindora::ui::QtClipboard clipboard;
  lindora::ui::QtUrlOpener urls;
  lindora::ui::QtConverter converter;
  auto folder = lindora::ExecutableFolder();
  dialogs.SetStartFolder(QString::fromStdString((folder / "Result").string()));
  lindora::Session session(folder, {&dialogs, &urls, &clipboard, &converter});
  lindora::InstallCatalog(session);
  lindora::ui::ViewHost host(session);
  lindora::ui::RegisterViews(host);

  // One copy per user: a lock that a crashed copy leaves behind is taken over.
  QLockFile lock(QDir::tempPath() + "/Lindora-" + QString::number(getuid()) + ".lock");
  const bool another_running = !lock.tryLock(0);
  const std::string exe_name =
      QFileInfo(QCoreApplication::applicationFilePath()).fileName().toStdString();

  lindora::Main& main_window = session.Window<lindora::Main>();
  bool ended = false;
  main_window.SetEndHandler([&] {
    ended = true;
    QCoreApplication::exit(0);
  });
  if (!main_window.Form_Load(another_running, exe_name) || ended) return 0;
  std::string problems = lindora::PrepareProgramFolder(folder);
  if (!problems.empty()) dialogs.Message(problems);
  // The program starts in the shipped library: a result set an earlier run searched in another
  // library is searched again here (or emptied), so no analysis reads it under this title.
  try {
    if (std::string note = lindora::FitResultSetToLibrary(session, /*unknown_is_foreign=*/false);
        !note.empty())
      dialogs.Message(note);
  } catch (const lindora::FileError& e) {
    dialogs.Message(e.what());
  }
  return app.exec();
}
