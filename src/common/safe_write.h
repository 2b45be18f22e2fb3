// What the one file writer (AtomicFile in common/files.h) offers beyond a single file: sets of
// files published together, the lock that serialises runs writing into one result folder, the
// checks of output paths a user names, the removal of temporaries a killed run left behind, and
// injected failures for tests.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/files.h"

namespace lindora {

// Files published as one unit: every file is written and on disk before the first rename; when
// a rename fails, the files already renamed get their previous versions back (or are removed
// when they had none), so the set is all old or all new. Every set has its own run id.
class AtomicFileSet {
 public:
  AtomicFileSet();
  ~AtomicFileSet();
  AtomicFileSet(const AtomicFileSet&) = delete;
  AtomicFileSet& operator=(const AtomicFileSet&) = delete;

  // A new member; throws FileError for a target already in the set or not a regular file.
  AtomicFile& Add(const fs::path& target);
  void Commit();
  const std::string& run_id() const { return run_id_; }

 private:
  void CommitAll();
  std::vector<std::unique_ptr<AtomicFile>> files_;
  std::string run_id_;
};

// A fresh run id: UTC time and a random part ("20261207T161500Z-3f9a1c").
std::string NewRunId();

inline constexpr char kResultBusyMessage[] = "另一个分析正在写入结果文件，请稍后再试。";
inline constexpr char kLockNotAFileMessage[] =
    "锁文件 .lindora.lock 不是普通文件（可能是文件夹、链接或管道），无法防止两个分析同时写入"
    "结果文件。请删除它后再试";

// Holds the lock file ".lindora.lock" of a folder (the program's Result folder) so that two runs
// never write its files at once. Waits up to `wait`, then throws FileError with
// kResultBusyMessage; a lock path that is not a regular file is refused with
// kLockNotAFileMessage. Nested locks of one process on one folder are free.
class FolderLock {
 public:
  explicit FolderLock(const fs::path& folder,
                      std::chrono::milliseconds wait = std::chrono::seconds(10));
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

 private:
  std::string key_;
};

// Checks output files the user names (report, picture, chart, save dialog) before any work:
// none inside the program's DB folder, none that exists and is not a regular file, no two the
// same. Returns the Chinese reason of the first problem, or "" when all are fine.
std::string CheckUserOutputs(const fs::path& program_folder, const std::vector<fs::path>& outputs);

// True for the name of one of the writer's temporary files; `pid` receives the writing process.
bool IsWriterTemporary(std::string_view file_name, long* pid = nullptr);
// Removes from `folder` (not below it) the writer's temporaries whose process has ended, as a
// killed run leaves them; returns how many were removed.
int RemoveStaleTemporaries(const fs::path& folder);

// Test hook: called before each step of a write; a non-zero result is the errno that step fails
// with. Steps: "create", "write", "sync", "rename".
using WriteFault = std::function<int(const fs::path& target, std::string_view step)>;
void SetWriteFault(WriteFault fault);

}  // namespace lindora
