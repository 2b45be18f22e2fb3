// Whether two result sets dose the herbs they share differently: per herb and unit found with
// a dose in both, the median of each set, the Mann–Whitney U test and Benjamini–Hochberg q.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/doses/doses_analysis.h"
#include "common/csv.h"

namespace lindora {

inline constexpr std::string_view kDoseComparisonFile = "\\Result\\剂量比较.csv";

struct HerbDoseComparison {
  std::string herb, unit;
  std::int64_t n_a = 0, n_b = 0;  // formulas with a dose in each set
  double median_a = 0, median_b = 0;
  MannWhitney test;
  double q = 1;
};

struct DoseComparison {
  DoseTable table = DoseTable::kModern;
  // q ascending, then p, then herb and unit by code points.
  std::vector<HerbDoseComparison> items;
};

DoseComparison CompareDoses(const DoseSamples& a, const DoseSamples& b);

const std::vector<std::string>& DoseComparisonHeader();
CsvRow DoseComparisonCells(const HerbDoseComparison& item);

}  // namespace lindora
