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
