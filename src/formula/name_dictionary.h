// Herb names as users write them (别名, old spellings, processed forms, names of several herbs)
// reconciled with the standard names of the herb files. The dictionary is DB/Herb_Name.DB's
// names (every name field) plus the editable UTF-8 table DB/药名对照.tsv.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace lindora {

inline constexpr std::string_view kNameTablePath = "\\DB\\药名对照.tsv";
// The origin of the table lines the review window writes.
inline constexpr std::string_view kDecisionOrigin = "导入时的决定";

struct NameEntry {
  std::string written, standard;  // several standard names are joined by "、" for 多药
  std::string kind;               // 别名, 异体字, 多药, 新药, 用户
  std::string origin;
};

struct NameResolution {
  // One herb, or several for a name such as 焦三仙; each with the processing words folded off
  // it (empty when none or when processed forms are kept apart).
  struct Herb {
    std::string name;
    std::vector<std::string> processing;
  };
  std::vector<Herb> herbs;  // empty: the name did not resolve
  std::string how;          // 标准名, 别名（origin）, 异体字, 炮制, 多药 …
};

struct NameSuggestion {
  std::string name, reason;  // reason: 同音, 炮制品, 补全, 含已知药名, 一字之差
  std::string type;      // the herb's type (辛凉解表药 …); empty when the herb files lack it
  std::string toxicity;  // 有毒, 有小毒, 有大毒; empty for a herb not known to be toxic
};

// A suggestion as the review window and the side file show it: "牛蒡子（补全，辛凉解表药）",
// "巴豆（一字之差，攻下药，有大毒）".
std::string DescribeSuggestion(const NameSuggestion& suggestion);

// The toneless pinyin of a name, syllables without blanks ("川穹" → "chuanqiong"), by ICU's
// Han-Latin transliteration; characters that are not Han stay as they are, lower-cased.
std::string PinyinOf(std::string_view name);

class NameDictionary {
 public:
  // Reads DB/Herb_Name.DB (GBK) and DB/药名对照.tsv from the program folder; a missing table is
  // no error (only the herb files' names are known then). Throws SourceError for a malformed
  // table line, naming the line.
  static NameDictionary Load(const std::filesystem::path& program_folder);
  // Only the old and variant character forms of DB/药名对照.tsv (lines of kind 异体字), for a
  // text search; a missing or unreadable table gives none.
  static NameDictionary LoadCharacterForms(const std::filesystem::path& program_folder);

  void AddStandard(std::string name);
  void AddEntry(NameEntry entry);

  // Resolves a written name. Processing words (炙, 炒, 酒, 煅, 生 …) fold to the base herb
  // unless `keep_processed`; herbs that are different drugs (生地黄, 熟地黄, 生姜, 干姜 …) are
  // never folded by this rule.
  NameResolution Resolve(std::string_view written, bool keep_processed) const;
  // Up to three known names close to an unresolved one, the likeliest first: the same sound or
  // a processed form of a known drug (熟大黄 → 大黄), then a known name that begins with it or
  // holds it whole (牛蒡 → 牛蒡子 before 牛蒡根, 良姜 → 高良姜), then a known name it holds
  // (北柴胡根须 → 柴胡, 草决明 → 决明子), and last, for a name neither its sound nor processing
  // explains, names of three characters or more that differ in one. A toxic drug is never the
  // first suggestion on a one-character difference; two-character names get none (扁豆 and 巴豆
  // share only 豆).
  std::vector<NameSuggestion> Suggest(std::string_view written) const;

  // A herb's type number (Herb_Name.DB) and toxicity (Herb_Property.DB), shown with suggestions.
  void SetHerbFacts(const std::string& name, int type_number, std::string toxicity);
  // True when the written name resolves by a user's decision (a line of kind 用户 or one the
  // review window wrote) rather than by what the dictionary knows by itself.
  bool DecidedByUser(std::string_view written) const;
  // What a decision records for a name the user typed: the typed name when it is a standard name
  // or a processed form of one (炙甘草), else the standard names it stands for ("、"-joined);
  // empty when the dictionary does not know it (the user must then mark it a new herb).
  std::string DecisionTarget(std::string_view typed) const;

  bool IsStandard(std::string_view name) const { return standard_.count(std::string(name)) > 0; }
  // The text with old and variant character forms folded as names are (厚樸 → 厚朴); the same
  // text when the table names none.
  std::string FoldVariants(std::string_view text) const { return Variants(text); }
  bool FoldsVariants() const { return !variant_chars_.empty(); }
  const std::vector<NameEntry>& Entries() const { return entries_; }

  // Adds the user's decisions to the table file (kind 用户), keeping its other lines as they
  // are; written atomically.
  static void AppendDecisions(const std::filesystem::path& table,
                              const std::vector<NameEntry>& decisions);

 private:
  // `cut_remnants`: a dose remnant glued on a known name may be cut off, and two names run
  // together split (not again on the parts).
  NameResolution Resolve(std::string_view written, bool keep_processed, bool cut_remnants) const;
  std::string Variants(std::string_view name) const;
  const NameEntry* Find(const std::string& name) const;
  bool Known(const std::string& name) const;

  std::unordered_set<std::string> standard_;
  std::vector<std::string> standard_list_;  // in the order they were added, for suggestions
  std::vector<NameEntry> entries_;
  std::unordered_map<std::string, std::size_t> by_written_;
  std::unordered_map<char32_t, char32_t> variant_chars_;
  struct HerbFacts {
    int type_number = 0;
    std::string toxicity;
  };
  std::unordered_map<std::string, HerbFacts> facts_;
  std::unordered_set<std::string> decided_;  // keys of names the user decided

  // Known names for suggestions (standard names, then aliases with the names they stand for),
  // made at the first suggestion: most uses of the dictionary never ask for one.
  struct KnownName {
    std::string written, standard;
    std::u32string chars;
  };
  void IndexForSuggestions() const;
  NameSuggestion Suggestion(const std::string& name, const char* reason) const;
  bool Toxic(const std::string& name) const;
  mutable std::vector<KnownName> known_;
  mutable std::unordered_map<std::string, std::vector<std::string>> by_pinyin_;
  mutable std::size_t indexed_standard_ = 0, indexed_entries_ = 0;
};

}  // namespace lindora
