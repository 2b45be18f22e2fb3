#include "analysis/symptoms/symptom_table.h"

#include <unordered_map>

#include "analysis/standardize.h"
#include "common/files.h"
#include "common/text.h"
#include "stats/sort_by_count.h"

namespace lindora {

SymptomTable CountSymptoms(const std::filesystem::path& result_file) {
  SymptomTable table;
  std::unordered_map<std::string, std::size_t> index;
  ForEachLine(result_file, [&](const std::string& line) {
    if (Trim(line).empty()) return true;
    std::vector<std::string> fields = Split(line, "\t");
    if (fields.size() < 3) {
      // A name alone, or a formula without indications: no symptoms to count.
      ++table.skipped_lines;
      return true;
    }
    for (std::string& item : Split(StandardSymptoms(fields[2]), "，")) {
      if (item.empty()) continue;
      auto [it, inserted] = index.try_emplace(item, table.Symptom.size());
      if (inserted) {
        table.Symptom.push_back(std::move(item));
        table.CountSymptom.push_back(1);
      } else {
        ++table.CountSymptom[it->second];
      }
    }
    return true;
  });
  SortByCount(table.CountSymptom, table.Symptom, table.NumSymptom());
  return table;
}

}  // namespace lindora
