// The picture module of lindora-cli: the windows' renderer on Qt's offscreen platform. The tool
// loads it on its first picture (cli/cli_pictures.h), so commands without pictures never load
// Qt at all.
#include <QApplication>
#include <QThreadPool>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>

#include "common/pictures.h"
#include "common/ui/qt_picture_writer.h"

extern "C" __attribute__((visibility("default"))) lindora::PictureWriter*
LindoraCliPictureWriter() {
  // No window is ever shown: no display is needed, nor used when there is one.
  if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // Standard error carries the tool's messages; Qt's notes about its environment are not one.
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", qPrintable(text));
  });
  static int argc = 1;
  static char name[] = "lindora-cli";
  static char* argv[] = {name, nullptr};
  static QApplication app(argc, argv);
  static lindora::ui::QtPictureWriter writer;
  return &writer;
}

// Waits for Qt's drawing helpers to finish and lets them go (see EndCliPictures).
extern "C" __attribute__((visibility("default"))) void LindoraCliPicturesEnd() {
  QThreadPool::globalInstance()->waitForDone();
}
