#include "chem/compound_data.h"

#include <map>
#include <unordered_map>

#include "common/files.h"
#include "common/gbk.h"
#include "common/text.h"

namespace lindora {

namespace fs = std::filesystem;

std::vector<std::string> CompoundRecordsById(const fs::path& compound_file,
                                             const std::vector<std::int32_t>& ids) {
  std::vector<std::string> records(ids.size());
  // Decimal text of an identifier -> the positions still waiting for it.
  std::unordered_map<std::string, std::vector<std::size_t>> pending;
  for (std::size_t i = 0; i < ids.size(); ++i) pending[std::to_string(ids[i])].push_back(i);
  if (pending.empty()) return records;
  LineReader reader(compound_file);
  std::string raw;
  while (!pending.empty() && reader.Next(raw)) {
    // TAB + line contains TAB + id + TAB exactly when a field other than the last one equals
    // the id. Digits and TAB never occur inside a GBK character, so the raw bytes can be split.
    std::size_t start = 0;
    std::size_t tab = raw.find('\t');
    while (tab != std::string::npos) {
      auto it = pending.find(raw.substr(start, tab - start));
      if (it != pending.end()) {
        std::string line = DecodeGbk(raw);
        for (std::size_t i : it->second) records[i] = line;
        pending.erase(it);
      }
      start = tab + 1;
      tab = raw.find('\t', start);
    }
  }
  return records;
}

std::vector<std::optional<std::int32_t>> HerbsContainingCompound(const fs::path& herb_compound_file,
                                                                 double compound_id) {
  std::vector<std::optional<std::int32_t>> herbs;
  ForEachLine(herb_compound_file, [&](const std::string& line) {
    if (Trim(line).empty()) return true;
    std::vector<std::string> fields = Split(line, "\t");
    if (fields.size() < 2 || Val(fields[1]) != compound_id) return true;
    herbs.push_back(ToInt32(Val(fields[0])));
    return true;
  });
  return herbs;
}

std::vector<std::optional<std::string>> FindRefRecords(const fs::path& ref_set,
                                                       const std::vector<std::string>& keys) {
  std::vector<std::optional<std::string>> found(keys.size());
  // Pending keys by length, so every line is scanned once per distinct key length: each window
  // of that length is looked up instead of searching the line once per key.
  std::map<std::size_t, std::unordered_map<std::string_view, std::vector<std::size_t>>> pending;
  std::size_t waiting = 0;
  for (std::size_t i = 0; i < keys.size(); ++i) {
    if (keys[i].empty()) continue;
    auto& slots = pending[keys[i].size()][keys[i]];
    if (slots.empty()) ++waiting;
    slots.push_back(i);
  }
  LineReader reader(ref_set);
  std::string raw;
  while (waiting > 0 && reader.Next(raw)) {
    const std::string line = DecodeGbk(raw);
    for (auto& [length, by_key] : pending) {
      if (by_key.empty() || line.size() < length) continue;
      for (std::size_t pos = 0; pos + length <= line.size() && !by_key.empty(); ++pos) {
        auto it = by_key.find(std::string_view(line).substr(pos, length));
        if (it == by_key.end()) continue;
        for (std::size_t i : it->second) found[i] = line;
        by_key.erase(it);
        --waiting;
      }
    }
  }
  return found;
}

}  // namespace lindora
