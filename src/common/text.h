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

// Text typed by the user with the ideographic blank (U+3000) that Chinese input methods put
// between words turned into plain blanks. Only for typed search text: records stay as they are.
std::string TypedBlanks(std::string_view typed);

// Upper-cases ASCII letters and full-width Latin letters (ａ..ｚ -> Ａ..Ｚ); everything else
// stays. Queries, record lines and herb keys all go through this one mapping.
std::string UpperCase(std::string_view text);
void UpperCaseInPlace(std::string& text);

// Number of characters (code points) of a UTF-8 text.
std::size_t CharLength(std::string_view text);

// The one UTF-8 reader and writer. NextUtf8 gives the character of `text` at `i` and moves `i`
// past it; a byte that starts no well-formed character gives U+FFFD and moves one byte.
inline char32_t NextUtf8(std::string_view text, std::size_t& i) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data()) + i;
  const std::size_t left = text.size() - i;
  const auto more = [&](std::size_t k) { return k < left && (p[k] & 0xC0) == 0x80; };
  if (p[0] < 0x80) {
    i += 1;
    return p[0];
  }
  if ((p[0] & 0xE0) == 0xC0 && more(1)) {
    i += 2;
    return (p[0] & 0x1Fu) << 6 | (p[1] & 0x3Fu);
  }
  if ((p[0] & 0xF0) == 0xE0 && more(1) && more(2)) {
    i += 3;
    return (p[0] & 0x0Fu) << 12 | (p[1] & 0x3Fu) << 6 | (p[2] & 0x3Fu);
  }
  if ((p[0] & 0xF8) == 0xF0 && more(1) && more(2) && more(3)) {
    i += 4;
    return (p[0] & 0x07u) << 18 | (p[1] & 0x3Fu) << 12 | (p[2] & 0x3Fu) << 6 | (p[3] & 0x3Fu);
  }
  i += 1;
  return U'\uFFFD';
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

// Decimal digits and nothing else, at least one: "007" yes; "", "+7", " 7" and "7.0" no.
bool AllDigits(std::string_view text);
// The value of a count as typed (no sign, no blanks; see AllDigits) of at most `max_digits`
// (up to 18) digits; nothing for anything else.
std::optional<std::int64_t> ParseDigits(std::string_view text, std::size_t max_digits = 9);

// The message shown when a user's number does not fit the 16-bit range.
std::string Int16RangeMessage(std::string_view what, double value);

bool StartsWith(std::string_view text, std::string_view prefix);
bool EndsWith(std::string_view text, std::string_view suffix);
bool Contains(std::string_view text, std::string_view part);

// The one rule for characters no file or terminal should carry: control characters (C0 other
// than TAB, LF and CR; DEL; C1, which holds the terminal's escape introducers) and the
// non-characters U+FFFE and U+FFFF are dropped, so the rest is what XML 1.0 allows. Bytes that
// are not UTF-8 are dropped as well. With `keep_line_breaks` false, TAB, LF and CR go too.
std::string DropControlCharacters(std::string_view utf8, bool keep_line_breaks = true);

// True when a name holds characters a reader cannot see or that reorder what is shown:
// control characters (C0, DEL, C1, so also ESC sequences), bidirectional marks, embeddings,
// overrides and isolates (U+200E/F, U+202A–E, U+2066–9, U+061C), zero-width characters
// (U+200B–D, U+2060, U+FEFF) and bytes that are not UTF-8. Names of libraries and saved sets.
bool HasHiddenCharacters(std::string_view utf8);

// The text with &, <, > and " written as entities and control characters dropped, for XML and
// HTML.
std::string XmlEscape(std::string_view text);

// Joins items with a separator.
std::string Join(const std::vector<std::string>& items, std::string_view separator);

// Formats a double the way the program prints counts and keys ("%g" without exponent for
// whole numbers up to 2^53).
std::string FormatNumber(double value);

}  // namespace lindora
