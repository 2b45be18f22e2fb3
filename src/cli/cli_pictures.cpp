#include "cli/cli_pictures.h"

#include <dlfcn.h>
#include <sched.h>

#include <chrono>
#include <thread>

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
  void SetPrintScale(double scale) override {
    // Screen scale needs no module that was never loaded (and must not throw from a guard).
    if (!writer_ && scale == 1) return;
    Loaded().SetPrintScale(scale);
  }
  std::string HtmlPdf(const std::string& html, const std::map<std::string, std::string>& pictures,
                      const std::string& title) override {
    const OneCore one(core_);
    return Loaded().HtmlPdf(html, pictures, title);
  }

  // Lets the module's drawing helpers go; false when the module was never loaded.
  bool End() {
    if (!handle_) return false;
    using EndHelpers = void (*)();
    if (auto end = reinterpret_cast<EndHelpers>(::dlsym(handle_, "LindoraCliPicturesEnd"))) end();
    return true;
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
    handle_ = handle;
    return *writer_;
  }

  fs::path module_;
  PictureWriter* writer_ = nullptr;
  void* handle_ = nullptr;
  int core_ = -1;  // the core of the first picture
};

ModulePictureWriter& Writer(const fs::path& folder = {}) {
  static ModulePictureWriter writer(folder / kPictureModule);
  return writer;
}

// Threads of this process other than the caller, as the system lists them.
std::size_t OtherThreads() {
  std::error_code error;
  std::size_t n = 0;
  for (fs::directory_iterator it("/proc/self/task", error), end; !error && it != end;
       it.increment(error))
    ++n;
  return n > 0 ? n - 1 : 0;
}

}  // namespace

void InstallCliPictureWriter(const fs::path& folder) {
  InstallPictureWriter(&Writer(folder));
}

void EndCliPictures() {
  if (!Writer().End()) return;
  // Qt has let its threads go; the system takes a moment more to end them.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (OtherThreads() > 0 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

}  // namespace lindora::cli
