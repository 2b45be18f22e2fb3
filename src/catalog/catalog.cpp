#include "catalog/catalog.h"

#include "analysis/compare_sets_analysis.h"
#include "analysis/herb_frequency.h"
#include "analysis/herb_group_analysis.h"
#include "analysis/network_analysis.h"
#include "analysis/rule_analysis.h"
#include "analysis/symptom_analysis.h"
#include "chem/herb_chem_actions.h"
#include "common/session.h"
#include "report/analysis_report_window.h"

namespace lindora {

AnalysisList AllAnalyses() {
  return {
      HerbFrequencyAnalysis(),   HerbGroupAnalysis(),   SymptomAnalysis(),
      AssociationRuleAnalysis(), HerbNetworkAnalysis(), SetComparisonAnalysis(),
  };
}

void InstallCatalog(Session& session) {
  session.SetAnalyses(AllAnalyses());
  session.SetWorkflows(
      {AskAndSaveResultSet, OpenAnalysisReport, ShowHerbIngredients, ExportHerbChemistry});
}

}  // namespace lindora
