// GBK (code page 936) exists only at the file boundary: readers decode, writers encode. A
// character GBK lacks (䓖, 䗪, characters beyond the Basic Multilingual Plane) is written and read
// as GB18030 has it, so a GBK file is the same bytes as before and an imported library keeps
// every character.
#pragma once

#include <string>
#include <string_view>

namespace lindora {

// Decodes GBK bytes to UTF-8. A byte that starts no valid character becomes U+FFFD on its own,
// so line breaks and tabs after a broken character survive. `bad` counts the replacements.
std::string DecodeGbk(std::string_view bytes, std::size_t* bad = nullptr);
// The same, into a caller's buffer (replacing its content) so a loop over many lines can reuse
// one allocation.
void DecodeGbkInto(std::string_view bytes, std::string& out, std::size_t* bad = nullptr);
// Decodes and upper-cases in one pass: the same text as UpperCase(DecodeGbk(bytes)).
void DecodeGbkUpperInto(std::string_view bytes, std::string& out, std::size_t* bad = nullptr);

// Encodes UTF-8 to GBK, with GB18030's codes for what GBK lacks; broken UTF-8 (U+FFFD) and
// characters of the private use area become '?'.
std::string EncodeGbk(std::string_view utf8, std::size_t* replaced = nullptr);
// The same, into a caller's buffer (replacing its content).
void EncodeGbkInto(std::string_view utf8, std::string& out, std::size_t* replaced = nullptr);

}  // namespace lindora
