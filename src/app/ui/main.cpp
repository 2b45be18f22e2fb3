// The desktop program: one session, Qt ports, a view for every window model.
#include <QApplication>

#include "app/msg.h"
#include "app/ui/views.h"
#include "chem/ui/qt_converter.h"
#include "common/process.h"
#include "common/ui/qt_ports.h"
#include "common/ui/twips.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Lindora");
  lindora::ui::InstallFontSubstitutions();
  QApplication::setFont(lindora::ui::UiFont());

  lindora::ui::QtDialogs dialogs;
  lindora::ui::QtClipboard clipboard;
  lindora::ui::QtUrlOpener urls;
  lindora::ui::QtConverter converter;
  auto folder = lindora::ExecutableFolder();
  std::string problems = lindora::PrepareProgramFolder(folder);
  if (!problems.empty()) dialogs.Message(problems);
  lindora::Session session(folder, {&dialogs, &urls, &clipboard, &converter});
  lindora::ui::ViewHost host(session);
  lindora::ui::RegisterViews(host);

  session.Window<lindora::Msg>().ShowNotice("Lindora", "Lindora\r\n" + folder.string());
  return app.exec();
}
