#include "app/ui/views.h"

#include "app/ui/frm_msg.h"
#include "chem/ui/frm_active_component.h"
#include "chem/ui/frm_chem_analysis.h"

namespace lindora::ui {

void RegisterViews(ViewHost& host) {
  host.Register<Msg, Frm_Msg>();
  host.Register<ChemAnalysis, Frm_ChemAnalysis>();
  host.Register<ActiveComponent, Frm_ActiveComponent>();
}

}  // namespace lindora::ui
