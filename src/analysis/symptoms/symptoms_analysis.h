// Symptom frequency of the current result set: the indications of every formula cut into
// symptom phrases and counted, most frequent first.
#pragma once

#include "analysis/symptoms/symptom_table.h"
#include "common/analysis_list.h"
#include "common/outcome.h"

namespace lindora {

struct SymptomOptions {};

struct SymptomResult {
  Outcome outcome = Outcome::kRefused;
  SymptomTable table;
};

SymptomResult RunSymptoms(Session& session, const SymptomOptions& options = {});
AnalysisOutput SymptomOutput(const SymptomResult& result);
AnalysisDescriptor SymptomAnalysis();

}  // namespace lindora
