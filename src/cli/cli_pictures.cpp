#include "cli/cli_pictures.h"

#include <dlfcn.h>

#include "common/files.h"
#include "common/pictures.h"

namespace lindora::cli {
namespace {

namespace fs = std::filesystem;

class ModulePictureWriter : public PictureWriter {
 public:
  explicit ModulePictureWriter(fs::path module) : module_(std::move(module)) {}

  void WriteBarChartPng(const BarChart& c, const fs::path& p, int w, int h) override {
    Loaded().WriteBarChartPng(c, p, w, h);
  }
  void WriteRadarChartPng(const RadarChart& c, const fs::path& p, int w, int h) override {
    Loaded().WriteRadarChartPng(c, p, w, h);
  }
  void WriteNetworkPng(const NetworkPicture& n, const fs::path& p, int w, int h) override {
    Loaded().WriteNetworkPng(n, p, w, h);
  }
  void WriteBoxPlotPng(const BoxPlot& b, const fs::path& p, int w, int h) override {
    Loaded().WriteBoxPlotPng(b, p, w, h);
  }
  void WriteNetworkSvg(const NetworkPicture& n, const fs::path& p, int w, int h) override {
    Loaded().WriteNetworkSvg(n, p, w, h);
  }
  void WriteDendrogramPng(const DendrogramPicture& d, const fs::path& p, int w, int h) override {
    Loaded().WriteDendrogramPng(d, p, w, h);
  }
  void WriteDendrogramSvg(const DendrogramPicture& d, const fs::path& p, int w, int h) override {
    Loaded().WriteDendrogramSvg(d, p, w, h);
  }
  std::string DendrogramPng(const DendrogramPicture& d, int w, int h) override {
    return Loaded().DendrogramPng(d, w, h);
  }
  std::string DendrogramSvg(const DendrogramPicture& d, int w, int h) override {
    return Loaded().DendrogramSvg(d, w, h);
  }
  std::string BarChartPng(const BarChart& c, int w, int h) override {
    return Loaded().BarChartPng(c, w, h);
  }
  std::string RadarChartPng(const RadarChart& c, int w, int h) override {
    return Loaded().RadarChartPng(c, w, h);
  }
  std::string NetworkPng(const NetworkPicture& n, int w, int h) override {
    return Loaded().NetworkPng(n, w, h);
  }
  std::string NetworkSvg(const NetworkPicture& n, int w, int h) override {
    return Loaded().NetworkSvg(n, w, h);
  }
  std::string BoxPlotPng(const BoxPlot& b, int w, int h) override {
    return Loaded().BoxPlotPng(b, w, h);
  }
  std::string HtmlPdf(const std::string& html, const std::map<std::string, std::string>& pictures,
                      const std::string& title) override {
    return Loaded().HtmlPdf(html, pictures, title);
  }

 private:
  // Loaded once and kept: Qt's application lives until the tool ends.
  PictureWriter& Loaded() {
    if (writer_) return *writer_;
    void* handle = ::dlopen(module_.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
      throw FileError(FileError::Kind::kRead, module_,
                      std::string("绘图组件无法载入（") + ::dlerror() + "）");
    using Make = PictureWriter* (*)();
    auto make = reinterpret_cast<Make>(::dlsym(handle, "LindoraCliPictureWriter"));
    if (!make) throw FileError(FileError::Kind::kRead, module_, "这不是本程序的绘图组件");
    writer_ = make();
    return *writer_;
  }

  fs::path module_;
  PictureWriter* writer_ = nullptr;
};

}  // namespace

void InstallCliPictureWriter(const fs::path& folder) {
  static ModulePictureWriter writer(folder / kPictureModule);
  InstallPictureWriter(&writer);
}

}  // namespace lindora::cli
