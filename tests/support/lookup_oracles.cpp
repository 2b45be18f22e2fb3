#include "support/lookup_oracles.h"

#include "common/files.h"
#include "herb/herb_files.h"

namespace lindora::test {

std::string FindHerbRecord(const Session& session, std::string_view keyword) {
  return FindHerbRecords(session, {std::string(keyword)}).front();
}

std::string HerbNameById(const Session& session, std::int32_t herb_number) {
  return HerbNamesById(session, {herb_number}).front();
}

std::string CompoundRecordById(const std::filesystem::path& compound_file, std::int32_t id) {
  // Built by appending: GCC 12 at -O3 warns falsely (-Wrestrict) inside "\t" + std::string.
  const std::string id_text = std::to_string(id);
  std::string key;
  key.reserve(id_text.size() + 2);
  key.append(1, '\t').append(id_text).append(1, '\t');
  const std::string_view first_field = std::string_view(key).substr(1);
  std::string found;
  ForEachLine(compound_file, [&](const std::string& line) {
    // TAB + line holds the key: the id is field 0, or a field between two TABs.
    if (!line.starts_with(first_field) && line.find(key) == std::string::npos) return true;
    found = line;
    return false;
  });
  return found;
}

std::optional<std::string> FindRefRecord(const std::filesystem::path& ref_set,
                                         std::string_view key) {
  std::optional<std::string> found;
  if (key.empty()) {
    LineReader check(ref_set);  // a missing set is still reported
    return found;
  }
  ForEachLine(ref_set, [&](const std::string& line) {
    if (line.find(key) == std::string::npos) return true;
    found = line;
    return false;
  });
  return found;
}

}  // namespace lindora::test
