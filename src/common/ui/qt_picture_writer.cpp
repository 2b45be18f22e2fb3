#include "common/ui/qt_picture_writer.h"

#include <QBuffer>

#include "common/files.h"
#include "common/text.h"
#include "common/ui/bar_chart.h"
#include "common/ui/box_plot.h"
#include "common/ui/dendrogram_picture.h"
#include "common/ui/html_pdf.h"
#include "common/ui/network_picture.h"
#include "common/ui/paint_targets.h"
#include "common/ui/radar_chart.h"

namespace lindora::ui {
namespace {

// Labels go into SVG text and drawn glyphs: control characters are dropped by the rule of every
// other file.
NetworkPicture Clean(NetworkPicture picture) {
  picture.title = DropControlCharacters(picture.title, false);
  for (auto& node : picture.nodes) node.label = DropControlCharacters(node.label, false);
  for (auto& caption : picture.legend) caption = DropControlCharacters(caption, false);
  return picture;
}

BarChart Clean(BarChart chart) {
  for (std::string* text : {&chart.title, &chart.category_axis, &chart.value_axis})
    *text = DropControlCharacters(*text, false);
  for (auto& name : chart.categories) name = DropControlCharacters(name, false);
  for (auto& series : chart.series) series.name = DropControlCharacters(series.name, false);
  return chart;
}

std::string PngBytes(const QImage& image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  // Quality 80 is zlib's level 1: the pictures are mostly flat colour, so the file grows by a
  // few per cent while encoding a 1600×1200 network takes a fraction of the default's time.
  if (!image.save(&buffer, "PNG", 80)) return {};
  return bytes.toStdString();
}

void WritePng(const QImage& image, const std::filesystem::path& path) {
  std::string bytes = PngBytes(image);
  if (bytes.empty()) throw FileError(FileError::Kind::kWrite, path, "PNG 图片编码失败");
  AtomicFile file(path);
  file.WriteBytes(bytes);
  file.Commit();
}

}  // namespace

namespace {
// Saved pictures keep screen pixels, whatever a report is drawing at the time.
struct ScreenScale {
  double saved = PictureScale();
  ScreenScale() { SetPictureScale(1); }
  ~ScreenScale() { SetPictureScale(saved); }
  ScreenScale(const ScreenScale&) = delete;
  ScreenScale& operator=(const ScreenScale&) = delete;
};
}  // namespace

void QtPictureWriter::WriteBarChartPng(const BarChart& chart, const std::filesystem::path& path,
                                       int width, int height) {
  const ScreenScale screen;
  WritePng(BarChartImage(Clean(chart), QSize(width, height)), path);
}

void QtPictureWriter::WriteRadarChartPng(const RadarChart& chart, const std::filesystem::path& path,
                                         int width, int height) {
  const ScreenScale screen;
  WritePng(RadarChartImage(chart, QSize(width, height)), path);
}

std::string QtPictureWriter::RadarChartPng(const RadarChart& chart, int width, int height) {
  return PngBytes(RadarChartImage(chart, QSize(width, height)));
}

void QtPictureWriter::WriteNetworkPng(const NetworkPicture& picture,
                                      const std::filesystem::path& path, int width, int height) {
  const ScreenScale screen;
  WritePng(NetworkImage(Clean(picture), QSize(width, height)), path);
}

void QtPictureWriter::WriteNetworkSvg(const NetworkPicture& picture,
                                      const std::filesystem::path& path, int width, int height) {
  QByteArray bytes = ui::NetworkSvg(Clean(picture), QSize(width, height));
  AtomicFile file(path);
  file.WriteBytes(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  file.Commit();
}

void QtPictureWriter::WriteDendrogramPng(const DendrogramPicture& picture,
                                         const std::filesystem::path& path, int width, int height) {
  const ScreenScale screen;
  WritePng(DendrogramImage(picture, QSize(width, height)), path);
}

void QtPictureWriter::WriteDendrogramSvg(const DendrogramPicture& picture,
                                         const std::filesystem::path& path, int width, int height) {
  QByteArray bytes = ui::DendrogramSvg(picture, QSize(width, height));
  AtomicFile file(path);
  file.WriteBytes(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  file.Commit();
}

std::string QtPictureWriter::DendrogramPng(const DendrogramPicture& picture, int width,
                                           int height) {
  return PngBytes(DendrogramImage(picture, QSize(width, height)));
}

std::string QtPictureWriter::DendrogramSvg(const DendrogramPicture& picture, int width,
                                           int height) {
  const QByteArray bytes = ui::DendrogramSvg(picture, QSize(width, height));
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

void QtPictureWriter::SetPrintScale(double scale) {
  SetPictureScale(scale);
}

std::string QtPictureWriter::BarChartPng(const BarChart& chart, int width, int height) {
  return PngBytes(BarChartImage(Clean(chart), QSize(width, height)));
}

std::string QtPictureWriter::NetworkPng(const NetworkPicture& picture, int width, int height) {
  return PngBytes(NetworkImage(Clean(picture), QSize(width, height)));
}

std::string QtPictureWriter::NetworkSvg(const NetworkPicture& picture, int width, int height) {
  QByteArray bytes = ui::NetworkSvg(Clean(picture), QSize(width, height));
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

void QtPictureWriter::WriteBoxPlotPng(const BoxPlot& plot, const std::filesystem::path& path,
                                      int width, int height) {
  const ScreenScale screen;
  WritePng(BoxPlotImage(plot, QSize(width, height)), path);
}

std::string QtPictureWriter::BoxPlotPng(const BoxPlot& plot, int width, int height) {
  return PngBytes(BoxPlotImage(plot, QSize(width, height)));
}

std::string QtPictureWriter::HtmlPdf(const std::string& html,
                                     const std::map<std::string, std::string>& pictures,
                                     const std::string& title) {
  return ui::HtmlPdf(html, pictures, title);
}

void InstallQtPictureWriter() {
  static QtPictureWriter writer;
  InstallPictureWriter(&writer);
}

}  // namespace lindora::ui
