#include "formula/name_dictionary.h"

#include <unicode/translit.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <array>
#include <exception>
#include <memory>
#include <optional>

#include "common/files.h"
#include "common/gbk.h"
#include "common/herb_type_names.h"
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

// Characters a dose leaves behind when it was written in a way the parser did not take apart
// ("甘草一", "地黄克", "生姜片"). Stripped only when what remains is a known herb.
bool DoseLeftover(char32_t c) {
  static const std::u32string kChars =
      U"〇零一二三四五六七八九十百千廿半两各克钱分厘斤铢枚个片只条茎升合粒颗根支对具握把撮寸尺"
      U"丸勺匙尾头块许量gGmlLk0123456789.";
  return kChars.find(c) != std::u32string::npos;
}

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

// The name table as UTF-8. A byte that fits no encoding names the file and its line, so that
// the user knows which file to mend: the import's own messages speak of the imported table.
std::string DecodeNameTable(const std::filesystem::path& table) {
  const std::string bytes = ReadFileBytes(table);
  try {
    std::string encoding;
    return DecodeUserText(bytes, &encoding);
  } catch (const SourceError&) {
    std::size_t line = 1, i = 0;
    const std::size_t start = bytes.starts_with("\xEF\xBB\xBF") ? 3 : 0;
    for (i = start; i < bytes.size();) {
      const auto c = static_cast<unsigned char>(bytes[i]);
      if (c < 0x80) {
        line += c == '\n';
        ++i;
        continue;
      }
      const std::size_t before = i;
      if (NextUtf8(bytes, i) == U'\uFFFD' && i == before + 1) break;
    }
    throw SourceError("药名对照表 DB\\" + table.filename().string() + " 第 " +
                      std::to_string(line) +
                      " 行有无法识别的字节（既不是 UTF-8，全文也不是 GB18030）。请用文本编辑器改正"
                      "这一行，并以 UTF-8 编码保存。");
  }
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

NameDictionary NameDictionary::LoadCharacterForms(const std::filesystem::path& program_folder) {
  NameDictionary dictionary;
  const auto table = ProgramPath(program_folder, kNameTablePath);
  std::string text;
  try {
    if (std::filesystem::exists(table)) text = DecodeNameTable(table);
  } catch (const std::exception&) {
    return dictionary;
  }
  for (const auto& line : Split(text, "\n")) {
    const auto fields = Split(line, "\t");
    if (fields.size() >= 3 && Trim(fields[2]) == "异体字")
      dictionary.AddEntry({Trim(fields[0]), Trim(fields[1]), "异体字", ""});
  }
  return dictionary;
}

NameDictionary NameDictionary::Load(const std::filesystem::path& program_folder) {
  NameDictionary dictionary;
  const auto herb_names = ProgramPath(program_folder, "\\DB\\Herb_Name.DB");
  std::map<std::string, std::string> other_names;  // written -> standard; "" when ambiguous
  std::map<std::string, std::string> by_number;    // herb number -> name, for the toxicity
  ForEachLine(herb_names, [&](const std::string& line) {
    const auto fields = Split(line, "\t");
    if (fields.size() < 3 || fields[0] == "编号" || Trim(fields[2]).empty()) return true;
    const std::string name = Trim(fields[2]);
    dictionary.AddStandard(name);
    if (!dictionary.facts_.count(name))
      dictionary.facts_[name].type_number = ToInt32(Val(fields[1])).value_or(0);
    by_number.emplace(Trim(fields[0]), name);
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
  // Toxicity is the fifth field of a herb's property line (older data folders have no file).
  const auto properties = ProgramPath(program_folder, "\\DB\\Herb_Property.DB");
  if (std::filesystem::exists(properties))
    ForEachLine(properties, [&](const std::string& line) {
      const auto fields = Split(line, "\t");
      if (fields.size() < 5 || Trim(fields[4]).empty()) return true;
      if (auto it = by_number.find(Trim(fields[0])); it != by_number.end())
        dictionary.facts_[it->second].toxicity = Trim(fields[4]);
      return true;
    });

  const auto table = ProgramPath(program_folder, kNameTablePath);
  if (!std::filesystem::exists(table)) return dictionary;
  const std::string text = DecodeNameTable(table);
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
  if (entry.kind == "用户" || entry.origin == kDecisionOrigin)
    decided_.insert(Key(Variants(entry.written)));
  else
    decided_.erase(Key(Variants(entry.written)));
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

// The shortest part of a name written together with another: one character says too little.
constexpr std::size_t kShortestPart = 2;

NameResolution NameDictionary::Resolve(std::string_view written, bool keep_processed) const {
  return Resolve(written, keep_processed, true);
}

NameResolution NameDictionary::Resolve(std::string_view written, bool keep_processed,
                                       bool cut_remnants) const {
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
  // A line of the name table (the user's word) wins over the herb files' standard names:
  // 麦门冬 is a herb-file name, and the table counts it as 麦冬. The herb files' other names are
  // entries only where they are no standard name, so they never override one.
  const auto direct = [&](const std::string& n, std::string* how) -> std::string {
    if (const NameEntry* e = Find(n)) {
      *how = e->kind == "多药" ? "多药（" + e->origin + "）" : e->kind + "（" + e->origin + "）";
      return e->standard;
    }
    if (IsStandard(n)) {
      *how = n == Trim(written) ? "标准名" : "异体字";
      return n;
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
  if (target.empty()) {
    // Old character forms are folded whatever the share of them in a file: 厚樸 is 厚朴, 製半夏
    // is 制半夏 and so 半夏.
    std::string simple;
    try {
      simple = ToSimplified(name);
    } catch (const SourceError&) {
      // No converter: only the written form is tried.
    }
    if (!simple.empty() && simple != name) {
      result = Resolve(simple, keep_processed, cut_remnants);
      if (!result.herbs.empty()) result.how = "繁体（" + simple + "）";
      return result;
    }
    // "桂枝或肉桂": either herb may be used, and both are counted.
    if (Contains(name, "或")) {
      for (const auto& part : Split(name, "或"))
        if (!Trim(part).empty())
          for (auto& herb : Resolve(Trim(part), keep_processed).herbs)
            result.herbs.push_back(std::move(herb));
      if (!result.herbs.empty()) {
        result.how = "或";
        return result;
      }
    }
    // A dose remnant the parser left glued on a known name ("甘草一", "地黄克", "人参分"): the
    // longest known name before it.
    const std::u32string chars = ToU32(name);
    // The heads are tried as they stand, so a run of remnants costs one look-up per character.
    for (std::size_t cut = chars.size(); cut_remnants && cut > 1 && DoseLeftover(chars[cut - 1]);
         --cut) {
      NameResolution head = Resolve(ToUtf8(chars.substr(0, cut - 1)), keep_processed, false);
      if (head.herbs.empty()) continue;
      head.how = "剂量残字（" + ToUtf8(chars.substr(cut - 1)) + "）";
      return head;
    }
    // Two names run together where the text lost the blank between them ("前胡黄芩"): each
    // part a name of two characters or more that gives one herb, and one way only to cut.
    std::optional<NameResolution> pair;
    for (std::size_t cut = kShortestPart; cut_remnants && cut + kShortestPart <= chars.size();
         ++cut) {
      NameResolution head = Resolve(ToUtf8(chars.substr(0, cut)), keep_processed, false);
      if (head.herbs.size() != 1) continue;
      NameResolution tail = Resolve(ToUtf8(chars.substr(cut)), keep_processed, false);
      if (tail.herbs.size() != 1) continue;
      if (pair) return result;  // two ways to read it: left to the user
      pair = std::move(head);
      // "麝香当门子": a name and another name of the same drug are that drug once.
      if (tail.herbs[0].name != pair->herbs[0].name)
        pair->herbs.push_back(std::move(tail.herbs[0]));
      pair->how = "连写（" + ToUtf8(chars.substr(0, cut)) + "、" + ToUtf8(chars.substr(cut)) + "）";
    }
    return pair ? *pair : result;
  }
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

void NameDictionary::SetHerbFacts(const std::string& name, int type_number, std::string toxicity) {
  facts_[name] = {type_number, std::move(toxicity)};
}

bool NameDictionary::DecidedByUser(std::string_view written) const {
  return decided_.count(Key(Variants(Trim(written)))) > 0;
}

std::string NameDictionary::DecisionTarget(std::string_view typed) const {
  const NameResolution r = Resolve(typed, false);
  if (r.herbs.empty()) return {};
  std::string name = Variants(Trim(typed));
  if (IsStandard(name)) return name;
  if (r.herbs.size() == 1 && r.herbs[0].processing.size() == 1) {
    const std::string& word = r.herbs[0].processing[0];
    if (name == word + r.herbs[0].name || name == r.herbs[0].name + word) return name;
  }
  std::vector<std::string> names;
  for (const auto& herb : r.herbs) names.push_back(herb.name);
  return Join(names, "、");
}

bool NameDictionary::Toxic(const std::string& name) const {
  auto it = facts_.find(name);
  return it != facts_.end() && !it->second.toxicity.empty();
}

NameSuggestion NameDictionary::Suggestion(const std::string& name, const char* reason) const {
  NameSuggestion s{name, reason, {}, {}};
  if (auto it = facts_.find(name); it != facts_.end()) {
    s.type = HerbTypeName(it->second.type_number);
    s.toxicity = it->second.toxicity;
  }
  return s;
}

void NameDictionary::IndexForSuggestions() const {
  if (indexed_standard_ == standard_list_.size() && indexed_entries_ == entries_.size()) return;
  known_.clear();
  by_pinyin_.clear();
  const auto add = [&](const std::string& written, const std::string& standard) {
    if (Contains(standard, "、")) return;  // a name of several herbs suggests none of them
    known_.push_back({written, standard, ToU32(written)});
    // Single characters sound like too much to be a hint.
    if (known_.back().chars.size() < 2) return;
    std::vector<std::string>& names = by_pinyin_[PinyinOf(written)];
    if (std::find(names.begin(), names.end(), standard) == names.end()) names.push_back(standard);
  };
  for (const auto& name : standard_list_) add(name, name);
  for (const auto& entry : entries_)
    if (entry.kind != "多药") add(entry.written, entry.standard);
  indexed_standard_ = standard_list_.size();
  indexed_entries_ = entries_.size();
}

std::vector<NameSuggestion> NameDictionary::Suggest(std::string_view written) const {
  IndexForSuggestions();
  std::vector<NameSuggestion> out;
  const auto add = [&](const std::string& name, const char* reason) {
    if (out.size() >= 3) return;
    for (const auto& s : out)
      if (s.name == name) return;
    out.push_back(Suggestion(name, reason));
  };
  const std::string name = Variants(Trim(written));
  const std::u32string chars = ToU32(name);
  if (chars.empty()) return out;
  // A plant written short means its usual drug, seldom another part of it: 牛蒡 is 牛蒡子 before
  // 牛蒡根, 扁豆 白扁豆 before 扁豆花.
  const auto other_part = [&](const KnownName* k) {
    return k->chars.back() != chars.back() &&
           std::u32string_view(U"花叶根皮梗藤枝茎须芽苗草").find(k->chars.back()) !=
               std::u32string_view::npos;
  };
  // Known names found by a rule, closest first: the usual part, shorter names, those that are
  // not toxic, then in the order found.
  const auto add_closest = [&](std::vector<const KnownName*> found, const char* reason) {
    std::stable_sort(found.begin(), found.end(), [&](const KnownName* a, const KnownName* b) {
      if (other_part(a) != other_part(b)) return other_part(b);
      if (a->chars.size() != b->chars.size()) return a->chars.size() < b->chars.size();
      return !Toxic(a->standard) && Toxic(b->standard);
    });
    for (const KnownName* k : found) add(k->standard, reason);
  };
  const bool han = chars[0] >= 0x3400;

  // The same sound ("淮山" → 怀山 → 山药, "川穹" → 川芎): how names written from dictation or
  // by an input method go wrong.
  if (chars.size() >= 2)
    if (auto it = by_pinyin_.find(PinyinOf(name)); it != by_pinyin_.end())
      for (const std::string& known : it->second) add(known, "同音");
  // A processed form of a known drug is that drug (熟大黄 → 大黄, never 熟地黄): 熟, which the
  // resolution never folds (熟地黄 is a drug of its own), or a processing word before a name
  // the resolution knows only through another rule.
  const auto processed = [&](std::string_view word) {
    if (!StartsWith(name, word) || name.size() == word.size()) return;
    const NameResolution base = Resolve(name.substr(word.size()), false);
    if (base.herbs.size() == 1) add(base.herbs[0].name, "炮制品");
  };
  processed("熟");
  for (const auto word : kPrefixes) processed(word);
  const bool explained = !out.empty();
  if (!han || chars.size() < 2) return out;

  // A known name that begins with it (牛蒡 → 牛蒡子) or holds it whole (良姜 → 高良姜): a name
  // written short.
  std::vector<const KnownName*> begins, holds, tail_begins, one_off;
  const std::u32string tail = chars.substr(1);
  const KnownName* longest_held = nullptr;
  for (const KnownName& k : known_) {
    if (k.chars.size() > chars.size()) {
      if (k.chars.compare(0, chars.size(), chars) == 0)
        begins.push_back(&k);
      else if (Contains(k.written, name))
        holds.push_back(&k);
    }
    // 草决明 → 决明子: the name without its first character begins a known name.
    if (tail.size() >= 2 && k.chars.size() > tail.size() &&
        k.chars.compare(0, tail.size(), tail) == 0)
      tail_begins.push_back(&k);
    if (k.chars.size() >= 2 && k.chars.size() < chars.size() && Contains(name, k.written) &&
        (!longest_held || k.chars.size() > longest_held->chars.size()))
      longest_held = &k;
    if (chars.size() >= 3 && CharDifference(k.chars, chars) == 1) one_off.push_back(&k);
  }
  begins.insert(begins.end(), holds.begin(), holds.end());
  add_closest(begins, "补全");
  // The longest known name it holds ("北柴胡根须" → 柴胡).
  if (longest_held) add(longest_held->standard, "含已知药名");
  add_closest(tail_begins, "含已知药名");
  // One character different: only for a name its sound or processing does not explain (熟大黄
  // is 大黄, not 熟地黄), long enough to share two characters, and a toxic drug never first.
  if (explained) return out;
  std::stable_partition(one_off.begin(), one_off.end(),
                        [&](const KnownName* k) { return !Toxic(k->standard); });
  for (const KnownName* k : one_off)
    if (!out.empty() || !Toxic(k->standard)) add(k->standard, "一字之差");
  return out;
}

std::string DescribeSuggestion(const NameSuggestion& s) {
  std::string text = s.name + "（" + s.reason;
  if (!s.type.empty()) text += "，" + s.type;
  if (!s.toxicity.empty()) text += "，" + s.toxicity;
  return text + "）";
}

void NameDictionary::AppendDecisions(const std::filesystem::path& table,
                                     const std::vector<NameEntry>& decisions) {
  std::string text;
  if (std::filesystem::exists(table)) {
    text = DecodeNameTable(table);
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
