#include "app/ui/views.h"

#include "app/ui/frm_msg.h"
#include "herb/ui/frm_danti_analysis.h"

namespace lindora::ui {

void RegisterViews(ViewHost& host) {
  host.Register<Msg, Frm_Msg>();
  host.Register<DantiAnalysis, Frm_DantiAnalysis>();
}

}  // namespace lindora::ui
