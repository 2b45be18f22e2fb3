// Herb types of the current result set: its most frequent herbs classified by the 37-type
// table ("其他" for herbs not recorded or not classified), one group per type.
#pragma once

#include <cstddef>
#include <vector>

#include "analysis/herb_table.h"
#include "common/analysis_list.h"
#include "common/outcome.h"
#include "common/pictures.h"
#include "herb/herb_types.h"

namespace lindora {

inline constexpr std::size_t kDefaultTypedHerbs = 100;

// The most herbs classified at once: far above any library's count of distinct herbs.
inline constexpr std::size_t kMaxTypedHerbs = 1'000'000;

struct HerbTypesOptions {
  std::size_t top = kDefaultTypedHerbs;  // the most frequent herbs that are classified
};

struct HerbTypesResult {
  Outcome outcome = Outcome::kRefused;
  std::vector<TypedHerb> herbs;       // most frequent first, with their type numbers
  std::vector<HerbTypeGroup> groups;  // table order, "其他" last
};

// Counts the herbs of the result set (writing \Result\Yaodui_Analysis1.txt as the herb
// frequency does) and classifies the first `top`.
HerbTypesResult RunHerbTypes(Session& session, const HerbTypesOptions& options = {});
// The same from a herb table already counted.
HerbTypesResult HerbTypesOf(Session& session, const HerbTable& table, std::size_t top);

// Bars of the number of herbs per type.
BarChart HerbTypesChart(const HerbTypesResult& result);

AnalysisOutput HerbTypesOutput(const HerbTypesResult& result);
AnalysisDescriptor HerbTypesAnalysis();

}  // namespace lindora
