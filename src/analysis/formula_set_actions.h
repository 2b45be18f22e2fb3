// The formula window's three analysis menu items act on the current result set.
#pragma once

#include "analysis/result_data.h"
#include "common/outcome.h"

namespace lindora {

// The menu items (the `open` of their analyses): each refuses with the empty-result-set warning
// when the formula grid has no data row, otherwise analyses the current result set into the
// herb, herb-pair or symptom window.
Outcome DanweiyaoAnalysis(Session& session);        // 方剂单味药分析: herb frequency
Outcome YaoduiAnalysisOfResults(Session& session);  // 方剂药对分析: pairs, triples, quadruples
Outcome SymptomAnalysisOfResults(Session& session);  // 方剂病症分析: symptoms

// The analyses shown in their windows, without the formula window's check: the engine runs
// (refusing an empty result set, one message for a file it cannot read or write, kFailed, with
// nothing half-written) and its result fills the window.
Outcome RunDanweiyaoAnalysis(Session& session);
Outcome RunYaoduiAnalysis(Session& session);
Outcome RunSymptomAnalysis(Session& session);

}  // namespace lindora
