#include "common/safe_write.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <map>
#include <mutex>
#include <random>
#include <regex>
#include <thread>

#include "common/outcome.h"
#include "common/session.h"

namespace lindora {
namespace {

std::string WriterReason(int err) {
  return SystemErrorText(err);
}

// A hard link (or, where links are not possible, a copy) of `target` under a temporary name,
// so that a failed set can put the previous version back.
fs::path KeepPrevious(const fs::path& target) {
  struct stat st {};
  if (::lstat(target.c_str(), &st) != 0) return {};
  fs::path folder = target.parent_path();
  if (folder.empty()) folder = ".";
  std::mt19937_64 engine{std::random_device{}()};
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path name = folder / (".lindora-" + std::to_string(::getpid()) + "-k" +
                              std::to_string(engine() % 1000000000) + ".tmp");
    if (::link(target.c_str(), name.c_str()) == 0) return name;
    if (errno == EEXIST) continue;
    // No hard links on this file system: a copy through the writer does the same job.
    AtomicFile copy(name);
    copy.WriteBytes(ReadFileBytes(target));
    copy.Commit();
    return name;
  }
  throw FileError(FileError::Kind::kWrite, target, WriterReason(EEXIST));
}

struct HeldLock {
  int fd = -1;
  int count = 0;
};
std::mutex locks_mutex;
std::map<std::string, HeldLock> held_locks;

bool ProcessAlive(long pid) {
  if (pid <= 0) return false;
  return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

}  // namespace

AtomicFileSet::AtomicFileSet() : run_id_(NewRunId()) {}

AtomicFileSet::~AtomicFileSet() = default;

AtomicFile& AtomicFileSet::Add(const fs::path& target) {
  for (const auto& file : files_) {
    if (file->target().lexically_normal() == target.lexically_normal())
      throw FileError(FileError::Kind::kWrite, target, "同一文件在一次输出中出现了两次");
  }
  files_.push_back(std::make_unique<AtomicFile>(target));
  return *files_.back();
}

void AtomicFileSet::Commit() {
  try {
    CommitAll();
  } catch (...) {
    files_.clear();  // removes every temporary at once, not when the set goes
    throw;
  }
}

void AtomicFileSet::CommitAll() {
  for (auto& file : files_) file->Finish();
  std::vector<fs::path> previous(files_.size());
  auto drop_previous = [&] {
    for (const fs::path& p : previous)
      if (!p.empty()) ::unlink(p.c_str());
  };
  try {
    for (std::size_t i = 0; i < files_.size(); ++i) previous[i] = KeepPrevious(files_[i]->target());
  } catch (...) {
    drop_previous();
    throw;
  }
  for (std::size_t i = 0; i < files_.size(); ++i) {
    try {
      files_[i]->Commit();
    } catch (...) {
      for (std::size_t j = 0; j < i; ++j) {
        const fs::path& target = files_[j]->target();
        if (previous[j].empty()) {
          ::unlink(target.c_str());
        } else if (::rename(previous[j].c_str(), target.c_str()) == 0) {
          previous[j].clear();
        }
      }
      drop_previous();
      throw;
    }
  }
  drop_previous();
}

std::string NewRunId() {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  ::gmtime_r(&now, &tm);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%dT%H%M%SZ", &tm);
  std::mt19937 engine{std::random_device{}()};
  char random[16];
  std::snprintf(random, sizeof random, "%06x", static_cast<unsigned>(engine() & 0xffffff));
  return std::string(stamp) + "-" + random;
}

FolderLock::FolderLock(const fs::path& folder, std::chrono::milliseconds wait) {
  std::error_code ec;
  fs::path canonical = fs::weakly_canonical(folder, ec);
  key_ = (ec ? folder : canonical).string();
  std::lock_guard<std::mutex> guard(locks_mutex);
  HeldLock& held = held_locks[key_];
  if (held.count > 0) {
    ++held.count;
    return;
  }
  const fs::path file = folder / ".lindora.lock";
  int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
  // Something else at the lock's place (a folder, a link, a pipe) would turn the lock off
  // without a word: two runs could then write the same files at once.
  struct stat st {};
  const bool not_a_file = fd >= 0 ? ::fstat(fd, &st) == 0 && !S_ISREG(st.st_mode)
                                  : ::lstat(file.c_str(), &st) == 0 && !S_ISREG(st.st_mode);
  if (not_a_file) {
    if (fd >= 0) ::close(fd);
    held_locks.erase(key_);
    throw FileError(FileError::Kind::kWrite, file, kLockNotAFileMessage);
  }
  if (fd < 0) {
    // A folder where the lock file cannot be made (read-only, a link in its place) is one
    // no run can write into either; the writers report that themselves.
    held.count = 1;
    return;
  }
  const auto deadline = std::chrono::steady_clock::now() + wait;
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int err = errno;
    if ((err != EWOULDBLOCK && err != EINTR) || std::chrono::steady_clock::now() >= deadline) {
      ::close(fd);
      held_locks.erase(key_);
      throw FileError(FileError::Kind::kWrite, folder,
                      err == EWOULDBLOCK ? kResultBusyMessage : WriterReason(err));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  held.fd = fd;
  held.count = 1;
}

FolderLock::~FolderLock() {
  std::lock_guard<std::mutex> guard(locks_mutex);
  auto it = held_locks.find(key_);
  if (it == held_locks.end() || --it->second.count > 0) return;
  if (it->second.fd >= 0) ::close(it->second.fd);  // closing releases the lock
  held_locks.erase(it);
}

ResultsLock::ResultsLock(const Session& session) {
  const fs::path folder = session.Path("\\Result");
  std::error_code ec;
  // Without a Result folder there is nothing to protect yet, and a run that cannot create
  // the lock file (a read-only folder) goes on unlocked rather than not at all.
  if (!fs::is_directory(folder, ec)) return;
  lock_ = std::make_unique<FolderLock>(folder);
}

ResultsLock::~ResultsLock() = default;

namespace {

std::string AsciiLower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

// `full` is `base` or lies below it; names compared without regard to ASCII case, as the
// program finds its own files (ProgramPath).
bool Within(const fs::path& base, const fs::path& full) {
  if (base.empty()) return false;
  auto b = base.begin(), f = full.begin();
  for (; b != base.end(); ++b, ++f) {
    if (b->empty() && std::next(b) == base.end()) return true;  // a trailing separator
    if (f == full.end() || AsciiLower(b->string()) != AsciiLower(f->string())) return false;
  }
  return true;
}

bool IsProgramFile(const fs::path& full) {
  struct stat st {};
  if (::stat(full.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  const std::string name = AsciiLower(full.filename().string());
  return (st.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) != 0 || name.ends_with(".so") ||
         name.find(".so.") != std::string::npos;
}

// Why the program's own file `full` (resolved) may not be replaced by an output, or "".
std::string ProtectedReason(const std::vector<fs::path>& program_folders, const fs::path& full,
                            const std::string& shown) {
  std::error_code ec;
  const fs::path self = fs::weakly_canonical("/proc/self/exe", ec);
  if (!ec && full == self) return "不能用输出文件覆盖程序本身：" + shown;
  for (const fs::path& folder : program_folders) {
    if (Within(folder / "DB", full))
      return "不能把输出文件写入程序的数据文件夹 DB（会覆盖程序数据）：" + shown;
    if (Within(folder / "docs", full))
      return "不能把输出文件写入程序的说明文档文件夹 docs：" + shown;
    if (Within(folder / "Result" / "Sets", full))
      return "不能用输出文件覆盖已保存的结果集（Result/Sets）：" + shown;
    if (AsciiLower(full.parent_path().string()) == AsciiLower((folder / "Result").string())) {
      const std::string name = AsciiLower(full.filename().string());
      if (name == "result.db" || name.starts_with("result.db."))
        return "不能用输出文件覆盖当前结果集 Result.DB 及其附属文件：" + shown;
    }
    if (full.parent_path() == folder && IsProgramFile(full))
      return "不能用输出文件覆盖程序或其模块：" + shown;
  }
  return {};
}

}  // namespace

std::string CheckUserOutputs(const fs::path& program_folder, const std::vector<fs::path>& outputs) {
  std::error_code ec;
  // The program's own places, resolved once: the folder it works on (--root) and the folder
  // its executables and modules are in.
  std::vector<fs::path> program_folders;
  for (const fs::path& folder : {program_folder, ExecutableFolder()}) {
    if (folder.empty()) continue;
    fs::path resolved = fs::weakly_canonical(folder, ec);
    if (ec) continue;
    if (std::find(program_folders.begin(), program_folders.end(), resolved) ==
        program_folders.end())
      program_folders.push_back(std::move(resolved));
  }
  std::vector<fs::path> seen;
  for (const fs::path& output : outputs) {
    if (output.empty()) continue;
    const std::string shown = output.lexically_normal().string();
    if (!output.has_filename() || output.filename() == "." || output.filename() == "..")
      return "输出文件名无效：" + shown;
    struct stat st {};
    if (::lstat(output.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
      if (S_ISLNK(st.st_mode)) return "输出文件是符号链接，为安全起见不写入：" + shown;
      if (S_ISDIR(st.st_mode)) return "输出路径是一个文件夹，不是文件：" + shown;
      return "输出路径不是普通文件（可能是管道或设备），不写入：" + shown;
    }
    const fs::path full = fs::weakly_canonical(output, ec);
    if (ec) return "输出路径无效：" + shown;
    if (std::string reason = ProtectedReason(program_folders, full, shown); !reason.empty())
      return reason;
    for (const fs::path& other : seen) {
      if (other == full) return "两个输出指向同一个文件，后写的会覆盖先写的：" + shown;
    }
    seen.push_back(full);
  }
  return {};
}

bool IsWriterTemporary(std::string_view name, long* pid) {
  constexpr std::string_view kPrefix = ".lindora-", kSuffix = ".tmp";
  if (!name.starts_with(kPrefix) || !name.ends_with(kSuffix)) return false;
  name.remove_prefix(kPrefix.size());
  name.remove_suffix(kSuffix.size());
  const std::size_t dash = name.find('-');
  if (dash == 0 || dash == std::string_view::npos || dash + 1 == name.size()) return false;
  long value = 0;
  for (char c : name.substr(0, dash)) {
    if (c < '0' || c > '9' || value > 100000000) return false;
    value = value * 10 + (c - '0');
  }
  for (char c : name.substr(dash + 1)) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z'))) return false;
  }
  if (pid) *pid = value;
  return true;
}

namespace {

// Earlier versions of the program named their leftovers "<file>.tmp<pid>_<n>" (a temporary),
// "Result.DB.old<pid>" and "关联规则.csv.old" (a previous file set aside during a swap).
// Returns the pid for the first kind, or -1; `kept_for` receives the file a set-aside copy
// belongs to.
long OlderLeftover(const std::string& name, std::string* kept_for) {
  static const std::regex temporary(R"(.+\.tmp([0-9]{1,9})_[0-9]{1,9})");
  static const std::regex set_aside(R"((Result\.DB)\.old([0-9]{1,9})|(关联规则\.csv)\.old)");
  std::smatch m;
  if (std::regex_match(name, m, temporary)) return std::stol(m[1]);
  if (std::regex_match(name, m, set_aside)) {
    *kept_for = m[1].matched ? m[1].str() : m[3].str();
    return m[2].matched ? std::stol(m[2]) : 0;
  }
  return -1;
}

}  // namespace

int RemoveStaleTemporaries(const fs::path& folder) {
  int removed = 0;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    long pid = 0;
    const std::string name = it->path().filename().string();
    std::string kept_for;
    if (!IsWriterTemporary(name, &pid)) {
      pid = OlderLeftover(name, &kept_for);
      if (pid < 0 || (pid > 0 && ProcessAlive(pid))) continue;
      if (!kept_for.empty()) {
        // A swap killed half way: the set-aside file goes back when its place is empty.
        const fs::path place = folder / kept_for;
        if (!fs::exists(place, ec) && ::rename(it->path().c_str(), place.c_str()) == 0) {
          ++removed;
          continue;
        }
      }
    } else if (ProcessAlive(pid)) {
      continue;
    }
    struct stat st {};
    if (::lstat(it->path().c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    if (::unlink(it->path().c_str()) == 0) ++removed;
  }
  return removed;
}

}  // namespace lindora
