#include "formula/herb_list.h"

#include <algorithm>

#include "common/files.h"
#include "common/session.h"
#include "common/text.h"
#include "formula/composition.h"
#include "formula/library.h"

namespace lindora {
namespace {

constexpr std::string_view kHerbNames = "\\DB\\Herb_Name.DB";

// Characters a dose leaves behind when it was written in a way the parser did not take apart
// ("甘草一", "地黄克", "生姜片"). Stripped only when what remains is a known herb.
bool DoseLeftover(char32_t c) {
  static const std::u32string kChars =
      U"〇零一二三四五六七八九十百千廿半两各克钱分厘斤铢枚个片只条茎升合粒颗根支对具握把撮寸尺"
      U"丸勺匙尾头块许量gGmlLk0123456789.";
  return kChars.find(c) != std::u32string::npos;
}

std::string FileStamp(const std::filesystem::path& path) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  if (ec) return "-";
  const auto time = std::filesystem::last_write_time(path, ec);
  return std::to_string(size) + ':' + std::to_string(time.time_since_epoch().count());
}

}  // namespace

HerbListSource HerbListSource::ForSession(const Session& session) {
  return {session.ProgramFolder(), LibraryKeepsProcessed(FormulaDbFile(session).parent_path())};
}

std::string HerbListSource::Stamp() const {
  return FileStamp(ProgramPath(program_folder, kHerbNames)) + ' ' +
         FileStamp(ProgramPath(program_folder, kNameTablePath)) + (keep_processed ? " 单列" : "");
}

bool LibraryKeepsProcessed(const std::filesystem::path& folder) {
  const auto info = folder / std::string(kImportInfoFile);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(info, ec)) return false;
  // The import record is "key<TAB>value" lines; 炮制品 says 单列 or 并入原药.
  for (std::string line : Split(ReadFileBytes(info), "\n")) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line == "炮制品\t单列") return true;
  }
  return false;
}

HerbList::HerbList(NameDictionary dictionary, bool keep_processed)
    : dictionary_(std::move(dictionary)), keep_processed_(keep_processed) {}

HerbList::HerbList(const HerbListSource& source) : keep_processed_(source.keep_processed) {
  std::error_code ec;
  if (std::filesystem::exists(ProgramPath(source.program_folder, kHerbNames), ec))
    dictionary_ = NameDictionary::Load(source.program_folder);
}

bool HerbList::Resolves(const std::string& written, std::vector<std::string>& herbs) const {
  const NameResolution r = dictionary_.Resolve(written, keep_processed_);
  if (r.herbs.empty()) return false;
  for (const auto& herb : r.herbs) herbs.push_back(herb.name);
  return true;
}

std::vector<std::string> HerbList::Resolve(const std::string& written) const {
  std::vector<std::string> herbs;
  if (Resolves(written, herbs)) return herbs;
  // "桂枝或肉桂": either herb may be used, and both are counted as the classic clean-up did.
  if (Contains(written, "或")) {
    for (const auto& part : Split(written, "或"))
      if (!Trim(part).empty()) {
        const auto sub = Resolve(Trim(part));
        herbs.insert(herbs.end(), sub.begin(), sub.end());
      }
    if (!herbs.empty()) return herbs;
  }
  // A dose remnant glued on a known name: the longest known name before it.
  const std::u32string chars = ToU32(written);
  for (std::size_t cut = chars.size(); cut > 1 && DoseLeftover(chars[cut - 1]); --cut) {
    const std::string head = ToUtf8(chars.substr(0, cut - 1));
    if (Resolves(head, herbs)) return herbs;
  }
  return {written};
}

const std::vector<std::string>& HerbList::Names(const std::string& written) {
  auto [it, fresh] = cache_.try_emplace(written);
  if (fresh) it->second = Resolve(written);
  return it->second;
}

std::vector<std::string> HerbList::Of(std::string_view composition) {
  std::vector<std::string> herbs;
  // Items repeat across formulas far more than whole compositions ("黄连15g"): each distinct
  // item is parsed and resolved once.
  for (std::string& item : CompositionItems(composition)) {
    auto [it, fresh] = items_.try_emplace(std::move(item));
    if (fresh)
      for (const HerbMention& mention : ParseComposition(it->first))
        for (const std::string& herb : Names(mention.name)) it->second.push_back(herb);
    for (const std::string& herb : it->second)
      if (std::find(herbs.begin(), herbs.end(), herb) == herbs.end()) herbs.push_back(herb);
  }
  return herbs;
}

std::string HerbList::Joined(std::string_view composition) {
  return Join(Of(composition), "、");
}

}  // namespace lindora
