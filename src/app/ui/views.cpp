#include "app/ui/views.h"

#include "analysis/compare_sets/ui/frm_compare_sets.h"
#include "analysis/doses/ui/frm_doses.h"
#include "analysis/herb_clustering/ui/frm_herb_clustering.h"
#include "analysis/herb_frequency/ui/frm_yaodui_analysis.h"
#include "analysis/herb_properties/ui/frm_herb_properties.h"
#include "analysis/network/ui/frm_herb_network.h"
#include "analysis/rules/ui/frm_association_rules.h"
#include "analysis/symptoms/ui/frm_symptom_analysis.h"
#include "app/ui/frm_help.h"
#include "app/ui/frm_input.h"
#include "app/ui/frm_main.h"
#include "app/ui/frm_msg.h"
#include "chem/ui/frm_active_component.h"
#include "chem/ui/frm_chem_analysis.h"
#include "chem/ui/frm_ingredient_screening.h"
#include "common/ui/qt_picture_writer.h"
#include "formula/ui/frm_fangji_analysis.h"
#include "herb/ui/frm_danti_analysis.h"
#include "report/ui/frm_analysis_report.h"

namespace lindora::ui {

void RegisterViews(ViewHost& host) {
  host.Register<Msg, Frm_Msg>();
  host.Register<Main, Frm_Main>();
  host.Register<HelpWindow, Frm_Help>();
  host.Register<FangjiAnalysis, Frm_FangjiAnalysis>();
  host.Register<DantiAnalysis, Frm_DantiAnalysis>();
  host.Register<YaoduiAnalysisWindow, Frm_YaoduiAnalysis>();
  host.Register<SymptomAnalysisWindow, Frm_SymptomAnalysis>();
  host.Register<Input, Frm_Input>();
  host.Register<ChemAnalysis, Frm_ChemAnalysis>();
  host.Register<ActiveComponent, Frm_ActiveComponent>();
  host.Register<IngredientScreening, Frm_IngredientScreening>();
  host.Register<AssociationRulesWindow, Frm_AssociationRules>();
  host.Register<HerbNetworkWindow, Frm_HerbNetwork>();
  host.Register<HerbClusteringWindow, Frm_HerbClustering>();
  host.Register<CompareSetsWindow, Frm_CompareSets>();
  host.Register<HerbPropertiesWindow, Frm_HerbProperties>();
  host.Register<DosesWindow, Frm_Doses>();
  host.Register<AnalysisReportWindow, Frm_AnalysisReport>();
  InstallQtPictureWriter();
}

}  // namespace lindora::ui
