// A picture writer that draws nothing: a picture is a one-pixel PNG followed by its title, an SVG
// is its title, the PDF is the HTML it was given. Documents can be written and read back without
// a display, and the pictures they hold named.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "common/pictures.h"
#include "support/pixel_png.h"

namespace lindora::test {

class TitlePictures : public PictureWriter {
 public:
  void WriteBarChartPng(const BarChart&, const std::filesystem::path&, int, int) override {}
  void WriteRadarChartPng(const RadarChart&, const std::filesystem::path&, int, int) override {}
  void WriteNetworkPng(const NetworkPicture&, const std::filesystem::path&, int, int) override {}
  void WriteNetworkSvg(const NetworkPicture&, const std::filesystem::path&, int, int) override {}
  void WriteBoxPlotPng(const BoxPlot&, const std::filesystem::path&, int, int) override {}
  void WriteDendrogramPng(const DendrogramPicture&, const std::filesystem::path&, int,
                          int) override {}
  void WriteDendrogramSvg(const DendrogramPicture&, const std::filesystem::path&, int,
                          int) override {}
  std::string BoxPlotPng(const BoxPlot& plot, int, int) override { return PixelPng() + plot.title; }
  std::string DendrogramPng(const DendrogramPicture& p, int, int) override {
    return PixelPng() + p.title;
  }
  std::string DendrogramSvg(const DendrogramPicture& p, int, int) override {
    return "svg " + p.title;
  }
  std::string BarChartPng(const BarChart& chart, int, int) override {
    charts.push_back(chart);
    return PixelPng() + chart.title;
  }
  std::string RadarChartPng(const RadarChart& chart, int, int) override {
    return PixelPng() + chart.title;
  }
  std::string NetworkPng(const NetworkPicture& p, int, int) override {
    ++networks;
    return PixelPng() + p.title;
  }
  std::string NetworkSvg(const NetworkPicture& p, int, int) override { return "svg:" + p.title; }
  std::string HtmlPdf(const std::string& html, const std::map<std::string, std::string>&,
                      const std::string&) override {
    return html;
  }

  std::vector<BarChart> charts;  // every bar chart drawn, in order
  int networks = 0;              // network pictures drawn
};

}  // namespace lindora::test
