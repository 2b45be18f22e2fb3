// GBK (code page 936) exists only at the file boundary: readers decode, writers encode.
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

// Encodes UTF-8 to GBK; a character GBK cannot hold (or broken UTF-8) becomes '?'.
std::string EncodeGbk(std::string_view utf8, std::size_t* replaced = nullptr);
// The same, into a caller's buffer (replacing its content).
void EncodeGbkInto(std::string_view utf8, std::string& out, std::size_t* replaced = nullptr);

}  // namespace lindora
