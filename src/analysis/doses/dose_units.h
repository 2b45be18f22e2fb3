// The conversion of written dose units to grams. Weights changed over the dynasties, so the
// conversion is a table the user names, and every output says which one it used. Count and
// volume units (枚、个、片、升、合、方寸匕、鸡子大 …) have no weight and are never converted.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "formula/composition.h"

namespace lindora {

enum class DoseTable { kModern, kHan13_8, kHan15_625 };

struct DoseTableInfo {
  DoseTable table;
  std::string_view key;       // console value ("modern", "han-13.8", "han-15.625")
  std::string_view caption;   // "现代", "汉制 13.8 g", "汉制 15.625 g"
  std::string_view rules;     // the table in one line, for methods and file headings
  std::string_view rules_en;  // the same in English
  double grams_per_liang;     // grams of 1两
};

const std::vector<DoseTableInfo>& DoseTables();
const DoseTableInfo& DoseTableOf(DoseTable table);
std::optional<DoseTable> DoseTableFromKey(std::string_view key);

// A unit as compared: Latin letters folded to ASCII lower case ("G", "ｇ" → "g", "mL" → "ml").
std::string NormalUnit(std::string_view unit);
// Grams of `amount` of a weight unit by the table; nothing for a count or volume unit.
std::optional<double> DoseGrams(double amount, std::string_view unit, DoseTable table);
// Grams of a whole reading, its table-sized part ("1两1分") included; nothing unless every
// part is a weight.
std::optional<double> DoseGrams(const DoseReading& dose, DoseTable table);

}  // namespace lindora
