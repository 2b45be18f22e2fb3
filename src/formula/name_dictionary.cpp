#include "formula/name_dictionary.h"

#include <unicode/translit.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <array>
#include <memory>

#include "common/files.h"
#include "common/gbk.h"
#include "common/text.h"
#include "formula/table_source.h"

namespace lindora {
namespace {

// Processing words written before a herb's name, longest first so "蜜炙" wins over "蜜".
constexpr std::array<std::string_view, 32> kPrefixes = {
    "蜜炙", "麸炒", "土炒", "醋炙", "盐炙", "酒炙", "姜炙", "酒炒", "醋炒", "盐炒", "炒焦",
    "酒洗", "炙",   "炒",   "焦",   "酒",   "醋",   "盐",   "蜜",   "姜",   "制",   "法",
    "清",   "煅",   "炮",   "煨",   "生",   "鲜",   "净",   "蒸",   "烫",   "熬"};
// ... and after it ("地榆炭", "三七粉").
constexpr std::array<std::string_view, 3> kSuffixes = {"炭", "粉", "末"};
// Different drugs that a processing word would wrongly fold into another herb.
constexpr std::array<std::string_view, 10> kNeverFolded = {
    "生地黄", "熟地黄", "鲜地黄", "生姜", "干姜", "炮姜", "煨姜", "生晒参", "生铁落", "姜黄"};

bool NeverFolded(std::string_view name) {
  return std::find(kNeverFolded.begin(), kNeverFolded.end(), name) != kNeverFolded.end();
}

// Latin and pinyin names compare without case; blanks inside a name do not count.
std::string Key(std::string_view name) {
  std::string key;
  key.reserve(name.size());
  for (const char c : name) {
    if (c == ' ' || c == '\t') continue;
    key += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  }
  return ReplaceAll(key, "\xE3\x80\x80", "");  // the ideographic blank
}

std::size_t CharDifference(const std::u32string& a, const std::u32string& b) {
  if (a.size() != b.size()) return 99;
  std::size_t d = 0;
  for (std::size_t i = 0; i < a.size(); ++i) d += a[i] != b[i];
  return d;
}

}  // namespace

std::string PinyinOf(std::string_view name) {
  // A transliterator is not safe to share between threads: each thread builds its own once.
  thread_local const std::unique_ptr<icu::Transliterator> to_latin = [] {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Transliterator> t(icu::Transliterator::createInstance(
        "Han-Latin; Latin-ASCII; Lower", UTRANS_FORWARD, status));
    return U_FAILURE(status) ? nullptr : std::move(t);
  }();
  icu::UnicodeString text = icu::UnicodeString::fromUTF8(
      icu::StringPiece(name.data(), static_cast<std::int32_t>(name.size())));
  if (to_latin) to_latin->transliterate(text);
  std::string out;
  text.toUTF8String(out);
  std::erase(out, ' ');
  return out;
}

NameDictionary NameDictionary::Load(const std::filesystem::path& program_folder) {
  NameDictionary dictionary;
  const auto herb_names = ProgramPath(program_folder, "\\DB\\Herb_Name.DB");
  std::map<std::string, std::string> other_names;  // written -> standard; "" when ambiguous
  ForEachLine(herb_names, [&](const std::string& line) {
    const auto fields = Split(line, "\t");
    if (fields.size() < 3 || fields[0] == "编号" || Trim(fields[2]).empty()) return true;
    const std::string name = Trim(fields[2]);
    dictionary.AddStandard(name);
    for (std::size_t i = 3; i < fields.size(); ++i) {
      const std::string other = Trim(fields[i]);
      if (other.empty() || other == name) continue;
      auto [it, fresh] = other_names.emplace(Key(other), name);
      if (!fresh && it->second != name) it->second.clear();  // one Latin name, two herbs
    }
    return true;
  });
  for (const auto& [written, standard] : other_names)
    if (!standard.empty() && !dictionary.IsStandard(written))
      dictionary.AddEntry({written, standard, "别名", "药名库（其他名称）"});

  const auto table = ProgramPath(program_folder, kNameTablePath);
  if (!std::filesystem::exists(table)) return dictionary;
  std::string bytes = ReadFileBytes(table);
  std::string encoding;
  const std::string text = DecodeUserText(bytes, &encoding);
  std::size_t number = 0;
  for (std::string line : Split(text, "\n")) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (Trim(line).empty() || StartsWith(line, "#") || StartsWith(line, "写法\t")) continue;
    auto fields = Split(line, "\t");
    if (fields.size() < 3 || Trim(fields[0]).empty() || Trim(fields[1]).empty())
      throw SourceError("药名对照表第 " + std::to_string(number) +
                        " 行不完整：应有写法、标准名、类别（和来源）四列，以制表符分开。");
    fields.resize(4);
    dictionary.AddEntry({Trim(fields[0]), Trim(fields[1]), Trim(fields[2]), Trim(fields[3])});
  }
  return dictionary;
}

void NameDictionary::AddStandard(std::string name) {
  if (standard_.insert(name).second) standard_list_.push_back(std::move(name));
}

void NameDictionary::AddEntry(NameEntry entry) {
  if (entry.kind == "异体字") {
    const auto from = ToU32(entry.written), to = ToU32(entry.standard);
    if (from.size() == 1 && to.size() == 1) variant_chars_[from[0]] = to[0];
    return;
  }
  if (entry.kind == "新药") AddStandard(entry.standard);
  if (entry.written == entry.standard) return;
  const std::string key = Key(entry.written);
  // A later line (a user's decision) overrides an earlier one.
  if (auto it = by_written_.find(key); it != by_written_.end()) {
    entries_[it->second] = std::move(entry);
    return;
  }
  by_written_.emplace(key, entries_.size());
  entries_.push_back(std::move(entry));
}

std::string NameDictionary::Variants(std::string_view name) const {
  if (variant_chars_.empty()) return std::string(name);
  std::u32string chars = ToU32(name);
  for (auto& c : chars)
    if (auto it = variant_chars_.find(c); it != variant_chars_.end()) c = it->second;
  return ToUtf8(chars);
}

const NameEntry* NameDictionary::Find(const std::string& name) const {
  auto it = by_written_.find(Key(name));
  return it == by_written_.end() ? nullptr : &entries_[it->second];
}

bool NameDictionary::Known(const std::string& name) const {
  return IsStandard(name) || Find(name) != nullptr;
}

NameResolution NameDictionary::Resolve(std::string_view written, bool keep_processed) const {
  NameResolution result;
  const std::string name = Variants(Trim(written));
  if (name.empty()) return result;

  // A processed standard name gives its base herb and the processing word.
  const auto fold = [&](const std::string& standard) -> NameResolution::Herb {
    if (keep_processed || NeverFolded(standard)) return {standard, {}};
    for (const auto prefix : kPrefixes) {
      if (!StartsWith(standard, prefix) || standard.size() == prefix.size()) continue;
      const std::string base = standard.substr(prefix.size());
      if (IsStandard(base)) return {base, {std::string(prefix)}};
    }
    for (const auto suffix : kSuffixes) {
      if (!EndsWith(standard, suffix) || standard.size() == suffix.size()) continue;
      const std::string base = standard.substr(0, standard.size() - suffix.size());
      if (IsStandard(base)) return {base, {std::string(suffix)}};
    }
    return {standard, {}};
  };
  // The standard name a written name stands for directly, or "" (several herbs: "、"-joined).
  const auto direct = [&](const std::string& n, std::string* how) -> std::string {
    if (IsStandard(n)) {
      *how = n == Trim(written) ? "标准名" : "异体字";
      return n;
    }
    if (const NameEntry* e = Find(n)) {
      *how = e->kind == "多药" ? "多药（" + e->origin + "）" : e->kind + "（" + e->origin + "）";
      return e->standard;
    }
    return {};
  };

  std::string how;
  std::string target = direct(name, &how);
  std::vector<std::string> processing;
  if (target.empty() && !NeverFolded(name)) {
    // "炒枣仁": a processing word before a name the dictionary knows.
    for (const auto prefix : kPrefixes) {
      if (!StartsWith(name, prefix) || name.size() == prefix.size()) continue;
      std::string base_how;
      const std::string base = direct(name.substr(prefix.size()), &base_how);
      if (base.empty() || Contains(base, "、")) continue;
      target = base;
      processing = {std::string(prefix)};
      how = "炮制（" + std::string(prefix) + "）";
      break;
    }
    for (const auto suffix : kSuffixes) {
      if (!target.empty()) break;
      if (!EndsWith(name, suffix) || name.size() == suffix.size()) continue;
      std::string base_how;
      const std::string base = direct(name.substr(0, name.size() - suffix.size()), &base_how);
      if (base.empty() || Contains(base, "、")) continue;
      target = base;
      processing = {std::string(suffix)};
      how = "炮制（" + std::string(suffix) + "）";
    }
  }
  if (target.empty()) return result;
  result.how = how;

  for (const auto& part : Split(target, "、")) {
    NameResolution::Herb herb;
    if (Contains(target, "、")) {
      // Each herb of 焦三仙 resolves on its own (焦山楂 → 山楂, 焦).
      NameResolution sub = Resolve(part, keep_processed);
      if (sub.herbs.size() != 1) continue;
      herb = std::move(sub.herbs[0]);
    } else {
      herb = fold(part);
    }
    if (keep_processed) {
      // Kept apart, the processed form is written the usual way: 炒酸枣仁, 地榆炭.
      for (const auto& word : processing)
        herb.name = std::find(kSuffixes.begin(), kSuffixes.end(), word) != kSuffixes.end()
                        ? herb.name + word
                        : word + herb.name;
    } else {
      herb.processing.insert(herb.processing.begin(), processing.begin(), processing.end());
    }
    result.herbs.push_back(std::move(herb));
  }
  return result;
}

std::vector<NameSuggestion> NameDictionary::Suggest(std::string_view written) const {
  std::vector<NameSuggestion> out;
  const auto add = [&](const std::string& name, const char* reason) {
    if (out.size() >= 3) return;
    for (const auto& s : out)
      if (s.name == name) return;
    out.push_back({name, reason});
  };
  const std::string name = Variants(Trim(written));
  const std::u32string chars = ToU32(name);
  // The same sound ("淮山" → 怀山 → 山药, "川穹" → 川芎): how names written from dictation or
  // by an input method go wrong. Single characters sound like too much to be a hint.
  if (chars.size() >= 2) {
    for (; pinyin_indexed_ < standard_list_.size() + entries_.size(); ++pinyin_indexed_) {
      const bool standard = pinyin_indexed_ < standard_list_.size();
      const std::string& known = standard
                                     ? standard_list_[pinyin_indexed_]
                                     : entries_[pinyin_indexed_ - standard_list_.size()].written;
      const std::string& target =
          standard ? known : entries_[pinyin_indexed_ - standard_list_.size()].standard;
      if (CharLength(known) < 2 || Contains(target, "、")) continue;
      std::vector<std::string>& names = by_pinyin_[PinyinOf(known)];
      if (std::find(names.begin(), names.end(), target) == names.end()) names.push_back(target);
    }
    if (auto it = by_pinyin_.find(PinyinOf(name)); it != by_pinyin_.end())
      for (const std::string& known : it->second) add(known, "同音");
  }
  // One character different from a standard name or an alias ("川穹" → 川芎).
  for (const auto& standard : standard_list_)
    if (CharDifference(ToU32(standard), chars) == 1) add(standard, "一字之差");
  for (const auto& entry : entries_)
    if (entry.kind != "多药" && CharDifference(ToU32(entry.written), chars) == 1)
      add(entry.standard, "一字之差");
  // The longest known name it contains ("北柴胡根" → 柴胡).
  std::string longest;
  for (const auto& standard : standard_list_)
    if (standard.size() > longest.size() && CharLength(standard) >= 2 && Contains(name, standard))
      longest = standard;
  if (!longest.empty()) add(longest, "含已知药名");
  return out;
}

void NameDictionary::AppendDecisions(const std::filesystem::path& table,
                                     const std::vector<NameEntry>& decisions) {
  std::string text;
  if (std::filesystem::exists(table)) {
    std::string encoding;
    text = DecodeUserText(ReadFileBytes(table), &encoding);
  } else {
    text = "写法\t标准名\t类别\t来源\n";
  }
  if (!text.empty() && text.back() != '\n') text += '\n';
  for (const auto& d : decisions)
    text += d.written + "\t" + d.standard + "\t" + d.kind + "\t" + d.origin + "\n";
  AtomicFile file(table);
  file.WriteBytes(text);
  file.Commit();
}

}  // namespace lindora
