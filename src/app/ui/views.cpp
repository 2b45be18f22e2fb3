#include "app/ui/views.h"

#include "app/ui/frm_msg.h"

namespace lindora::ui {

void RegisterViews(ViewHost& host) {
  host.Register<Msg, Frm_Msg>();
}

}  // namespace lindora::ui
