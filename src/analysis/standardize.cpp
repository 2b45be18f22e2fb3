#include "analysis/standardize.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <cstdint>
#include <fstream>
#include <functional>
#include <sstream>
#include <string_view>
#include <vector>

#include "common/files.h"
#include "common/gbk.h"
#include "common/session.h"
#include "common/text.h"
#include "formula/herb_list.h"

namespace lindora {
namespace {

struct Rule {
  std::string_view find, replace;
};

// Composition rules; the order matters (longer phrases before their parts, digits to "#"
// before the units that follow a number). Latin units are matched in every letter case, so
// 「3G」 and 「3g」 leave the same herb name.
constexpr std::array<Rule, 70> kIngredientRules{{
    {"等。", ""},    {"。", ""},      {"各等分", ""},  {"细料方", ""},  {"：", ""},
    {"或", "、"},    {"少许", ""},    {"减半", ""},    {"炙", ""},      {"炒", ""},
    {"炮", ""},      {"焦", ""},      {"熟", ""},      {"净", ""},      {"0", "#"},
    {"1", "#"},      {"2", "#"},      {"3", "#"},      {"4", "#"},      {"5", "#"},
    {"6", "#"},      {"7", "#"},      {"8", "#"},      {"9", "#"},      {"-", "#"},
    {"约#", "#"},    {".", ""},       {"两半", "#两"}, {"半两", "#两"}, {"一两", "#两"},
    {"二两", "#两"}, {"半钱", "#钱"}, {"钱半", "#钱"}, {"半分", "#分"}, {"分半", "#分"},
    {"半斤", "#斤"}, {"斤半", "#斤"}, {"公斤", "#斤"}, {"#厘", "$"},    {"#钱", "$"},
    {"#两", "$"},    {"#分", "$"},    {"#斤", "$"},    {"#粒", "$"},    {"#g", "$"},
    {"#G", "$"},     {"#kg", "$"},    {"#kG", "$"},    {"#Kg", "$"},    {"#KG", "$"},
    {"#ml", "$"},    {"#mL", "$"},    {"#Ml", "$"},    {"#ML", "$"},    {"#个", "$"},
    {"#合", "$"},    {"#对", "$"},    {"#条", "$"},    {"#枚", "$"},    {"#张", "$"},
    {"#铢", "$"},    {"#升", "$"},    {"#帖", "$"},    {"#", ""},       {"$", ""},
    {",", "、"},     {"，", "、"},    {"\"", ""},      {"“", ""},       {"”", ""},
}};

constexpr std::array<Rule, 37> kSymptomRules{{
    {"0", "#"},   {"1", "#"},   {"2", "#"},     {"3", "#"},   {"4", "#"},     {"5", "#"},
    {"6", "#"},   {"7", "#"},   {"8", "#"},     {"9", "#"},   {"或作", "，"}, {"兼有", "，"},
    {"或", "，"}, {"而", "，"}, {"及", "，"},   {"兼", ""},   {"等病症", ""}, {"等病证", ""},
    {"有", ""},   {"伴", ""},   {"甚者", ""},   {"者", ""},   {"一切", ""},   {"卒得", ""},
    {"以上", ""}, {"不止", ""}, {"不可忍", ""}, {"小儿", ""}, {"妇人", ""},   {"妇女", ""},
    {"#日", ""},  {"。", "，"}, {"、", "，"},   {"；", "，"}, {"-", ""},      {"#", ""},
    {"等", ""},
}};

// Most rules find nothing in a short text, and scanning the text for each of them would cost
// more than the replacements. So each rule is tested first against the set of characters the
// text may hold: the characters of all rule phrases form a small alphabet, a text gets a bit set
// of the alphabet's characters it contains, and a replacement adds the bits of what it inserts
// (bits are never removed, so the set only over-approximates and no rule is skipped wrongly).
class Alphabet {
 public:
  using Bits = std::bitset<256>;
  Alphabet() {
    std::vector<char32_t> chars;
    auto add = [&](std::string_view s) {
      for (char32_t c : ToU32(s)) chars.push_back(c);
    };
    for (const Rule& r : kIngredientRules) add(r.find), add(r.replace);
    for (const Rule& r : kSymptomRules) add(r.find), add(r.replace);
    std::sort(chars.begin(), chars.end());
    chars.erase(std::unique(chars.begin(), chars.end()), chars.end());
    // Every rule character lies in the Basic Multilingual Plane and the alphabet is small.
    for (std::size_t i = 0; i < chars.size(); ++i)
      slot_[chars[i]] = static_cast<std::uint8_t>(i + 1);
  }
  Bits Of(std::string_view text) const {
    Bits bits;
    for (std::size_t i = 0; i < text.size();) {
      const char32_t c = NextUtf8(text, i);
      if (c > 0xFFFF) continue;  // beyond the plane: no rule character
      if (std::uint8_t s = slot_[c]) bits.set(s - 1u);
    }
    return bits;
  }

 private:
  std::array<std::uint8_t, 0x10000> slot_{};
};

const Alphabet& RuleAlphabet() {
  static const Alphabet alphabet;
  return alphabet;
}

template <std::size_t N>
struct CompiledRules {
  explicit CompiledRules(const std::array<Rule, N>& r) : rules(r) {
    for (std::size_t i = 0; i < N; ++i) {
      needs[i] = RuleAlphabet().Of(r[i].find);
      adds[i] = RuleAlphabet().Of(r[i].replace);
    }
  }
  void Apply(std::string& text) const {
    Alphabet::Bits present = RuleAlphabet().Of(text);
    for (std::size_t i = 0; i < N; ++i) {
      if ((needs[i] & ~present).any()) continue;
      if (!Contains(text, rules[i].find)) continue;
      text = ReplaceAll(text, rules[i].find, rules[i].replace);
      present |= adds[i];
    }
  }
  const std::array<Rule, N>& rules;
  std::array<Alphabet::Bits, N> needs, adds;
};

const CompiledRules<kIngredientRules.size()>& IngredientRules() {
  static const CompiledRules<kIngredientRules.size()> rules(kIngredientRules);
  return rules;
}
const CompiledRules<kSymptomRules.size()>& SymptomRules() {
  static const CompiledRules<kSymptomRules.size()> rules(kSymptomRules);
  return rules;
}

constexpr std::string_view kOpen = "（";
constexpr std::string_view kClose = "）";

// Start of the last UTF-8 character of a non-empty text.
std::size_t LastCharStart(std::string_view text) {
  std::size_t p = text.size() - 1;
  while (p > 0 && (static_cast<unsigned char>(text[p]) & 0xC0) == 0x80) --p;
  return p;
}

// Drops every "（…）" stretch. Inside a bracket the last character of the whole text is never
// examined, so a "）" there does not close it and an unclosed bracket runs to the end.
std::string DropBracketComments(std::string_view text) {
  if (text.find(kOpen) == std::string_view::npos) return std::string(text);
  std::string out;
  out.reserve(text.size());
  const std::size_t last = LastCharStart(text);
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t open = text.find(kOpen, pos);
    if (open == std::string_view::npos) {
      out.append(text.substr(pos));
      break;
    }
    out.append(text.substr(pos, open - pos));
    std::size_t close = text.find(kClose, open + kOpen.size());
    if (close == std::string_view::npos || close >= last) break;
    pos = close + kClose.size();
  }
  return out;
}

}  // namespace

std::string StandardIngredients(std::string& text) {
  std::string s = DropBracketComments(text);
  IngredientRules().Apply(s);
  text = s;
  return s;
}

std::string StandardSymptoms(std::string& text) {
  std::string s = text;
  if (EndsWith(s, "。")) s.resize(s.size() - std::string_view("。").size());
  SymptomRules().Apply(s);
  text = s;
  return s;
}

namespace {

// Raise when the clean-up changes in a way its rule tables do not show, so copies made by an
// earlier program are remade.
constexpr int kCleanUpRevision = 2;

// Only regular files are opened here: a pipe in the place of one would block (the line reader
// refuses it with a message).
bool IsRegularFile(const std::filesystem::path& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

std::uint64_t Mix(std::uint64_t h, std::uint64_t v) {
  return (h ^ v) * 0x100000001B3ull + (h >> 29);
}

// What a standardised copy was made from: the result set's bytes, the clean-up rules, and the
// copy itself as it was written (a copy edited or replaced since is not trusted).
std::string ProductKey(const std::filesystem::path& result_file,
                       const std::filesystem::path& stand_file, const HerbListSource& herbs) {
  std::uint64_t h = kCleanUpRevision;
  h = Mix(h, std::hash<std::string>{}(herbs.program_folder.string() + '|' + herbs.Stamp()));
  const auto add_rules = [&h](const auto& rules) {
    for (const Rule& r : rules) {
      h = Mix(h, std::hash<std::string_view>{}(r.find));
      h = Mix(h, std::hash<std::string_view>{}(r.replace));
    }
  };
  add_rules(kIngredientRules);
  add_rules(kSymptomRules);
  if (!IsRegularFile(result_file)) return {};
  std::ifstream in(result_file, std::ios::binary);
  if (!in) return {};
  std::string chunk(1 << 20, '\0');
  std::uint64_t size = 0;
  while (in.read(chunk.data(), static_cast<std::streamsize>(chunk.size())) || in.gcount() > 0) {
    const auto got = static_cast<std::size_t>(in.gcount());
    h = Mix(h, std::hash<std::string_view>{}(std::string_view(chunk.data(), got)));
    size += got;
  }
  std::error_code ec;
  const auto stand_size = std::filesystem::file_size(stand_file, ec);
  if (ec) return {};
  const auto stand_time = std::filesystem::last_write_time(stand_file, ec);
  if (ec) return {};
  return std::to_string(h) + ' ' + std::to_string(size) + ' ' + std::to_string(stand_size) + ' ' +
         std::to_string(stand_time.time_since_epoch().count());
}

std::filesystem::path KeyFile(const std::filesystem::path& stand_file) {
  return std::filesystem::path(stand_file).concat(".key");
}

// The key line (ASCII) holds the product key and the report of the run that made the copy.
bool ReuseCopy(const std::filesystem::path& result_file, const std::filesystem::path& stand_file,
               const HerbListSource& herbs, StandardResultReport& report) {
  if (!IsRegularFile(KeyFile(stand_file))) return false;
  std::ifstream in(KeyFile(stand_file), std::ios::binary);
  std::string line;
  if (!in || !std::getline(in, line)) return false;
  const std::size_t cut = line.rfind('|');
  if (cut == std::string::npos) return false;
  std::istringstream counts(line.substr(cut + 1));
  StandardResultReport stored;
  if (!(counts >> stored.written >> stored.blank >> stored.too_short)) return false;
  const std::string key = ProductKey(result_file, stand_file, herbs);
  if (key.empty() || line.compare(0, cut, key) != 0) return false;
  report = stored;
  return true;
}

StandardResultReport WriteStandardCopy(const std::filesystem::path& result_file,
                                       const std::filesystem::path& stand_file,
                                       const HerbListSource& source) {
  StandardResultReport report;
  // Reading first: a missing result file raises before anything is written.
  LineReader reader(result_file);
  HerbList herbs(source);
  AtomicFile out(stand_file);
  std::string raw;
  std::string joined;
  while (reader.Next(raw)) {
    std::string line = DecodeGbk(raw);
    if (Trim(line).empty()) {
      ++report.blank;
      continue;
    }
    std::vector<std::string> fields = Split(line, "\t");
    if (fields.size() < 2) {
      // A name alone holds nothing to analyse.
      ++report.too_short;
      continue;
    }
    // A formula without an indications field is still a formula: it counts in N and in every
    // herb analysis, with no symptoms.
    if (fields.size() == 2) fields.emplace_back();
    // The herbs as the import decides them, not the text clean-up: that one glued units on
    // names (生姜片, 麦冬各) and merged different drugs (熟地黄 into 地黄).
    fields[1] = herbs.Joined(fields[1]);
    StandardSymptoms(fields[2]);
    joined = Join(fields, "\t");
    if (fields.size() == 3) joined += '\t';
    out.WriteLine(joined);
    ++report.written;
  }
  out.Commit();
  return report;
}

}  // namespace

// Every analysis asks for the standardised copy of the result set; it is made once per result
// set and reused while neither the result set nor the copy changed.
StandardResultReport StandardResultFile(const std::filesystem::path& result_file,
                                        const std::filesystem::path& stand_file,
                                        const HerbListSource& herbs) {
  StandardResultReport report;
  if (ReuseCopy(result_file, stand_file, herbs, report)) return report;
  std::error_code ec;
  std::filesystem::remove(KeyFile(stand_file), ec);
  report = WriteStandardCopy(result_file, stand_file, herbs);
  // A copy without a key is simply remade next time, so a key that cannot be written is no
  // failure of the analysis.
  const std::string key = ProductKey(result_file, stand_file, herbs);
  if (!key.empty()) {
    try {
      AtomicFile key_file(KeyFile(stand_file));
      key_file.WriteBytes(key + '|' + std::to_string(report.written) + ' ' +
                          std::to_string(report.blank) + ' ' + std::to_string(report.too_short) +
                          "\r\n");
      key_file.Commit();
    } catch (const FileError&) {
    }
  }
  return report;
}

StandardResultReport StandardResult(Session& session) {
  return StandardResultFile(session.Path("\\Result\\Result.DB"),
                            session.Path("\\Result\\Result.DB.stand"),
                            HerbListSource::ForSession(session));
}

}  // namespace lindora
