#include "herb/herb_types.h"

#include <array>
#include <unordered_map>

#include "common/files.h"
#include "common/session.h"
#include "common/text.h"
#include "herb/herb_files.h"

namespace lindora {

std::vector<int> HerbTypeNosByName(const Session& session, const std::vector<std::string>& names) {
  std::vector<int> types(names.size(), 0);
  std::unordered_map<std::string, std::vector<std::size_t>> wanted;
  for (std::size_t i = 0; i < names.size(); ++i) wanted[names[i]].push_back(i);
  if (wanted.empty()) return types;
  ForEachLine(session.Path(kHerbNameFile), [&](const std::string& line) {
    if (Trim(line).empty()) return true;
    std::vector<std::string> fields = Split(line, "\t");
    // A line without a name field names no herb.
    if (fields.size() < 3) return true;
    auto it = wanted.find(fields[2]);
    if (it == wanted.end()) return true;
    double number = Val(fields[1]);
    // Beyond the 32-bit range it is certainly no table entry.
    int type = ToInt32(number).value_or(0);
    for (std::size_t index : it->second) types[index] = type;
    wanted.erase(it);
    return !wanted.empty();
  });
  return types;
}

int HerbTypeNoByName(const Session& session, std::string_view name) {
  return HerbTypeNosByName(session, {std::string(name)}).front();
}

std::vector<HerbTypeGroup> GroupHerbsByType(const std::vector<TypedHerb>& herbs, int threshold) {
  std::array<std::vector<TypedHerb>, kHerbTypeCount + 1> slots;
  for (const TypedHerb& herb : herbs) {
    if (herb.frequency < threshold) continue;
    int t = herb.type_number;
    if (t < 0 || t > kHerbTypeCount) t = 0;
    slots[static_cast<std::size_t>(t)].push_back(herb);
  }
  std::vector<HerbTypeGroup> groups;
  for (int t = 1; t <= kHerbTypeCount + 1; ++t) {
    auto& slot = slots[static_cast<std::size_t>(t % (kHerbTypeCount + 1))];
    if (!slot.empty()) groups.push_back({HerbTypeName(t % (kHerbTypeCount + 1)), std::move(slot)});
  }
  return groups;
}

std::string HerbTypeDistribution(const std::vector<TypedHerb>& herbs, int threshold) {
  std::string result;
  for (const HerbTypeGroup& group : GroupHerbsByType(herbs, threshold)) {
    result += group.type_name + std::to_string(group.herbs.size()) + "项：";
    for (const TypedHerb& herb : group.herbs)
      result += herb.name + "(" + std::to_string(herb.frequency) + "), ";
    result += "\r\n";
  }
  return result;
}

}  // namespace lindora
