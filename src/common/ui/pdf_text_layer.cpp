// qpdf's own shared pointers only, without its old PointerHolder.
#define POINTERHOLDER_TRANSITION 4
#include "common/ui/pdf_text_layer.h"

#include <QString>
#include <algorithm>
#include <cstdio>
#include <iterator>
#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFWriter.hh>
#include <vector>

namespace lindora::ui {
namespace {

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// A "<…>" hex string as UTF-16 code units; empty for anything else (odd length, bad digits).
std::vector<char16_t> Units(std::string_view hex) {
  std::vector<char16_t> units;
  if (hex.size() % 4 != 0) return units;
  for (std::size_t i = 0; i < hex.size(); i += 4) {
    unsigned v = 0;
    for (std::size_t k = i; k < i + 4; ++k) {
      if (!IsHexDigit(hex[k])) return {};
      v = v * 16 + static_cast<unsigned>(hex[k] <= '9' ? hex[k] - '0' : (hex[k] | 0x20) - 'a' + 10);
    }
    units.push_back(static_cast<char16_t>(v));
  }
  return units;
}

std::string Hex(const std::vector<char16_t>& units) {
  std::string out;
  char buf[8];
  for (char16_t u : units) {
    std::snprintf(buf, sizeof buf, "%04X", static_cast<unsigned>(u));
    out += buf;
  }
  return out;
}

// "<…>"; built by appending (GCC 12 warns falsely on "<" + std::string&& at -O3).
std::string HexString(const std::vector<char16_t>& units) {
  std::string out = "<";
  out += Hex(units);
  out += '>';
  return out;
}

// The CMap program as tokens that keep their place in the text.
struct Token {
  enum class Kind { kHex, kOpen, kClose, kWord } kind;
  std::size_t begin, end;  // the whole token; for kHex the digits are [begin+1, end-1)
};

std::vector<Token> Tokenize(std::string_view s) {
  std::vector<Token> tokens;
  std::size_t i = 0;
  while (i < s.size()) {
    const char c = s[i];
    if (c == '%') {  // a comment runs to the end of the line
      while (i < s.size() && s[i] != '\n' && s[i] != '\r') ++i;
    } else if (c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\0') {
      ++i;
    } else if (c == '<' && i + 1 < s.size() && s[i + 1] == '<') {
      tokens.push_back({Token::Kind::kWord, i, i + 2});
      i += 2;
    } else if (c == '<') {
      std::size_t e = s.find('>', i);
      if (e == std::string_view::npos) break;
      tokens.push_back({Token::Kind::kHex, i, e + 1});
      i = e + 1;
    } else if (c == '[' || c == ']') {
      tokens.push_back({c == '[' ? Token::Kind::kOpen : Token::Kind::kClose, i, i + 1});
      ++i;
    } else {
      std::size_t e = i;
      while (e < s.size() &&
             std::string_view(" \n\r\t\f<>[]%").find(s[e]) == std::string_view::npos)
        ++e;
      if (e == i) e = i + 1;
      tokens.push_back({Token::Kind::kWord, i, e});
      i = e;
    }
  }
  return tokens;
}

}  // namespace

std::string MapCMapDestinations(std::string_view cmap,
                                const std::function<char16_t(char16_t)>& real) {
  const std::vector<Token> tokens = Tokenize(cmap);
  auto word = [&](std::size_t t, std::string_view w) {
    return t < tokens.size() && tokens[t].kind == Token::Kind::kWord &&
           cmap.substr(tokens[t].begin, tokens[t].end - tokens[t].begin) == w;
  };
  auto digits = [&](std::size_t t) {
    return cmap.substr(tokens[t].begin + 1, tokens[t].end - tokens[t].begin - 2);
  };
  auto is_hex = [&](std::size_t t) {
    return t < tokens.size() && tokens[t].kind == Token::Kind::kHex;
  };
  // A destination with its single code unit mapped; longer ones (ligatures, surrogate pairs)
  // are no look-alikes.
  auto mapped = [&](std::string_view hex, std::vector<char16_t>& units) {
    units = Units(hex);
    if (units.size() != 1) return false;
    const char16_t r = real(units[0]);
    if (r == units[0]) return false;
    units[0] = r;
    return true;
  };

  // Replacements sorted by position: [begin, end) → text.
  struct Edit {
    std::size_t begin, end;
    std::string text;
  };
  std::vector<Edit> edits;
  std::vector<char16_t> units;
  enum class Block { kNone, kChar, kRange } block = Block::kNone;
  for (std::size_t t = 0; t < tokens.size();) {
    if (word(t, "beginbfchar"))
      block = Block::kChar, ++t;
    else if (word(t, "beginbfrange"))
      block = Block::kRange, ++t;
    else if (word(t, "endbfchar") || word(t, "endbfrange"))
      block = Block::kNone, ++t;
    else if (block == Block::kChar && is_hex(t) && is_hex(t + 1)) {
      if (mapped(digits(t + 1), units))
        edits.push_back({tokens[t + 1].begin, tokens[t + 1].end, HexString(units)});
      t += 2;
    } else if (block == Block::kRange && is_hex(t) && is_hex(t + 1) && is_hex(t + 2)) {
      // <lo> <hi> <dst>: codes lo…hi map to dst, dst+1, …
      const std::vector<char16_t> lo = Units(digits(t)), hi = Units(digits(t + 1));
      const std::vector<char16_t> dst = Units(digits(t + 2));
      if (lo.size() == 1 && hi.size() == 1 && dst.size() == 1 && hi[0] >= lo[0]) {
        std::string array = "[";
        bool changed = false;
        for (unsigned k = 0; k <= static_cast<unsigned>(hi[0] - lo[0]); ++k) {
          const auto unit = static_cast<char16_t>(dst[0] + k);
          const char16_t r = real(unit);
          changed |= r != unit;
          array += (k ? " <" : "<") + Hex({r}) + ">";
        }
        if (changed) edits.push_back({tokens[t + 2].begin, tokens[t + 2].end, array + "]"});
      }
      t += 3;
    } else if (block == Block::kRange && is_hex(t) && is_hex(t + 1) && t + 2 < tokens.size() &&
               tokens[t + 2].kind == Token::Kind::kOpen) {
      t += 3;
      for (; is_hex(t); ++t)
        if (mapped(digits(t), units))
          edits.push_back({tokens[t].begin, tokens[t].end, HexString(units)});
      if (t < tokens.size() && tokens[t].kind == Token::Kind::kClose) ++t;
    } else {
      ++t;
    }
  }
  if (edits.empty()) return std::string(cmap);
  std::string out;
  std::size_t at = 0;
  for (const Edit& e : edits) {
    out.append(cmap.substr(at, e.begin - at));
    out += e.text;
    at = e.end;
  }
  out.append(cmap.substr(at));
  return out;
}

namespace {

// The look-alike blocks below the unified ideographs: the radicals supplement, the Kangxi
// radicals, and the Hangzhou numerals 〸〹〺.
bool LookAlikeBlock(char16_t c) {
  return (c >= 0x2E80 && c <= 0x2FDF) || (c >= 0x3038 && c <= 0x303A);
}

// Look-alike → ideograph by Unicode's own equivalence data. The typesetting writes whichever
// code point of the font's cmap comes first for a glyph, so 黄 may come out as ⻩; the radicals
// supplement has no compatibility mapping that could undo that.
struct Equivalent {
  char16_t radical, ideograph;
};
constexpr Equivalent kEquivalents[] = {
#include "common/ui/equivalent_ideographs.inc"
};

char16_t EquivalentIdeograph(char16_t c) {
  const auto* it = std::lower_bound(std::begin(kEquivalents), std::end(kEquivalents), c,
                                    [](const Equivalent& e, char16_t v) { return e.radical < v; });
  return it != std::end(kEquivalents) && it->radical == c ? it->ideograph : 0;
}

}  // namespace

char16_t RealIdeograph(char16_t c) {
  if (!LookAlikeBlock(c)) return c;
  if (char16_t e = EquivalentIdeograph(c)) return e;
  // The Hangzhou numerals: their compatibility form, when that is an ideograph.
  const QString folded = QString(QChar(c)).normalized(QString::NormalizationForm_KC);
  if (folded.size() != 1) return c;
  const char16_t f = folded.at(0).unicode();
  return (f >= 0x3400 && f <= 0x9FFF) ? f : c;
}

std::string PdfWithRealCharacters(const std::string& bytes) {
  QPDF pdf;
  pdf.setSuppressWarnings(true);
  pdf.processMemoryFile("report.pdf", bytes.data(), bytes.size());
  bool changed = false;
  for (QPDFObjectHandle object : pdf.getAllObjects()) {
    if (!object.isDictionary() || !object.hasKey("/ToUnicode")) continue;
    QPDFObjectHandle cmap = object.getKey("/ToUnicode");
    if (!cmap.isStream()) continue;
    std::shared_ptr<Buffer> data = cmap.getStreamData(qpdf_dl_generalized);
    const std::string text(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
    std::string fixed = MapCMapDestinations(text, RealIdeograph);
    if (fixed == text) continue;
    cmap.replaceStreamData(fixed, QPDFObjectHandle::newNull(), QPDFObjectHandle::newNull());
    changed = true;
  }
  if (!changed) return bytes;
  QPDFWriter writer(pdf);
  writer.setOutputMemory();
  writer.setDeterministicID(true);
  writer.setCompressStreams(true);
  writer.write();
  std::shared_ptr<Buffer> out = writer.getBufferSharedPointer();
  return std::string(reinterpret_cast<const char*>(out->getBuffer()), out->getSize());
}

}  // namespace lindora::ui
