// The comparison of two result sets as one engine: the sets checked and read, every item tested,
// \Result\结果集比较.csv written; the comparison window, the console and the report present
// the result.
#pragma once

#include <string>
#include <string_view>

#include "analysis/compare_sets/dose_comparison.h"
#include "analysis/result_sets.h"
#include "common/analysis_list.h"
#include "common/outcome.h"
#include "common/pictures.h"
#include "stats/set_comparison.h"

namespace lindora {

inline constexpr std::string_view kComparisonFile = "\\Result\\结果集比较.csv";
inline constexpr int kComparisonChartItems = 20;

// The sets by name ("." = the current result set) and the minimum count as typed.
// The largest minimum count read (nine digits).
inline constexpr std::int64_t kMaxMinCount = 999'999'999;

struct SetComparisonOptions {
  std::string set_a = ".", set_b;
  ItemKind kind = ItemKind::kHerbs;
  std::string min_count = std::to_string(kDefaultMinCount);
  // Also compare the doses of the herbs dosed in both sets (\Result\剂量比较.csv).
  bool doses = false;
  DoseTable dose_table = DoseTable::kModern;
};

struct SetComparisonResult {
  Outcome outcome = Outcome::kRefused;
  SetComparison comparison;
  SetComparisonOptions options;  // as compared (names trimmed)
  std::string summary;  // "A：… B：… 中药：检验 n 项（…）", and the warning below
  std::int64_t shared = 0;  // formulas found in both sets
  DoseComparison doses;     // when asked for
};

// The warning that two compared sets share formulas, for the window, the file and the report.
std::string SharedFormulaWarning(std::int64_t shared);

// Refuses a count it cannot read, a missing or repeated set and a set without formulas, each
// with its message; a saved set whose file was lost is a failure.
SetComparisonResult RunSetComparison(Session& session, const SetComparisonOptions& options);
AnalysisOutput SetComparisonOutput(const SetComparisonResult& result);
AnalysisDescriptor SetComparisonAnalysis();

// The set's name as a choice shows it ("." is the current result set).
std::string SetChoiceCaption(std::string_view name);
// The chart of the first kComparisonChartItems items: A's and B's rates side by side.
BarChart ComparisonChart(const SetComparison& comparison, std::string_view set_a,
                         std::string_view set_b, ItemKind kind);
std::string ComparisonMethodsZh(const SetComparisonResult& result);
std::string ComparisonMethodsEn(const SetComparisonResult& result);
std::string DoseComparisonMethodsZh(const DoseComparison& doses);
std::string DoseComparisonMethodsEn(const DoseComparison& doses);

}  // namespace lindora
