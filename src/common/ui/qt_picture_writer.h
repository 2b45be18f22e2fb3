// The picture writer of the Qt front ends: bar charts and network drawings as PNG and SVG.
#pragma once

#include "common/pictures.h"

namespace lindora::ui {

class QtPictureWriter : public PictureWriter {
 public:
  void WriteBarChartPng(const BarChart& chart, const std::filesystem::path& path, int width,
                        int height) override;
  void WriteNetworkPng(const NetworkPicture& picture, const std::filesystem::path& path, int width,
                       int height) override;
  void WriteNetworkSvg(const NetworkPicture& picture, const std::filesystem::path& path, int width,
                       int height) override;
};

// Makes one QtPictureWriter the writer of the process (needs a QApplication while it draws).
void InstallQtPictureWriter();

}  // namespace lindora::ui
