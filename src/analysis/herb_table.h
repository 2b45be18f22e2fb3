// The herb frequency table of the current result set: every herb name of the standardised
// compositions with the number of times it occurs, most frequent first.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace lindora {

class Session;

struct HerbTable {
  std::vector<std::string> CM;        // herb names, sorted by count
  std::vector<std::int64_t> CountCM;  // parallel counts
  std::size_t NumCM() const { return CM.size(); }
};

// Counts the names of field 1 of every line of a standardised result file (items split at
// "、", empty items skipped, a name listed twice counting twice) and sorts them with
// SortByCount. Raises FileError when the file cannot be read.
HerbTable BuildCMTable(const std::filesystem::path& stand_file);
HerbTable BuildCMTable(Session& session);

// Writes every herb of the table as "name TAB count" (\Result\Yaodui_Analysis1.txt).
void WriteHerbListFile(const HerbTable& table, const std::filesystem::path& path);

// 1-based positions of the names of a table (names in a table are unique).
class HerbPositions {
 public:
  explicit HerbPositions(const HerbTable& table);
  // The 1-based position of the name, 0 when it is not in the table.
  std::size_t CM2Int(std::string_view CM_Q) const;

 private:
  struct Hash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  std::unordered_map<std::string, std::size_t, Hash, std::equal_to<>> positions_;
};

}  // namespace lindora
