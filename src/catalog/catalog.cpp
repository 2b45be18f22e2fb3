#include "catalog/catalog.h"

#include "analysis/compare_sets_analysis.h"
#include "analysis/core_combinations.h"
#include "analysis/doses.h"
#include "analysis/herb_clustering.h"
#include "analysis/herb_clustering_window.h"
#include "analysis/herb_frequency.h"
#include "analysis/herb_group_analysis.h"
#include "analysis/herb_property_analysis.h"
#include "analysis/herb_type_analysis.h"
#include "analysis/network_analysis.h"
#include "analysis/rule_analysis.h"
#include "analysis/symptom_analysis.h"
#include "chem/herb_chem_actions.h"
#include "chem/screening_analysis.h"
#include "common/session.h"
#include "report/analysis_report_window.h"

namespace lindora {

AnalysisList AllAnalyses() {
  return {
      HerbFrequencyAnalysis(),
      HerbTypesAnalysis(),
      HerbPropertiesAnalysis(),
      HerbGroupAnalysis(),
      SymptomAnalysis(),
      AssociationRuleAnalysis(),
      HerbNetworkAnalysis(),
      HerbClusteringDescriptor(),
      SimilarFormulasDescriptor(),
      FormulaClusteringDescriptor(),
      CoreCombinationsDescriptor(),
      DosesDescriptor(),
      SetComparisonAnalysis(),
      IngredientScreeningAnalysis(),
      SimilarActivesAnalysis(),
  };
}

void InstallCatalog(Session& session) {
  session.SetAnalyses(AllAnalyses());
  session.SetWorkflows(
      {AskAndSaveResultSet, OpenAnalysisReport, ShowHerbIngredients, ExportHerbChemistry});
}

}  // namespace lindora
