#include "formula/composition.h"

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

#include "common/text.h"

namespace lindora {
namespace {

using U32View = std::u32string_view;

bool IsBlank(char32_t c) {
  return c == U' ' || c == U'\t' || c == U'\u3000' || c == U'\u00A0';
}

bool IsSeparator(char32_t c) {
  return c == U'、' || c == U'，' || c == U',' || c == U';' || c == U'；' || c == U'。' ||
         c == U'\n' || c == U'\r' || IsBlank(c);
}
// A separator that ends a group: "各" never reaches past it.
bool EndsGroup(char32_t c) {
  return c == U';' || c == U'；' || c == U'。' || c == U'\n' || c == U'\r';
}

char32_t Closing(char32_t open) {
  switch (open) {
    case U'（': return U'）';
    case U'(': return U')';
    case U'【': return U'】';
    case U'[': return U']';
    case U'［': return U'］';
    case U'〔': return U'〕';
    default: return 0;
  }
}
bool IsClosing(char32_t c) {
  return c == U'）' || c == U')' || c == U'】' || c == U']' || c == U'］' || c == U'〕';
}

U32View TrimBlanks(U32View s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

int ArabicDigit(char32_t c) {
  if (c >= U'0' && c <= U'9') return static_cast<int>(c - U'0');
  if (c >= U'０' && c <= U'９') return static_cast<int>(c - U'０');
  return -1;
}

// Plain numerals only: the financial forms (陆, 柒 …) also spell herbs (商陆).
int ChineseDigit(char32_t c) {
  switch (c) {
    case U'〇':
    case U'零': return 0;
    case U'一': return 1;
    case U'二': return 2;
    case U'三': return 3;
    case U'四': return 4;
    case U'五': return 5;
    case U'六': return 6;
    case U'七': return 7;
    case U'八': return 8;
    case U'九': return 9;
    default: return -1;
  }
}

int ChineseMultiplier(char32_t c) {
  switch (c) {
    case U'十': return 10;
    case U'百': return 100;
    case U'千': return 1000;
    default: return 0;
  }
}

// An Arabic number (full-width digits too, one decimal point, or a fraction "1/2").
std::optional<double> ReadArabic(U32View s, std::size_t& i) {
  std::size_t j = i;
  double value = 0;
  bool any = false;
  while (j < s.size() && ArabicDigit(s[j]) >= 0)
    value = value * 10 + ArabicDigit(s[j++]), any = true;
  if (!any) return std::nullopt;
  if (j + 1 < s.size() && (s[j] == U'.' || s[j] == U'．') && ArabicDigit(s[j + 1]) >= 0) {
    ++j;
    double scale = 0.1;
    while (j < s.size() && ArabicDigit(s[j]) >= 0)
      value += scale * ArabicDigit(s[j++]), scale /= 10;
  } else if (j + 1 < s.size() && (s[j] == U'/' || s[j] == U'／') && ArabicDigit(s[j + 1]) > 0) {
    std::size_t k = j + 1;
    double denominator = 0;
    while (k < s.size() && ArabicDigit(s[k]) >= 0)
      denominator = denominator * 10 + ArabicDigit(s[k++]);
    value /= denominator;
    j = k;
  }
  i = j;
  return value;
}

// A Chinese numeral ("十二", "一百二十", "廿四"). Two plain digits in a row end it ("七三" is
// not a number), and "两" counts only as the first character, so "十两" is ten of the unit 两.
std::optional<double> ReadChinese(U32View s, std::size_t& i) {
  std::size_t j = i;
  double total = 0, section = 0;
  int digit = -1;
  bool any = false, last_was_digit = false;
  while (j < s.size()) {
    const char32_t c = s[j];
    int d = ChineseDigit(c);
    if (d < 0 && c == U'两' && j == i) d = 2;
    if (d >= 0) {
      if (last_was_digit && digit != 0) break;
      digit = d;
      last_was_digit = true;
    } else if (const int m = ChineseMultiplier(c)) {
      // 百 and 千 need a digit before them: "百合" is a herb, not a hundred 合.
      if (digit < 0 && m > 10) break;
      section += (digit < 0 ? 1 : digit) * m;
      digit = -1;
      last_was_digit = false;
    } else if (c == U'廿' || c == U'卅') {
      if (any) break;
      section += c == U'廿' ? 20 : 30;
      last_was_digit = false;
    } else if (c == U'万') {
      if (!any) break;
      total += (section + (digit < 0 ? 0 : digit)) * 10000;
      section = 0;
      digit = -1;
      last_was_digit = false;
    } else {
      break;
    }
    any = true;
    ++j;
  }
  if (!any) return std::nullopt;
  i = j;
  return total + section + (digit < 0 ? 0 : digit);
}

std::optional<double> ReadNumber(U32View s, std::size_t& i) {
  if (i >= s.size()) return std::nullopt;
  if (auto a = ReadArabic(s, i)) return a;
  if (s[i] == U'半') {
    ++i;
    return 0.5;
  }
  return ReadChinese(s, i);
}

// Units as written; longer spellings first so "钱匕" is not read as "钱".
constexpr std::array<std::u32string_view, 43> kUnits = {
    U"方寸匕", U"鸡子大", U"钱匕", U"毫升", U"毫克", U"千克", U"公斤", U"kg", U"mg", U"ml", U"g",
    U"克",     U"钱",     U"两",   U"分",   U"厘",   U"斤",   U"铢",   U"枚", U"个", U"片", U"只",
    U"条",     U"茎",     U"升",   U"合",   U"粒",   U"颗",   U"根",   U"支", U"对", U"具", U"握",
    U"把",     U"撮",     U"寸",   U"尺",   U"丸",   U"勺",   U"匙",   U"尾", U"头", U"块"};

char32_t FoldLatin(char32_t c) {
  if (c >= U'Ａ' && c <= U'Ｚ') c = c - U'Ａ' + U'a';
  if (c >= U'ａ' && c <= U'ｚ') c = c - U'ａ' + U'a';
  if (c >= U'A' && c <= U'Z') c = c - U'A' + U'a';
  return c;
}

std::optional<std::u32string_view> ReadUnit(U32View s, std::size_t& i) {
  for (const auto unit : kUnits) {
    if (i + unit.size() > s.size()) continue;
    bool same = true;
    for (std::size_t k = 0; k < unit.size() && same; ++k) same = FoldLatin(s[i + k]) == unit[k];
    if (!same) continue;
    // A Latin unit must not run into further letters ("gm" is fine as g only when it ends).
    const std::size_t end = i + unit.size();
    if (unit[0] < 0x80 && end < s.size() && FoldLatin(s[end]) >= U'a' && FoldLatin(s[end]) <= U'z')
      continue;
    i = end;
    return unit;
  }
  return std::nullopt;
}

// How many of the smaller unit make one of the larger, for compounds such as "1两16铢".
double Ratio(U32View larger, U32View smaller) {
  static constexpr std::array<std::pair<std::u32string_view, std::u32string_view>, 9> kPairs = {
      {{U"斤", U"两"},
       {U"斤", U"铢"},
       {U"斤", U"钱"},
       {U"两", U"铢"},
       {U"两", U"钱"},
       {U"钱", U"分"},
       {U"钱", U"厘"},
       {U"分", U"厘"},
       {U"升", U"合"}}};
  static constexpr std::array<double, 9> kRatios = {16, 384, 160, 24, 10, 10, 100, 10, 10};
  for (std::size_t k = 0; k < kPairs.size(); ++k)
    if (kPairs[k].first == larger && kPairs[k].second == smaller) return kRatios[k];
  return 0;
}

bool IsRangeSeparator(char32_t c) {
  return c == U'-' || c == U'－' || c == U'–' || c == U'—' || c == U'～' || c == U'~' ||
         c == U'〜' || c == U'至' || c == U'到';
}

// Dose words that name no amount.
constexpr std::array<std::u32string_view, 10> kDoseWords = {
    U"适量", U"少许", U"少量", U"等分", U"等份", U"若干", U"酌量", U"酌情", U"不拘多少", U"随意"};

// Usage words written after a dose without brackets ("30g先煎"), and a herb's part in the
// formula ("黄芪为君"); kept as notes.
constexpr std::array<std::u32string_view, 16> kUsageWords = {
    U"先煎", U"后下", U"后入",     U"包煎",     U"另煎", U"烊化", U"冲服", U"兑服",
    U"另炖", U"焗服", U"研末冲服", U"煎汤代水", U"为君", U"为臣", U"为佐", U"为使"};

// Reads a whole dose text; nullopt when the text is not a dose at all. A bare number or a dose
// word is a dose without a readable amount and unit.
std::optional<DoseReading> Scan(U32View text) {
  const U32View s = TrimBlanks(text);
  if (s.empty()) return std::nullopt;
  DoseReading dose;
  dose.text = ToUtf8(s);
  for (const auto word : kDoseWords)
    if (s == word) return dose;

  std::size_t i = 0;
  if (s[i] == U'约' || s[i] == U'如') ++i;
  const auto at_end = [&] {
    while (i < s.size() && IsBlank(s[i])) ++i;
    return i == s.size();
  };
  const auto blanks = [&] {
    while (i < s.size() && IsBlank(s[i])) ++i;
  };
  const std::size_t number_at = i;
  std::optional<double> amount = ReadNumber(s, i);
  if (!amount) {
    // "如鸡子大": a size with no number is one of it.
    std::size_t k = i;
    if (ReadUnit(s, k) == U"鸡子大" && (i = k, at_end())) {
      dose.readable = true;
      dose.amount = dose.low = dose.high = 1;
      dose.unit = "鸡子大";
      return dose;
    }
    return std::nullopt;
  }
  const bool arabic = ArabicDigit(s[number_at]) >= 0;
  blanks();
  std::size_t unit_at = i;
  std::optional<std::u32string_view> unit = ReadUnit(s, i);
  blanks();
  double low = *amount, high = *amount;
  if (i < s.size() && IsRangeSeparator(s[i])) {
    ++i;
    blanks();
    const auto second = ReadNumber(s, i);
    if (!second) return std::nullopt;
    blanks();
    const std::size_t second_at = i;
    const auto second_unit = ReadUnit(s, i);
    if (unit && second_unit && *unit != *second_unit)
      return at_end() ? std::optional(dose) : std::nullopt;
    if (!unit && second_unit) unit = second_unit, unit_at = second_at;
    high = *second;
    dose.range = true;
  } else if (unit && i < s.size()) {
    // "一两半", "1两16铢", "三钱五分", "一斤二两", "1两2钱半": the rest in the first unit's terms,
    // each unit smaller than the one before.
    if (s[i] == U'半') {
      ++i;
      low = high = *amount + 0.5;
    } else {
      double total = *amount, per = 1;  // `per`: first units in one of `last`
      std::u32string_view last = *unit;
      while (i < s.size()) {
        const auto rest = ReadNumber(s, i);
        if (!rest) break;
        blanks();
        const auto smaller = ReadUnit(s, i);
        if (!smaller) return std::nullopt;
        blanks();
        if (*smaller == U"分" && (last == U"两" || last == U"斤")) {
          // "1两1分": the 分 is sized by the conversion table, so it stays a part of its own.
          dose.extra = *rest;
          dose.extra_unit = ToUtf8(*smaller);
          break;
        }
        const double ratio = Ratio(last, *smaller);
        // Units out of order ("1两3斤") still make a dose, only an unreadable one.
        if (ratio == 0) return dose;
        per /= ratio;
        total += *rest * per;
        last = *smaller;
        if (i < s.size() && s[i] == U'半') {
          ++i;
          total += 0.5 * per;
          break;
        }
      }
      low = high = total;
    }
  }
  if (!at_end()) return std::nullopt;
  // Only an Arabic number or a Chinese one of two characters and more ("十二", a dose whose unit
  // the text lost) stands without a unit: "三七" is a name, not 三 and 七.
  if (!unit && !arabic && i - number_at < 2) return std::nullopt;
  dose.low = low;
  dose.high = high;
  dose.amount = (low + high) / 2;
  if (unit) {
    dose.unit = ToUtf8(s.substr(unit_at, unit->size()));  // as written ("G", "mL")
    dose.readable = true;
  }
  return dose;
}

// Processing written without brackets, as classical texts and hurried lists do ("枳壳 麸炒",
// "杜仲酥炙", "白术（米泔浸一宿）焙干微炒"): runs of a method (炒, 炙, 研 …) with what may stand
// before it (麸, 酒, 微, 别 …) and after it (干, 黄, 一宿 …), or 去 with the parts taken off.
// No drug's name is made of these alone, and none ends in one.
constexpr std::u32string_view kMethods = U"炒炙焙研洗切锉剉煨炮煅烧蒸煮浸淬飞捣杵熬晒泡碾擂";
constexpr std::u32string_view kBeforeMethod =
    U"微别细麸蜜酒醋盐米泔土慢文武火同拌水汁童便乳酥油面姜另再略";
constexpr std::u32string_view kAfterMethod = U"干过熟黄焦香透黑赤细末粉用令存性一二三宿夜日次微";
constexpr std::u32string_view kPartsTakenOff =
    U"皮心芦苗节土油壳核毛子瓤白尖头足翅须根粗脐丝嘴筋膜沙砂梗枝叶刺蒂";

bool IsHan(char32_t c) {
  return c >= 0x3400 && c <= 0x9FFF;
}

bool In(std::u32string_view set, char32_t c) {
  return set.find(c) != std::u32string_view::npos;
}

// A processing phrase is "去" with parts, or before-words, methods and after-words in that
// order; a tail of processing is a run of phrases, never longer than this.
constexpr std::size_t kLongestProcessing = 16;

// For each start p of the last kLongestProcessing characters of s, whether s[p..] is made of
// processing phrases only (indexed from s.size() - the window).
std::vector<char> ProcessingStarts(U32View s) {
  const std::size_t n = s.size(), from = n > kLongestProcessing ? n - kLongestProcessing : 0;
  std::vector<char> whole(n - from + 1, 0);
  const auto at = [&](std::size_t i) -> char& { return whole[i - from]; };
  at(n) = 1;
  for (std::size_t i = n; i-- > from;) {
    bool ok = false;
    if (s[i] == U'去')
      for (std::size_t j = i + 1; !ok && j < n && In(kPartsTakenOff, s[j]); ++j) ok = at(j + 1);
    for (std::size_t k = i; !ok && k < n; ++k) {
      std::size_t m = k;
      for (; !ok && m < n && In(kMethods, s[m]); ++m) ok = at(m + 1);
      if (m > k)
        for (std::size_t a = m; !ok && a < n && In(kAfterMethod, s[a]); ++a) ok = at(a + 1);
      if (!In(kBeforeMethod, s[k])) break;
    }
    at(i) = ok;
  }
  return whole;
}

bool IsProcessing(U32View s) {
  return !s.empty() && s.size() <= kLongestProcessing && ProcessingStarts(s)[0];
}

// Where a processing tail starts ("甜瓜蒂炒黄" → 3); the name keeps at least two characters.
std::size_t ProcessingTail(U32View s) {
  const std::size_t from = s.size() > kLongestProcessing ? s.size() - kLongestProcessing : 0;
  const auto starts = ProcessingStarts(s);
  for (std::size_t p = std::max<std::size_t>(2, from); p < s.size(); ++p)
    if (starts[p - from]) return p;
  return s.size();
}

// How the preparation and the taking of a remedy begin ("上为细末", "右件", "每服三钱",
// "水煎服", "先煮麻黄数沸", "加生姜"): an item that begins so names no herb. No drug's name
// begins with one of the single characters.
constexpr std::u32string_view kInstructionStarts = U"治加候再令用取至或若又煮服下先每和涂不";
constexpr std::array<std::u32string_view, 31> kInstructionLeads = {
    U"上为", U"上件", U"上药", U"右为", U"右件",   U"右药",   U"以上",   U"已上",
    U"共为", U"共研", U"同研", U"同煎", U"为末",   U"为细末", U"为粗末", U"为散",
    U"为丸", U"为衣", U"捣罗", U"水煎", U"煎服",   U"煎汤",   U"煎至",   U"去滓",
    U"去渣", U"空心", U"食前", U"食后", U"炼蜜为", U"炼蜜和", U"熬成"};

// Words of a sentence that no drug's name holds: a commentary or an instruction run into the
// herbs ("丹皮为君地黄只用臣分两", "汗出而恶寒").
constexpr std::u32string_view kProseMarks = U"也矣哉焉曰谓而则乃皆虽其者之所即以";
// Longer than any drug's name with its processing written before it ("九蒸九晒熟地黄").
constexpr std::size_t kLongestName = 8;

bool StartsWithWord(U32View s, U32View word) {
  return s.size() >= word.size() && s.substr(0, word.size()) == word;
}

// "上十味", "右五味": the count of the herbs above, which begins the preparation.
bool IsCountOfHerbs(U32View s) {
  if (s.empty() || (s[0] != U'上' && s[0] != U'右')) return false;
  std::size_t i = 1;
  return ReadChinese(s, i) && i < s.size() && s[i] == U'味';
}

// An item that is a sentence of the preparation or a commentary rather than a herb.
bool IsInstruction(U32View item) {
  const U32View s = TrimBlanks(item);
  if (IsCountOfHerbs(s) || (!s.empty() && In(kInstructionStarts, s[0]))) return true;
  for (const auto lead : kInstructionLeads)
    if (StartsWithWord(s, lead)) return true;
  std::size_t han = 0;
  for (const char32_t c : s) {
    if (In(kProseMarks, c)) return true;
    han += IsHan(c);
  }
  return han > kLongestName;
}

struct Piece {
  std::u32string name;  // the item with its notes taken out
  std::vector<std::string> notes;
};

// Takes the bracketed notes out of an item. An unclosed bracket runs to the item's end.
Piece TakeNotes(U32View item) {
  Piece piece;
  std::size_t i = 0;
  while (i < item.size()) {
    const char32_t close = Closing(item[i]);
    if (!close) {
      if (!IsClosing(item[i])) piece.name += item[i];
      ++i;
      continue;
    }
    int depth = 0;
    std::size_t j = i;
    std::u32string note;
    for (; j < item.size(); ++j) {
      if (Closing(item[j])) {
        if (depth++ == 0) continue;
      } else if (IsClosing(item[j]) && --depth == 0) {
        break;
      }
      note += item[j];
    }
    const U32View trimmed = TrimBlanks(note);
    if (!trimmed.empty()) piece.notes.push_back(ToUtf8(trimmed));
    i = j + 1;
  }
  return piece;
}

// Splits at separators outside brackets; each item remembers whether a group ended before it.
struct Item {
  std::u32string text;
  bool group_start = false;
};

// A blank inside a dose ("12 g", "10 - 15g", "各 10g") joins instead of separating.
bool BlankInsideDose(U32View text, std::size_t at) {
  std::size_t before = at, after = at;
  while (before > 0 && IsBlank(text[before - 1])) --before;
  while (after < text.size() && IsBlank(text[after])) ++after;
  if (before == 0 || after == text.size()) return false;
  const char32_t prev = text[before - 1], next = text[after];
  const bool next_number = ArabicDigit(next) >= 0;
  if (ArabicDigit(prev) >= 0) {
    std::size_t k = after;
    return next_number || IsRangeSeparator(next) || ReadUnit(text, k).has_value();
  }
  if (Closing(next)) return true;  // "炒白术 (10g)": a note belongs to what it follows
  if (ChineseDigit(prev) >= 0 || ChineseMultiplier(prev) || prev == U'半') {
    std::size_t k = after;  // "甘草一 钱", "大枣十二 枚"
    if (ReadUnit(text, k)) return true;
  }
  return (IsRangeSeparator(prev) || prev == U'各') && next_number;
}

// Whether a blank inside brackets is followed by a new item ("乳香（别研 麝香（研）"): a name
// and an opening bracket before any closing one. Damaged classical text loses closing
// brackets; a note itself never holds a further item.
bool OpensNewItem(U32View text, std::size_t at) {
  std::size_t i = at;
  while (i < text.size() && IsBlank(text[i])) ++i;
  const std::size_t start = i;
  for (; i < text.size() && !IsSeparator(text[i]); ++i) {
    if (IsClosing(text[i])) return false;
    if (Closing(text[i])) return i > start;
    if (!IsHan(text[i])) return false;
  }
  return false;
}

std::vector<Item> SplitItems(U32View text) {
  std::vector<Item> items;
  Item current;
  bool group_start = true;
  int depth = 0;
  const auto flush = [&] {
    if (!TrimBlanks(current.text).empty()) {
      current.group_start = group_start;
      items.push_back(std::move(current));
      group_start = false;
    }
    current = {};
  };
  // A bracket that nothing closes does not swallow the herbs after it ("麻黄[2J，桂枝").
  std::size_t last_close = 0;
  bool any_close = false;
  for (std::size_t i = 0; i < text.size(); ++i)
    if (IsClosing(text[i])) last_close = i, any_close = true;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char32_t c = text[i];
    if (Closing(c)) {
      if (any_close && i < last_close) ++depth;
    } else if (IsClosing(c)) {
      if (depth > 0) --depth;
    } else if (depth > 0 && IsBlank(c) && OpensNewItem(text, i)) {
      depth = 0;  // a bracket the text lost the end of
      flush();
      continue;
    } else if (depth == 0 && IsSeparator(c) && !(IsBlank(c) && BlankInsideDose(text, i))) {
      flush();
      if (EndsGroup(c)) group_start = true;
      continue;
    }
    current.text += c;
  }
  flush();
  return items;
}

// Weight and volume units that never end a herb's name: left after a name without a number
// ("地黄克"), they are a dose written badly, not a part of the name.
constexpr std::array<std::u32string_view, 11> kBareUnits = {
    U"毫升", U"毫克", U"千克", U"公斤", U"克", U"钱", U"两", U"斤", U"g", U"ml", U"mg"};

// Drops a unit or a "各" standing after a name with no dose before it ("地黄克", "麦冬各").
void DropBareUnit(std::u32string& herb) {
  if (herb.size() > 1 && herb.back() == U'各' && IsHan(herb[herb.size() - 2])) {
    herb.pop_back();
    return;
  }
  for (const auto unit : kBareUnits) {
    if (herb.size() <= unit.size() + 1) continue;
    const std::size_t at = herb.size() - unit.size();
    bool same = true;
    for (std::size_t k = 0; k < unit.size() && same; ++k) same = FoldLatin(herb[at + k]) == unit[k];
    if (same && IsHan(herb[at - 1]) && ArabicDigit(herb[at - 1]) < 0) {
      herb.resize(at);
      return;
    }
  }
}

bool StripSuffix(std::u32string& s, U32View suffix) {
  if (s.size() <= suffix.size() || U32View(s).substr(s.size() - suffix.size()) != suffix)
    return false;
  s.resize(s.size() - suffix.size());
  return true;
}

}  // namespace

DoseReading ReadDose(std::string_view text) {
  const std::u32string s = ToU32(text);
  if (auto dose = Scan(s)) return *dose;
  DoseReading dose;
  dose.text = ToUtf8(TrimBlanks(s));
  return dose;
}

std::vector<std::string> CompositionItems(std::string_view composition) {
  std::vector<std::string> items;
  for (const Item& item : SplitItems(ToU32(composition))) items.push_back(ToUtf8(item.text));
  return items;
}

std::vector<HerbMention> ParseComposition(std::string_view composition) {
  std::vector<HerbMention> herbs;
  // Herbs of the current group still waiting for a dose from a following "各".
  std::vector<std::size_t> waiting;
  for (const Item& item : SplitItems(ToU32(composition))) {
    if (item.group_start) waiting.clear();
    Piece piece = TakeNotes(item.text);
    std::u32string name(TrimBlanks(piece.name));
    // "上各等分": the dose of every herb above.
    if (name.size() > 2 && (name[0] == U'上' || name[0] == U'右') && name[1] == U'各')
      name.erase(0, 1);
    std::vector<std::string> trailing;
    for (const auto word : kUsageWords)
      if (name == word || StripSuffix(name, word)) {
        trailing.push_back(ToUtf8(word));
        if (name == word) name.clear();
        break;
      }

    // The dose is the longest ending that reads as one; the name keeps at least a character,
    // so "半夏半升" is 半夏 and "三七3g" is 三七.
    std::optional<DoseReading> dose;
    bool shared = false;
    std::size_t cut = name.size();
    for (std::size_t p = 0; p < name.size(); ++p) {
      if (auto d = Scan(U32View(name).substr(p))) {
        dose = std::move(d);
        cut = p;
        break;
      }
    }
    // "各一": a shared dose whose unit the text lost.
    if (!dose && name.size() >= 2 && name[name.size() - 2] == U'各' &&
        (ChineseDigit(name.back()) >= 0 || name.back() == U'半')) {
      cut = name.size() - 1;
      dose = DoseReading{};
      dose->text = ToUtf8(U32View(name).substr(cut));
    }
    std::u32string herb(TrimBlanks(U32View(name).substr(0, cut)));
    if (dose && !herb.empty() && herb.back() == U'各') {
      shared = true;
      herb.pop_back();
      herb = std::u32string(TrimBlanks(herb));
    }
    if (IsInstruction(herb)) {
      // Kept with the herb before it, so the text is not lost, but read for no dose.
      piece.notes.insert(piece.notes.begin(), ToUtf8(TrimBlanks(item.text)));
      if (!herbs.empty())
        for (auto& note : piece.notes) herbs.back().notes.push_back(std::move(note));
      continue;
    }
    if (IsProcessing(herb)) {
      trailing.insert(trailing.begin(), ToUtf8(herb));
      herb.clear();
    } else if (const std::size_t tail = ProcessingTail(herb); tail < herb.size()) {
      trailing.insert(trailing.begin(), ToUtf8(U32View(herb).substr(tail)));
      herb.resize(tail);
    }
    if (!dose) {
      DropBareUnit(herb);
      // A unit standing alone ("当归 钱") is no herb: a dose without its number.
      for (const auto unit : kBareUnits)
        if (herb == unit) herb.clear();
    }
    for (auto& note : trailing) piece.notes.push_back(std::move(note));

    if (herb.empty()) {
      // A dose, "各…" or a note standing alone belongs to the herb before it ("黄芪 30g").
      if (herbs.empty()) continue;
      HerbMention& last = herbs.back();
      for (auto& note : piece.notes) last.notes.push_back(std::move(note));
      if (!dose) continue;
      if (shared) {
        for (const std::size_t k : waiting) {
          herbs[k].dose = *dose;
          herbs[k].shared_dose = true;
          herbs[k].dose_in_note = false;
        }
        waiting.clear();
      } else if (last.dose.text.empty() || last.dose_in_note) {
        last.dose = std::move(*dose);
        last.dose_in_note = false;
        waiting.clear();
      } else {
        last.notes.push_back(last.dose.text);  // a second dose is kept, not dropped
      }
      continue;
    }

    HerbMention mention;
    mention.name = ToUtf8(herb);
    mention.notes = std::move(piece.notes);
    if (dose) {
      mention.dose = std::move(*dose);
      mention.shared_dose = shared;
    } else {
      // "石膏（如鸡子大，碎）", "葱白（4茎）": a note part that is a readable dose; "麻黄
      // （去节，各一两）" shares it with the herbs before.
      for (const auto& note : mention.notes) {
        for (const auto& part : Split(note, "，")) {
          const bool each = StartsWith(part, "各");
          auto d = Scan(ToU32(each ? part.substr(3) : part));
          if (d && d->readable) {
            mention.dose = std::move(*d);
            mention.dose_in_note = true;
            shared = each;
            break;
          }
        }
        if (mention.dose_in_note) break;
      }
      mention.shared_dose = shared;
    }
    herbs.push_back(std::move(mention));
    if (shared) {
      for (const std::size_t k : waiting) {
        herbs[k].dose = herbs.back().dose;
        herbs[k].shared_dose = true;
        herbs[k].dose_in_note = false;
      }
      waiting.clear();
    } else if (herbs.back().dose.text.empty() || herbs.back().dose_in_note) {
      waiting.push_back(herbs.size() - 1);
    } else {
      waiting.clear();
    }
  }
  return herbs;
}

std::string FormatMention(const HerbMention& mention) {
  std::string out = mention.name;
  for (const auto& note : mention.notes) out += "（" + note + "）";
  if (!mention.dose_in_note) out += mention.dose.text;
  return out;
}

}  // namespace lindora
