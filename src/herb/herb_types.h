// The 37 pharmacological herb types (their names: common/herb_type_names.h) and the type
// distribution of a herb list.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/herb_type_names.h"

namespace lindora {

class Session;

// The type number (field 1) of the first record whose herb name (field 2) equals the name
// exactly; 0 when no record has that name. Numbers are returned as they stand in the file,
// never wrapped, so a number outside 1..37 stays "其他".
int HerbTypeNoByName(const Session& session, std::string_view name);
std::vector<int> HerbTypeNosByName(const Session& session, const std::vector<std::string>& names);

struct TypedHerb {
  std::string name;
  int frequency = 0;
  int type_number = 0;
};

// The herbs at or above the threshold grouped by type: one group per type that has herbs, in
// table order, "其他" last; herbs keep their order.
struct HerbTypeGroup {
  std::string type_name;
  std::vector<TypedHerb> herbs;
};
std::vector<HerbTypeGroup> GroupHerbsByType(const std::vector<TypedHerb>& herbs, int threshold);

// One line per type that has herbs, in table order, "其他" last:
// type name + count + "项：" + "name(frequency), " per herb + CR LF. Herbs below the threshold
// are left out.
std::string HerbTypeDistribution(const std::vector<TypedHerb>& herbs, int threshold);

}  // namespace lindora
