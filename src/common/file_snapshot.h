// The files of a folder as they are before a long run, to put back when the user cancels it
// halfway: a file the run changed gets its old bytes back, a file it created is removed.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace lindora {

class FileSnapshot {
 public:
  // Every regular file directly in `folder` (not in its subfolders) except those named in
  // `skip`, and the `extra` files wherever they are. Raises FileError for a file it cannot read.
  FileSnapshot(const std::filesystem::path& folder, std::set<std::string> skip,
               const std::vector<std::filesystem::path>& extra = {});
  // Puts every file back as it was; raises FileError when one cannot be written.
  void Restore() const;

 private:
  std::filesystem::path folder_;
  std::set<std::string> skip_;
  std::map<std::filesystem::path, std::optional<std::string>> files_;  // nullopt: was absent
};

}  // namespace lindora
