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
  for (std::string* text : {&chart.title, &chart.source, &chart.category_axis, &chart.value_axis})
    *text = DropControlCharacters(*text, false);
  for (auto& name : chart.categories) name = DropControlCharacters(name, false);
  for (auto& series : chart.series) series.name = DropControlCharacters(series.name, false);
  return chart;
}

DendrogramPicture Clean(DendrogramPicture picture) {
  picture.title = DropControlCharacters(picture.title, false);
  picture.axis = DropControlCharacters(picture.axis, false);
  for (auto& label : picture.labels) label = DropControlCharacters(label, false);
  return picture;
}

// The generated document once more through the filter: whatever reached the generator, the
// file is well-formed XML.
std::string SvgText(const QByteArray& bytes) {
  return DropControlCharacters(
      std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

void WriteSvg(const QByteArray& bytes, const std::filesystem::path& path) {
  AtomicFile file(path);
  file.WriteBytes(SvgText(bytes));
  file.Commit();
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
  WriteSvg(ui::NetworkSvg(Clean(picture), QSize(width, height)), path);
}

void QtPictureWriter::WriteDendrogramPng(const DendrogramPicture& picture,
                                         const std::filesystem::path& path, int width, int height) {
  const ScreenScale screen;
  WritePng(DendrogramImage(Clean(picture), QSize(width, height)), path);
}

void QtPictureWriter::WriteDendrogramSvg(const DendrogramPicture& picture,
                                         const std::filesystem::path& path, int width, int height) {
  WriteSvg(ui::DendrogramSvg(Clean(picture), QSize(width, height)), path);
}

std::string QtPictureWriter::DendrogramPng(const DendrogramPicture& picture, int width,
                                           int height) {
  return PngBytes(DendrogramImage(Clean(picture), QSize(width, height)));
}

std::string QtPictureWriter::DendrogramSvg(const DendrogramPicture& picture, int width,
                                           int height) {
  return SvgText(ui::DendrogramSvg(Clean(picture), QSize(width, height)));
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
  return SvgText(ui::NetworkSvg(Clean(picture), QSize(width, height)));
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
