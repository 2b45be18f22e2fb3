#include "catalog/catalog.h"

#include "analysis/compare_sets/compare_sets_analysis.h"
#include "analysis/core_combinations/core_combinations_analysis.h"
#include "analysis/doses/doses_analysis.h"
#include "analysis/herb_clustering/herb_clustering_analysis.h"
#include "analysis/herb_clustering/herb_clustering_window.h"
#include "analysis/herb_frequency/herb_frequency_analysis.h"
#include "analysis/herb_frequency/herb_group_analysis.h"
#include "analysis/herb_properties/herb_properties_analysis.h"
#include "analysis/herb_types/herb_types_analysis.h"
#include "analysis/network/network_analysis.h"
#include "analysis/rules/rules_analysis.h"
#include "analysis/symptoms/symptoms_analysis.h"
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
