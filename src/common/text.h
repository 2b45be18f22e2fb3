// The string rules every part of the program shares. Text is UTF-8 inside the program.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lindora {

// One left-to-right pass over non-overlapping occurrences; an empty `from` changes nothing.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);
// The same pass in place, for a `to` no longer than `from` (hot paths: no allocation).
void ReplaceAllInPlace(std::string& text, std::string_view from, std::string_view to);

// Splits at every separator and keeps empty items; an empty text gives one empty item.
std::vector<std::string> Split(std::string_view text, std::string_view separator);

// Removes blanks (U+0020) only, never tabs or line breaks.
std::string Trim(std::string_view text);
// The same without a copy: a view into `text`.
std::string_view TrimView(std::string_view text);
std::string TrimLeft(std::string_view text);
std::string TrimRight(std::string_view text);

// Upper-cases ASCII letters and full-width Latin letters (ａ..ｚ -> Ａ..Ｚ); everything else
// stays. Queries, record lines and herb keys all go through this one mapping.
std::string UpperCase(std::string_view text);
void UpperCaseInPlace(std::string& text);

// Number of characters (code points) of a UTF-8 text.
std::size_t CharLength(std::string_view text);

// The one UTF-8 reader and writer. NextUtf8 gives the character of `text` at `i` and moves `i`
// past it; a byte that starts no well-formed character gives U+FFFD and moves one byte.
inline char32_t NextUtf8(std::string_view text, std::size_t& i) {
  const unsigned char c = static_cast<unsigned char>(text[i]);
  if (c < 0x80) {
    ++i;
    return c;
  }
  const std::size_t len = c < 0x80         ? 1
                          : (c >> 5) == 6  ? 2
                          : (c >> 4) == 14 ? 3
                          : (c >> 3) == 30 ? 4
                                           : 0;
  if (len == 0 || i + len > text.size()) {
    ++i;
    return U'\uFFFD';
  }
  char32_t cp = len == 1 ? c : len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
  for (std::size_t k = 1; k < len; ++k) {
    const unsigned char t = static_cast<unsigned char>(text[i + k]);
    if ((t & 0xC0) != 0x80) {
      ++i;
      return U'\uFFFD';
    }
    cp = (cp << 6) | (t & 0x3F);
  }
  i += len;
  return cp;
}
// Writes `c` as UTF-8 at `out` (room for four bytes) and returns the end.
inline char* PutUtf8(char* out, char32_t c) {
  if (c < 0x80) {
    *out++ = static_cast<char>(c);
  } else if (c < 0x800) {
    *out++ = static_cast<char>(0xC0 | (c >> 6));
    *out++ = static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    *out++ = static_cast<char>(0xE0 | (c >> 12));
    *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (c & 0x3F));
  } else {
    *out++ = static_cast<char>(0xF0 | (c >> 18));
    *out++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (c & 0x3F));
  }
  return out;
}

std::u32string ToU32(std::string_view utf8);
std::string ToUtf8(std::u32string_view text);
void AppendUtf8(std::string& out, char32_t c);

// The leading decimal number of a text, 0 when there is none. Blanks, tabs and line feeds are
// skipped anywhere inside the number, so "  12 3abc" gives 123. A sign, one decimal point and
// an exponent (E or D) are accepted.
double Val(std::string_view text);

// Rounds half to even, as the program has always converted reals to integers.
double RoundHalfEven(double value);

// Converts to a signed 16-bit number; nullopt when the rounded value falls outside
// -32768..32767, so callers can report instead of wrapping.
std::optional<std::int16_t> ToInt16(double value);
std::optional<std::int32_t> ToInt32(double value);

// The message shown when a user's number does not fit the 16-bit range.
std::string Int16RangeMessage(std::string_view what, double value);

bool StartsWith(std::string_view text, std::string_view prefix);
bool EndsWith(std::string_view text, std::string_view suffix);
bool Contains(std::string_view text, std::string_view part);

// Joins items with a separator.
std::string Join(const std::vector<std::string>& items, std::string_view separator);

// Formats a double the way the program prints counts and keys ("%g" without exponent for
// whole numbers up to 2^53).
std::string FormatNumber(double value);

}  // namespace lindora
