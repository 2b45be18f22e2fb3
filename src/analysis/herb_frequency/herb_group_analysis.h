// Herb pairs, triples and quadruples of the current result set: every group of two to four
// herbs among the formulas' most frequent herbs, counted, written to the Yaodui_Analysis files.
#pragma once

#include <array>

#include "analysis/herb_frequency/herb_groups.h"
#include "analysis/herb_table.h"
#include "common/analysis_list.h"
#include "common/outcome.h"

namespace lindora {

struct HerbGroupOptions {};

struct HerbGroupResult {
  Outcome outcome = Outcome::kRefused;
  HerbTable table;                   // the herb frequencies the groups are counted among
  std::array<GroupStore, 3> groups;  // pairs, triples, quadruples, sorted by count
  const GroupStore& Groups(int n) const { return groups[static_cast<std::size_t>(n - 2)]; }
};

// \Result\Yaodui_Analysis<n><suffix> (".txt" keys, "_Name.csv" names).
std::string HerbGroupFile(int n, std::string_view suffix);

HerbGroupResult RunHerbGroups(Session& session, const HerbGroupOptions& options = {});
// Every group of size n (2 to 4) as a typed table: the herbs joined by "、" and the count.
ResultTable HerbGroupTable(const HerbGroupResult& result, int n);
AnalysisOutput HerbGroupOutput(const HerbGroupResult& result);
AnalysisDescriptor HerbGroupAnalysis();

}  // namespace lindora
