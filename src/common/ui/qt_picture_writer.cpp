#include "common/ui/qt_picture_writer.h"

#include <QBuffer>

#include "common/files.h"
#include "common/ui/bar_chart.h"
#include "common/ui/dendrogram_picture.h"
#include "common/ui/html_pdf.h"
#include "common/ui/network_picture.h"

namespace lindora::ui {
namespace {

std::string PngBytes(const QImage& image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "PNG")) return {};
  return bytes.toStdString();
}

void WritePng(const QImage& image, const std::filesystem::path& path) {
  std::string bytes = PngBytes(image);
  if (bytes.empty()) throw FileError(FileError::Kind::kWrite, path, "PNG encoding failed");
  AtomicFile file(path);
  file.WriteBytes(bytes);
  file.Commit();
}

}  // namespace

void QtPictureWriter::WriteBarChartPng(const BarChart& chart, const std::filesystem::path& path,
                                       int width, int height) {
  WritePng(BarChartImage(chart, QSize(width, height)), path);
}

void QtPictureWriter::WriteNetworkPng(const NetworkPicture& picture,
                                      const std::filesystem::path& path, int width, int height) {
  WritePng(NetworkImage(picture, QSize(width, height)), path);
}

void QtPictureWriter::WriteNetworkSvg(const NetworkPicture& picture,
                                      const std::filesystem::path& path, int width, int height) {
  QByteArray bytes = NetworkSvg(picture, QSize(width, height));
  AtomicFile file(path);
  file.WriteBytes(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  file.Commit();
}

void QtPictureWriter::WriteDendrogramPng(const DendrogramPicture& picture,
                                         const std::filesystem::path& path, int width, int height) {
  WritePng(DendrogramImage(picture, QSize(width, height)), path);
}

void QtPictureWriter::WriteDendrogramSvg(const DendrogramPicture& picture,
                                         const std::filesystem::path& path, int width, int height) {
  QByteArray bytes = DendrogramSvg(picture, QSize(width, height));
  AtomicFile file(path);
  file.WriteBytes(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  file.Commit();
}

std::string QtPictureWriter::DendrogramPng(const DendrogramPicture& picture, int width,
                                           int height) {
  return PngBytes(DendrogramImage(picture, QSize(width, height)));
}

std::string QtPictureWriter::BarChartPng(const BarChart& chart, int width, int height) {
  return PngBytes(BarChartImage(chart, QSize(width, height)));
}

std::string QtPictureWriter::NetworkPng(const NetworkPicture& picture, int width, int height) {
  return PngBytes(NetworkImage(picture, QSize(width, height)));
}

void QtPictureWriter::WriteHtmlPdf(const std::string& html,
                                   const std::map<std::string, std::string>& pictures,
                                   const std::string& title, const std::filesystem::path& path) {
  ui::WriteHtmlPdf(html, pictures, title, path);
}

void InstallQtPictureWriter() {
  static QtPictureWriter writer;
  InstallPictureWriter(&writer);
}

}  // namespace lindora::ui
