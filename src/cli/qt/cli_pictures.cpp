// Pictures in lindora-cli: the windows' renderer on Qt's offscreen platform. The application
// object is made on the first picture, so commands without pictures never start Qt.
#include "cli/qt/cli_pictures.h"

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
  void WriteRadarChartPng(const lindora::RadarChart& chart, const std::filesystem::path& path,
                          int width, int height) override {
    EnsureApplication();
    qt_.WriteRadarChartPng(chart, path, width, height);
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
  std::string DendrogramSvg(const lindora::DendrogramPicture& picture, int width,
                            int height) override {
    EnsureApplication();
    return qt_.DendrogramSvg(picture, width, height);
  }

  void WriteBoxPlotPng(const lindora::BoxPlot& plot, const std::filesystem::path& path, int width,
                       int height) override {
    EnsureApplication();
    qt_.WriteBoxPlotPng(plot, path, width, height);
  }
  std::string BoxPlotPng(const lindora::BoxPlot& plot, int width, int height) override {
    EnsureApplication();
    return qt_.BoxPlotPng(plot, width, height);
  }

  std::string BarChartPng(const lindora::BarChart& chart, int width, int height) override {
    EnsureApplication();
    return qt_.BarChartPng(chart, width, height);
  }
  std::string RadarChartPng(const lindora::RadarChart& chart, int width, int height) override {
    EnsureApplication();
    return qt_.RadarChartPng(chart, width, height);
  }
  std::string NetworkPng(const lindora::NetworkPicture& picture, int width, int height) override {
    EnsureApplication();
    return qt_.NetworkPng(picture, width, height);
  }
  std::string NetworkSvg(const lindora::NetworkPicture& picture, int width, int height) override {
    EnsureApplication();
    return qt_.NetworkSvg(picture, width, height);
  }
  std::string HtmlPdf(const std::string& html, const std::map<std::string, std::string>& pictures,
                      const std::string& title) override {
    EnsureApplication();
    return qt_.HtmlPdf(html, pictures, title);
  }

 private:
  lindora::ui::QtPictureWriter qt_;
};

}  // namespace

namespace lindora::cli {

void InstallCliPictureWriter() {
  static CliPictureWriter writer;
  InstallPictureWriter(&writer);
}

}  // namespace lindora::cli
