#include "common/session.h"

#include <unistd.h>

#include "common/analysis_list.h"

namespace lindora {

Session::Session(std::filesystem::path program_folder, Ports ports)
    : program_folder_(std::move(program_folder)), ports_(ports) {}

Session::~Session() = default;

void Session::SetAnalyses(AnalysisList analyses) {
  analyses_ = std::move(analyses);
}

void Session::Unload(const WindowModel& model) {
  for (auto it = windows_.begin(); it != windows_.end(); ++it) {
    if (it->second.get() == &model) {
      windows_.erase(it);
      return;
    }
  }
}

std::filesystem::path ExecutableFolder() {
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return std::filesystem::current_path();
  return exe.parent_path();
}

}  // namespace lindora

namespace lindora {
std::string PrepareProgramFolder(const std::filesystem::path& program_folder) {
  std::string problems;
  for (const char* sub : {"Result", "exe", "exe/babel"}) {
    std::error_code ec;
    std::filesystem::create_directories(program_folder / sub, ec);
    if (ec)
      problems += "无法创建文件夹 " + (program_folder / sub).string() + "：" + ec.message() + "\n";
  }
  return problems;
}
}  // namespace lindora
