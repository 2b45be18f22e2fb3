#include "cli/cli_pictures.h"

#include <dlfcn.h>
#include <sched.h>

#include "common/files.h"
#include "common/pictures.h"

namespace lindora::cli {
namespace {

namespace fs = std::filesystem;

// Qt hands large fills to helper threads of its pool; for pictures of this size the handovers
// between cores cost more than they gain (the 1600×1200 network of 100 herbs: 1.8 s with two
// cores, a third of it in the kernel; 1.1 s on one). So while it draws, the tool keeps to one
// core — the one it drew its first picture on, where Qt's helpers, started then, stay too — and
// between pictures and at its end it has every core it had.
class OneCore {
 public:
  explicit OneCore(int& core) {
    if (::sched_getaffinity(0, sizeof saved_, &saved_) != 0) return;
    if (core < 0) core = ::sched_getcpu();
    if (core < 0 || core >= CPU_SETSIZE || !CPU_ISSET(core, &saved_)) return;
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(core, &one);
    pinned_ = ::sched_setaffinity(0, sizeof one, &one) == 0;
  }
  ~OneCore() {
    if (pinned_) ::sched_setaffinity(0, sizeof saved_, &saved_);
  }
  OneCore(const OneCore&) = delete;
  OneCore& operator=(const OneCore&) = delete;

 private:
  cpu_set_t saved_;
  bool pinned_ = false;
};

class ModulePictureWriter : public PictureWriter {
 public:
  explicit ModulePictureWriter(fs::path module) : module_(std::move(module)) {}

  void WriteBarChartPng(const BarChart& c, const fs::path& p, int w, int h) override {
    const OneCore one(core_);
    Loaded().WriteBarChartPng(c, p, w, h);
  }
  void WriteRadarChartPng(const RadarChart& c, const fs::path& p, int w, int h) override {
    const OneCore one(core_);
    Loaded().WriteRadarChartPng(c, p, w, h);
  }
  void WriteNetworkPng(const NetworkPicture& n, const fs::path& p, int w, int h) override {
    const OneCore one(core_);
    Loaded().WriteNetworkPng(n, p, w, h);
  }
  void WriteBoxPlotPng(const BoxPlot& b, const fs::path& p, int w, int h) override {
    const OneCore one(core_);
    Loaded().WriteBoxPlotPng(b, p, w, h);
  }
  void WriteNetworkSvg(const NetworkPicture& n, const fs::path& p, int w, int h) override {
    const OneCore one(core_);
    Loaded().WriteNetworkSvg(n, p, w, h);
  }
  void WriteDendrogramPng(const DendrogramPicture& d, const fs::path& p, int w, int h) override {
    const OneCore one(core_);
    Loaded().WriteDendrogramPng(d, p, w, h);
  }
  void WriteDendrogramSvg(const DendrogramPicture& d, const fs::path& p, int w, int h) override {
    const OneCore one(core_);
    Loaded().WriteDendrogramSvg(d, p, w, h);
  }
  std::string DendrogramPng(const DendrogramPicture& d, int w, int h) override {
    const OneCore one(core_);
    return Loaded().DendrogramPng(d, w, h);
  }
  std::string DendrogramSvg(const DendrogramPicture& d, int w, int h) override {
    const OneCore one(core_);
    return Loaded().DendrogramSvg(d, w, h);
  }
  std::string BarChartPng(const BarChart& c, int w, int h) override {
    const OneCore one(core_);
    return Loaded().BarChartPng(c, w, h);
  }
  std::string RadarChartPng(const RadarChart& c, int w, int h) override {
    const OneCore one(core_);
    return Loaded().RadarChartPng(c, w, h);
  }
  std::string NetworkPng(const NetworkPicture& n, int w, int h) override {
    const OneCore one(core_);
    return Loaded().NetworkPng(n, w, h);
  }
  std::string NetworkSvg(const NetworkPicture& n, int w, int h) override {
    const OneCore one(core_);
    return Loaded().NetworkSvg(n, w, h);
  }
  std::string BoxPlotPng(const BoxPlot& b, int w, int h) override {
    const OneCore one(core_);
    return Loaded().BoxPlotPng(b, w, h);
  }
  std::string HtmlPdf(const std::string& html, const std::map<std::string, std::string>& pictures,
                      const std::string& title) override {
    const OneCore one(core_);
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
  int core_ = -1;  // the core of the first picture
};

}  // namespace

void InstallCliPictureWriter(const fs::path& folder) {
  static ModulePictureWriter writer(folder / kPictureModule);
  InstallPictureWriter(&writer);
}

}  // namespace lindora::cli
