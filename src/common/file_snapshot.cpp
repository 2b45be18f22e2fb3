#include "common/file_snapshot.h"

#include "common/files.h"

namespace lindora {

namespace {

std::vector<fs::path> FilesIn(const fs::path& folder, const std::set<std::string>& skip) {
  std::vector<fs::path> files;
  std::error_code ec;
  for (const fs::directory_entry& e : fs::directory_iterator(folder, ec)) {
    if (!e.is_regular_file(ec)) continue;
    if (skip.count(e.path().filename().string())) continue;
    files.push_back(e.path());
  }
  return files;
}

}  // namespace

FileSnapshot::FileSnapshot(const fs::path& folder, std::set<std::string> skip,
                           const std::vector<fs::path>& extra)
    : folder_(folder), skip_(std::move(skip)) {
  for (const fs::path& p : FilesIn(folder_, skip_)) files_[p] = ReadFileBytes(p);
  for (const fs::path& p : extra) {
    std::error_code ec;
    files_[p] = fs::is_regular_file(p, ec) ? std::optional(ReadFileBytes(p)) : std::nullopt;
  }
}

void FileSnapshot::Restore() const {
  for (const fs::path& p : FilesIn(folder_, skip_)) {
    if (files_.count(p)) continue;
    std::error_code ec;
    fs::remove(p, ec);
  }
  for (const auto& [path, bytes] : files_) {
    std::error_code ec;
    if (!bytes) {
      fs::remove(path, ec);
      continue;
    }
    if (fs::is_regular_file(path, ec) && ReadFileBytes(path) == *bytes) continue;
    AtomicFile out(path);
    out.WriteBytes(*bytes);
    out.Commit();
  }
}

}  // namespace lindora
