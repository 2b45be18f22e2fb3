// Nature (性), flavours (味), meridians (归经) and toxicity of the herbs: \DB\Herb_Property.DB,
// one line per herb that has them: herb number TAB nature TAB flavours TAB meridians TAB
// toxicity TAB source, lists joined by "、", words as the Pharmacopoeia writes them (微温,
// 微苦). A herb without a line has no property data. Every lookup reads the file afresh.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lindora {

class Session;

inline constexpr std::string_view kHerbPropertyFile = "\\DB\\Herb_Property.DB";

// The words a line may hold, in the order tables and charts list them.
inline constexpr std::array<std::string_view, 9> kNatureDegrees = {
    "大寒", "寒", "微寒", "凉", "平", "微温", "温", "热", "大热"};
inline constexpr std::array<std::string_view, 5> kNatures = {"寒", "凉", "平", "温", "热"};
inline constexpr std::array<std::string_view, 7> kFlavours = {"酸", "苦", "甘", "辛",
                                                              "咸", "淡", "涩"};
inline constexpr std::array<std::string_view, 12> kMeridians = {
    "肝", "心", "脾", "肺", "肾", "胆", "胃", "小肠", "大肠", "膀胱", "三焦", "心包"};
inline constexpr std::array<std::string_view, 3> kToxicities = {"有毒", "有小毒", "有大毒"};

struct HerbProperty {
  std::string nature;                  // with its degree, as written (微温)
  std::vector<std::string> flavours;   // as written (微苦)
  std::vector<std::string> meridians;  // 肝, 小肠 … (without 经)
  std::string toxicity;                // 有毒, 有小毒, 有大毒 or empty
  std::string source;

  bool operator==(const HerbProperty&) const = default;
};

// The five natures the degrees fold into (大寒, 寒, 微寒 → 寒; 微温, 温 → 温; 热, 大热 → 热);
// empty for a word that is no nature.
std::string FoldNature(std::string_view nature);
// A flavour without its 微 (微苦 → 苦); empty for a word that is no flavour.
std::string FoldFlavour(std::string_view flavour);

// One line of the file, or nothing when it is not a herb number and five fields of the allowed
// words (the source may be any non-empty text).
std::optional<std::pair<std::int32_t, HerbProperty>> ParseHerbPropertyLine(std::string_view line);

struct HerbPropertyTable {
  std::map<std::int32_t, HerbProperty> by_herb;
  // Lines that could not be read (wrong field count, unknown word); the first is quoted.
  int bad_lines = 0;
  std::string first_bad_line;
};

// The whole file; raises FileError when it cannot be read.
HerbPropertyTable ReadHerbProperties(const Session& session);

// "性味：甘，平。归经：心、肺、脾、胃经。（中国药典2020年版一部）", with "有毒" and the like after
// the nature as the books write it.
std::string DescribeHerbProperty(const HerbProperty& property);

// The property of the herb of that name (found as the name lookup finds it); nothing when the
// herb is not recorded or has no property line. A missing property file is no error here: the
// herb simply has no data.
std::optional<HerbProperty> HerbPropertyByName(const Session& session, std::string_view name);
// True when the program folder has the property file (older data folders lack it).
bool HasHerbPropertyFile(const Session& session);

}  // namespace lindora
