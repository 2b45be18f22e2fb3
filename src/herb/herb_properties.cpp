#include "herb/herb_properties.h"

#include <algorithm>
#include <filesystem>

#include "common/files.h"
#include "common/session.h"
#include "common/text.h"
#include "herb/herb_files.h"

namespace lindora {
namespace {

template <std::size_t N>
bool OneOf(const std::array<std::string_view, N>& words, std::string_view word) {
  return std::find(words.begin(), words.end(), word) != words.end();
}

// "a、b、c" into its words; false when a word is not allowed or repeated.
template <class Check>
bool SplitWords(std::string_view text, Check allowed, std::vector<std::string>& out) {
  out = Split(text, "、");
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (!allowed(out[i])) return false;
    if (std::find(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(i), out[i]) !=
        out.begin() + static_cast<std::ptrdiff_t>(i))
      return false;
  }
  return !out.empty();
}

std::string Join(const std::vector<std::string>& words) {
  std::string text;
  for (const std::string& w : words) text += (text.empty() ? "" : "、") + w;
  return text;
}

}  // namespace

std::string FoldNature(std::string_view nature) {
  if (nature == "大寒" || nature == "寒" || nature == "微寒") return "寒";
  if (nature == "微温" || nature == "温") return "温";
  if (nature == "热" || nature == "大热") return "热";
  if (nature == "凉" || nature == "平") return std::string(nature);
  return {};
}

std::string FoldFlavour(std::string_view flavour) {
  constexpr std::string_view kSlight = "微";
  if (flavour.starts_with(kSlight)) flavour.remove_prefix(kSlight.size());
  return OneOf(kFlavours, flavour) ? std::string(flavour) : std::string();
}

std::optional<std::pair<std::int32_t, HerbProperty>> ParseHerbPropertyLine(std::string_view line) {
  std::vector<std::string> f = Split(line, "\t");
  const std::optional<std::int64_t> id = f.size() == 6 ? ParseDigits(f[0], 5) : std::nullopt;
  if (!id) return std::nullopt;
  const auto herb = static_cast<std::int32_t>(*id);
  HerbProperty p;
  p.nature = f[1];
  p.toxicity = f[4];
  p.source = f[5];
  if (herb < 1 || !OneOf(kNatureDegrees, p.nature) ||
      (!p.toxicity.empty() && !OneOf(kToxicities, p.toxicity)) || Trim(p.source).empty())
    return std::nullopt;
  if (!SplitWords(
          f[2], [](const std::string& w) { return !FoldFlavour(w).empty(); }, p.flavours) ||
      !SplitWords(
          f[3], [](const std::string& w) { return OneOf(kMeridians, w); }, p.meridians))
    return std::nullopt;
  return std::make_pair(herb, std::move(p));
}

HerbPropertyTable ReadHerbProperties(const Session& session) {
  HerbPropertyTable table;
  ForEachLine(session.Path(kHerbPropertyFile), [&](const std::string& line) {
    if (Trim(line).empty()) return true;
    auto parsed = ParseHerbPropertyLine(line);
    if (parsed && !table.by_herb.contains(parsed->first)) {
      table.by_herb.emplace(parsed->first, std::move(parsed->second));
    } else if (++table.bad_lines == 1) {
      table.first_bad_line = line;
    }
    return true;
  });
  return table;
}

std::string DescribeHerbProperty(const HerbProperty& p) {
  std::string text = "性味：" + Join(p.flavours) + "，" + p.nature;
  if (!p.toxicity.empty()) text += "；" + p.toxicity;
  text += "。归经：" + Join(p.meridians) + "经。（" + p.source + "）";
  return text;
}

bool HasHerbPropertyFile(const Session& session) {
  std::error_code ec;
  return std::filesystem::exists(session.Path(kHerbPropertyFile), ec);
}

std::optional<HerbProperty> HerbPropertyByName(const Session& session, std::string_view name) {
  const int herb = HerbIdByName(session, name);
  if (herb < 1) return std::nullopt;
  if (!HasHerbPropertyFile(session)) return std::nullopt;
  HerbPropertyTable table = ReadHerbProperties(session);
  auto it = table.by_herb.find(herb);
  if (it == table.by_herb.end()) return std::nullopt;
  return it->second;
}

}  // namespace lindora
