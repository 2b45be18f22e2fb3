#include "analysis/compare_sets/dose_comparison.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "stats/set_comparison.h"

namespace lindora {

DoseComparison CompareDoses(const DoseSamples& a, const DoseSamples& b) {
  DoseComparison result;
  result.table = a.table;
  std::unordered_map<std::string_view, const HerbDoses*> in_b;
  for (const HerbDoses& herb : b.herbs) in_b.emplace(herb.herb, &herb);
  std::vector<double> log_p;
  for (const HerbDoses& herb : a.herbs) {
    auto other = in_b.find(herb.herb);
    if (other == in_b.end()) continue;
    for (const auto& [unit, x] : herb.units) {
      auto y = other->second->units.find(unit);
      if (y == other->second->units.end()) continue;
      HerbDoseComparison item;
      item.herb = herb.herb;
      item.unit = unit;
      item.n_a = static_cast<std::int64_t>(x.size());
      item.n_b = static_cast<std::int64_t>(y->second.size());
      item.median_a = Summarise(x).median;
      item.median_b = Summarise(y->second).median;
      item.test = MannWhitneyTest(x, y->second);
      log_p.push_back(std::log(item.test.p));
      result.items.push_back(std::move(item));
    }
  }
  const std::vector<double> log_q = LogBenjaminiHochberg(log_p);
  for (std::size_t i = 0; i < log_q.size(); ++i) result.items[i].q = std::exp(log_q[i]);
  std::sort(result.items.begin(), result.items.end(),
            [](const HerbDoseComparison& x, const HerbDoseComparison& y) {
              if (x.q != y.q) return x.q < y.q;
              if (x.test.p != y.test.p) return x.test.p < y.test.p;
              return x.herb != y.herb ? x.herb < y.herb : x.unit < y.unit;
            });
  return result;
}

const std::vector<std::string>& DoseComparisonHeader() {
  static const std::vector<std::string> header = {
      "中药",    "单位", "A有剂量方剂数", "A中位数", "B有剂量方剂数",
      "B中位数", "U",    "P值",           "Q值",     "检验方式"};
  return header;
}

CsvRow DoseComparisonCells(const HerbDoseComparison& item) {
  return {item.herb,
          item.unit,
          std::to_string(item.n_a),
          FixedDecimals(item.median_a, 2),
          std::to_string(item.n_b),
          FixedDecimals(item.median_b, 2),
          FixedDecimals(item.test.u, 1),
          ScientificFromLog(std::log(item.test.p)),
          ScientificFromLog(std::log(item.q)),
          item.test.exact ? "精确" : "正态近似"};
}

}  // namespace lindora
