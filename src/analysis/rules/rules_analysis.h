// Association rules of the current result set as one engine: the thresholds checked, the herbs
// of the standardised set mined, both result files written; the rule window, the console and
// the report present what it returns.
#pragma once

#include <string>
#include <string_view>

#include "analysis/transactions.h"
#include "common/analysis_list.h"
#include "common/csv.h"
#include "common/outcome.h"
#include "stats/association_rules.h"

namespace lindora {

inline constexpr std::string_view kRuleFile = "\\Result\\关联规则.csv";
inline constexpr std::string_view kItemsetFile = "\\Result\\频繁项集.csv";

// The thresholds as typed (the rule window's four fields). The minimum lift is above 1, so that
// the trivial rules (a consequent held by every formula has lift exactly 1) and those at
// independence are left out unless asked for.
struct RuleOptions {
  std::string min_support = "10%", min_confidence = "0.6", min_lift = "1.01", max_size = "4";
};

struct RuleResult {
  Outcome outcome = Outcome::kRefused;
  Transactions items;
  RuleMining mining;  // mining.n transactions, mining.min_count the support count used
};

// Refuses thresholds it cannot read, an empty result set, a support count above the number of
// formulas and a mining with too many itemsets, each with its message; otherwise writes
// \Result\关联规则.csv and \Result\频繁项集.csv (all rules and itemsets).
RuleResult RunAssociationRules(Session& session, const RuleOptions& options);
AnalysisOutput RuleOutput(const RuleResult& result, const RuleOptions& options);
AnalysisDescriptor AssociationRuleAnalysis();

// A rule as the rule file and the reports write it, and the file's header.
CsvRow RuleRow(const Transactions& items, const RuleMining& mining, const Rule& r);
const CsvRow& RuleHeader();

// Writes \Result\关联规则.csv and \Result\频繁项集.csv; both are complete before either
// replaces its old copy. Raises FileError.
void WriteRuleFiles(Session& session, const Transactions& items, const RuleMining& mining);

// The methods sentences of a run, Chinese and English.
std::string RuleMethodsZh(const RuleResult& result, const RuleOptions& options);
std::string RuleMethodsEn(const RuleResult& result, const RuleOptions& options);

}  // namespace lindora
