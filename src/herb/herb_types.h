// The 37 pharmacological herb types and the type distribution of a herb list.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lindora {

class Session;

// Type numbers 1 to 37 select these entries in order; every other number is "其他".
inline constexpr std::string_view kHerbTypeTable =
    "辛温解表药,辛凉解表药,清热泻火药,清热燥湿药,清热解毒药,清热凉血药,清虚热药,攻下药,润下药,"
    "通水药,祛风湿散寒药,祛风湿清热药,祛风湿筋骨药,化湿药,利水渗湿药,温里药,理气药,消食药,驱虫药,"
    "凉血止血药,收敛止血药,化瘀止血药,温经止血药,活血祛瘀药,化痰药,止咳平喘药,安神药,平肝熄风药,"
    "开窍药,补气药,补血药,补阴药,补阳药,收涩药,涌吐药,解毒杀虫燥湿止痒药,拔毒化腐生肌药";
inline constexpr int kHerbTypeCount = 37;
inline constexpr std::string_view kOtherHerbType = "其他";

std::string HerbTypeName(int type_number);

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
