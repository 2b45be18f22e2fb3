// The names of the 37 pharmacological herb types. Kept below every subsystem: the herb windows
// group by them and the name dictionary shows them beside its suggestions.
#pragma once

#include <string>
#include <string_view>

namespace lindora {

// Type numbers 1 to 37 select these entries in order; every other number is "其他".
inline constexpr std::string_view kHerbTypeTable =
    "辛温解表药,辛凉解表药,清热泻火药,清热燥湿药,清热解毒药,清热凉血药,清虚热药,攻下药,润下药,"
    "通水药,祛风湿散寒药,祛风湿清热药,祛风湿筋骨药,化湿药,利水渗湿药,温里药,理气药,消食药,驱虫药,"
    "凉血止血药,收敛止血药,化瘀止血药,温经止血药,活血祛瘀药,化痰药,止咳平喘药,安神药,平肝熄风药,"
    "开窍药,补气药,补血药,补阴药,补阳药,收涩药,涌吐药,解毒杀虫燥湿止痒药,拔毒化腐生肌药";
inline constexpr int kHerbTypeCount = 37;
inline constexpr std::string_view kOtherHerbType = "其他";

std::string HerbTypeName(int type_number);

}  // namespace lindora
