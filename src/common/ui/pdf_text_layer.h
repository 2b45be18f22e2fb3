// The text layer of a PDF typeset by Qt. Qt maps each glyph back to the lowest code point the
// font gives it, and CJK fonts draw a Kangxi radical and its ideograph with one glyph, so 甘
// would be searchable and copied as ⽢. These functions map such look-alikes back to the
// ideograph in the fonts' ToUnicode tables; the pages themselves are not touched.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace lindora::ui {

// One ToUnicode CMap program with every destination code unit passed through `real`
// (bfchar entries and bfrange arrays in place; a bfrange whose run crosses a changed code
// becomes an array). Everything else is kept byte for byte.
std::string MapCMapDestinations(std::string_view cmap,
                                const std::function<char16_t(char16_t)>& real);

// The ideograph a compatibility look-alike stands for (⽢ U+2F62 → 甘 U+7518), else `c`.
char16_t RealIdeograph(char16_t c);

// A whole PDF with every ToUnicode CMap mapped by RealIdeograph. Returns the input unchanged
// when nothing needs mapping; raises std::runtime_error for a PDF that cannot be parsed.
std::string PdfWithRealCharacters(const std::string& pdf);

}  // namespace lindora::ui
