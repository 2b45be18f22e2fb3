// The picture writer of the Qt front ends: bar charts and network drawings as PNG and SVG.
#pragma once

#include "common/pictures.h"

namespace lindora::ui {

class QtPictureWriter : public PictureWriter {
 public:
  void SetPrintScale(double scale) override;
  void WriteBarChartPng(const BarChart& chart, const std::filesystem::path& path, int width,
                        int height) override;
  void WriteRadarChartPng(const RadarChart& chart, const std::filesystem::path& path, int width,
                          int height) override;
  void WriteNetworkPng(const NetworkPicture& picture, const std::filesystem::path& path, int width,
                       int height) override;
  void WriteNetworkSvg(const NetworkPicture& picture, const std::filesystem::path& path, int width,
                       int height) override;
  void WriteBoxPlotPng(const BoxPlot& plot, const std::filesystem::path& path, int width,
                       int height) override;
  std::string BoxPlotPng(const BoxPlot& plot, int width, int height) override;
  void WriteDendrogramPng(const DendrogramPicture& picture, const std::filesystem::path& path,
                          int width, int height) override;
  void WriteDendrogramSvg(const DendrogramPicture& picture, const std::filesystem::path& path,
                          int width, int height) override;
  std::string DendrogramPng(const DendrogramPicture& picture, int width, int height) override;
  std::string DendrogramSvg(const DendrogramPicture& picture, int width, int height) override;
  std::string BarChartPng(const BarChart& chart, int width, int height) override;
  std::string RadarChartPng(const RadarChart& chart, int width, int height) override;
  std::string NetworkPng(const NetworkPicture& picture, int width, int height) override;
  std::string NetworkSvg(const NetworkPicture& picture, int width, int height) override;
  std::string HtmlPdf(const std::string& html, const std::map<std::string, std::string>& pictures,
                      const std::string& title) override;
};

// Makes one QtPictureWriter the writer of the process (needs a QApplication while it draws).
void InstallQtPictureWriter();

}  // namespace lindora::ui
