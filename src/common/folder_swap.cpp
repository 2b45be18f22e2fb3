#include "common/folder_swap.h"

#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>

namespace lindora {
namespace {

namespace fs = std::filesystem;
constexpr std::string_view kImporting = ".importing-", kReplaced = ".replaced-";

fs::path Hidden(const fs::path& folder, std::string_view kind) {
  return folder.parent_path() /
         ("." + folder.filename().string() + std::string(kind) + std::to_string(::getpid()));
}

// ".NAME<kind>PID" → NAME and PID; false for any other name.
bool ParseHidden(std::string_view file, std::string_view kind, std::string* name, long* pid) {
  if (file.size() < 2 || file[0] != '.') return false;
  const auto at = file.rfind(kind);
  if (at == std::string_view::npos || at < 2) return false;
  const std::string_view digits = file.substr(at + kind.size());
  if (digits.empty() || digits.size() > 9) return false;
  for (const char c : digits)
    if (c < '0' || c > '9') return false;
  *pid = std::strtol(std::string(digits).c_str(), nullptr, 10);
  *name = std::string(file.substr(1, at - 1));
  return *pid > 0;
}

// Only a process known to be gone gives up its folders: one we may not signal is alive.
bool ProcessEnded(long pid) {
  return pid != ::getpid() && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

}  // namespace

fs::path FolderSwapTemporary(const fs::path& folder) {
  return Hidden(folder, kImporting);
}

fs::path FolderSwapAside(const fs::path& folder) {
  return Hidden(folder, kReplaced);
}

int SwapFolderIn(const fs::path& temporary, const fs::path& folder) {
  std::error_code error;
  if (!fs::exists(folder, error)) {
    fs::rename(temporary, folder, error);
    return error.value();
  }
  if (::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, folder.c_str(), RENAME_EXCHANGE) == 0) {
    fs::remove_all(temporary, error);  // now the old folder
    return 0;
  }
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return errno;
  // No exchange here: the old folder steps aside first. A kill between the renames leaves NAME
  // missing and the aside folder, which the next start puts back.
  const fs::path aside = FolderSwapAside(folder);
  fs::remove_all(aside, error);
  fs::rename(folder, aside, error);
  if (error) return error.value();
  fs::rename(temporary, folder, error);
  if (error) {
    const int failed = error.value();
    fs::rename(aside, folder, error);
    return failed;
  }
  fs::remove_all(aside, error);
  return 0;
}

int RecoverFolderSwaps(const fs::path& parent) {
  int tidied = 0;
  std::error_code ec;
  for (fs::directory_iterator it(parent, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string file = it->path().filename().string();
    std::string name;
    long pid = 0;
    std::error_code error;
    if (!it->is_directory(error) || it->is_symlink(error)) continue;
    if (ParseHidden(file, kImporting, &name, &pid)) {
      if (!ProcessEnded(pid)) continue;
      fs::remove_all(it->path(), error);
      tidied += !error;
    } else if (ParseHidden(file, kReplaced, &name, &pid)) {
      if (!ProcessEnded(pid)) continue;
      const fs::path place = parent / name;
      if (fs::exists(fs::symlink_status(place, error)))
        fs::remove_all(it->path(), error);
      else
        fs::rename(it->path(), place, error);
      tidied += !error;
    }
  }
  return tidied;
}

}  // namespace lindora
