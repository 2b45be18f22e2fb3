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
  std::string name, reason;  // reason: 同音, 一字之差, 含已知药名
};

// The toneless pinyin of a name, syllables without blanks ("川穹" → "chuanqiong"), by ICU's
// Han-Latin transliteration; characters that are not Han stay as they are, lower-cased.
std::string PinyinOf(std::string_view name);

class NameDictionary {
 public:
  // Reads DB/Herb_Name.DB (GBK) and DB/药名对照.tsv from the program folder; a missing table is
  // no error (only the herb files' names are known then). Throws SourceError for a malformed
  // table line, naming the line.
  static NameDictionary Load(const std::filesystem::path& program_folder);

  void AddStandard(std::string name);
  void AddEntry(NameEntry entry);

  // Resolves a written name. Processing words (炙, 炒, 酒, 煅, 生 …) fold to the base herb
  // unless `keep_processed`; herbs that are different drugs (生地黄, 熟地黄, 生姜, 干姜 …) are
  // never folded by this rule.
  NameResolution Resolve(std::string_view written, bool keep_processed) const;
  // Up to three known names close to an unresolved one.
  std::vector<NameSuggestion> Suggest(std::string_view written) const;

  bool IsStandard(std::string_view name) const { return standard_.count(std::string(name)) > 0; }
  const std::vector<NameEntry>& Entries() const { return entries_; }

  // Adds the user's decisions to the table file (kind 用户), keeping its other lines as they
  // are; written atomically.
  static void AppendDecisions(const std::filesystem::path& table,
                              const std::vector<NameEntry>& decisions);

 private:
  std::string Variants(std::string_view name) const;
  const NameEntry* Find(const std::string& name) const;
  bool Known(const std::string& name) const;

  std::unordered_set<std::string> standard_;
  std::vector<std::string> standard_list_;  // in the order they were added, for suggestions
  std::vector<NameEntry> entries_;
  std::unordered_map<std::string, std::size_t> by_written_;
  std::unordered_map<char32_t, char32_t> variant_chars_;
  // Known names (standard names, then the standard names of aliases) by their pinyin, made at
  // the first suggestion: most uses of the dictionary never ask for one.
  mutable std::unordered_map<std::string, std::vector<std::string>> by_pinyin_;
  mutable std::size_t pinyin_indexed_ = 0;  // standard names and entries seen by the index
};

}  // namespace lindora
