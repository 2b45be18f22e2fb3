// The comparison of two result sets as one engine: the sets checked and read, every item tested,
// \Result\结果集比较.csv written; the comparison window, the console and the report present
// the result.
#pragma once

#include <string>
#include <string_view>

#include "analysis/result_sets.h"
#include "analysis/set_comparison.h"
#include "common/analysis_list.h"
#include "common/outcome.h"
#include "common/pictures.h"

namespace lindora {

inline constexpr std::string_view kComparisonFile = "\\Result\\结果集比较.csv";
inline constexpr int kComparisonChartItems = 20;

// The sets by name ("." = the current result set) and the minimum count as typed.
struct SetComparisonOptions {
  std::string set_a = ".", set_b;
  ItemKind kind = ItemKind::kHerbs;
  std::string min_count = "5";
};

struct SetComparisonResult {
  Outcome outcome = Outcome::kRefused;
  SetComparison comparison;
  SetComparisonOptions options;  // as compared (names trimmed)
  std::string summary;           // "A：… B：… 中药：检验 n 项（…）"
};

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

}  // namespace lindora
