// The formula window's three analysis menu items act on the current result set.
#pragma once

namespace lindora {

class Session;

void DanweiyaoAnalysis(Session& session);         // 方剂单味药分析: herb frequency
void YaoduiAnalysisOfResults(Session& session);   // 方剂药对分析: pairs, triples, quadruples
void SymptomAnalysisOfResults(Session& session);  // 方剂病症分析: symptoms

}  // namespace lindora
