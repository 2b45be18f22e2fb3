#include "common/session.h"

#include <unistd.h>

#include "common/analysis_list.h"
#include "common/files.h"
#include "common/folder_swap.h"
#include "common/safe_write.h"

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
  std::error_code ec;
  for (const char* sub : {"Result", "exe", "exe/babel"}) {
    std::filesystem::create_directories(program_folder / sub, ec);
    if (ec)
      problems += "无法创建文件夹 " + (program_folder / sub).string() + "：" +
                  SystemErrorText(ec.value()) + "\n";
  }
  // What a killed run left half written: only the writer's own temporaries of ended processes.
  for (const char* sub : {"", "DB", "Result", "Result/Sets"}) {
    const std::filesystem::path folder = *sub ? program_folder / sub : program_folder;
    if (std::filesystem::exists(folder, ec)) RemoveStaleTemporaries(folder);
  }
  // A library import killed half way: its library is put back or finished, no hidden folder stays.
  RecoverFolderSwaps(program_folder / "DB");
  return problems;
}
}  // namespace lindora
