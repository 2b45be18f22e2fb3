#include "analysis/herb_table.h"

#include "common/files.h"
#include "common/session.h"
#include "common/text.h"
#include "stats/sort_by_count.h"

namespace lindora {

HerbTable BuildCMTable(const std::filesystem::path& stand_file) {
  HerbTable table;
  // A keyed index beside the store; the store keeps first-appearance order, which the
  // exchange sort turns into the tie order.
  std::unordered_map<std::string, std::size_t> index;
  ForEachLine(stand_file, [&](const std::string& line) {
    std::vector<std::string> fields = Split(line, "\t");
    if (fields.size() < 2) return true;
    for (std::string& item : Split(fields[1], "、")) {
      if (item.empty()) continue;
      auto [it, inserted] = index.try_emplace(item, table.CM.size());
      if (inserted) {
        table.CM.push_back(std::move(item));
        table.CountCM.push_back(1);
      } else {
        ++table.CountCM[it->second];
      }
    }
    return true;
  });
  SortByCount(table.CountCM, table.CM, table.NumCM());
  return table;
}

HerbTable BuildCMTable(Session& session) {
  return BuildCMTable(session.Path("\\Result\\Result.DB.stand"));
}

void WriteHerbListFile(const HerbTable& table, const std::filesystem::path& path) {
  AtomicFile out(path);
  for (std::size_t i = 0; i < table.NumCM(); ++i)
    out.WriteLine(table.CM[i] + "\t" + std::to_string(table.CountCM[i]));
  out.Commit();
}

HerbPositions::HerbPositions(const HerbTable& table) {
  positions_.reserve(table.NumCM());
  for (std::size_t i = 0; i < table.NumCM(); ++i) positions_.try_emplace(table.CM[i], i + 1);
}

std::size_t HerbPositions::CM2Int(std::string_view CM_Q) const {
  auto it = positions_.find(CM_Q);
  return it == positions_.end() ? 0 : it->second;
}

}  // namespace lindora
