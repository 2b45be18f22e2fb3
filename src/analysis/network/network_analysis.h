// The herb network of the current result set as one engine: nodes, edges, communities and
// centralities computed, the network files and (with a picture writer installed) the PNG and
// SVG pictures written; the network window, the console and the report present the result.
#pragma once

#include "analysis/network/herb_network.h"
#include "common/analysis_list.h"
#include "common/outcome.h"

namespace lindora {

struct NetworkOptions {
  NetworkThresholds thresholds;
};

struct NetworkResult {
  Outcome outcome = Outcome::kRefused;
  // Without an edge there is no network: nothing is written and `network.edges` is empty.
  HerbNetwork network;
  std::int64_t formulas = 0;  // of the result set it was drawn from
};

// Refuses an empty result set and thresholds below 1.
NetworkResult RunHerbNetwork(Session& session, const NetworkOptions& options);
AnalysisOutput NetworkOutput(const NetworkResult& result, const NetworkOptions& options);
AnalysisDescriptor HerbNetworkAnalysis();

// How the nodes were chosen, for the report and the methods.
std::string NodeRuleZh(const NetworkThresholds& t);
std::string NodeRuleEn(const NetworkThresholds& t);
std::string NetworkMethodsZh(const NetworkThresholds& t);
std::string NetworkMethodsEn(const NetworkThresholds& t);

}  // namespace lindora
