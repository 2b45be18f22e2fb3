#pragma once

#include "common/ui/view_host.h"

namespace lindora::ui {
// Tells the host which view shows which window model.
void RegisterViews(ViewHost& host);
}  // namespace lindora::ui
