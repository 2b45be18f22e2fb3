#include "analysis/doses/dose_units.h"

#include <array>

#include "common/text.h"

namespace lindora {
namespace {

// A weight unit in 两 of the chosen table, or in grams whatever the table.
struct MassUnit {
  std::string_view unit;
  double modern_liang;  // in 两 under the modern table
  double han_liang;     // in 两 under both Han tables
  bool metric = false;  // `modern_liang` holds grams, the same in every table
};

// Han weights: 1斤 = 16两, 1两 = 24铢, 1分 = ¼两. 钱 and 厘 came later (1两 = 10钱 = 1000厘)
// and are read with that ratio under the Han tables too. Modern: 1两 = 10钱 = 30 g, 1分 = 0.1钱.
constexpr std::array<MassUnit, 13> kMassUnits{{
    {"斤", 16, 16},
    {"两", 1, 1},
    {"钱", 0.1, 0.1},
    {"分", 0.01, 0.25},
    {"厘", 0.001, 0.001},
    {"铢", 1.0 / 24, 1.0 / 24},
    {"g", 1, 0, true},
    {"克", 1, 0, true},
    {"kg", 1000, 0, true},
    {"千克", 1000, 0, true},
    {"公斤", 1000, 0, true},
    {"mg", 0.001, 0, true},
    {"毫克", 0.001, 0, true},
}};

const MassUnit* FindMassUnit(std::string_view written) {
  const std::string unit = NormalUnit(written);
  for (const MassUnit& m : kMassUnits)
    if (m.unit == unit) return &m;
  return nullptr;
}

}  // namespace

std::string NormalUnit(std::string_view unit) {
  std::u32string u = ToU32(unit);
  for (char32_t& c : u) {
    if (c >= U'Ａ' && c <= U'Ｚ') c = c - U'Ａ' + U'a';
    if (c >= U'ａ' && c <= U'ｚ') c = c - U'ａ' + U'a';
    if (c >= U'A' && c <= U'Z') c = c - U'A' + U'a';
  }
  return ToUtf8(u);
}

const std::vector<DoseTableInfo>& DoseTables() {
  static const std::vector<DoseTableInfo> tables = {
      {DoseTable::kModern, "modern", "现代",
       "现代换算：1斤 = 16两，1两 = 10钱 = 30 g，1钱 = 3 g，1分 = 0.3 g，1厘 = 0.03 g，1铢 = "
       "1/24两",
       "modern: 1 jin = 16 liang, 1 liang = 10 qian = 30 g, 1 qian = 3 g, 1 fen = 0.3 g, "
       "1 li = 0.03 g, 1 zhu = 1/24 liang",
       30},
      {DoseTable::kHan13_8, "han-13.8", "汉制 13.8 g",
       "汉制换算：1两 ≈ 13.8 g，1斤 = 16两，1两 = 24铢，1分 = 1/4两（钱、厘按 1两 = 10钱 = "
       "1000厘）",
       "Han weights: 1 liang = 13.8 g, 1 jin = 16 liang, 1 liang = 24 zhu, 1 fen = 1/4 liang "
       "(qian and li as 1 liang = 10 qian = 1000 li)",
       13.8},
      {DoseTable::kHan15_625, "han-15.625", "汉制 15.625 g",
       "汉制换算：1斤 = 250 g，1两 = 15.625 g，1两 = 24铢，1分 = 1/4两（钱、厘按 1两 = 10钱 = "
       "1000厘）",
       "Han weights: 1 jin = 250 g, 1 liang = 15.625 g, 1 liang = 24 zhu, 1 fen = 1/4 liang "
       "(qian and li as 1 liang = 10 qian = 1000 li)",
       15.625},
  };
  return tables;
}

const DoseTableInfo& DoseTableOf(DoseTable table) {
  for (const DoseTableInfo& info : DoseTables())
    if (info.table == table) return info;
  return DoseTables().front();
}

std::optional<DoseTable> DoseTableFromKey(std::string_view key) {
  for (const DoseTableInfo& info : DoseTables())
    if (info.key == key) return info.table;
  return std::nullopt;
}

std::optional<double> DoseGrams(double amount, std::string_view unit, DoseTable table) {
  const MassUnit* m = FindMassUnit(unit);
  if (!m) return std::nullopt;
  if (m->metric) return amount * m->modern_liang;
  const double liang = table == DoseTable::kModern ? m->modern_liang : m->han_liang;
  return amount * liang * DoseTableOf(table).grams_per_liang;
}

std::optional<double> DoseGrams(const DoseReading& dose, DoseTable table) {
  std::optional<double> grams = DoseGrams(dose.amount, dose.unit, table);
  if (!grams || dose.extra_unit.empty()) return grams;
  const std::optional<double> extra = DoseGrams(dose.extra, dose.extra_unit, table);
  if (!extra) return std::nullopt;
  return *grams + *extra;
}

}  // namespace lindora
