#include "common/gbk.h"

#include <iconv.h>

#include <array>
#include <cstdint>
#include <memory>
#include <stdexcept>

#include "common/text.h"

namespace lindora {
namespace {

// Two-byte characters: lead 0x81..0xFE, trail 0x40..0xFE. The tables are built once from the C
// library's converter for code page 936, then every conversion is a plain table lookup.
constexpr int kLeadCount = 0xFE - 0x81 + 1;
constexpr int kTrailCount = 0xFE - 0x40 + 1;

struct Tables {
  std::array<char16_t, kLeadCount * kTrailCount> decode{};                // 0 = no character
  std::unique_ptr<std::uint16_t[]> encode{new std::uint16_t[0x10000]()};  // 0 = none
  char16_t single_80 = 0;  // code page 936 puts the euro sign at 0x80

  Tables() {
    iconv_t cd = iconv_open("UTF-32LE", "CP936");
    if (cd == reinterpret_cast<iconv_t>(-1)) cd = iconv_open("UTF-32LE", "GBK");
    if (cd == reinterpret_cast<iconv_t>(-1))
      throw std::runtime_error("the C library has no GBK converter");
    auto convert = [&](const char* in, std::size_t len) -> char32_t {
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
      char out[8];
      char* inp = const_cast<char*>(in);
      char* outp = out;
      std::size_t inleft = len, outleft = sizeof out;
      if (iconv(cd, &inp, &inleft, &outp, &outleft) == static_cast<std::size_t>(-1) || inleft)
        return 0;
      if (sizeof out - outleft != 4) return 0;
      auto b = reinterpret_cast<unsigned char*>(out);
      return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<char32_t>(b[3]) << 24);
    };
    char one[1] = {static_cast<char>(0x80)};
    char32_t euro = convert(one, 1);
    if (euro > 0x7F && euro < 0x10000) single_80 = static_cast<char16_t>(euro);
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
      for (int trail = 0x40; trail <= 0xFE; ++trail) {
        if (trail == 0x7F) continue;
        char two[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        char32_t cp = convert(two, 2);
        if (cp < 0x80 || cp >= 0x10000 || cp == 0xFFFD) continue;
        decode[(lead - 0x81) * kTrailCount + (trail - 0x40)] = static_cast<char16_t>(cp);
        if (!encode[cp]) encode[cp] = static_cast<std::uint16_t>((lead << 8) | trail);
      }
    }
    if (single_80 && !encode[single_80]) encode[single_80] = 0x80;
    iconv_close(cd);
  }
};

const Tables& GetTables() {
  static const Tables tables;
  return tables;
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
    } else {
      i += 1;
    }
    if (!cp) {
      cp = 0xFFFD;
      ++replaced;
    }
    if (kUpper && cp - 0xFF41u < 26u) cp -= 0x20;  // full-width ａ..ｚ
    // Every decoded character lies in the Basic Multilingual Plane and beyond ASCII, so the two
    // cases of the general writer are enough on this, the hottest loop of every query.
    if (cp < 0x800) {
      *o++ = static_cast<char>(0xC0 | (cp >> 6));
      *o++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      *o++ = static_cast<char>(0xE0 | (cp >> 12));
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
    // U+FFFD (a broken character) and characters beyond the plane have no GBK code.
    const char32_t cp = NextUtf8(utf8, i);
    std::uint16_t code = cp < 0x10000 ? t.encode[cp] : 0;
    if (!code) {
      out.push_back('?');
      ++count;
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
