// Herb frequency of the current result set: the herbs of every composition counted over the
// standardised set, most frequent first, written to \Result\Yaodui_Analysis1.txt.
#pragma once

#include "analysis/herb_table.h"
#include "common/analysis_list.h"
#include "common/outcome.h"

namespace lindora {

struct HerbFrequencyOptions {};

struct HerbFrequencyResult {
  Outcome outcome = Outcome::kRefused;
  HerbTable table;
};

inline constexpr std::string_view kHerbListFile = "\\Result\\Yaodui_Analysis1.txt";

HerbFrequencyResult RunHerbFrequency(Session& session, const HerbFrequencyOptions& options = {});
AnalysisOutput HerbFrequencyOutput(const HerbFrequencyResult& result);
AnalysisDescriptor HerbFrequencyAnalysis();

}  // namespace lindora
