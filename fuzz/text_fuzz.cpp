// GBK decoding and encoding, and the string rules, on arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/gbk.h"
#include "common/text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::size_t bad = 0;
  std::string utf8 = lindora::DecodeGbk(bytes, &bad);
  // Whatever decoded without replacements must encode back to the same bytes.
  std::size_t replaced = 0;
  std::string again = lindora::EncodeGbk(utf8, &replaced);
  // Byte for byte, except that a character with two byte forms (the euro sign: 0x80 in code
  // page 936, A2E3 in GB18030) is written in one of them: the text must read back the same.
  if (bad == 0 && replaced == 0 && again != bytes && lindora::DecodeGbk(again) != utf8)
    __builtin_trap();
  lindora::EncodeGbk(bytes);  // arbitrary bytes as broken UTF-8
  std::string up = lindora::UpperCase(utf8);
  std::string decoded_upper;
  lindora::DecodeGbkUpperInto(bytes, decoded_upper);
  if (decoded_upper != up) __builtin_trap();
  if (up.size() != utf8.size()) __builtin_trap();
  if (lindora::CharLength(up) != lindora::CharLength(utf8)) __builtin_trap();
  lindora::Val(bytes);
  lindora::ToInt16(lindora::Val(utf8));
  auto items = lindora::Split(utf8, "\t");
  if (lindora::Join(items, "\t") != utf8) __builtin_trap();
  lindora::ReplaceAll(utf8, "  ", " ");
  lindora::Trim(utf8);
  lindora::ToUtf8(lindora::ToU32(bytes));
  return 0;
}
