// Pictures in lindora-cli: the windows' renderer on Qt's offscreen platform. The application
// object is made on the first picture, so commands without pictures never start Qt.
#include <QApplication>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "common/pictures.h"
#include "common/ui/qt_picture_writer.h"

namespace {

void EnsureApplication() {
  if (QCoreApplication::instance()) return;
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
}

class CliPictureWriter : public lindora::PictureWriter {
 public:
  void WriteBarChartPng(const lindora::BarChart& chart, const std::filesystem::path& path,
                        int width, int height) override {
    EnsureApplication();
    qt_.WriteBarChartPng(chart, path, width, height);
  }
  void WriteNetworkPng(const lindora::NetworkPicture& picture, const std::filesystem::path& path,
                       int width, int height) override {
    EnsureApplication();
    qt_.WriteNetworkPng(picture, path, width, height);
  }
  void WriteNetworkSvg(const lindora::NetworkPicture& picture, const std::filesystem::path& path,
                       int width, int height) override {
    EnsureApplication();
    qt_.WriteNetworkSvg(picture, path, width, height);
  }
  void WriteDendrogramPng(const lindora::DendrogramPicture& picture,
                          const std::filesystem::path& path, int width, int height) override {
    EnsureApplication();
    qt_.WriteDendrogramPng(picture, path, width, height);
  }
  void WriteDendrogramSvg(const lindora::DendrogramPicture& picture,
                          const std::filesystem::path& path, int width, int height) override {
    EnsureApplication();
    qt_.WriteDendrogramSvg(picture, path, width, height);
  }
  std::string DendrogramPng(const lindora::DendrogramPicture& picture, int width,
                            int height) override {
    EnsureApplication();
    return qt_.DendrogramPng(picture, width, height);
  }

  std::string BarChartPng(const lindora::BarChart& chart, int width, int height) override {
    EnsureApplication();
    return qt_.BarChartPng(chart, width, height);
  }
  std::string NetworkPng(const lindora::NetworkPicture& picture, int width, int height) override {
    EnsureApplication();
    return qt_.NetworkPng(picture, width, height);
  }
  void WriteHtmlPdf(const std::string& html, const std::map<std::string, std::string>& pictures,
                    const std::string& title, const std::filesystem::path& path) override {
    EnsureApplication();
    qt_.WriteHtmlPdf(html, pictures, title, path);
  }

 private:
  lindora::ui::QtPictureWriter qt_;
};

CliPictureWriter writer;
const bool installed = (lindora::InstallPictureWriter(&writer), true);

}  // namespace
