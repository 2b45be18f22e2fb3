// The herbs of a formula as every analysis counts them: the composition read by the import's
// parser, each name resolved through the name dictionary, processing words folded into the drug
// or kept apart as the open library was imported. One list per formula, the same in the
// standardised result set, the doses, the clustering and the candidate formulas.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "formula/name_dictionary.h"

namespace lindora {

class Session;

// Where the herb lists of a session come from: the program folder's name dictionary and the
// open library's processing setting.
struct HerbListSource {
  std::filesystem::path program_folder;
  bool keep_processed = false;

  static HerbListSource ForSession(const Session& session);
  // Changes whenever a list could come out differently (the dictionary files, the setting).
  std::string Stamp() const;
};

// True when the library in `folder` was imported with processed forms kept apart (炮制品单列),
// as its import record says; the shipped library folds them.
bool LibraryKeepsProcessed(const std::filesystem::path& folder);

class HerbList {
 public:
  HerbList(NameDictionary dictionary, bool keep_processed);
  // Loads the dictionary once; a folder without herb files leaves every name as written.
  explicit HerbList(const HerbListSource& source);

  // The herbs of a composition, in order, each once.
  std::vector<std::string> Of(std::string_view composition);
  // The same joined by "、", the standardised set's composition field.
  std::string Joined(std::string_view composition);
  // The herbs one written name stands for (several for 焦三仙); the name as written when the
  // dictionary does not know it. Each distinct name is resolved once.
  const std::vector<std::string>& Names(const std::string& written);

 private:
  std::vector<std::string> Resolve(const std::string& written) const;
  bool Resolves(const std::string& written, std::vector<std::string>& herbs) const;

  NameDictionary dictionary_;
  bool keep_processed_ = false;
  std::unordered_map<std::string, std::vector<std::string>> cache_;  // by written name
  std::unordered_map<std::string, std::vector<std::string>> items_;  // by composition item
};

}  // namespace lindora
