// The operations one window starts in another window's subsystem. They are declared here so
// that windows which start each other (formula ↔ herb ↔ chemistry) need not include each
// other's folders; each is defined by the subsystem that owns the window it fills, and the
// subsystem folders include each other in one direction only (a core test checks it).
#pragma once

#include <string>

#include "common/outcome.h"

namespace lindora {

// analysis/formula_set_actions.cpp — the formula window's 数据分析 menu items: each refuses
// with the empty-result-set warning when the formula grid has no data row, otherwise analyses
// the current result set into the herb, herb-pair or symptom window.
Outcome DanweiyaoAnalysis(Session& session);        // 方剂单味药分析: herb frequency
Outcome YaoduiAnalysisOfResults(Session& session);  // 方剂药对分析: pairs, triples, quadruples
Outcome SymptomAnalysisOfResults(Session& session);  // 方剂病症分析: symptoms
// analysis/association_rules_window.cpp — 方剂关联规则分析: refuses as above, else opens the
// rule window and mines the current result set with the thresholds shown.
Outcome AssociationRulesOfResults(Session& session);
// analysis/herb_network_window.cpp — 药物网络: refuses as above, else draws and shows the herb
// network of the current result set.
Outcome HerbNetworkOfResults(Session& session);
// analysis/herb_clustering_window.cpp — 聚类分析: refuses as above, else shows the clustering
// window with the herb clustering of the current result set at the default options.
Outcome OpenHerbClustering(Session& session);
// The formula grid's 相似方剂 pop-up item: the clustering window's similar-formulas tab for the
// formula `name`, ranked against the open library.
Outcome ShowSimilarFormulas(Session& session, const std::string& name);
// analysis/result_sets.cpp — 保存结果集…: asks for a name (the search history is offered) and
// saves the current result set under it; Cancel does nothing.
Outcome AskAndSaveResultSet(Session& session);
// analysis/compare_sets_window.cpp — 结果集比较…: shows the comparison window, its list of
// saved sets read afresh.
Outcome OpenSetComparison(Session& session);
// report/analysis_report_window.cpp — 生成分析报告: refuses as above, else shows the report
// window with its options.
Outcome OpenAnalysisReport(Session& session);

// chem/herb_chem_actions.cpp — from the single-herb window.
// 分析化学成分: the ingredient list of a herb in the chemical analysis window, with the
// structure of the first compound drawn.
bool ShowHerbIngredients(Session& session, const std::string& herb_name);
// 导出单味药-化学成分表进行关联分析: one line "herb, compound id" per herb of the single-herb
// grid whose frequency reaches the threshold, and per linked compound.
// Both are true when they did their job (the list is shown, the table is written).
bool ExportHerbChemistry(Session& session);

}  // namespace lindora
