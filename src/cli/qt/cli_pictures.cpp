// The picture module of lindora-cli: the windows' renderer on Qt's offscreen platform. The tool
// loads it on its first picture (cli/cli_pictures.h), so commands without pictures never load
// Qt at all.
#include <sched.h>

#include <QApplication>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>

#include "common/pictures.h"
#include "common/ui/qt_picture_writer.h"

extern "C" __attribute__((visibility("default"))) lindora::PictureWriter*
LindoraCliPictureWriter() {
  // Qt hands large fills to helper threads of its pool; for pictures of this size the handovers
  // between cores cost more than they gain (the 1600×1200 network of 100 herbs: 1.8 s with two
  // cores, 0.6 s of it in the kernel; 1.1 s on one). The tool computes on one core anyway, so
  // from its first picture on it keeps to the core it runs on, and so do the helpers.
  cpu_set_t one;
  CPU_ZERO(&one);
  if (const int cpu = ::sched_getcpu(); cpu >= 0) {
    CPU_SET(cpu, &one);
    ::sched_setaffinity(0, sizeof one, &one);
  }
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
