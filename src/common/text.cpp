#include "common/text.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace lindora {

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(text);
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (true) {
    std::size_t hit = text.find(from, pos);
    if (hit == std::string_view::npos) break;
    out.append(text.substr(pos, hit - pos));
    out.append(to);
    pos = hit + from.size();
  }
  out.append(text.substr(pos));
  return out;
}

void ReplaceAllInPlace(std::string& text, std::string_view from, std::string_view to) {
  if (from.empty() || to.size() > from.size()) {
    text = ReplaceAll(text, from, to);
    return;
  }
  std::size_t hit = text.find(from);
  if (hit == std::string::npos) return;
  std::size_t out = hit, in = hit;
  const std::size_t n = text.size();
  while (in < n) {
    if (text.compare(in, from.size(), from) == 0) {
      std::copy(to.begin(), to.end(), text.begin() + static_cast<std::ptrdiff_t>(out));
      out += to.size();
      in += from.size();
    } else {
      text[out++] = text[in++];
    }
  }
  text.resize(out);
}

std::vector<std::string> Split(std::string_view text, std::string_view separator) {
  std::vector<std::string> items;
  if (separator.empty()) {
    items.emplace_back(text);
    return items;
  }
  std::size_t pos = 0;
  while (true) {
    std::size_t hit = text.find(separator, pos);
    if (hit == std::string_view::npos) break;
    items.emplace_back(text.substr(pos, hit - pos));
    pos = hit + separator.size();
  }
  items.emplace_back(text.substr(pos));
  return items;
}

std::string_view TrimView(std::string_view text) {
  std::size_t b = text.find_first_not_of(' ');
  if (b == std::string_view::npos) return {};
  std::size_t e = text.find_last_not_of(' ');
  return text.substr(b, e - b + 1);
}

std::string Trim(std::string_view text) {
  return std::string(TrimView(text));
}

namespace {
constexpr std::uint64_t kOnes = 0x0101010101010101ull;
constexpr std::uint64_t kHighs = 0x8080808080808080ull;
// True when one of the eight bytes is an ASCII lower-case letter or the byte 0xEF that starts a
// full-width letter; a word without either needs no upper-casing.
inline bool MayNeedUpperCase(std::uint64_t w) {
  const std::uint64_t t = w & ~kHighs;
  const std::uint64_t lower = (t + 0x1F * kOnes) & ~(t + 0x05 * kOnes) & ~w & kHighs;
  const std::uint64_t ef = w ^ (0xEF * kOnes);
  return lower | ((ef - kOnes) & ~ef & kHighs);
}
}  // namespace

void UpperCaseInPlace(std::string& s) {
  const std::size_t n = s.size();
  std::size_t i = 0;
  while (i < n) {
    if (i + 8 <= n) {
      std::uint64_t w;
      std::memcpy(&w, s.data() + i, 8);
      if (!MayNeedUpperCase(w)) {
        i += 8;
        continue;
      }
    }
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c >= 'a' && c <= 'z') {
      s[i] = static_cast<char>(c - 32);
    } else if (c == 0xEF && i + 2 < n && static_cast<unsigned char>(s[i + 1]) == 0xBD) {
      // U+FF41..U+FF5A (EF BD 81..9A) -> U+FF21..U+FF3A (EF BC A1..BA)
      unsigned char t = static_cast<unsigned char>(s[i + 2]);
      if (t >= 0x81 && t <= 0x9A) {
        s[i + 1] = static_cast<char>(0xBC);
        s[i + 2] = static_cast<char>(t + 0x20);
      }
      i += 2;
    }
    ++i;
  }
}

std::string TypedBlanks(std::string_view typed) {
  return ReplaceAll(typed, "\u3000", " ");
}

std::string UpperCase(std::string_view text) {
  std::string s(text);
  UpperCaseInPlace(s);
  return s;
}

std::size_t CharLength(std::string_view text) {
  std::size_t n = 0;
  for (unsigned char c : text)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

void AppendUtf8(std::string& out, char32_t c) {
  char bytes[4];
  out.append(bytes, PutUtf8(bytes, c));
}

std::u32string ToU32(std::string_view s) {
  std::u32string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) out.push_back(NextUtf8(s, i));
  return out;
}

std::string ToUtf8(std::u32string_view text) {
  std::string out;
  out.reserve(text.size() * 3);
  for (char32_t c : text) AppendUtf8(out, c);
  return out;
}

double Val(std::string_view text) {
  std::string num;
  bool digits = false, point = false, exponent = false, exp_digits = false;
  std::size_t exp_at = 0;
  for (char ch : text) {
    if (ch == ' ' || ch == '\t' || ch == '\n') continue;
    if (ch >= '0' && ch <= '9') {
      num.push_back(ch);
      (exponent ? exp_digits : digits) = true;
    } else if ((ch == '+' || ch == '-') && (num.empty() || (exponent && num.size() == exp_at))) {
      num.push_back(ch);
    } else if (ch == '.' && !point && !exponent) {
      point = true;
      num.push_back(ch);
    } else if ((ch == 'e' || ch == 'E' || ch == 'd' || ch == 'D') && digits && !exponent) {
      exponent = true;
      num.push_back('e');
      exp_at = num.size();
    } else {
      break;
    }
  }
  if (!digits) return 0.0;
  if (exponent && !exp_digits) num.resize(exp_at - 1);
  double v = std::strtod(num.c_str(), nullptr);
  return std::isfinite(v) ? v : 0.0;
}

double RoundHalfEven(double value) {
  return std::nearbyint(value);
}

std::optional<std::int16_t> ToInt16(double value) {
  if (!std::isfinite(value)) return std::nullopt;
  double r = RoundHalfEven(value);
  if (r < -32768.0 || r > 32767.0) return std::nullopt;
  return static_cast<std::int16_t>(r);
}

std::optional<std::int32_t> ToInt32(double value) {
  if (!std::isfinite(value)) return std::nullopt;
  double r = RoundHalfEven(value);
  if (r < -2147483648.0 || r > 2147483647.0) return std::nullopt;
  return static_cast<std::int32_t>(r);
}

bool AllDigits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::optional<std::int64_t> ParseDigits(std::string_view text, std::size_t max_digits) {
  if (!AllDigits(text) || text.size() > std::min<std::size_t>(max_digits, 18)) return std::nullopt;
  std::int64_t value = 0;
  for (char c : text) value = value * 10 + (c - '0');
  return value;
}

std::string Int16RangeMessage(std::string_view what, double value) {
  return std::string(what) + "超出范围：" + FormatNumber(value) + "（允许 -32768 至 32767）";
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

bool EndsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

std::string Join(const std::vector<std::string>& items, std::string_view separator) {
  std::string out;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i) out.append(separator);
    out.append(items[i]);
  }
  return out;
}

std::string FormatNumber(double value) {
  char buf[64];
  if (value == 0) return "0";  // no "-0"
  if (std::isfinite(value) && value == std::floor(value) && std::fabs(value) < 9.007199254740992e15)
    std::snprintf(buf, sizeof buf, "%.0f", value);
  else
    std::snprintf(buf, sizeof buf, "%.15g", value);
  return buf;
}

std::string DropControlCharacters(std::string_view text, bool keep_line_breaks) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      const bool line = c == '\t' || c == '\n' || c == '\r';
      if ((c >= 0x20 && c != 0x7F) || (line && keep_line_breaks)) out += static_cast<char>(c);
      ++i;
      continue;
    }
    const std::size_t len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    bool valid = len > 1 && c < 0xF5 && i + len <= text.size();
    std::uint32_t cp = len == 2 ? c & 0x1F : len == 3 ? c & 0x0F : c & 0x07;
    for (std::size_t k = 1; valid && k < len; ++k) {
      const auto t = static_cast<unsigned char>(text[i + k]);
      valid = (t & 0xC0) == 0x80;
      cp = (cp << 6) | (t & 0x3F);
    }
    constexpr std::uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    valid = valid && cp >= kMin[len] && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF);
    if (!valid) {
      ++i;
      continue;
    }
    if (!(cp >= 0x80 && cp <= 0x9F) && cp != 0xFFFE && cp != 0xFFFF) out.append(text, i, len);
    i += len;
  }
  return out;
}

bool HasHiddenCharacters(std::string_view text) {
  // What the filter keeps unchanged has no control characters and is valid UTF-8.
  if (DropControlCharacters(text, false) != text) return true;
  std::size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    const std::size_t len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    std::uint32_t cp = len == 1 ? c : len == 2 ? c & 0x1F : len == 3 ? c & 0x0F : c & 0x07;
    for (std::size_t k = 1; k < len; ++k)
      cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    if ((cp >= 0x200B && cp <= 0x200F) || (cp >= 0x202A && cp <= 0x202E) ||
        (cp >= 0x2060 && cp <= 0x2069) || cp == 0x061C || cp == 0xFEFF)
      return true;
    i += len;
  }
  return false;
}

std::string XmlEscape(std::string_view raw) {
  const std::string text = DropControlCharacters(raw);
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

}  // namespace lindora
