#include "common/gbk.h"

#include <iconv.h>

#include <array>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <vector>

#include "common/text.h"

namespace lindora {
namespace {

// Two-byte characters: lead 0x81..0xFE, trail 0x40..0xFE. The tables are built once from the C
// library's converters, then every conversion is a plain table lookup.
constexpr int kLeadCount = 0xFE - 0x81 + 1;
constexpr int kTrailCount = 0xFE - 0x40 + 1;

// Code page 936 leaves some two-byte codes undefined that GB18030 gives a character (䓖 FE7B,
// ḿ A8BC); those are read and written as GB18030 has them, outside the private use area.
struct Tables {
  std::array<char16_t, kLeadCount * kTrailCount> decode{};                // 0 = no character
  std::unique_ptr<std::uint16_t[]> encode{new std::uint16_t[0x10000]()};  // 0 = none
  char16_t single_80 = 0;  // code page 936 puts the euro sign at 0x80

  Tables() {
    iconv_t cd = iconv_open("UTF-32LE", "CP936");
    if (cd == reinterpret_cast<iconv_t>(-1)) cd = iconv_open("UTF-32LE", "GBK");
    iconv_t gb18030 = iconv_open("UTF-32LE", "GB18030");
    if (cd == reinterpret_cast<iconv_t>(-1) || gb18030 == reinterpret_cast<iconv_t>(-1))
      throw std::runtime_error("the C library has no GBK or GB18030 converter");
    auto convert = [](iconv_t with, const char* in, std::size_t len) -> char32_t {
      iconv(with, nullptr, nullptr, nullptr, nullptr);
      char out[8];
      char* inp = const_cast<char*>(in);
      char* outp = out;
      std::size_t inleft = len, outleft = sizeof out;
      if (iconv(with, &inp, &inleft, &outp, &outleft) == static_cast<std::size_t>(-1) || inleft)
        return 0;
      if (sizeof out - outleft != 4) return 0;
      auto b = reinterpret_cast<unsigned char*>(out);
      return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<char32_t>(b[3]) << 24);
    };
    char one[1] = {static_cast<char>(0x80)};
    char32_t euro = convert(cd, one, 1);
    if (euro > 0x7F && euro < 0x10000) single_80 = static_cast<char16_t>(euro);
    // Code page 936 a lead byte at a time: one call for a row of pairs instead of one a pair
    // (building the tables took longer than reading a large file). A pair the converter stops
    // at, and a row whose output does not match its pairs one to one, go a pair at a time.
    auto convert_row = [&](int lead, std::array<char32_t, kTrailCount>& row) {
      std::array<char, 2 * kTrailCount> in{};
      std::array<int, kTrailCount> trail_of{};
      std::size_t pairs = 0;
      for (int trail = 0x40; trail <= 0xFE; ++trail) {
        if (trail == 0x7F) continue;
        in[2 * pairs] = static_cast<char>(lead);
        in[2 * pairs + 1] = static_cast<char>(trail);
        trail_of[pairs++] = trail;
      }
      std::size_t k = 0;
      while (k < pairs) {
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        std::array<unsigned char, 4 * kTrailCount> out{};
        char* inp = in.data() + 2 * k;
        char* outp = reinterpret_cast<char*>(out.data());
        std::size_t inleft = 2 * (pairs - k), outleft = out.size();
        iconv(cd, &inp, &inleft, &outp, &outleft);
        const std::size_t consumed = 2 * (pairs - k) - inleft, produced = out.size() - outleft;
        const bool one_to_one = consumed % 2 == 0 && produced == 2 * consumed;
        const std::size_t done = one_to_one ? consumed / 2 : 0;
        for (std::size_t p = 0; p < done; ++p) {
          const unsigned char* b = out.data() + 4 * p;
          row[trail_of[k + p] - 0x40] =
              b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<char32_t>(b[3]) << 24);
        }
        k += done;
        if (k < pairs) {
          row[trail_of[k] - 0x40] = convert(cd, in.data() + 2 * k, 2);
          ++k;
        }
      }
    };
    for (const bool extension : {false, true}) {
      for (int lead = 0x81; lead <= 0xFE; ++lead) {
        std::array<char32_t, kTrailCount> row{};
        if (!extension) convert_row(lead, row);
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
          if (trail == 0x7F) continue;
          char16_t& slot = decode[(lead - 0x81) * kTrailCount + (trail - 0x40)];
          if (extension && slot) continue;
          char two[2] = {static_cast<char>(lead), static_cast<char>(trail)};
          char32_t cp = extension ? convert(gb18030, two, 2) : row[trail - 0x40];
          if (cp < 0x80 || cp >= 0x10000 || cp == 0xFFFD) continue;
          if (extension && ((cp >= 0xE000 && cp < 0xF900) || encode[cp])) continue;
          slot = static_cast<char16_t>(cp);
          if (!encode[cp]) encode[cp] = static_cast<std::uint16_t>((lead << 8) | trail);
        }
      }
    }
    if (single_80 && !encode[single_80]) encode[single_80] = 0x80;
    iconv_close(cd);
    iconv_close(gb18030);
  }
};

const Tables& GetTables() {
  static const Tables tables;
  return tables;
}

// GB18030's four-byte codes (b1 0x81..0xFE, b2 '0'..'9', b3 0x81..0xFE, b4 '0'..'9'), numbered
// in order, hold the characters two bytes do not: index 0 to 39419 the rest of the Basic
// Multilingual Plane in the standard's own order (taken from the C library's converter), index
// 189000 onwards U+10000 upwards. Only imported libraries hold such codes, so the tables are
// built on the first one met. A four-byte code is read only for a character without a two-byte
// code here, so what decodes cleanly encodes back to the same bytes.
constexpr std::uint32_t kFourByteBmpCount = 39420;
constexpr std::uint32_t kFourByteSupplementary = 189000;
constexpr std::uint16_t kNoFourByte = 0xFFFF;

struct FourByteTables {
  std::vector<char16_t> decode = std::vector<char16_t>(kFourByteBmpCount, 0);  // 0 = none
  std::vector<std::uint16_t> encode = std::vector<std::uint16_t>(0x10000, kNoFourByte);

  FourByteTables() {
    const Tables& two = GetTables();
    iconv_t cd = iconv_open("UTF-32LE", "GB18030");
    if (cd == reinterpret_cast<iconv_t>(-1))
      throw std::runtime_error("the C library has no GB18030 converter");
    for (std::uint32_t index = 0; index < kFourByteBmpCount; ++index) {
      char in[4] = {
          static_cast<char>(0x81 + index / 12600), static_cast<char>('0' + index / 1260 % 10),
          static_cast<char>(0x81 + index / 10 % 126), static_cast<char>('0' + index % 10)};
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
      unsigned char out[8];
      char* inp = in;
      char* outp = reinterpret_cast<char*>(out);
      std::size_t inleft = sizeof in, outleft = sizeof out;
      if (iconv(cd, &inp, &inleft, &outp, &outleft) == static_cast<std::size_t>(-1) || inleft ||
          sizeof out - outleft != 4)
        continue;
      const char32_t cp = out[0] | (out[1] << 8) | (out[2] << 16);
      if (cp < 0x80 || cp >= 0x10000 || out[3] || (cp >= 0xD800 && cp < 0xE000) || cp == 0xFFFD ||
          two.encode[cp] || encode[cp] != kNoFourByte)
        continue;
      decode[index] = static_cast<char16_t>(cp);
      encode[cp] = static_cast<std::uint16_t>(index);
    }
    iconv_close(cd);
  }
};

const FourByteTables& GetFourByteTables() {
  static const FourByteTables tables;
  return tables;
}

// The character of a four-byte code at `in` (the caller checked the byte ranges), or 0.
char32_t DecodeFourBytes(const unsigned char* in) {
  const std::uint32_t index =
      (in[0] - 0x81u) * 12600 + (in[1] - '0') * 1260u + (in[2] - 0x81u) * 10 + (in[3] - '0');
  if (index < kFourByteBmpCount) return GetFourByteTables().decode[index];
  if (index >= kFourByteSupplementary && index - kFourByteSupplementary < 0x100000)
    return 0x10000 + (index - kFourByteSupplementary);
  return 0;
}

// Appends the four-byte code of a character two bytes do not hold; false when it has none.
bool EncodeFourBytes(char32_t cp, std::string& out) {
  std::uint32_t index;
  if (cp >= 0x10000 && cp <= 0x10FFFF) {
    index = kFourByteSupplementary + (cp - 0x10000);
  } else if (cp < 0x10000 && GetFourByteTables().encode[cp] != kNoFourByte) {
    index = GetFourByteTables().encode[cp];
  } else {
    return false;
  }
  out.push_back(static_cast<char>(0x81 + index / 12600));
  out.push_back(static_cast<char>('0' + index / 1260 % 10));
  out.push_back(static_cast<char>(0x81 + index / 10 % 126));
  out.push_back(static_cast<char>('0' + index % 10));
  return true;
}

bool IsDigit(unsigned char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

std::string DecodeGbk(std::string_view bytes, std::size_t* bad) {
  std::string out;
  DecodeGbkInto(bytes, out, bad);
  return out;
}

namespace {

// One decoding loop for both forms, so upper-casing while decoding can never disagree with
// upper-casing the decoded text.
template <bool kUpper>
void DecodeInto(std::string_view bytes, std::string& out, std::size_t* bad) {
  const Tables& t = GetTables();
  const std::size_t n = bytes.size();
  // Worst case three UTF-8 bytes per input byte (a replacement character for every byte); the
  // text is written through a pointer and cut to size at the end.
  out.resize(n * 3);
  char* o = out.data();
  const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
  std::size_t replaced = 0;
  std::size_t i = 0;
  while (i < n) {
    unsigned c = in[i];
    if (c < 0x80) {
      if (kUpper && c - 'a' < 26u) c -= 32;
      *o++ = static_cast<char>(c);
      ++i;
      continue;
    }
    char32_t cp = 0;
    if (c == 0x80) {
      cp = t.single_80;
      i += 1;
    } else if (c != 0xFF && i + 1 < n && in[i + 1] >= 0x40 && in[i + 1] <= 0xFE) {
      cp = t.decode[(c - 0x81) * kTrailCount + (in[i + 1] - 0x40)];
      i += cp ? 2 : 1;
    } else if (c != 0xFF && i + 3 < n && IsDigit(in[i + 1]) && in[i + 2] >= 0x81 &&
               in[i + 2] != 0xFF && IsDigit(in[i + 3])) {
      cp = DecodeFourBytes(in + i);
      i += cp ? 4 : 1;
    } else {
      i += 1;
    }
    if (!cp) {
      cp = 0xFFFD;
      ++replaced;
    }
    if (kUpper && cp - 0xFF41u < 26u) cp -= 0x20;  // full-width ａ..ｚ
    // Every decoded character lies beyond ASCII: the general writer's other cases. A character
    // beyond the plane came from four bytes, so the buffer holds its four.
    if (cp < 0x800) {
      *o++ = static_cast<char>(0xC0 | (cp >> 6));
      *o++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      *o++ = static_cast<char>(0xE0 | (cp >> 12));
      *o++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      *o++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      *o++ = static_cast<char>(0xF0 | (cp >> 18));
      *o++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      *o++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      *o++ = static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  out.resize(static_cast<std::size_t>(o - out.data()));
  if (bad) *bad = replaced;
}

}  // namespace

void DecodeGbkInto(std::string_view bytes, std::string& out, std::size_t* bad) {
  DecodeInto<false>(bytes, out, bad);
}

void DecodeGbkUpperInto(std::string_view bytes, std::string& out, std::size_t* bad) {
  DecodeInto<true>(bytes, out, bad);
}

std::string EncodeGbk(std::string_view utf8, std::size_t* replaced) {
  std::string out;
  EncodeGbkInto(utf8, out, replaced);
  return out;
}

void EncodeGbkInto(std::string_view utf8, std::string& out, std::size_t* replaced) {
  const Tables& t = GetTables();
  out.clear();
  out.reserve(utf8.size());
  std::size_t count = 0;
  const std::size_t n = utf8.size();
  std::size_t i = 0;
  while (i < n) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
      ++i;
      continue;
    }
    // U+FFFD (a broken character) has no code; a character GBK lacks takes GB18030's four bytes.
    const char32_t cp = NextUtf8(utf8, i);
    std::uint16_t code = cp < 0x10000 ? t.encode[cp] : 0;
    if (!code) {
      if (cp == 0xFFFD || !EncodeFourBytes(cp, out)) {
        out.push_back('?');
        ++count;
      }
    } else if (code < 0x100) {
      out.push_back(static_cast<char>(code));
    } else {
      out.push_back(static_cast<char>(code >> 8));
      out.push_back(static_cast<char>(code & 0xFF));
    }
  }
  if (replaced) *replaced = count;
}

}  // namespace lindora
